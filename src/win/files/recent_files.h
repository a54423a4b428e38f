// 最近使ったﾌｧｲﾙ: the files last opened or saved, kept for the File menu (ui/recent_files_menu.h)
// and added to Windows' recent documents.
#pragma once
#include "common/win.h"
#include "common/text.h"

namespace mirelo {

class Editor;

// Puts a file just opened or saved at the top of the list (and of Windows' recent documents) and
// keeps the list for the next run.
void NoteRecentFile(Editor& editor, const Text& path);
// The folder part of a path ("C:\a\b.png" → "C:\a"); empty without one.
Text FolderOf(const Text& path);

class CommandRegistry;
void RegisterRecentFileCommands(CommandRegistry& registry);

}  // namespace mirelo
