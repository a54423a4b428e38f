// The submenu 最近使ったﾌｧｲﾙ of the File menu, filled from the editor's recent files when it opens.
#pragma once
#include "common/win.h"

namespace mirelo {

class Editor;

// Fills the submenu (when `popup` is it) with the list: "&1 path" … "&0 path", or "なし".
void ShowRecentFiles(Editor& editor, HMENU popup);
// The submenu 最近使ったﾌｧｲﾙ of the File menu, or null.
HMENU RecentFilesMenu(const Editor& editor);

}  // namespace mirelo
