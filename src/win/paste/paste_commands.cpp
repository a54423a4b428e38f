// Commands of the paste objects; their actions arrive with the paste objects themselves.
#include "app/command_registry.h"
#include "app/editor.h"
#include "app/menu_state.h"

namespace mirelo {

void RegisterPasteCommands(CommandRegistry& r) {
    for (int id : {cmd::kObjDelete, cmd::kObjMerge}) r.Rule(id, [](const CommandState& s) { return s.objectSelected; });
    r.Rule(cmd::kObjReset, [](const CommandState& s) { return s.objectSelected && s.objectTransformed; });
    r.Rule(cmd::kObjEditText, [](const CommandState& s) { return s.textSelected; });
    for (int id : {cmd::kObjForward, cmd::kObjBackward})
        r.Rule(id, [](const CommandState& s) { return s.objectSelected && s.objects >= 2; });
    r.Rule(cmd::kObjMergeAll, rule::ImageOpen);
    r.On(
        cmd::kObjFrames,
        [](Editor& e, int) {
            e.settings.objectFrames = !e.settings.objectFrames;
            RefreshMenuState(e);
        },
        [](const CommandState& s) { return s.objectSelected; });
    r.Rule(cmd::kErase, rule::Never);
}

}  // namespace mirelo
