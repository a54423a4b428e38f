#include <gtest/gtest.h>

#include "print/print_layout.h"

namespace mirelo {
namespace {

TEST(PrintLayout, PlacedAtTheMarginsAndCutNotScaled) {
    const PageSettings a4;  // 25 mm margins on A4
    const struct {
        const char* what;
        PageSettings page;
        double dpiX, dpiY;
        IntRect source;
        PagePlacement want;
    } cases[] = {
        // 72 dpi: paper 595 × 841, margins trunc(72 × 2500 / 2540) = 70.
        {"wider and higher than the paper", a4, 72, 72, {0, 0, 1000, 2000}, {70, 70, 455, 701}},
        {"fits", a4, 72, 72, {0, 0, 300, 200}, {70, 70, 300, 200}},
        {"exactly fits", a4, 72, 72, {0, 0, 455, 701}, {70, 70, 455, 701}},
        {"one pixel too wide", a4, 72, 72, {5, 5, 456, 10}, {70, 70, 455, 10}},
        {"own resolution each way", a4, 300, 150, {0, 0, 5000, 100}, {295, 147, 1890, 100}},
        {"no margins", {0, 0, 0, 0, 21000, 29700}, 96, 96, {0, 0, 2000, 50}, {0, 0, 793, 50}},
        {"margins wider than the paper", {15000, 0, 15000, 0, 21000, 29700}, 72, 72, {0, 0, 100, 10}, {425, 0, 0, 10}},
        {"negative margins count as 0", {-500, -1, 0, 0, 21000, 29700}, 72, 72, {0, 0, 10, 10}, {0, 0, 10, 10}},
    };
    for (const auto& c : cases) {
        const PagePlacement p = PlaceOnPage(c.page, c.dpiX, c.dpiY, c.source);
        EXPECT_EQ(p.left, c.want.left) << c.what;
        EXPECT_EQ(p.top, c.want.top) << c.what;
        EXPECT_EQ(p.width, c.want.width) << c.what;
        EXPECT_EQ(p.height, c.want.height) << c.what;
    }
}

TEST(PrintLayout, SelectionBoundsAreOnePixelSmaller) {
    EditPath selection;
    selection.AddRectangle(10, 20, 30, 40);
    const IntRect r = PrintSource(100, 100, &selection);
    EXPECT_EQ(r.x, 10);
    EXPECT_EQ(r.y, 20);
    EXPECT_EQ(r.width, 29);
    EXPECT_EQ(r.height, 39);
    const IntRect whole = PrintSource(100, 80, nullptr);
    EXPECT_EQ(whole.width, 100);
    EXPECT_EQ(whole.height, 80);
}

// A selection reaching outside the picture prints only its part inside: the source never starts
// at a negative position nor reaches past the image (x, y, width, height of the bounds, then of
// the source in a 100 × 80 image).
TEST(PrintLayout, SelectionBoundsAreCutToThePicture) {
    const struct {
        IntRect selection, source;
    } cases[] = {
        {{-5, -8, 20, 30}, {0, 0, 14, 21}},
        {{90, 70, 30, 30}, {90, 70, 10, 10}},
        {{-10, 10, 200, 20}, {0, 10, 100, 19}},
        {{-50, -50, 20, 20}, {0, 0, 0, 0}},      // wholly outside before the picture
        {{150, 10, 20, 20}, {100, 10, 0, 19}},   // wholly outside after it: nothing wide
    };
    for (const auto& c : cases) {
        EditPath selection;
        selection.AddRectangle(static_cast<float>(c.selection.x), static_cast<float>(c.selection.y),
                               static_cast<float>(c.selection.width), static_cast<float>(c.selection.height));
        const IntRect r = PrintSource(100, 80, &selection);
        SCOPED_TRACE(::testing::Message() << c.selection.x << "," << c.selection.y);
        EXPECT_EQ(r.x, c.source.x);
        EXPECT_EQ(r.y, c.source.y);
        EXPECT_EQ(r.width, c.source.width);
        EXPECT_EQ(r.height, c.source.height);
    }
}

}  // namespace
}  // namespace mirelo
