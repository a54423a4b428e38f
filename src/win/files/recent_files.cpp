#include "files/recent_files.h"

#include <shlobj.h>

#include "app/command_registry.h"
#include "app/editor.h"
#include "app/user_store.h"
#include "common/file.h"
#include "files/open_image.h"

namespace mirelo {

namespace {
constexpr char16_t kMenuText[] = u"最近使ったﾌｧｲﾙ(&F)";

void OpenRecentFile(Editor& e, int id) {
    const size_t index = static_cast<size_t>(id - cmd::kRecentFirst);
    if (index >= e.recentFiles.items().size()) return;
    const Text path = e.recentFiles.items()[index];
    if (!FileExists(path)) {
        // A file moved or deleted since leaves the list.
        e.messages.App(MessageText(u"ファイルが見つかりません\n%s").Arg(path).Str(), MB_OK | MB_ICONWARNING);
        e.recentFiles.Remove(path);
        SaveUserSettings(e);
        return;
    }
    OpenImageFile(e, path);
}
}  // namespace

Text FolderOf(const Text& path) {
    const size_t cut = path.find_last_of(u"\\/");
    return cut == Text::npos ? Text() : path.substr(0, cut);
}

void NoteRecentFile(Editor& e, const Text& path) {
    if (path.empty()) return;
    e.recentFiles.Add(path);
    SHAddToRecentDocs(SHARD_PATHW, W(path));
    SaveUserSettings(e);
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

void RegisterRecentFileCommands(CommandRegistry& r) {
    for (int id = cmd::kRecentFirst; id <= cmd::kRecentLast; ++id) r.On(id, OpenRecentFile);
}

}  // namespace mirelo
