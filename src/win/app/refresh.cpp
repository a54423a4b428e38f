#include "app/refresh.h"

#include "app/command_registry.h"
#include "app/editor.h"

namespace mirelo {

void ApplyChanges(Editor& e) {
    // A step's window messages may reach a choke point again: the outer refresh takes what they
    // note on its next round.
    if (e.refreshing) return;
    e.refreshing = true;
    bool paintNow = false;
    // Steps may note more (a taller option bar moves the view): a few rounds settle it.
    for (int round = 0; round < 3 && !e.changes.Empty(); ++round) {
        const ChangeRecord changes = e.changes.Take();
        const RefreshPlan plan = PlanRefresh(changes, e.images.current);
        for (const auto& observer : e.commands.ChangesObservers()) observer(e, changes, plan);
        for (RefreshStep step : plan.Order())
            if (const auto& action = e.commands.Step(step)) action(e, plan);
        for (const auto& observer : e.commands.RefreshObservers()) observer(e, plan);
        paintNow = paintNow || plan.paintNow;
    }
    // After a dialog the picture is shown at once, not when the queue next runs empty: the user
    // is looking at where the dialog was.
    if (paintNow) e.RepaintNow();
    e.refreshing = false;
}

}  // namespace mirelo
