#include "edit/view_navigation.h"

#include <gtest/gtest.h>

namespace mirelo {
namespace {

TEST(ViewNavigation, ZoomStepsJoinTheLadderAndStopAtItsEnds) {
    struct Case {
        int zoom, direction, expected;
    } cases[] = {
        {100, +1, 150}, {100, -1, 67}, {67, -1, 50}, {33, +1, 50}, {10, -1, 10}, {5000, +1, 5000},
        {120, +1, 150}, {120, -1, 100},  // between rungs: the next rung in that direction
        {1, +1, 10},    {7000, -1, 5000}, {3200, +1, 5000}, {15, -1, 10},
    };
    for (const Case& c : cases) EXPECT_EQ(ZoomStep(c.zoom, c.direction), c.expected) << c.zoom << " " << c.direction;
    // Stepping in and out again comes back to every rung.
    for (int z = 10; z < 5000; z = ZoomStep(z, +1)) EXPECT_EQ(ZoomStep(ZoomStep(z, +1), -1), z);
}

TEST(ViewNavigation, ZoomingKeepsThePixelUnderThePointer) {
    // A 2560 × 1600 photograph in an 800 × 600 view, zoomed step by step about several points:
    // the image pixel under the pointer stays under it to the screen pixel.
    const int cw = 800, ch = 600, w = 2560, h = 1600;
    const IntPoint pointers[] = {{0, 0}, {400, 300}, {799, 599}, {123, 457}};
    for (IntPoint p : pointers) {
        int zoom = 25, sx = 0, sy = 0;
        ViewLayout before = ComputeLayout(w, h, zoom, cw, ch);
        for (int step = 0; step < 8; ++step) {
            const int next = ZoomStep(zoom, +1);
            const ViewLayout after = ComputeLayout(w, h, next, cw, ch);
            const ScrollPoint s = ScrollKeepingPoint(before, sx, sy, p.x, p.y, after);
            const double imageX = (p.x - before.originX + sx) * 100.0 / zoom;
            const double imageY = (p.y - before.originY + sy) * 100.0 / zoom;
            const double screenX = imageX * next / 100.0 - s.x + after.originX;
            const double screenY = imageY * next / 100.0 - s.y + after.originY;
            EXPECT_NEAR(screenX, p.x, 1.0) << "zoom " << next;
            EXPECT_NEAR(screenY, p.y, 1.0) << "zoom " << next;
            zoom = next;
            before = after;
            sx = std::max(0, s.x);  // the view clamps at the start of the picture
            sy = std::max(0, s.y);
        }
    }
    // A picture smaller than the view stays centred: its origin takes the place of the scroll.
    const ViewLayout small = ComputeLayout(100, 100, 100, cw, ch), large = ComputeLayout(100, 100, 200, cw, ch);
    const ScrollPoint s = ScrollKeepingPoint(small, 0, 0, 400, 300, large);
    EXPECT_NEAR(s.x, 0, 1);
    EXPECT_NEAR(s.y, 0, 1);
}

TEST(ViewNavigation, WheelDeltasAddUpToNotchesAndPixels) {
    WheelAccumulator zoom;
    EXPECT_EQ(zoom.Notches(120), 1);
    EXPECT_EQ(zoom.Notches(-240), -2);
    int notches = 0;
    for (int i = 0; i < 12; ++i) notches += zoom.Notches(30);  // a touchpad's fine steps
    EXPECT_EQ(notches, 3);
    EXPECT_EQ(zoom.Notches(90), 0);
    EXPECT_EQ(zoom.Notches(-30), 0);  // turning back drops the kept 90
    EXPECT_EQ(zoom.Notches(-90), -1);

    WheelAccumulator scroll;
    EXPECT_EQ(scroll.Pixels(120, 60), 60);
    int pixels = 0;
    for (int i = 0; i < 24; ++i) pixels += scroll.Pixels(-5, 60);
    EXPECT_EQ(pixels, -60);
    EXPECT_EQ(scroll.Pixels(-1, 60), 0);
}

}  // namespace
}  // namespace mirelo
