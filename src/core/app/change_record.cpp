#include "app/change_record.h"

namespace mirelo {

namespace {
using S = RefreshStep;

void Add(RefreshPlan& plan, std::initializer_list<S> steps) {
    for (S s : steps) plan.steps[static_cast<size_t>(s)] = true;
}
}  // namespace

std::vector<RefreshStep> RefreshPlan::Order() const {
    std::vector<RefreshStep> order;
    for (int i = 0; i < kRefreshStepCount; ++i)
        if (steps[static_cast<size_t>(i)]) order.push_back(static_cast<RefreshStep>(i));
    return order;
}

RefreshPlan PlanRefresh(const ChangeRecord& record, int current) {
    RefreshPlan plan;
    const unsigned program = record.ProgramChanges();
    if (program & change::kImageList) {
        plan.rebuildImageBar = true;
        Add(plan, {S::Availability, S::OptionBar, S::ColourPanels, S::Thumbnails, S::StatusLine, S::ViewLayout,
                   S::ViewInvalidate});
    }
    if (program & change::kCurrentImage) {
        plan.restoreScroll = true;
        Add(plan, {S::Availability, S::OptionBar, S::ColourPanels, S::Thumbnails, S::StatusLine, S::ViewLayout,
                   S::ViewInvalidate});
    }
    if (program & change::kTool) Add(plan, {S::Availability, S::OptionBar, S::ColourPanels, S::ViewInvalidate});
    if (program & change::kLayout) Add(plan, {S::ViewLayout, S::ViewInvalidate});
    if (program & change::kSettings) Add(plan, {S::Availability, S::StatusLine, S::ViewInvalidate});
    if (program & change::kOutside) Add(plan, {S::Availability});
    if (program & change::kToolReset) {
        plan.toolReset = true;
        Add(plan, {S::Availability, S::OptionBar, S::ColourPanels, S::ViewInvalidate});
    }
    plan.showWindow = (program & change::kShowWindow) != 0;
    plan.paintNow = (program & change::kDialogClosed) != 0;

    bool marchOnly = program == 0;
    for (int slot = 0; slot < kMaxImages; ++slot) {
        const unsigned what = record.ImageChanges(slot);
        if (!what) continue;
        marchOnly = marchOnly && slot == current && what == change::kMarch;
        if (what & (change::kPixels | change::kBitmap)) plan.thumbnails.push_back(slot);
        if (what & change::kFit) plan.fitted.push_back(slot);
        if (slot != current) continue;
        if (what & change::kPixels) Add(plan, {S::Availability, S::Thumbnails, S::ViewInvalidate});
        if (what & change::kBitmap)
            Add(plan, {S::Availability, S::OptionBar, S::ColourPanels, S::Thumbnails, S::StatusLine, S::ViewLayout,
                       S::ViewInvalidate});
        if (what & change::kSelection) Add(plan, {S::Availability, S::ViewInvalidate});
        if (what & change::kObjects) Add(plan, {S::Availability, S::OptionBar, S::ViewInvalidate});
        if (what & change::kToolOptions) Add(plan, {S::Availability, S::OptionBar, S::ViewInvalidate});
        if (what & change::kColours) Add(plan, {S::ColourPanels});
        if (what & change::kViewPosition) Add(plan, {S::ViewLayout, S::ViewInvalidate});
        if (what & change::kFitWindow) {
            plan.fitWindow = true;
            Add(plan, {S::ViewLayout, S::ViewInvalidate});
        }
        if (what & (change::kOverlay | change::kMarch)) Add(plan, {S::ViewInvalidate});
        if (what & change::kFile) Add(plan, {S::Availability, S::StatusLine});
        if (what & change::kHistory) Add(plan, {S::Availability});
    }
    plan.marchOnly = marchOnly && plan.Runs(S::ViewInvalidate);
    // Thumbnails of images that are not current are made again even when nothing else runs.
    if (!plan.thumbnails.empty()) Add(plan, {S::Thumbnails});
    // New images are fitted into the view, whichever is current.
    if (!plan.fitted.empty()) Add(plan, {S::ViewLayout, S::ViewInvalidate});
    return plan;
}

}  // namespace mirelo
