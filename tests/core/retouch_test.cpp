// The retouch brush's pixel rule on hand-computed pixels, and its stroke on small images: the
// order in which a smudge carries colour, the stroke mask, the tip, the image's edges, and the
// refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <random>
#include <vector>

#include "draw/retouch.h"
#include "draw/shape_geometry.h"

namespace mirelo {
namespace {

using Pixel = std::array<uint8_t, 4>;  // B, G, R, A

uint32_t ToArgb(const Pixel& p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

// Each mode on one source and one destination pixel, worked out by hand from the mode's formula.
TEST(Retouch, EachModeChangesOnePixelAsComputedByHand) {
    struct Case {
        const char* what;
        int mode, strength, size;
        bool mask;
        uint8_t alpha;
        Pixel source, destination, expected;
    };
    using namespace retouch_mode;
    const Case cases[] = {
        // H = 0.5: the mean of the two, alpha included.
        {"smudge 50 %", kSmudge, 4, 1, false, 255, {200, 100, 50, 255}, {100, 50, 0, 55}, {150, 75, 25, 155}},
        // H = 0.3: 0.3 × 10 + 0.7 × 20 = 17; 0.3 × 200 = 60; 0.7 × 255 = 178.5; 0.7 × 100 = 70.
        {"smudge 30 %", kSmudge, 2, 1, false, 255, {10, 200, 0, 0}, {20, 0, 255, 100}, {17, 60, 178, 70}},
        // Equal pixels stay equal, however the tenths fall.
        {"smudge of equal pixels", kSmudge, 2, 1, false, 255, {116, 3, 97, 24}, {116, 3, 97, 24}, {116, 3, 97, 24}},
        {"smudge with the mask", kSmudge, 8, 7, true, 255, {0, 0, 0, 0}, {100, 100, 100, 100}, {10, 10, 10, 10}},
        // H = 0.1 on alpha only: 0.9 × 255 = 229.5.
        {"smudge alpha 10 %", kSmudgeAlpha, 0, 1, false, 255, {0, 0, 0, 0}, {90, 80, 70, 255}, {90, 80, 70, 229}},
        {"alpha", kAlpha, 4, 1, false, 77, {9, 9, 9, 9}, {1, 2, 3, 255}, {1, 2, 3, 77}},
        // With the mask: trunc(5 × 25.5) = 127; the sum stops at 255; alpha stays.
        {"lighten with the mask", kLighten, 4, 30, true, 255, {0, 0, 0, 0}, {0, 100, 200, 40}, {127, 227, 255, 40}},
        // Without: trunc(5 / 51 × 255) = 25 at size 1, trunc(5 / 100 × 255) = 12 at size 50.
        {"lighten size 1", kLighten, 4, 1, false, 255, {0, 0, 0, 0}, {0, 100, 240, 40}, {25, 125, 255, 40}},
        {"lighten size 50", kLighten, 4, 50, false, 255, {0, 0, 0, 0}, {0, 100, 250, 9}, {12, 112, 255, 9}},
        // trunc(25.5) = 25; trunc(9 / 150 × 255) = 15.
        {"darken with the mask", kDarken, 0, 1, true, 255, {0, 0, 0, 0}, {10, 100, 25, 200}, {0, 75, 0, 200}},
        {"darken size 100", kDarken, 8, 100, false, 255, {0, 0, 0, 0}, {10, 100, 255, 0}, {0, 85, 240, 0}},
        // Luma of (50, 100, 200): 0.114 × 50 + 0.587 × 100 + 0.299 × 200 = 124.2, rounded 124.
        // Step 100: 50 − 74 / 255 × 100 = 20.98; 100 − 24 / 255 × 100 = 90.6; 200 + 76 / 255 × 100 = 229.8.
        {"saturate 90 %", kSaturate, 8, 1, false, 255, {0, 0, 0, 0}, {50, 100, 200, 255}, {20, 90, 229, 255}},
        // Luma 65.55 rounds up to 66: 30 − 36 / 255 × 100 = 15.9; 60 − 6 / 255 × 100 = 57.6; 90 + 9.4.
        {"saturate above a half", kSaturate, 8, 1, false, 255, {0, 0, 0, 0}, {30, 60, 90, 0}, {15, 57, 99, 0}},
        // With the mask, H = 229.5 and the step 229: −16.5 stops at 0, 78.4, 268.3 stops at 255.
        {"saturate with the mask", kSaturate, 8, 1, true, 255, {0, 0, 0, 0}, {50, 100, 200, 255}, {0, 78, 255, 255}},
        // H = −127.5: trunc(127.5) − 255 = −128: 50 + 37.1, 100 + 12.05, 200 − 38.1.
        {"desaturate with the mask", kDesaturate, 4, 1, true, 255, {0, 0, 0, 0}, {50, 100, 200, 255}, {87, 112, 161, 255}},
        // Step −1: 50.29, 100.09, 199.7.
        {"desaturate 10 %", kDesaturate, 0, 1, false, 255, {0, 0, 0, 0}, {50, 100, 200, 255}, {50, 100, 199, 255}},
        // Grey has no saturation to raise or lower.
        {"saturate grey", kSaturate, 8, 1, false, 255, {0, 0, 0, 0}, {90, 90, 90, 255}, {90, 90, 90, 255}},
        {"desaturate grey", kDesaturate, 8, 1, true, 255, {0, 0, 0, 0}, {201, 201, 201, 3}, {201, 201, 201, 3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const RetouchRule rule = MakeRetouchRule(c.mode, c.strength, c.size, c.mask, c.alpha);
        Pixel d = c.destination;
        RetouchPixel(c.source.data(), d.data(), 4, rule);
        EXPECT_EQ(d, c.expected);
        EXPECT_EQ(RetouchArgb(ToArgb(c.source), ToArgb(c.destination), rule), ToArgb(c.expected));
        // Three channels: B, G, R as with four; the alpha modes change nothing.
        std::array<uint8_t, 3> three{c.destination[0], c.destination[1], c.destination[2]};
        RetouchPixel(c.source.data(), three.data(), 3, rule);
        if (RetouchModeNeedsAlpha(c.mode))
            EXPECT_EQ(three, (std::array<uint8_t, 3>{c.destination[0], c.destination[1], c.destination[2]}));
        else
            EXPECT_EQ(three, (std::array<uint8_t, 3>{c.expected[0], c.expected[1], c.expected[2]}));
    }
}

// The brightness step is the exact truncation for every size and strength: the floating strength
// never lands just below a whole number.
TEST(Retouch, BrightnessStepIsTheExactTruncation) {
    for (int size = 1; size <= kRetouchMaxSize; ++size)
        for (int k = 0; k < kRetouchStrengthCount; ++k) {
            EXPECT_EQ(MakeRetouchRule(retouch_mode::kLighten, k, size, false, 255).step, (k + 1) * 255 / (size + 50))
                << "size " << size << " strength " << k;
            EXPECT_EQ(MakeRetouchRule(retouch_mode::kDarken, k, size, true, 255).step, (k + 1) * 51 / 2);
        }
}

// A small image in 24 or 32 bits per pixel, with room after each row and after the last one that
// the stroke must never touch.
struct Image {
    static constexpr uint8_t kGuard = 0xAB;
    int width, height, bytes, stride;
    std::vector<uint8_t> memory;
    PixelView view;

    Image(int w, int h, int bits, Pixel fill) : width(w), height(h), bytes(bits / 8), stride(w * (bits / 8) + 3) {
        memory.assign(static_cast<size_t>(stride) * static_cast<size_t>(h) + 16, kGuard);
        view = PixelView{w, h, stride, bits == 32 ? fmt::k32ARGB : fmt::k24RGB, memory.data()};
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) Set(x, y, fill);
    }
    uint8_t* At(int x, int y) { return memory.data() + static_cast<size_t>(y) * stride + static_cast<size_t>(x) * bytes; }
    void Set(int x, int y, Pixel p) {
        for (int c = 0; c < bytes; ++c) At(x, y)[c] = p[static_cast<size_t>(c)];
    }
    Pixel Get(int x, int y) {
        Pixel p{0, 0, 0, 0};
        for (int c = 0; c < bytes; ++c) p[static_cast<size_t>(c)] = At(x, y)[c];
        return p;
    }
    // Every byte outside the pixels still holds the guard.
    bool GuardsKept() const {
        for (size_t i = 0; i < memory.size(); ++i) {
            const size_t row = i / static_cast<size_t>(stride), column = i % static_cast<size_t>(stride);
            const bool pixel = row < static_cast<size_t>(height) && column < static_cast<size_t>(width * bytes);
            if (!pixel && memory[i] != kGuard) return false;
        }
        return true;
    }
};

const std::vector<uint8_t> kDot = {1};
const std::vector<uint8_t> kSquare3(9, 1);
// A 5 × 5 disc: the corners are not part of it.
const std::vector<uint8_t> kDisc5 = {0, 1, 1, 1, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 1, 1, 1, 0};

RetouchStroke Stroke(const RetouchRule& rule, const std::vector<uint8_t>& tip, int side, const std::vector<IntPoint>& points,
                     uint8_t* mask = nullptr) {
    RetouchStroke s;
    s.rule = rule;
    s.tip = tip.data();
    s.side = side;
    s.points = points.data();
    s.pointCount = points.size();
    s.mask = mask;
    return s;
}

// A smudge carries the colour along the stroke: each pair reads what the pair before it wrote.
TEST(Retouch, SmudgeCarriesColourAlongTheStroke) {
    for (int bits : {24, 32}) {
        SCOPED_TRACE(bits);
        Image image(8, 3, bits, {0, 0, 0, 0});
        image.Set(1, 1, {200, 160, 80, 240});
        const std::vector<IntPoint> points = LinePointsFrom({1, 1}, {5, 1});
        const RetouchRule half = MakeRetouchRule(retouch_mode::kSmudge, 4, 1, false, 255);
        ASSERT_TRUE(RetouchStrokeStep(image.view, Stroke(half, kDot, 1, points)).ok());
        EXPECT_EQ(image.Get(1, 1), (Pixel{200, 160, 80, static_cast<uint8_t>(bits == 32 ? 240 : 0)}));  // the start is only read
        EXPECT_EQ(image.Get(2, 1), (Pixel{100, 80, 40, static_cast<uint8_t>(bits == 32 ? 120 : 0)}));
        EXPECT_EQ(image.Get(3, 1), (Pixel{50, 40, 20, static_cast<uint8_t>(bits == 32 ? 60 : 0)}));
        EXPECT_EQ(image.Get(4, 1), (Pixel{25, 20, 10, static_cast<uint8_t>(bits == 32 ? 30 : 0)}));
        EXPECT_EQ(image.Get(5, 1), (Pixel{12, 10, 5, static_cast<uint8_t>(bits == 32 ? 15 : 0)}));
        EXPECT_EQ(image.Get(6, 1), (Pixel{0, 0, 0, 0}));  // beyond the stroke
        EXPECT_EQ(image.Get(2, 0), (Pixel{0, 0, 0, 0}));  // beside it, out of the 1 × 1 tip
        EXPECT_EQ(image.Get(2, 2), (Pixel{0, 0, 0, 0}));
        EXPECT_TRUE(image.GuardsKept());
    }
}

// 明度（高） with ﾏｽｸ あり at 50 % adds 127 exactly once to every pixel under the stroke, over
// several moves of one stroke; without the mask the change repeats for every point whose tip
// covers the pixel, and its size follows the brush size.
TEST(Retouch, TheMaskChangesEachPixelOnce) {
    const Pixel grey{100, 100, 100, 255};
    // With the mask, a 3 × 3 tip along row 5, then back over the same pixels.
    {
        Image image(16, 11, 32, grey);
        std::vector<uint8_t> mask(16 * 11, 0);
        const RetouchRule rule = MakeRetouchRule(retouch_mode::kLighten, 4, 3, true, 255);
        const std::vector<IntPoint> out = LinePointsFrom({3, 5}, {12, 5}), back = LinePointsFrom({12, 5}, {4, 6});
        ASSERT_TRUE(RetouchStrokeStep(image.view, Stroke(rule, kSquare3, 3, out, mask.data())).ok());
        ASSERT_TRUE(RetouchStrokeStep(image.view, Stroke(rule, kSquare3, 3, back, mask.data())).ok());
        // Destinations of the first move are columns 3..13 (points 4..12 ± 1) of rows 4..6.
        for (int y = 4; y <= 6; ++y)
            for (int x = 3; x <= 13; ++x) EXPECT_EQ(image.Get(x, y), (Pixel{227, 227, 227, 255})) << x << "," << y;
        // Row 7 only the way back reached, once.
        EXPECT_EQ(image.Get(5, 7), (Pixel{227, 227, 227, 255}));
        EXPECT_EQ(image.Get(2, 5), grey);    // left of the first point's tip
        EXPECT_EQ(image.Get(14, 5), grey);   // right of the last
        EXPECT_EQ(image.Get(8, 3), grey);    // above the tip
        EXPECT_EQ(mask[5 * 16 + 8], 1);
        EXPECT_EQ(mask[3 * 16 + 8], 0);
        EXPECT_TRUE(image.GuardsKept());
    }
    // Without the mask: size 1 adds trunc(5 / 51 × 255) = 25 once per point; size 3 adds
    // trunc(5 / 53 × 255) = 24 for each of the tip's three columns that pass over a pixel.
    struct Case {
        int size;
        const std::vector<uint8_t>* tip;
        int expected;
    };
    for (const Case& c : {Case{1, &kDot, 125}, Case{3, &kSquare3, 100 + 3 * 24}}) {
        SCOPED_TRACE(c.size);
        Image image(16, 11, 24, grey);
        const RetouchRule rule = MakeRetouchRule(retouch_mode::kLighten, 4, c.size, false, 255);
        const std::vector<IntPoint> points = LinePointsFrom({3, 5}, {12, 5});
        ASSERT_TRUE(RetouchStrokeStep(image.view, Stroke(rule, *c.tip, c.size, points)).ok());
        const uint8_t v = static_cast<uint8_t>(c.expected);
        EXPECT_EQ(image.Get(8, 5), (Pixel{v, v, v, 0}));
        EXPECT_EQ(image.Get(8, 3), (Pixel{100, 100, 100, 0}));
        // Going back over the same pixels adds again.
        const std::vector<IntPoint> back = LinePointsFrom({12, 5}, {3, 5});
        ASSERT_TRUE(RetouchStrokeStep(image.view, Stroke(rule, *c.tip, c.size, back)).ok());
        const uint8_t twice = static_cast<uint8_t>(std::min(255, 100 + 2 * (c.expected - 100)));
        EXPECT_EQ(image.Get(8, 5), (Pixel{twice, twice, twice, 0}));
    }
}

// A stroke of one point has no pair: nothing changes, whatever the mode.
TEST(Retouch, AOnePixelStrokeChangesNothing) {
    for (int mode = 0; mode < retouch_mode::kCount; ++mode) {
        SCOPED_TRACE(mode);
        Image image(9, 9, 32, {10, 60, 200, 128});
        image.Set(4, 4, {255, 0, 0, 0});
        const Image before = image;
        std::vector<uint8_t> mask(81, 0);
        const std::vector<IntPoint> points = LinePointsFrom({4, 4}, {4, 4});
        ASSERT_EQ(points.size(), 1u);
        EXPECT_TRUE(RetouchStrokeStep(image.view, Stroke(MakeRetouchRule(mode, 8, 5, true, 0), kDisc5, 5, points, mask.data())).ok());
        EXPECT_EQ(image.memory, before.memory);
        EXPECT_EQ(mask, std::vector<uint8_t>(81, 0));
    }
}

// The tip's pixels that are not part of it change nothing: a diagonal stroke of the 5 × 5 disc
// leaves the corners of its first square alone, and a 1 × 1 tip only the line itself.
TEST(Retouch, OnlyThePixelsOfTheTipTakePart) {
    Image image(12, 12, 24, {0, 0, 0, 0});
    std::vector<uint8_t> mask(144, 0);
    const RetouchRule rule = MakeRetouchRule(retouch_mode::kLighten, 0, 5, true, 255);  // + 25
    const std::vector<IntPoint> step = LinePointsFrom({5, 5}, {6, 5});
    ASSERT_TRUE(RetouchStrokeStep(image.view, Stroke(rule, kDisc5, 5, step, mask.data())).ok());
    // The destinations are the disc around (6, 5): columns 4..8, rows 3..7, without its corners.
    EXPECT_EQ(image.Get(6, 5), (Pixel{25, 25, 25, 0}));
    EXPECT_EQ(image.Get(4, 5), (Pixel{25, 25, 25, 0}));
    EXPECT_EQ(image.Get(8, 5), (Pixel{25, 25, 25, 0}));
    EXPECT_EQ(image.Get(5, 3), (Pixel{25, 25, 25, 0}));
    EXPECT_EQ(image.Get(4, 3), (Pixel{0, 0, 0, 0}));  // corners
    EXPECT_EQ(image.Get(8, 7), (Pixel{0, 0, 0, 0}));
    EXPECT_EQ(image.Get(3, 5), (Pixel{0, 0, 0, 0}));  // the first point's own tip is only read

    Image thin(12, 12, 24, {0, 0, 0, 0});
    const std::vector<IntPoint> line = LinePointsFrom({1, 1}, {9, 4});
    ASSERT_TRUE(RetouchStrokeStep(thin.view, Stroke(MakeRetouchRule(retouch_mode::kLighten, 8, 1, true, 255), kDot, 1, line)).ok());
    int changed = 0;
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x) changed += thin.Get(x, y)[0] != 0 ? 1 : 0;
    EXPECT_EQ(changed, static_cast<int>(line.size()) - 1);
    for (size_t i = 1; i < line.size(); ++i) EXPECT_EQ(thin.Get(line[i].x, line[i].y), (Pixel{229, 229, 229, 0}));
}

// Sources and destinations outside the image are held to its edge pixels.
TEST(Retouch, PointsOutsideTheImageAreHeldToItsEdge) {
    for (int bits : {24, 32}) {
        SCOPED_TRACE(bits);
        Image image(6, 4, bits, {40, 40, 40, 40});
        // Four pairs from x = −6 to x = −2 all land on (0, 2): four times + 25.
        const std::vector<IntPoint> left = LinePointsFrom({-6, 2}, {-2, 2});
        ASSERT_TRUE(RetouchStrokeStep(image.view, Stroke(MakeRetouchRule(retouch_mode::kLighten, 4, 1, false, 255), kDot, 1, left)).ok());
        EXPECT_EQ(image.Get(0, 2)[0], 140);
        EXPECT_EQ(image.Get(0, 1)[0], 40);
        EXPECT_EQ(image.Get(1, 2)[0], 40);
        // A 5 × 5 disc dragged along the bottom-right corner and beyond it.
        const std::vector<IntPoint> corner = LinePointsFrom({3, 2}, {9, 7});
        ASSERT_TRUE(
            RetouchStrokeStep(image.view, Stroke(MakeRetouchRule(retouch_mode::kSmudge, 4, 5, false, 255), kDisc5, 5, corner)).ok());
        ASSERT_TRUE(
            RetouchStrokeStep(image.view, Stroke(MakeRetouchRule(retouch_mode::kDarken, 8, 5, false, 255), kDisc5, 5, corner)).ok());
        EXPECT_EQ(image.Get(5, 3)[0], 0);  // darkened many times over
        EXPECT_TRUE(image.GuardsKept());
    }
}

// The stroke as first written: every pair of the unclipped point list, for every tip pixel, each
// source and destination clamped into the image, one visit each.
void UnclippedStroke(Image& image, const RetouchStroke& stroke) {
    const int half = stroke.side / 2;
    for (int i = 0; i < stroke.side; ++i)
        for (int j = 0; j < stroke.side; ++j) {
            if (!stroke.tip[static_cast<size_t>(i * stroke.side + j)]) continue;
            for (size_t n = 1; n < stroke.pointCount; ++n) {
                const int sx = std::clamp(stroke.points[n - 1].x + j - half, 0, image.width - 1);
                const int sy = std::clamp(stroke.points[n - 1].y + i - half, 0, image.height - 1);
                const int dx = std::clamp(stroke.points[n].x + j - half, 0, image.width - 1);
                const int dy = std::clamp(stroke.points[n].y + i - half, 0, image.height - 1);
                if (stroke.mask) {
                    uint8_t& m = stroke.mask[static_cast<size_t>(dy * image.width + dx)];
                    if (m) continue;
                    m = 1;
                }
                RetouchPixel(image.At(sx, sy), image.At(dx, dy), image.bytes, stroke.rule);
            }
        }
}

// Strokes from far outside the picture, across it and out again, are clipped to the picture grown
// by the tip's reach: the result is the unclipped walk's, byte for byte, in every mode, with and
// without the mask, in 24 and 32 bits; and a stroke thousands of pixels long outside costs what
// its part near the picture costs.
TEST(Retouch, StrokesFarOutsideGiveTheUnclippedResult) {
    std::mt19937 rng(2024);
    const std::vector<uint8_t>* tips[] = {&kDot, &kSquare3, &kDisc5};
    const int sides[] = {1, 3, 5};
    for (int round = 0; round < 300; ++round) {
        const int bits = round % 2 ? 32 : 24;
        const int mode = static_cast<int>(rng() % retouch_mode::kCount);
        const bool masked = rng() % 3 == 0;
        const size_t t = rng() % 3;
        const int w = 3 + static_cast<int>(rng() % 9), h = 3 + static_cast<int>(rng() % 9);
        Image clipped(w, h, bits, {0, 0, 0, 0});
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                clipped.Set(x, y, {static_cast<uint8_t>(rng()), static_cast<uint8_t>(rng()), static_cast<uint8_t>(rng()),
                                   static_cast<uint8_t>(rng())});
        Image plain = clipped;
        plain.view.scan0 = plain.memory.data();
        auto far = [&] { return static_cast<int>(rng() % 240) - 120; };
        std::vector<IntPoint> points;
        IntPoint at{far(), far()};
        for (int leg = 0; leg < 3; ++leg) {
            const IntPoint next = leg == 1 ? IntPoint{static_cast<int>(rng() % static_cast<unsigned>(w)), static_cast<int>(rng() % static_cast<unsigned>(h))}
                                           : IntPoint{far(), far()};
            const std::vector<IntPoint> line = LinePointsFrom(at, next);
            points.insert(points.end(), line.begin() + (points.empty() ? 0 : 1), line.end());
            at = next;
        }
        const RetouchRule rule = MakeRetouchRule(mode, static_cast<int>(rng() % 9), sides[t], masked, static_cast<uint8_t>(rng()));
        std::vector<uint8_t> maskA(static_cast<size_t>(w * h), 0), maskB = maskA;
        ASSERT_TRUE(RetouchStrokeStep(clipped.view, Stroke(rule, *tips[t], sides[t], points, masked ? maskA.data() : nullptr)).ok());
        UnclippedStroke(plain, Stroke(rule, *tips[t], sides[t], points, masked ? maskB.data() : nullptr));
        ASSERT_EQ(clipped.memory, plain.memory) << "round " << round << " mode " << mode << (masked ? " masked" : "");
        EXPECT_EQ(maskA, maskB);
    }
    // Visits of a stroke 100 000 pixels long, nearly all of it far to the left of a 10 × 10 image:
    // a few per tip pixel for the part outside.
    const std::vector<IntPoint> longStroke = LinePointsFrom({-100000, 3}, {5, 6});
    RetouchStroke stroke = Stroke(MakeRetouchRule(retouch_mode::kLighten, 0, 5, false, 255), kDisc5, 5, longStroke);
    size_t visits = 0, repeated = 0;
    WalkRetouchStroke(10, 10, stroke, [&](int, int, int, int, size_t times) {
        ++visits;
        repeated += times;
    });
    EXPECT_LT(visits, 21u * 40u);
    EXPECT_EQ(repeated, 21u * (longStroke.size() - 1));
}

// A 24-bit image has no fourth byte: smudging, and the alpha modes, leave the bytes after each
// row and after the image alone.
TEST(Retouch, TwentyFourBitsNeverTouchAFourthByte) {
    for (int mode : {retouch_mode::kSmudge, retouch_mode::kSmudgeAlpha, retouch_mode::kAlpha}) {
        SCOPED_TRACE(mode);
        Image image(7, 5, 24, {0, 0, 0, 0});
        for (int x = 0; x < 7; ++x) image.Set(x, 4, {250, 200, 150, 0});
        const Image before = image;
        const std::vector<IntPoint> points = LinePointsFrom({6, 4}, {0, 0});
        ASSERT_TRUE(RetouchStrokeStep(image.view, Stroke(MakeRetouchRule(mode, 8, 5, false, 0), kDisc5, 5, points)).ok());
        EXPECT_TRUE(image.GuardsKept());
        if (mode == retouch_mode::kSmudge)
            EXPECT_NE(image.memory, before.memory);
        else
            EXPECT_EQ(image.memory, before.memory);
    }
}

TEST(Retouch, RefusesWhatItCannotWorkOn) {
    Image image(4, 4, 32, {1, 2, 3, 4});
    const std::vector<IntPoint> points = {{0, 0}, {1, 1}};
    const RetouchRule rule = MakeRetouchRule(retouch_mode::kSmudge, 4, 1, false, 255);
    const RetouchStroke good = Stroke(rule, kDot, 1, points);
    EXPECT_TRUE(RetouchStrokeStep(image.view, good).ok());

    PixelView sixteen = image.view;
    sixteen.format = fmt::k16RGB565;
    EXPECT_EQ(RetouchStrokeStep(sixteen, good).code, retouch_status::kBadFormat);
    PixelView indexed = image.view;
    indexed.format = fmt::k8Index;
    EXPECT_EQ(RetouchStrokeStep(indexed, good).code, retouch_status::kBadFormat);
    PixelView noPixels = image.view;
    noPixels.scan0 = nullptr;
    EXPECT_EQ(RetouchStrokeStep(noPixels, good).code, retouch_status::kBadParams);
    PixelView narrow = image.view;
    narrow.stride = 8;
    EXPECT_EQ(RetouchStrokeStep(narrow, good).code, retouch_status::kBadParams);
    PixelView empty = image.view;
    empty.width = 0;
    EXPECT_EQ(RetouchStrokeStep(empty, good).code, retouch_status::kBadParams);

    RetouchStroke noTip = good;
    noTip.tip = nullptr;
    RetouchStroke noSide = good;
    noSide.side = 0;
    RetouchStroke noPoints = good;
    noPoints.points = nullptr;
    RetouchStroke badMode = good;
    badMode.rule.mode = retouch_mode::kCount;
    RetouchStroke badShare = good;
    badShare.rule.sourceTenths = 10;
    for (const RetouchStroke* s : {&noTip, &noSide, &noPoints, &badMode, &badShare})
        EXPECT_EQ(RetouchStrokeStep(image.view, *s).code, retouch_status::kBadParams);
    // Nothing was written by a refused stroke.
    const Image before = image;
    EXPECT_FALSE(RetouchStrokeStep(image.view, badMode).ok());
    EXPECT_EQ(image.memory, before.memory);
}

TEST(Retouch, StrokeBoundsCoverTheTip) {
    const std::vector<IntPoint> points = LinePointsFrom({10, 20}, {30, 12});
    int l = 0, t = 0, r = 0, b = 0;
    ASSERT_TRUE(RetouchStrokeBounds(100, 100, Stroke(RetouchRule{}, kDisc5, 5, points), &l, &t, &r, &b));
    EXPECT_EQ(std::vector<int>({l, t, r, b}), std::vector<int>({8, 10, 32, 22}));
    ASSERT_TRUE(RetouchStrokeBounds(100, 100, Stroke(RetouchRule{}, kSquare3, 3, {{0, 0}, {-4, 99}}), &l, &t, &r, &b));
    EXPECT_EQ(std::vector<int>({l, t, r, b}), std::vector<int>({0, 0, 1, 99}));
    EXPECT_FALSE(RetouchStrokeBounds(100, 100, Stroke(RetouchRule{}, kDot, 1, {}), &l, &t, &r, &b));
}

TEST(Retouch, StrokeStateKeepsAMaskOfTheImageSize) {
    RetouchState state;
    EXPECT_FALSE(state.active());
    EXPECT_EQ(state.MaskFor(3, 2), nullptr);
    ASSERT_TRUE(state.RenewMask(3, 2));
    ASSERT_NE(state.MaskFor(3, 2), nullptr);
    EXPECT_EQ(state.MaskFor(2, 3), nullptr);  // another size: no mask to use
    state.mask[4] = 1;
    ASSERT_TRUE(state.RenewMask(3, 2));
    EXPECT_EQ(state.mask, std::vector<uint8_t>(6, 0));
    ASSERT_TRUE(state.RenewMask(4, 4));
    EXPECT_EQ(state.mask.size(), 16u);
    state.DropMask();
    EXPECT_EQ(state.MaskFor(4, 4), nullptr);
    state.last = {3, 0};
    EXPECT_TRUE(state.active());
}

}  // namespace
}  // namespace mirelo
