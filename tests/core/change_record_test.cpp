#include "app/change_record.h"

#include <gtest/gtest.h>

namespace mirelo {
namespace {

using S = RefreshStep;

struct PlanCase {
    const char* name;
    unsigned program;
    int slot;           // −1: no image change
    unsigned image;
    std::vector<S> steps;
};

// What each kind of change shows, in the order the refresh runs it.
TEST(ChangeRecord, EachChangeRunsItsStepsInTheFixedOrder) {
    const PlanCase cases[] = {
        {"nothing", 0, -1, 0, {}},
        {"pixels", 0, 2, change::kPixels, {S::Availability, S::Thumbnails, S::ViewInvalidate}},
        {"new bitmap", 0, 2, change::kBitmap,
         {S::Availability, S::OptionBar, S::ColourPanels, S::Thumbnails, S::StatusLine, S::ViewLayout, S::ViewInvalidate}},
        {"selection", 0, 2, change::kSelection, {S::Availability, S::ViewInvalidate}},
        {"objects", 0, 2, change::kObjects, {S::Availability, S::OptionBar, S::ViewInvalidate}},
        {"colours", 0, 2, change::kColours, {S::ColourPanels}},
        {"overlay", 0, 2, change::kOverlay, {S::ViewInvalidate}},
        {"history", 0, 2, change::kHistory, {S::Availability}},
        {"pixels of another image", 0, 5, change::kPixels, {S::Thumbnails}},
        {"selection of another image", 0, 5, change::kSelection, {}},
        {"tool", change::kTool, -1, 0, {S::Availability, S::OptionBar, S::ColourPanels, S::ViewInvalidate}},
        {"settings", change::kSettings, -1, 0, {S::Availability, S::StatusLine, S::ViewInvalidate}},
        {"clipboard", change::kOutside, -1, 0, {S::Availability}},
        {"current image", change::kCurrentImage, -1, 0,
         {S::Availability, S::OptionBar, S::ColourPanels, S::Thumbnails, S::StatusLine, S::ViewLayout, S::ViewInvalidate}},
        {"overlay and clipboard", change::kOutside, 2, change::kOverlay, {S::Availability, S::ViewInvalidate}},
    };
    for (const PlanCase& c : cases) {
        ChangeRecord record;
        record.Program(c.program);
        record.Image(c.slot, c.image);
        EXPECT_EQ(record.Empty(), c.program == 0 && c.image == 0) << c.name;
        EXPECT_EQ(PlanRefresh(record, 2).Order(), c.steps) << c.name;
    }
}

TEST(ChangeRecord, PlanSaysWhichThumbnailsAndLayoutsFollow) {
    ChangeRecord record;
    record.Image(0, change::kPixels);
    record.Image(7, change::kBitmap | change::kFit);
    record.Image(9, change::kSelection);
    record.Program(change::kImageList | change::kToolReset);
    const RefreshPlan plan = PlanRefresh(record, 7);
    EXPECT_EQ(plan.thumbnails, (std::vector<int>{0, 7}));
    EXPECT_EQ(plan.fitted, (std::vector<int>{7}));
    EXPECT_TRUE(plan.rebuildImageBar);
    EXPECT_TRUE(plan.toolReset);
    EXPECT_FALSE(plan.restoreScroll);
    // A new image that is not current is fitted too, for when it is shown.
    const RefreshPlan other = PlanRefresh(record, 0);
    EXPECT_EQ(other.fitted, (std::vector<int>{7}));
    EXPECT_TRUE(other.Runs(RefreshStep::ViewLayout));
}

// Only the outline's march of the current image, and nothing else, lets the view keep its picture.
TEST(ChangeRecord, TheMarchAloneKeepsThePicture) {
    const struct {
        const char* name;
        unsigned program;
        unsigned current, other;
        bool marchOnly;
    } cases[] = {
        {"march", 0, change::kMarch, 0, true},
        {"march and overlay", 0, change::kMarch | change::kOverlay, 0, false},
        {"march and pixels", 0, change::kMarch | change::kPixels, 0, false},
        {"march and clipboard", change::kOutside, change::kMarch, 0, false},
        {"march and another image", 0, change::kMarch, change::kPixels, false},
        {"overlay", 0, change::kOverlay, 0, false},
    };
    for (const auto& c : cases) {
        ChangeRecord record;
        record.Program(c.program);
        record.Image(2, c.current);
        record.Image(5, c.other);
        const RefreshPlan plan = PlanRefresh(record, 2);
        EXPECT_EQ(plan.marchOnly, c.marchOnly) << c.name;
        EXPECT_TRUE(plan.Runs(S::ViewInvalidate)) << c.name;
    }
    ChangeRecord elsewhere;
    elsewhere.Image(5, change::kMarch);
    EXPECT_FALSE(PlanRefresh(elsewhere, 2).marchOnly);
}

TEST(ChangeRecord, TakeHandsOverAndStartsAfresh) {
    ChangeRecord record;
    record.Image(kMaxImages, change::kPixels);  // no such slot
    record.Image(-1, change::kPixels);
    EXPECT_TRUE(record.Empty());
    record.Image(3, change::kObjects);
    record.Image(3, change::kSelection);
    const ChangeRecord taken = record.Take();
    EXPECT_TRUE(record.Empty());
    EXPECT_EQ(record.ImageChanges(3), 0u);
    EXPECT_EQ(taken.ImageChanges(3), change::kObjects | change::kSelection);
}

}  // namespace
}  // namespace mirelo
