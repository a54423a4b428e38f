#include "app/dispatch.h"

#include "app/command_registry.h"
#include "app/commands.h"
#include "app/editor.h"
#include "app/menu_state.h"
#include "app/refresh.h"

namespace mirelo {

void DispatchCommand(Editor& e, HWND, WPARAM wparam) {
    const int id = LOWORD(wparam);
    const Command* command = e.commands.Find(id);
    if (!command) return;
    // A command runs only when it could be chosen now, whichever way it came: a menu item, a key,
    // a button, the key mirror, or another command forwarding to it.
    if (command->enabled && !command->enabled(ReadCommandState(e))) return;
    if ((command->guards & kGuardPendingPath) && !e.commands.PassesGuard(e, kGuardPendingPath)) return;
    if ((command->guards & kGuardImage) && !e.Current()) return;
    if ((command->guards & kGuardPasteObjects) && !e.commands.PassesGuard(e, kGuardPasteObjects)) return;
    if (e.commandObserver) e.commandObserver(id);
    if (command->run) command->run(e, id);
}

void KeyToCommand(Editor&, HWND hwnd, WPARAM key) {
    int id = KeyToCommandId(static_cast<unsigned>(key), GetKeyState(VK_CONTROL) < 0);
    if (id) SendMessageW(hwnd, WM_COMMAND, static_cast<WPARAM>(id), 0);
}

void ShowContextMenu(Editor& e, HWND hwnd, POINT screen) {
    if (!e.frame.view || !e.frame.menu) return;
    RECT r;
    GetWindowRect(e.frame.view, &r);
    if (!PtInRect(&r, screen)) return;
    ImageSlot* s = e.Current();
    int position = 0;
    HMENU popup = nullptr;
    if (s) {
        // An object under the mouse becomes the selected one and brings its own menu: the
        // object menu for a picture, the menu 貼紙 for a text.
        POINT client = screen;
        ScreenToClient(e.frame.view, &client);
        const ViewLayout l = e.View().Layout();
        const ObjectView view{l.zoom, l.originX - e.viewState.scrollX, l.originY - e.viewState.scrollY};
        const IntPoint pixel = e.View().ToImage(client.x, client.y);
        const ObjectHit hit =
            IsIndexed(s->pixelFormat) ? ObjectHit{} : HitTestPasteObjects(*s, view, client.x, client.y, pixel.x, pixel.y);
        if (hit.index >= 0 && !hit.handle) {
            s->pasteObjects.selected = hit.index;
            TakeTransformOf(e);
            if (s->pasteObjects.items[static_cast<size_t>(hit.index)].isText)
                position = 2;
            else
                popup = GetSubMenu(e.objectMenu, 0);
            e.Changed(change::kObjects);
        } else {
            s->pasteObjects.selected = -1;
            position = PathMenuApplies(*s) ? 3 : 1;
        }
    }
    if (!popup) popup = GetSubMenu(e.frame.menu, position);
    // The menu shows what is available now.
    e.ProgramChanged(change::kOutside);
    ApplyChanges(e);
    int chosen = TrackPopupMenu(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON, screen.x, screen.y, 0, hwnd, nullptr);
    if (chosen)
        SendMessageW(hwnd, WM_COMMAND, static_cast<WPARAM>(chosen), 0);
    else
        e.menuDismissed = true;
    e.ProgramChanged(change::kOutside);
}

}  // namespace mirelo
