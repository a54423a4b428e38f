// Commands of the drawing tools: 40080 shows and hides the arrow editing window; the retouch
// brush follows its option lists; the arrow window closes with its tool.
#include "app/command_registry.h"
#include "app/editor.h"
#include "draw/arrow_dialog.h"
#include "draw/retouch_tool.h"

namespace mirelo {

void RegisterDrawCommands(CommandRegistry& r) {
    r.On(cmd::kArrowEdit, [](Editor& e, int) { ToggleArrowWindow(e); }, [](const CommandState& s) { return s.arrowOption; });
    r.OnOptionChanged([](Editor& e, int option) { ApplyRetouchOption(e, option); });
    // The arrow window belongs to the shape tool: it closes when the image's tool is reset.
    r.OnRefresh([](Editor& e, const RefreshPlan& plan) {
        if (plan.toolReset) HideArrowWindow(e);
    });
}

}  // namespace mirelo
