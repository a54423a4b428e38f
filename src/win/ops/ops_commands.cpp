// Commands of the image operations; their actions arrive with the rotations, flips and effects.
#include "app/command_registry.h"

namespace mirelo {

void RegisterOpsCommands(CommandRegistry& r) {
    for (int id : {cmd::kRotateRight, cmd::kRotateLeft}) r.Rule(id, rule::Never);
}

}  // namespace mirelo
