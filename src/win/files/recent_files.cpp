#include "files/recent_files.h"

#include <shlobj.h>

#include "app/command_registry.h"
#include "app/editor.h"
#include "app/user_store.h"
#include "common/file.h"
#include "common/pixel_memory.h"
#include "files/open_image.h"

namespace mirelo {

namespace {
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
    pixel_memory::TouchAgain();  // the shell's call starts a process under Wine
    SaveUserSettings(e);
}

void RegisterRecentFileCommands(CommandRegistry& r) {
    for (int id = cmd::kRecentFirst; id <= cmd::kRecentLast; ++id) r.On(id, OpenRecentFile);
}

}  // namespace mirelo
