// Commands of the drawing tools: 40080 shows and hides the arrow editing window; the retouch
// brush follows its option lists.
#include "app/command_registry.h"
#include "app/editor.h"
#include "app/menu_state.h"
#include "draw/arrow_dialog.h"
#include "draw/retouch_tool.h"

namespace mirelo {

void RegisterDrawCommands(CommandRegistry& r) {
    r.On(cmd::kArrowEdit, [](Editor& e, int) { ToggleArrowWindow(e); }, [](const CommandState& s) { return s.arrowOption; });
    r.OnOptionChanged([](Editor& e, int option) { ApplyRetouchOption(e, option); });
}

}  // namespace mirelo
