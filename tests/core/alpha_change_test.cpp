#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "ops/alpha_change.h"

namespace mirelo {
namespace {

struct Argb {
    std::vector<uint8_t> bytes;
    PixelView view;
    Argb(int w, int h, int bpp = 32) : bytes(static_cast<size_t>(w * h * (bpp / 8))) {
        view = PixelView{w, h, w * (bpp / 8), bpp == 32 ? fmt::k32ARGB : fmt::k24RGB, bytes.data()};
    }
    uint8_t* At(int x, int y) const { return view.At(x, y); }
};

TEST(AlphaChange, CombineOperations) {
    struct Case {
        int op;
        uint8_t a, s, want;
    };
    const Case cases[] = {
        {alpha_change::kReplace, 10, 200, 200},  {alpha_change::kSubtract, 100, 200, 45},
        {alpha_change::kSubtract, 40, 200, 0},   {alpha_change::kAdd, 100, 200, 155},
        {alpha_change::kAdd, 240, 200, 255},     {alpha_change::kMaximum, 100, 200, 100},
        {alpha_change::kMinimum, 100, 200, 200}, {alpha_change::kAverage, 100, 201, 150},
    };
    for (const Case& c : cases) EXPECT_EQ(CombineAlpha(c.op, c.a, c.s), c.want) << c.op << " " << int(c.a) << " " << int(c.s);
    // Whatever the level, 最大値 never raises alpha and 最小値 never lowers it.
    for (int a = 0; a < 256; a += 15)
        for (int s = 0; s < 256; s += 17) {
            EXPECT_LE(CombineAlpha(alpha_change::kMaximum, uint8_t(a), uint8_t(s)), a);
            EXPECT_GE(CombineAlpha(alpha_change::kMinimum, uint8_t(a), uint8_t(s)), a);
        }
}

// The uniform level, worked several pixels at a time, agrees with the rule pixel by pixel for
// every alpha, including the pixels at the end of a row; the colours stay.
TEST(AlphaChange, UniformLevelMatchesTheRuleForEveryAlpha) {
    constexpr int kWidth = 259;
    Argb in(kWidth, 2), out(kWidth, 2);
    for (int i = 0; i < kWidth * 2; ++i) {
        uint8_t* p = in.bytes.data() + i * 4;
        p[0] = uint8_t(i), p[1] = uint8_t(i * 7), p[2] = uint8_t(i * 13), p[3] = uint8_t(i % 256);
    }
    for (int op = 0; op < alpha_change::kOperationCount; ++op)
        for (int level : {0, 1, 77, 200, 254, 255}) {
            AlphaChangeParams p;
            p.operation = op;
            p.value = 255 - level;
            ASSERT_TRUE(ChangeAlpha(in.view, out.view, p).ok());
            for (int i = 0; i < kWidth * 2; ++i) {
                const uint8_t* a = in.bytes.data() + i * 4;
                const uint8_t* b = out.bytes.data() + i * 4;
                ASSERT_EQ(b[3], CombineAlpha(op, a[3], uint8_t(level))) << op << " " << level << " " << i;
                ASSERT_EQ(0, std::memcmp(a, b, 3)) << i;
            }
        }
}

TEST(AlphaChange, UniformInvertAndLuminancePicture) {
    Argb in(3, 2), out(3, 2);
    for (int i = 0; i < 6; ++i) {
        uint8_t* p = in.bytes.data() + i * 4;
        p[0] = uint8_t(10 + i), p[1] = 20, p[2] = 30, p[3] = uint8_t(i * 40);
    }
    AlphaChangeParams p;
    p.value = 255;
    ASSERT_TRUE(ChangeAlpha(in.view, out.view, p).ok());
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(out.bytes[i * 4 + 3], 0);  // fully transparent
        EXPECT_EQ(out.bytes[i * 4], 10 + i);  // colour kept
    }
    p.value = 0;
    ASSERT_TRUE(ChangeAlpha(in.view, out.view, p).ok());
    EXPECT_EQ(out.bytes[3], 255);

    p.source = AlphaChangeParams::Source::Invert;
    p.operation = alpha_change::kAdd;  // the inversion always replaces
    ASSERT_TRUE(ChangeAlpha(in.view, in.view, p).ok());  // in place
    for (int i = 0; i < 6; ++i) EXPECT_EQ(in.bytes[i * 4 + 3], 255 - i * 40);

    p.source = AlphaChangeParams::Source::AlphaAsLuminance;
    ASSERT_TRUE(ChangeAlpha(in.view, out.view, p).ok());
    EXPECT_EQ(out.bytes[5 * 4], 55);
    EXPECT_EQ(out.bytes[5 * 4 + 2], 55);
    EXPECT_EQ(out.bytes[5 * 4 + 3], 255);
}

TEST(AlphaChange, SmallerImageChangesOnlyTheOverlap) {
    Argb in(4, 3), out(4, 3), other(2, 2);
    for (size_t i = 3; i < in.bytes.size(); i += 4) in.bytes[i] = 200;
    // A grey pixel keeps its level as luminance; a pure red gives trunc(0.299 × 255) = 76.
    uint8_t* g = other.At(0, 0);
    g[0] = g[1] = g[2] = 77, g[3] = 9;
    uint8_t* r = other.At(1, 1);
    r[0] = r[1] = 0, r[2] = 255, r[3] = 33;
    AlphaChangeParams p;
    p.source = AlphaChangeParams::Source::Image;
    p.levels = &other.view;
    ASSERT_TRUE(ChangeAlpha(in.view, out.view, p).ok());
    EXPECT_EQ(out.At(0, 0)[3], 77);
    EXPECT_EQ(out.At(1, 1)[3], 76);
    EXPECT_EQ(out.At(1, 0)[3], 0);    // black
    EXPECT_EQ(out.At(2, 0)[3], 200);  // outside the overlap
    EXPECT_EQ(out.At(0, 2)[3], 200);
    p.useAlpha = true;
    p.operation = alpha_change::kMaximum;
    ASSERT_TRUE(ChangeAlpha(in.view, out.view, p).ok());
    EXPECT_EQ(out.At(0, 0)[3], 9);
    EXPECT_EQ(out.At(1, 1)[3], 33);
    EXPECT_EQ(out.At(3, 2)[3], 200);
}

TEST(AlphaChange, MaskLevelsAndRefusals) {
    Argb in(2, 1), out(2, 1), mask(2, 1, 24);
    in.bytes[3] = in.bytes[7] = 100;
    mask.bytes = {40, 40, 40, 250, 250, 250};
    AlphaChangeParams p;
    p.source = AlphaChangeParams::Source::Mask;
    p.levels = &mask.view;
    p.operation = alpha_change::kAverage;
    ASSERT_TRUE(ChangeAlpha(in.view, out.view, p).ok());
    EXPECT_EQ(out.bytes[3], 70);
    EXPECT_EQ(out.bytes[7], 175);

    Argb wrongSize(3, 1, 24);
    p.levels = &wrongSize.view;
    EXPECT_FALSE(ChangeAlpha(in.view, out.view, p).ok());
    p.levels = nullptr;
    EXPECT_FALSE(ChangeAlpha(in.view, out.view, p).ok());
    Argb rgb(2, 1, 24);
    p.source = AlphaChangeParams::Source::AlphaAsLuminance;
    EXPECT_EQ(ChangeAlpha(rgb.view, rgb.view, p).code, alpha_change::kNot32Bit);
    p.source = AlphaChangeParams::Source::Uniform;
    p.value = 256;
    EXPECT_FALSE(ChangeAlpha(in.view, out.view, p).ok());
}

TEST(AlphaChange, GradientsAndControls) {
    // "下" runs down from white, "上" is the same line from black.
    const AlphaGradient down = AlphaGradientFor(2, 100, 50), up = AlphaGradientFor(3, 100, 50);
    EXPECT_TRUE(down.linear);
    EXPECT_EQ(down.y2, 50);
    EXPECT_EQ(down.x2, 0);
    EXPECT_EQ(down.c1, 255);
    EXPECT_EQ(up.y2, 50);
    EXPECT_EQ(up.c1, 0);
    const AlphaGradient leftDown = AlphaGradientFor(8, 100, 50);
    EXPECT_EQ(leftDown.x1, 100);
    EXPECT_EQ(leftDown.y2, 50);
    // "円（内）": the centred circle of the shorter side, black centre on white.
    const AlphaGradient circle = AlphaGradientFor(17, 100, 50);
    EXPECT_FALSE(circle.linear);
    EXPECT_TRUE(circle.ellipse);
    EXPECT_EQ(circle.left, 25);
    EXPECT_EQ(circle.width, 50);
    EXPECT_EQ(circle.centre, 0);
    EXPECT_EQ(circle.background, 255);
    const AlphaGradient rect = AlphaGradientFor(10, 100, 50);
    EXPECT_FALSE(rect.ellipse);
    EXPECT_EQ(rect.width, 100);
    EXPECT_EQ(rect.background, 0);

    EXPECT_TRUE(AlphaSourceControlsFor(alpha_change::kUniform, false).valueEnabled);
    EXPECT_FALSE(AlphaSourceControlsFor(alpha_change::kInvert, false).operationEnabled);
    EXPECT_FALSE(AlphaSourceControlsFor(alpha_change::kAlphaAsLuminance, true).useAlphaEnabled);
    EXPECT_TRUE(AlphaSourceControlsFor(alpha_change::kFirstImage + 2, true).useAlphaEnabled);
    EXPECT_FALSE(AlphaSourceControlsFor(alpha_change::kFirstImage, false).useAlphaEnabled);
}

}  // namespace
}  // namespace mirelo
