#include "app/refresh.h"

#include "app/editor.h"
#include "app/frame.h"
#include "app/menu_state.h"
#include "ui/canvas.h"
#include "ui/colour_panels.h"
#include "ui/image_bar.h"
#include "ui/option_bar.h"
#include "files/recovery.h"

namespace mirelo {

namespace {
using StepFunction = void (*)(Editor&, const RefreshPlan&);

void Availability(Editor& e, const RefreshPlan& plan) {
    if (plan.rebuildImageBar) ShowImageSelectMenu(e);
    ShowAvailability(e);
}
void OptionBar(Editor& e, const RefreshPlan&) { ShowToolSettings(e); }
void ColourPanels(Editor& e, const RefreshPlan&) { ShowColourPanels(e); }
void Thumbnails(Editor& e, const RefreshPlan& plan) { ShowImageBar(e, plan); }
void StatusLine(Editor& e, const RefreshPlan&) { ShowStatusLine(e); }
void ViewLayout(Editor& e, const RefreshPlan& plan) { ShowViewLayout(e, plan); }
void ViewInvalidate(Editor& e, const RefreshPlan&) { InvalidateView(e); }

// The steps by RefreshStep, in the order they run.
constexpr StepFunction kSteps[kRefreshStepCount] = {Availability, OptionBar, ColourPanels, Thumbnails,
                                                    StatusLine,   ViewLayout, ViewInvalidate};
}  // namespace

void ApplyChanges(Editor& e) {
    // A step's window messages may reach a choke point again: the outer refresh takes what they
    // note on its next round.
    if (e.refreshing) return;
    e.refreshing = true;
    bool paintNow = false;
    // Steps may note more (a taller option bar moves the view): a few rounds settle it.
    for (int round = 0; round < 3 && !e.changes.Empty(); ++round) {
        const ChangeRecord changes = e.changes.Take();
        Recovery(e).Noted(e, changes, static_cast<int64_t>(e.clock()));
        const RefreshPlan plan = PlanRefresh(changes, e.images.current);
        if (plan.showWindow) ShowMainWindow(e);
        for (RefreshStep step : plan.Order()) kSteps[static_cast<size_t>(step)](e, plan);
        for (const auto& observer : e.commands.RefreshObservers()) observer(e, plan);
        paintNow = paintNow || plan.paintNow;
    }
    // After a dialog the picture is shown at once, not when the queue next runs empty: the user
    // is looking at where the dialog was.
    if (paintNow) e.RepaintNow();
    e.refreshing = false;
}

}  // namespace mirelo
