#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <utility>
#include <vector>

#include "draw/shape_geometry.h"

namespace mirelo {
namespace {

TEST(ShapeGeometry, DragBoxes) {
    struct Case {
        const char* what;
        DragInput in;
        int a, b, c, d;           // image box
        int va, vb, vc, vd;       // view box
    };
    const Case cases[] = {
        // A square with Shift from (10, 10) to (30, 20): 10 × 10 at the anchor, ending one short.
        {"square", {{10, 10}, {30, 20}, 0, 0, 100, 100, 100, false, true}, 10, 10, 19, 19, 10, 10, 19, 19},
        // Dragged up and left with Shift: the corner at the anchor stays.
        {"square up-left", {{30, 30}, {10, 25}, 0, 0, 100, 100, 100, false, true}, 25, 25, 29, 29, 25, 25, 29, 29},
        {"corners ordered", {{30, 5}, {10, 25}, 0, 0, 100, 100, 100, false, false}, 10, 5, 29, 24, 10, 5, 29, 24},
        // At 200 % with the image at (5, 7) on the view.
        {"zoomed", {{25, 27}, {65, 47}, 5, 7, 200, 200, 200, false, false}, 10, 10, 29, 19, 25, 27, 63, 45},
        // The cursor is held to the image.
        {"clamped", {{10, 10}, {500, -20}, 0, 0, 100, 100, 100, false, false}, 10, 0, 99, 9, 10, 0, 99, 9},
        // An anchor that is negative as a 16-bit value takes the cursor's coordinate.
        {"unset anchor", {{65535, 10}, {40, 30}, 0, 0, 100, 100, 100, false, false}, 40, 10, 40, 30, 40, 10, 40, 30},
        // Ellipses keep their signed size; with Shift the smaller signed value wins.
        {"ellipse", {{50, 50}, {20, 90}, 0, 0, 100, 100, 100, true, false}, 50, 50, -31, 39, 50, 50, -31, 39},
        {"circle", {{50, 50}, {20, 90}, 0, 0, 100, 100, 100, true, true}, 50, 50, -31, 29, 50, 50, -31, 29},
        // A circle leaving the image is cut at the edge and the other axis follows.
        {"circle cut", {{90, 50}, {95, 10}, 0, 0, 100, 100, 100, true, true}, 90, 50, 9, -11, 90, 50, 9, -11},
        // A press without movement leaves an empty box.
        {"click", {{40, 40}, {40, 40}, 0, 0, 100, 100, 100, true, false}, 40, 40, 0, 0, 40, 40, 0, 0},
    };
    for (const Case& c : cases) {
        const DragBox box = ComputeDragBox(c.in);
        EXPECT_EQ(std::vector<int>({box.a, box.b, box.c, box.d}), std::vector<int>({c.a, c.b, c.c, c.d})) << c.what;
        EXPECT_EQ(std::vector<int>({box.viewA, box.viewB, box.viewC, box.viewD}), std::vector<int>({c.va, c.vb, c.vc, c.vd}))
            << c.what;
    }
    EXPECT_TRUE(ComputeDragBox(cases[9].in).Empty());
    EXPECT_FALSE(ComputeDragBox(cases[0].in).Empty());
}

// Which boxes have an area (a figure of the collected path needs width and height), and their
// bounds as a rectangle of non-negative size.
TEST(ShapeGeometry, DragBoxAreaAndBounds) {
    const struct {
        DragBox box;
        bool hasArea;
        IntRect bounds;
    } cases[] = {
        {{false, 10, 10, 19, 19}, true, {10, 10, 9, 9}},
        {{false, 40, 10, 40, 30}, false, {40, 10, 0, 20}},  // zero width
        {{false, 10, 25, 30, 25}, false, {10, 25, 20, 0}},  // zero height
        {{false, 0, 0, 0, 0}, false, {0, 0, 0, 0}},
        {{true, 50, 50, -31, 39}, true, {19, 50, 31, 39}},
        {{true, 50, 50, 0, 39}, false, {50, 50, 0, 39}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.box.a << "," << c.box.b << "," << c.box.c << "," << c.box.d);
        EXPECT_EQ(c.box.HasArea(), c.hasArea);
        const IntRect r = c.box.Bounds();
        EXPECT_EQ(std::vector<int>({r.x, r.y, r.width, r.height}), std::vector<int>({c.bounds.x, c.bounds.y, c.bounds.width, c.bounds.height}));
    }
}

std::vector<std::pair<int, int>> Pairs(const std::vector<IntPoint>& points) {
    std::vector<std::pair<int, int>> out;
    for (const IntPoint& p : points) out.emplace_back(p.x, p.y);
    return out;
}

TEST(ShapeGeometry, StampLines) {
    using P = std::vector<std::pair<int, int>>;
    const P gentle = {{0, 0}, {1, 1}, {2, 1}, {3, 2}, {4, 2}};
    EXPECT_EQ(Pairs(StampLinePoints({0, 0}, {4, 2})), gentle);
    EXPECT_EQ(Pairs(StampLinePoints({4, 2}, {0, 0})), gentle);  // from the smaller major end
    EXPECT_EQ(Pairs(StampLinePoints({3, 5}, {3, 2})), (P{{3, 2}, {3, 3}, {3, 4}, {3, 5}}));
    EXPECT_EQ(Pairs(StampLinePoints({0, 0}, {-2, 2})), (P{{-2, 2}, {-1, 1}, {0, 0}}));
    EXPECT_EQ(Pairs(StampLinePoints({7, 7}, {7, 7})), (P{{7, 7}}));
    // Every step moves one pixel along the major axis and at most one across.
    const std::vector<IntPoint> steep = StampLinePoints({10, 0}, {3, 50});
    ASSERT_EQ(steep.size(), 51u);
    for (size_t i = 1; i < steep.size(); ++i) {
        EXPECT_EQ(steep[i].y - steep[i - 1].y, 1);
        EXPECT_LE(std::abs(steep[i].x - steep[i - 1].x), 1);
    }
    EXPECT_EQ(steep.back().x, 3);
}

// The retouch brush's walk: the same steps, taken from the first point towards the second.
TEST(ShapeGeometry, LinesFromTheFirstPoint) {
    using P = std::vector<std::pair<int, int>>;
    EXPECT_EQ(Pairs(LinePointsFrom({0, 0}, {4, 2})), (P{{0, 0}, {1, 1}, {2, 1}, {3, 2}, {4, 2}}));
    // Backwards the error term starts at the other end, so the minor steps fall elsewhere.
    EXPECT_EQ(Pairs(LinePointsFrom({4, 2}, {0, 0})), (P{{4, 2}, {3, 1}, {2, 1}, {1, 0}, {0, 0}}));
    EXPECT_EQ(Pairs(LinePointsFrom({3, 5}, {3, 2})), (P{{3, 5}, {3, 4}, {3, 3}, {3, 2}}));
    EXPECT_EQ(Pairs(LinePointsFrom({0, 0}, {-2, 2})), (P{{0, 0}, {-1, 1}, {-2, 2}}));
    EXPECT_EQ(Pairs(LinePointsFrom({7, 7}, {7, 7})), (P{{7, 7}}));
    for (const auto& [from, to] : std::vector<std::pair<IntPoint, IntPoint>>{{{10, 0}, {3, 50}}, {{40, 9}, {-6, -2}}, {{5, 5}, {-5, 6}}}) {
        const std::vector<IntPoint> line = LinePointsFrom(from, to);
        ASSERT_FALSE(line.empty());
        EXPECT_EQ(Pairs({line.front(), line.back()}), Pairs({from, to}));
        EXPECT_EQ(line.size(), static_cast<size_t>(std::max(std::abs(to.x - from.x), std::abs(to.y - from.y)) + 1));
        for (size_t i = 1; i < line.size(); ++i) {
            EXPECT_LE(std::abs(line[i].x - line[i - 1].x), 1);
            EXPECT_LE(std::abs(line[i].y - line[i - 1].y), 1);
        }
    }
}

}  // namespace
}  // namespace mirelo
