#include <gtest/gtest.h>

#include <vector>

#include "app/recovery_schedule.h"

namespace mirelo {
namespace {

enum class Event { kChange, kCopy, kFail, kForget };

struct Step {
    Event event;
    int64_t at;
    int64_t dueAfter;  // DueAt of image 1 after the step
};

struct Story {
    const char* what;
    std::vector<Step> steps;
};

TEST(RecoverySchedule, CopiesComeAtMostTenSecondsAfterAChangeAndTenSecondsApart) {
    using E = Event;
    const std::vector<Story> stories = {
        {"one change, then quiet", {{E::kChange, 1000, 3000}}},
        {"changes every second: the first change's deadline",
         {{E::kChange, 0, 2000}, {E::kChange, 1000, 3000}, {E::kChange, 5000, 7000}, {E::kChange, 9000, 10000}}},
        {"a change after a copy waits for the spacing",
         {{E::kChange, 0, 2000}, {E::kCopy, 2000, -1}, {E::kChange, 2500, 12000}, {E::kChange, 11000, 12500}}},
        {"a change long after a copy follows the quiet rule",
         {{E::kChange, 0, 2000}, {E::kCopy, 2000, -1}, {E::kChange, 30000, 32000}}},
        {"a failed write tries again an interval later",
         {{E::kChange, 0, 2000}, {E::kFail, 2000, 12000}, {E::kChange, 3000, 12000}}},
        {"saved or closed: nothing due, the spacing starts anew",
         {{E::kChange, 0, 2000}, {E::kCopy, 2000, -1}, {E::kChange, 3000, 12000}, {E::kForget, 4000, -1},
          {E::kChange, 5000, 7000}}},
        {"a failure without changes keeps nothing due", {{E::kFail, 0, -1}}},
    };
    for (const Story& story : stories) {
        SCOPED_TRACE(story.what);
        RecoverySchedule s;
        for (const Step& step : story.steps) {
            switch (step.event) {
                case E::kChange: s.Changed(1, step.at); break;
                case E::kCopy: s.CopyTaken(1, step.at); break;
                case E::kFail: s.CopyFailed(1, step.at); break;
                case E::kForget: s.Forget(1); break;
            }
            EXPECT_EQ(s.DueAt(1), step.dueAfter) << "after the step at " << step.at;
            EXPECT_EQ(s.NextDue(), step.dueAfter);
        }
    }
}

TEST(RecoverySchedule, EachImageHasItsOwnTimes) {
    RecoverySchedule s;
    s.Changed(7, 0);
    s.Changed(3, 500);
    s.Changed(7, 1500);
    EXPECT_TRUE(s.Due(2499).empty());
    EXPECT_EQ(s.Due(2500), std::vector<uint64_t>{3});
    EXPECT_EQ(s.Due(3500), (std::vector<uint64_t>{3, 7}));
    s.CopyTaken(3, 3500);
    EXPECT_EQ(s.Due(3500), std::vector<uint64_t>{7});
    EXPECT_EQ(s.NextDue(), 3500);
    s.CopyTaken(7, 3500);
    EXPECT_EQ(s.NextDue(), -1);
    EXPECT_EQ(s.DueAt(99), -1);
}

}  // namespace
}  // namespace mirelo
