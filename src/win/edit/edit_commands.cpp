// Commands of the editing infrastructure: undo, redo, grid and zoom.
#include "app/command_registry.h"
#include "app/editor.h"
#include "edit/grid_dialog.h"
#include "edit/undo_history.h"

namespace mirelo {

namespace {
void SetGrid(Editor& e, int x, int y) {
    e.settings.gridX = x;
    e.settings.gridY = y;
    e.ProgramChanged(change::kSettings);
}
}  // namespace

void RegisterEditCommands(CommandRegistry& r) {
    r.On(cmd::kUndo, [](Editor& e, int) { Undo(e); }, [](const CommandState& s) { return s.open && s.canUndo; });
    r.On(cmd::kRedo, [](Editor& e, int) { Redo(e); }, [](const CommandState& s) { return s.open && s.canRedo; });
    r.On(cmd::kGridNone, [](Editor& e, int) { SetGrid(e, 0, 0); });
    for (int id = cmd::kGridFirst; id <= cmd::kGridLast; ++id)
        r.On(id, [](Editor& e, int command) {
            const int spacing = GridSpacingForCommand(command);
            SetGrid(e, spacing, spacing);
        });
    r.On(cmd::kGridCustom, [](Editor& e, int) { GridDialog(e); });
    r.On(cmd::kFitWindow, [](Editor& e, int) { e.Changed(change::kFitWindow); }, rule::ImageOpen);
    r.On(cmd::kActualSize, [](Editor& e, int) { e.ShowActualSize(); }, rule::ImageOpen);
}

}  // namespace mirelo
