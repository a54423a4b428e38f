#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "clipboard/selection_records.h"

namespace mirelo {
namespace {

ByteSpan Span(const std::vector<uint8_t>& v) { return ByteSpan{v.data(), v.size()}; }

SelectionShape Rectangle() {
    SelectionShape s;
    s.xy = {0, 0, 9, 0, 9, 4, 0, 4};
    s.types = {0, 1, 1, 0x81};
    s.fillMode = 1;
    return s;
}

// An ellipse as paths hold it: a start and four Bézier segments of three points, closed.
SelectionShape Ellipse() {
    SelectionShape s;
    s.types = {0};
    for (int i = 0; i < 12; ++i) s.types.push_back(3);
    s.types.back() |= 0x80;
    for (int i = 0; i < 13; ++i) {
        s.xy.push_back(10.5f + 3.25f * static_cast<float>(i));
        s.xy.push_back(-2.0f + 0.125f * static_cast<float>(i));
    }
    return s;
}

TEST(SelectionRecords, OutlineRoundTrip) {
    for (const SelectionShape& shape : {Rectangle(), Ellipse()}) {
        ShapeRecords r;
        ASSERT_TRUE(WriteShapeRecords(shape, &r));
        ASSERT_EQ(r.count.size(), 4u);
        uint32_t n = 0;
        std::memcpy(&n, r.count.data(), 4);
        EXPECT_EQ(n, shape.count());
        EXPECT_EQ(r.types, shape.types);
        EXPECT_EQ(r.points.size(), 8 * shape.count());
        EXPECT_EQ(r.fillMode.size(), 4u);
        float x1 = 0;
        std::memcpy(&x1, r.points.data() + 8, 4);  // the second point's x
        EXPECT_EQ(x1, shape.xy[2]);
        SelectionShape back;
        ASSERT_TRUE(ReadShapeRecords(Span(r.count), Span(r.types), Span(r.points), Span(r.fillMode), &back));
        EXPECT_EQ(back.xy, shape.xy);
        EXPECT_EQ(back.types, shape.types);
        EXPECT_EQ(back.fillMode, shape.fillMode);
    }
}

TEST(SelectionRecords, LongerBlocksAreRead) {
    ShapeRecords r;
    ASSERT_TRUE(WriteShapeRecords(Rectangle(), &r));
    for (auto* v : {&r.count, &r.types, &r.points, &r.fillMode}) v->resize(v->size() + 12, 0xEE);
    SelectionShape back;
    ASSERT_TRUE(ReadShapeRecords(Span(r.count), Span(r.types), Span(r.points), Span(r.fillMode), &back));
    EXPECT_EQ(back.count(), 4u);
    EXPECT_EQ(back.xy, Rectangle().xy);
}

TEST(SelectionRecords, OutlinesOfTwoPointsOrFewerAreNotWritten) {
    SelectionShape s;
    s.xy = {0, 0, 5, 5};
    s.types = {0, 1};
    ShapeRecords r;
    EXPECT_FALSE(WriteShapeRecords(s, &r));
    EXPECT_TRUE(r.count.empty());
    SelectionShape bad = Rectangle();
    bad.xy.pop_back();
    EXPECT_FALSE(WriteShapeRecords(bad, &r));
    bad = Rectangle();
    bad.fillMode = 2;
    EXPECT_FALSE(WriteShapeRecords(bad, &r));
    bad = Rectangle();
    bad.types[1] = 2;
    EXPECT_FALSE(WriteShapeRecords(bad, &r));
}

TEST(SelectionRecords, BrokenOutlinesAreRefused) {
    ShapeRecords good;
    ASSERT_TRUE(WriteShapeRecords(Rectangle(), &good));
    auto refused = [&](const char* what, auto change) {
        ShapeRecords r = good;
        change(r);
        SelectionShape out;
        out.fillMode = 7;
        EXPECT_FALSE(ReadShapeRecords(Span(r.count), Span(r.types), Span(r.points), Span(r.fillMode), &out)) << what;
        EXPECT_TRUE(out.types.empty()) << what;  // nothing taken over
        EXPECT_EQ(out.fillMode, 7) << what;
    };
    refused("count larger than the types", [](ShapeRecords& r) { r.count[0] = 5; });
    refused("types short", [](ShapeRecords& r) { r.types.pop_back(); });
    refused("points short", [](ShapeRecords& r) { r.points.resize(31); });
    refused("count block short", [](ShapeRecords& r) { r.count.resize(3); });
    refused("fill mode block short", [](ShapeRecords& r) { r.fillMode.resize(2); });
    refused("two points", [](ShapeRecords& r) { r.count[0] = 2; });
    refused("no points", [](ShapeRecords& r) { r.count[0] = 0; });
    refused("huge count", [](ShapeRecords& r) { r.count = {0xFF, 0xFF, 0xFF, 0xFF}; });
    refused("count above the largest int", [](ShapeRecords& r) { r.count = {0, 0, 0, 0x80}; });
    refused("fill mode 2", [](ShapeRecords& r) { r.fillMode[0] = 2; });
    refused("fill mode -1", [](ShapeRecords& r) { r.fillMode = {0xFF, 0xFF, 0xFF, 0xFF}; });
    refused("point type 2", [](ShapeRecords& r) { r.types[1] = 2; });
    refused("point type 4", [](ShapeRecords& r) { r.types[1] = 4; });
    refused("dash flag", [](ShapeRecords& r) { r.types[1] = 0x11; });
    refused("unknown flag", [](ShapeRecords& r) { r.types[2] = 0x41; });
    refused("first point is no start", [](ShapeRecords& r) { r.types[0] = 1; });
    refused("lone Bezier point", [](ShapeRecords& r) { r.types[2] = 3; });
    refused("Bezier run cut short", [](ShapeRecords& r) {
        r.types[2] = 3;
        r.types[3] = 0x83;
    });
    refused("not a number", [](ShapeRecords& r) {
        float nan = std::numeric_limits<float>::quiet_NaN();
        std::memcpy(r.points.data() + 12, &nan, 4);
    });
    refused("infinite", [](ShapeRecords& r) {
        float inf = std::numeric_limits<float>::infinity();
        std::memcpy(r.points.data(), &inf, 4);
    });
    SelectionShape out;
    EXPECT_FALSE(ReadShapeRecords(ByteSpan{}, Span(good.types), Span(good.points), Span(good.fillMode), &out));
    EXPECT_FALSE(ReadShapeRecords(Span(good.count), ByteSpan{}, Span(good.points), Span(good.fillMode), &out));
    EXPECT_FALSE(ReadShapeRecords(Span(good.count), Span(good.types), ByteSpan{}, Span(good.fillMode), &out));
    EXPECT_FALSE(ReadShapeRecords(Span(good.count), Span(good.types), Span(good.points), ByteSpan{}, &out));
}

TEST(SelectionRecords, PathTypesWithFlags) {
    const uint8_t marked[] = {0x00, 0x21, 0x01, 0xA1, 0x20, 0x03, 0x03, 0x83};
    EXPECT_TRUE(ValidPathTypes(marked, sizeof marked));
    const uint8_t twoFigures[] = {0, 1, 0x81, 0, 1, 0x81};
    EXPECT_TRUE(ValidPathTypes(twoFigures, sizeof twoFigures));
    EXPECT_FALSE(ValidPathTypes(marked, 0));
    EXPECT_FALSE(ValidPathTypes(nullptr, 3));
}

TEST(SelectionMask, RoundTripForTheCopiedRectangle) {
    std::vector<uint8_t> mask(6 * 4);
    for (size_t i = 0; i < mask.size(); ++i) mask[i] = static_cast<uint8_t>(i * 11);
    MaskRecords r;
    WriteMaskRecords(mask.data(), mask.size(), &r);
    EXPECT_EQ(r.length, (std::vector<uint8_t>{24, 0, 0, 0}));
    EXPECT_EQ(r.mask, mask);
    std::vector<uint8_t> back;
    ASSERT_TRUE(ReadMaskRecords(Span(r.length), Span(r.mask), 6, 4, &back));
    EXPECT_EQ(back, mask);
    r.mask.resize(40, 1);  // a longer block still holds the mask
    ASSERT_TRUE(ReadMaskRecords(Span(r.length), Span(r.mask), 6, 4, &back));
    EXPECT_EQ(back, mask);
}

TEST(SelectionMask, MismatchesAreRefused) {
    std::vector<uint8_t> mask(24, 255);
    MaskRecords r;
    WriteMaskRecords(mask.data(), mask.size(), &r);
    std::vector<uint8_t> out = {9};
    EXPECT_FALSE(ReadMaskRecords(Span(r.length), Span(r.mask), 5, 4, &out));  // another rectangle
    EXPECT_FALSE(ReadMaskRecords(Span(r.length), ByteSpan{r.mask.data(), 23}, 6, 4, &out));  // mask short
    EXPECT_FALSE(ReadMaskRecords(ByteSpan{r.length.data(), 3}, Span(r.mask), 6, 4, &out));
    EXPECT_FALSE(ReadMaskRecords(ByteSpan{}, Span(r.mask), 6, 4, &out));
    EXPECT_FALSE(ReadMaskRecords(Span(r.length), ByteSpan{}, 6, 4, &out));
    EXPECT_FALSE(ReadMaskRecords(Span(r.length), Span(r.mask), 0, 4, &out));
    std::vector<uint8_t> huge = {0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_FALSE(ReadMaskRecords(Span(huge), Span(r.mask), 65536, 65536, &out));  // more than 32 bits of pixels
    EXPECT_EQ(out, (std::vector<uint8_t>{9}));
}

TEST(SelectionMask, AlphaAndMaskCombine) {
    std::vector<uint8_t> pixels = {1, 2, 3, 0xFF, 4, 5, 6, 0x80, 7, 8, 9, 0x00, 1, 1, 1, 0x0F};
    PixelView v;
    v.width = 2;
    v.height = 2;
    v.stride = 8;
    v.format = fmt::k32ARGB;
    v.scan0 = pixels.data();
    std::vector<uint8_t> mask = {255, 255, 255, 0xF0};
    ASSERT_TRUE(AndMaskWithAlpha(v, &mask));
    EXPECT_EQ(mask, (std::vector<uint8_t>{0xFF, 0x80, 0x00, 0x00}));
    v.format = fmt::k24RGB;
    mask = {255, 255, 255, 255};
    EXPECT_FALSE(AndMaskWithAlpha(v, &mask));  // no alpha: the mask stays
    EXPECT_EQ(mask, (std::vector<uint8_t>{255, 255, 255, 255}));
}

TEST(SelectionMask, WrittenIntoThirtyTwoAndTwentyFourBitPixels) {
    std::vector<uint8_t> p32 = {1, 2, 3, 4, 5, 6, 7, 8};
    PixelView v;
    v.width = 2;
    v.height = 1;
    v.stride = 8;
    v.format = fmt::k32ARGB;
    v.scan0 = p32.data();
    ASSERT_TRUE(WriteMaskIntoView(v, {0, 0x90}));
    EXPECT_EQ(p32, (std::vector<uint8_t>{0, 0, 0, 0, 5, 6, 7, 0x90}));

    std::vector<uint8_t> p24 = {1, 2, 3, 4, 5, 6, 0, 0};
    v.format = fmt::k24RGB;
    v.scan0 = p24.data();
    ASSERT_TRUE(WriteMaskIntoView(v, {0x40, 0}));
    EXPECT_EQ(p24, (std::vector<uint8_t>{1, 2, 3, 0, 0, 0, 0, 0}));

    v.format = fmt::k8Index;
    EXPECT_FALSE(WriteMaskIntoView(v, {0, 0}));
    v.format = fmt::k24RGB;
    EXPECT_FALSE(WriteMaskIntoView(v, {0}));
}

}  // namespace
}  // namespace mirelo
