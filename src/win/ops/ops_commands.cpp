// Commands of the image operations: the effects dialog; the rotations and flips follow.
#include "app/command_registry.h"
#include "app/editor.h"
#include "ops/effects_dialog.h"

namespace mirelo {

void RegisterOpsCommands(CommandRegistry& r) {
    for (int id : {cmd::kRotateRight, cmd::kRotateLeft}) r.Rule(id, rule::Never);
    r.On(cmd::kEffects, [](Editor& e, int) { EffectsDialog(e); }, rule::ImageOpen);
}

}  // namespace mirelo
