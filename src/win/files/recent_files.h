// 最近使ったﾌｧｲﾙ: the files last opened or saved, in the File menu and in Windows' recent documents.
#pragma once
#include "common/win.h"
#include "common/text.h"

namespace mirelo {

class Editor;

// Puts a file just opened or saved at the top of the list (and of Windows' recent documents) and
// keeps the list for the next run.
void NoteRecentFile(Editor& editor, const Text& path);
// Fills the submenu 最近使ったﾌｧｲﾙ (when `popup` is it) with the list: "&1 path" … "&0 path".
void ShowRecentFiles(Editor& editor, HMENU popup);
// The submenu 最近使ったﾌｧｲﾙ of the File menu, or null.
HMENU RecentFilesMenu(const Editor& editor);
// The folder part of a path ("C:\a\b.png" → "C:\a"); empty without one.
Text FolderOf(const Text& path);

class CommandRegistry;
void RegisterRecentFileCommands(CommandRegistry& registry);

}  // namespace mirelo
