// Commands of the drawing tools: 40080 shows and hides the arrow editing window.
#include "app/command_registry.h"
#include "app/editor.h"
#include "app/menu_state.h"
#include "draw/arrow_dialog.h"

namespace mirelo {

void RegisterDrawCommands(CommandRegistry& r) {
    r.On(cmd::kArrowEdit, [](Editor& e, int) { ToggleArrowWindow(e); }, [](const CommandState& s) { return s.arrowOption; });
}

}  // namespace mirelo
