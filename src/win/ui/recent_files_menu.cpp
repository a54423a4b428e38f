#include "ui/recent_files_menu.h"

#include "app/commands.h"
#include "app/editor.h"

namespace mirelo {

namespace {
constexpr char16_t kMenuText[] = u"最近使ったﾌｧｲﾙ(&F)";
}

HMENU RecentFilesMenu(const Editor& e) {
    HMENU file = e.frame.menu ? GetSubMenu(e.frame.menu, 0) : nullptr;
    wchar_t text[64];
    for (int i = 0; file && i < GetMenuItemCount(file); ++i) {
        HMENU sub = GetSubMenu(file, i);
        if (sub && GetMenuStringW(file, static_cast<UINT>(i), text, 64, MF_BYPOSITION) && FromW(text) == kMenuText) return sub;
    }
    return nullptr;
}

void ShowRecentFiles(Editor& e, HMENU popup) {
    if (!popup || popup != RecentFilesMenu(e)) return;
    while (GetMenuItemCount(popup) > 0) DeleteMenu(popup, 0, MF_BYPOSITION);
    const auto& items = e.recentFiles.items();
    if (items.empty()) AppendMenuW(popup, MF_STRING | MF_GRAYED, cmd::kRecentFirst, L"なし");
    for (size_t i = 0; i < items.size(); ++i)
        AppendMenuW(popup, MF_STRING, static_cast<UINT_PTR>(cmd::kRecentFirst + static_cast<int>(i)), W(RecentFileMenuText(i, items[i])));
}

}  // namespace mirelo
