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

}  // namespace mirelo
