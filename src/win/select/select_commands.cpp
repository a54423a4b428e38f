// Commands of the selection and the user paths; their actions arrive with the selection tools.
#include "app/command_registry.h"
#include "app/menu_state.h"

namespace mirelo {

void RegisterSelectCommands(CommandRegistry& r) {
    r.Rule(cmd::kSelectAll, rule::ImageOpen);
    r.Rule(cmd::kSelectNone, [](const CommandState& s) { return s.open && s.selection; });
    static_assert(cmd::kPathDeleteAll - cmd::kPathClose == 6, "seven path commands");
    for (int id = cmd::kPathClose; id <= cmd::kPathDeleteAll; ++id) r.Rule(id, [](const CommandState& s) { return s.paths; });
}

}  // namespace mirelo
