#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <thread>
#include <vector>

#include "common/bands.h"

namespace mirelo {
namespace {

bool TwoCores() { return std::thread::hardware_concurrency() >= 2; }

TEST(HelperThread, BandsCoverEveryRowOnceOnTheSameHelperEachTime) {
    std::thread::id helperId;
    for (int height : {1, 2, 7, 64, 1001}) {
        for (int multiple : {1, 16}) {
            std::vector<int> seen(static_cast<size_t>(height), 0);
            std::vector<std::thread::id> ids(static_cast<size_t>(height));
            ASSERT_TRUE(ForBands(height, int64_t{1} << 20, [&](int y0, int y1) {
                for (int y = y0; y < y1; ++y) ++seen[static_cast<size_t>(y)], ids[static_cast<size_t>(y)] = std::this_thread::get_id();
            }, multiple));
            for (int n : seen) ASSERT_EQ(n, 1) << height << " rows, multiple " << multiple;
            if (!TwoCores() || height < 2 * multiple + 1) continue;
            const std::thread::id last = ids.back();
            EXPECT_NE(last, std::this_thread::get_id()) << "the bottom half runs beside";
            if (helperId == std::thread::id()) helperId = last;
            EXPECT_EQ(last, helperId) << "one helper, kept between calls";
        }
    }
    int calls = 0;
    ForBands(1000, 100, [&](int y0, int y1) { calls += (y0 == 0 && y1 == 1000); });
    EXPECT_EQ(calls, 1) << "a small picture stays on this thread";
}

TEST(HelperThread, NestedWorkRunsAloneAndFailuresComeBack) {
    if (!TwoCores()) GTEST_SKIP() << "one core";
    bool nestedHere = true, nestedBeside = true;
    ASSERT_TRUE(RunBeside([&] { nestedHere = RunBeside([] {}, [] {}); },
                          [&] { nestedBeside = RunBeside([] {}, [] {}); }));
    EXPECT_FALSE(nestedHere);
    EXPECT_FALSE(nestedBeside);

    bool hereRan = false;
    EXPECT_THROW(RunBeside([&] { hereRan = true; }, [] { throw std::runtime_error("beside"); }), std::bad_alloc);
    EXPECT_TRUE(hereRan);
    EXPECT_THROW(RunBeside([] { throw std::runtime_error("here"); }, [] {}), std::runtime_error);
    EXPECT_TRUE(RunBeside([] {}, [] {})) << "the helper is free again after a failure";

    EXPECT_FALSE(ForBands(100, int64_t{1} << 20, [](int y0, int) {
        if (y0 > 0) throw std::bad_alloc();
    }));
    EXPECT_FALSE(ForBands(100, int64_t{1} << 20, [](int y0, int) {
        if (y0 == 0) throw std::bad_alloc();
    }));
}

}  // namespace
}  // namespace mirelo
