#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "select/edit_path.h"
#include "select/outline_stroke.h"
#include "select/path_mask.h"

namespace mirelo {
namespace {

// A selection polygon as clicks make it: the first click starts the figure, each later one adds
// a segment from the previous click.
EditPath Clicks(std::initializer_list<PointF> clicks, EditPath path = {}) {
    bool first = true;
    PointF anchor{};
    for (PointF c : clicks) {
        if (first)
            path.StartFigure();
        else
            path.AddLine(anchor.x, anchor.y, c.x, c.y);
        anchor = c;
        first = false;
    }
    return path;
}

TEST(EditPath, ShapesHaveTheirPointTypes) {
    EditPath p;
    p.AddRectangle(0, 0, 5, 3);
    EXPECT_EQ(p.types, (std::vector<uint8_t>{0, 1, 1, 0x81}));
    EXPECT_EQ(p.points[2], (PointF{5, 3}));
    p.AddEllipse(10, 10, 8, 4);
    ASSERT_EQ(p.size(), 17u);
    EXPECT_EQ(p.types[4], 0);
    EXPECT_EQ(p.types[16], 0x83);
    EXPECT_EQ(p.points[4], (PointF{18, 12}));  // starts at the right end of the box's middle
    EXPECT_TRUE(p.LastFigureClosed());
    const IntRect b = p.BoundsI();
    EXPECT_EQ(b.x, 0);
    EXPECT_EQ(b.width, 18);
    EXPECT_EQ(b.height, 14);
    // Clicked polylines do not repeat the shared point, and stay open.
    EditPath q = Clicks({{1, 1}, {4, 1}, {4, 5}});
    EXPECT_EQ(q.types, (std::vector<uint8_t>{0, 1, 1}));
    EXPECT_FALSE(q.LastFigureClosed());
}

TEST(EditPath, DeletingTheLastPoint) {
    struct Case {
        const char* what;
        EditPath path;
        size_t pointsLeft;
        Anchor anchor;
        bool kept;
    };
    EditPath twoFigures;
    twoFigures.AddRectangle(0, 0, 4, 4);
    twoFigures = Clicks({{10, 10}, {20, 10}}, twoFigures);
    const Case cases[] = {
        {"three points leave a two-point polyline", Clicks({{1, 1}, {5, 1}, {5.9f, 7.9f}}), 2, {5, 1}, true},
        {"a two-point figure goes whole", Clicks({{1, 1}, {5, 1}}), 0, {}, false},
        {"an earlier figure stays", twoFigures, 4, {}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EditPath p = c.path;
        Anchor a{7, 7};
        EXPECT_EQ(DeleteLastPoint(p, a), c.kept);
        EXPECT_EQ(p.size(), c.pointsLeft);
        EXPECT_EQ(a.x, c.anchor.x);
        EXPECT_EQ(a.y, c.anchor.y);
    }
    // Curve points of the trimmed figure come back as straight segments; the anchor truncates.
    EditPath curve;
    curve.StartFigure();
    const PointF pts[3] = {{0, 0}, {10.7f, 3.2f}, {20, 0}};
    curve.AddCurve(pts, 3);
    Anchor a;
    ASSERT_TRUE(DeleteLastPoint(curve, a));
    EXPECT_EQ(curve.size(), 6u);
    for (size_t i = 1; i < curve.size(); ++i) EXPECT_EQ(curve.types[i], 1) << i;
    EXPECT_EQ(a.x, 18);  // the control point before the end, (18.45, 0.53)
    EXPECT_EQ(a.y, 0);
}

TEST(EditPath, DeletingTheLastFigure) {
    EditPath p;
    p.AddRectangle(0, 0, 4, 4);
    p.AddEllipse(5, 5, 4, 4);
    ASSERT_TRUE(DeleteLastFigure(p));
    EXPECT_EQ(p.size(), 4u);
    EXPECT_FALSE(DeleteLastFigure(p));
    EXPECT_TRUE(p.empty());
    // A figure that starts on the very last point is not seen: the figure before it goes too.
    EditPath q = Clicks({{0, 0}, {3, 0}, {3, 3}});
    q.StartFigure();
    q.AddLines(&q.points[0], 1);
    EXPECT_EQ(q.LastFigureStart(), 0);
    EXPECT_FALSE(DeleteLastFigure(q));
}

TEST(EditPath, TransformTurnsAboutTheCentreOfTheBounds) {
    EditPath p;
    p.AddRectangle(10, 10, 20, 10);  // centre (20, 15)
    p.Transform(PathTransformAbout(p.BoundsI(), 90, 99, 99));
    const IntRect b = p.BoundsI();
    EXPECT_EQ(b.x, 15);
    EXPECT_EQ(b.y, 5);
    EXPECT_EQ(b.width, 10);
    EXPECT_EQ(b.height, 20);
    EditPath q;
    q.AddRectangle(0, 0, 10, 10);
    q.Transform(PathTransformAbout(q.BoundsI(), 0, 199, 49));  // scale 2 × 0.5 about (5, 5)
    EXPECT_EQ(q.points[0], (PointF{-5, 2.5f}));
    EXPECT_EQ(q.points[2], (PointF{15, 7.5f}));
}

std::vector<uint8_t> Mask(const EditPath& p, int l, int t, int w, int h) {
    std::vector<uint8_t> m;
    EXPECT_TRUE(PathMask(p, l, t, w, h, &m));
    return m;
}

int Count(const std::vector<uint8_t>& m) {
    int n = 0;
    for (uint8_t b : m) n += b == 255;
    return n;
}

TEST(PathMask, RectanglesAndOverlap) {
    EditPath all;
    all.AddRectangle(0, 0, 9, 5);  // select all of a 10 × 6 image
    EXPECT_EQ(Count(Mask(all, 0, 0, 10, 6)), 60);

    EditPath two;
    two.AddRectangle(0, 0, 5, 5);
    two.AddRectangle(3, 3, 5, 5);
    two.fillMode = FillMode::Winding;
    const std::vector<uint8_t> joined = Mask(two, 0, 0, 10, 10);
    EXPECT_EQ(joined[4 * 10 + 4], 255);
    EXPECT_EQ(Count(joined), 36 + 36 - 9);
    two.fillMode = FillMode::Alternate;
    const std::vector<uint8_t> apart = Mask(two, 0, 0, 10, 10);
    EXPECT_EQ(apart[4 * 10 + 4], 0);  // inside both: not selected
    EXPECT_EQ(apart[3 * 10 + 3], 255);  // on an outline
    EXPECT_EQ(apart[1 * 10 + 1], 255);

    // A rectangle partly left of and above the masked area.
    EditPath part;
    part.AddRectangle(-5, -5, 7, 7);
    const std::vector<uint8_t> m = Mask(part, 0, 0, 4, 4);
    EXPECT_EQ(Count(m), 9);
    EXPECT_EQ(m[3 * 4 + 3], 0);
    EXPECT_EQ(m[2 * 4 + 2], 255);
    EXPECT_EQ(m[0], 255);
    // The same path seen from a rectangle elsewhere in the image.
    EXPECT_EQ(Count(Mask(all, 8, 4, 4, 4)), 4);
    EXPECT_FALSE(PathMask(all, 0, 0, -1, 3, nullptr));
}

// The fill agrees with a point-in-polygon test of every pixel, and whatever the mask adds lies
// on the outline.
TEST(PathMask, FillMatchesPointInPolygon) {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> coord(-8.0f, 72.0f);
    for (int round = 0; round < 30; ++round) {
        EditPath p;
        p.fillMode = round % 2 ? FillMode::Winding : FillMode::Alternate;
        std::vector<PointF> poly;
        for (int i = 0; i < 3 + round % 9; ++i) poly.push_back({std::round(coord(random)) + 0.3f, std::round(coord(random)) + 0.6f});
        p.AddPolygon(poly.data(), poly.size());
        if (round % 3 == 0) p.AddEllipse(10.25f, 20.25f, 30, 17);
        const std::vector<uint8_t> m = Mask(p, 0, 0, 64, 64);
        const std::vector<EditPath::Polygon> flat = p.Flatten();
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x) {
                const bool inside = p.Contains(static_cast<float>(x), static_cast<float>(y));
                const uint8_t got = m[static_cast<size_t>(y * 64 + x)];
                if (inside) {
                    ASSERT_EQ(got, 255) << round << " " << x << "," << y;
                    continue;
                }
                if (got == 0) continue;
                double nearest = 1e9;
                for (const EditPath::Polygon& f : flat)
                    for (size_t i = 0; i < f.points.size(); ++i) {
                        const PointF a = f.points[i], b = f.points[(i + 1) % f.points.size()];
                        const double dx = b.x - a.x, dy = b.y - a.y, len = dx * dx + dy * dy;
                        double t = len ? ((x - a.x) * dx + (y - a.y) * dy) / len : 0;
                        t = std::fmax(0, std::fmin(1, t));
                        nearest = std::fmin(nearest, std::hypot(a.x + t * dx - x, a.y + t * dy - y));
                    }
                ASSERT_LE(nearest, 0.75) << round << " " << x << "," << y;
            }
    }
}

TEST(PathMask, OutlineRunsFollowPixelEdges) {
    // One selected pixel is a unit square; an L shape has six sides.
    std::vector<uint8_t> one(9, 0);
    one[4] = 255;
    PixelOutline o = OutlineOfMask(one, 3, 3);
    ASSERT_EQ(o.horizontal.size(), 2u);
    ASSERT_EQ(o.vertical.size(), 2u);
    EXPECT_EQ(o.horizontal[0].at, 1);
    EXPECT_EQ(o.horizontal[1].at, 2);
    EXPECT_EQ(o.vertical[0].from, 1);
    EXPECT_EQ(o.vertical[0].to, 2);
    const std::vector<uint8_t> l = {255, 0, 0, 255, 0, 0, 255, 255, 255};
    o = OutlineOfMask(l, 3, 3);
    EXPECT_EQ(o.horizontal.size() + o.vertical.size(), 6u);
    EXPECT_EQ(o.vertical.front().at, 0);  // the image border counts as outside
    EXPECT_EQ(o.vertical.front().to, 3);
}

}  // namespace
}  // namespace mirelo

namespace mirelo {
namespace {

TEST(OutlineStroke, DashesMoveAlongAndLongPathsStayCheap) {
    std::vector<uint8_t> pixels(static_cast<size_t>(DwordStride(16, 24)) * 4, 0);
    const PixelView view{16, 4, static_cast<int>(DwordStride(16, 24)), fmt::k24RGB, pixels.data()};
    auto colourAt = [&](int x, int y) {
        const uint8_t* p = view.Row(y) + x * 3;
        return static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[0];
    };
    EditPath::Polygon line;
    line.points = {{0, 1}, {15, 1}};
    OutlineStroke stroke;
    std::string seen[2];
    for (int phase : {0, 1}) {
        stroke.phase = phase;
        StrokeOutline(view, {line}, stroke);
        for (int x = 0; x < 8; ++x) seen[phase] += colourAt(x, 1) == 0x0000FF ? 'b' : colourAt(x, 1) == 0xFFFFFF ? 'w' : '.';
        EXPECT_EQ(colourAt(3, 0), 0u);  // nothing beside the line
    }
    EXPECT_EQ(seen[0], "bbwwbbww");
    EXPECT_EQ(seen[1], "bwwbbwwb");

    // A freehand outline of 300 000 points, mostly far outside the view: drawn and masked.
    EditPath freehand;
    freehand.StartFigure();
    std::vector<PointF> points;
    for (int i = 0; i < 300000; ++i) points.push_back({static_cast<float>(i % 5000) * 3.0f, static_cast<float>(i / 5000) * 2.0f});
    freehand.AddLines(points.data(), points.size());
    freehand.CloseFigure();
    StrokeOutline(view, freehand.Flatten(), stroke);
    std::vector<uint8_t> mask;
    ASSERT_TRUE(PathMask(freehand, 0, 0, 64, 64, &mask));
    EXPECT_EQ(mask[0], 255);
}

}  // namespace
}  // namespace mirelo

namespace mirelo {
TEST(EditPath, TheWholePicturePathIsKnownOnlyWhenExact) {
    const EditPath all = WholePicturePath(40, 30);
    EXPECT_TRUE(IsWholePicturePath(all, 40, 30));
    EXPECT_FALSE(IsWholePicturePath(all, 41, 30));
    EditPath moved = all;
    moved.Transform(Affine::Translate(0.5f, 0));
    EXPECT_FALSE(IsWholePicturePath(moved, 40, 30));
    EditPath twice = all;
    twice.AddPath(all);
    EXPECT_FALSE(IsWholePicturePath(twice, 40, 30));
    EditPath open;
    open.AddLine(0, 0, 39, 0);
    open.AddLine(39, 0, 39, 29);
    open.AddLine(39, 29, 0, 29);
    EXPECT_FALSE(IsWholePicturePath(open, 40, 30));  // the same corners, not closed
}
}  // namespace mirelo
