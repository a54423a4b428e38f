// Commands of the image operations: quarter turns, flips, rotation by an angle, and the effects dialog.
#include "app/command_registry.h"
#include "app/editor.h"
#include "ops/alpha_dialog.h"
#include "ops/effects_dialog.h"
#include "ops/resize_image.h"
#include "ops/rotate_image.h"

namespace mirelo {

void RegisterOpsCommands(CommandRegistry& r) {
    for (int id : {cmd::kRotate90, cmd::kRotate180, cmd::kRotate270, cmd::kFlipH, cmd::kFlipV})
        r.On(id, [](Editor& e, int command) { RotateFlipCommand(e, command); }, rule::ImageOpen);
    r.On(cmd::kRotateRight, [](Editor& e, int) { RotateByAngleCommand(e, false); }, rule::ImageOpen);
    r.On(cmd::kRotateLeft, [](Editor& e, int) { RotateByAngleCommand(e, true); }, rule::ImageOpen);
    r.On(cmd::kResize, [](Editor& e, int) { ResizeDialog(e); }, rule::ImageOpen);
    r.On(cmd::kTransparency, [](Editor& e, int) { TransparencyDialog(e); }, rule::ImageOpen);
    r.On(cmd::kEffects, [](Editor& e, int) { EffectsDialog(e); }, rule::ImageOpen);
}

}  // namespace mirelo
