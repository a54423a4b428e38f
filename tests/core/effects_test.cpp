#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "effects_reference.h"
#include "ops/effects.h"

namespace mirelo {
namespace {

// A 32-bit image (B, G, R, A bytes) with optional row padding; `bottomUp` stores the rows in
// reverse order behind a negative stride.
struct Image {
    int width = 0, height = 0, pitch = 0;
    bool bottomUp = false;
    std::vector<uint8_t> bytes;
    Image(int w, int h, int padding = 0, bool reversed = false) : width(w), height(h), pitch(w * 4 + padding), bottomUp(reversed) {
        bytes.assign(static_cast<size_t>(pitch) * h, 0xCD);
    }
    PixelView View() {
        PixelView v;
        v.width = width;
        v.height = height;
        v.format = fmt::k32ARGB;
        v.stride = bottomUp ? -pitch : pitch;
        v.scan0 = bottomUp ? bytes.data() + static_cast<size_t>(pitch) * (height - 1) : bytes.data();
        return v;
    }
    uint8_t* At(int x, int y) { return View().At(x, y); }
    uint32_t Get(int x, int y) {
        uint32_t c;
        std::memcpy(&c, At(x, y), 4);
        return c;
    }
    void Set(int x, int y, uint32_t argb) { std::memcpy(At(x, y), &argb, 4); }
    void Fill(uint32_t argb) {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) Set(x, y, argb);
    }
    // The pixels alone, rows top-down, without the padding.
    std::vector<uint32_t> Pixels() {
        std::vector<uint32_t> out;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) out.push_back(Get(x, y));
        return out;
    }
};

uint32_t Bgra(int b, int g, int r, int a = 255) { return uint32_t(a) << 24 | uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b); }
uint32_t Grey(int level, int a = 255) { return Bgra(level, level, level, a); }

EffectParams Params(int effect, int value, bool copyFirst = true, const uint8_t* mask = nullptr) {
    EffectParams p;
    p.effect = effect;
    p.value = value;
    p.copyFirst = copyFirst;
    p.mask = mask;
    return p;
}

// The effect applied with copy-first into a fresh destination; the result's pixels.
std::vector<uint32_t> Apply(Image& in, int effect, int value, const uint8_t* mask = nullptr) {
    Image out(in.width, in.height);
    const OpStatus status = ApplyEffectPixels(in.View(), out.View(), Params(effect, value, true, mask));
    EXPECT_TRUE(status.ok()) << "effect " << effect << " value " << value;
    return out.Pixels();
}

Image FromPixels(int w, int h, const std::vector<uint32_t>& pixels) {
    Image image(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) image.Set(x, y, pixels[static_cast<size_t>(y) * w + x]);
    return image;
}

// ---------------------------------------------------------------------------------------------
// The table and the checks.

TEST(EffectTable, ThirtyEntriesInOrderWithTheirSliderRanges) {
    ASSERT_EQ(kEffectCount, 30);
    const EffectInfo* t = EffectTable();
    EXPECT_EQ(std::u16string(t[0].name), u"明度");
    EXPECT_EQ(std::u16string(t[1].name), u"ｺﾝﾄﾗｽﾄ");
    EXPECT_EQ(std::u16string(t[4].name), u"色反転･ﾓﾉｸﾛ");
    EXPECT_EQ(std::u16string(t[7].name), u"ﾙﾐﾅｽ ｱﾙﾌｧ");
    EXPECT_EQ(std::u16string(t[10].name), u"ぼかす（透明度のみ）");
    EXPECT_EQ(std::u16string(t[22].name), u"2値画像（ﾃﾞｨｻﾞ）");
    EXPECT_EQ(std::u16string(t[29].name), u"色の移動（透明度）");
    struct Range {
        int number, defaultValue, maxValue;
    };
    const Range ranges[] = {{0, 100, 200}, {1, 100, 200}, {2, 50, 100}, {3, 255, 510}, {6, 0, 254}, {8, 0, 32},
                            {14, 0, 100},  {16, 0, 192},  {18, 0, 3},   {19, 0, 12},   {21, 50, 100}, {23, 0, 360}, {29, 0, 100}};
    for (const Range& r : ranges) {
        EXPECT_EQ(t[r.number].defaultValue, r.defaultValue) << r.number;
        EXPECT_EQ(t[r.number].maxValue, r.maxValue) << r.number;
    }
    for (int i = 0; i < kEffectCount; ++i) {
        EXPECT_LE(t[i].defaultValue, t[i].maxValue) << i;
        EXPECT_EQ(FindEffect(i), &t[i]);
    }
    EXPECT_EQ(FindEffect(-1), nullptr);
    EXPECT_EQ(FindEffect(30), nullptr);
}

TEST(EffectTable, EveryRowIsACoreRuleOrAColourMatrixAndSaysWhetherItsDefaultChangesAPicture) {
    std::mt19937 random(5);
    Image picture(7, 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x) picture.Set(x, y, static_cast<uint32_t>(random()));
    for (int i = 0; i < kEffectCount; ++i) {
        const EffectInfo& row = EffectTable()[i];
        const bool matrix = row.kind == EffectKind::kColourMatrix;
        EXPECT_EQ(row.rule == nullptr, matrix) << i;
        EXPECT_EQ(row.matrix == nullptr, !matrix) << i;
        EXPECT_EQ(i < kPixelEffectCount, !matrix) << i;
        if (matrix) continue;
        // The dialog previews and applies an effect at its default only when that changes something.
        EXPECT_EQ(Apply(picture, i, row.defaultValue) != picture.Pixels(), row.changesAtDefault) << i;
    }
}

// (R, G, B, A, 1) times the matrix.
std::vector<float> TimesMatrix(const float m[5][5], float r, float g, float b, float a) {
    const float in[5] = {r, g, b, a, 1};
    std::vector<float> out(4, 0.0f);
    for (int c = 0; c < 4; ++c)
        for (int k = 0; k < 5; ++k) out[c] += in[k] * m[k][c];
    return out;
}

TEST(EffectColourMatrix, TurnsColoursAboutTheirAxisAndShiftsOneChannel) {
    struct Case {
        int effect, value;
        float in[4], out[4];
    };
    const Case cases[] = {
        // A quarter turn about blue takes red to green and green to the negative red.
        {effect::kRotateBlue, 90, {1, 0, 0, 1}, {0, 1, 0, 1}},
        {effect::kRotateBlue, 90, {0, 1, 0, 1}, {-1, 0, 0, 1}},
        // About red: green to blue; about green: blue to red and red to the negative blue.
        {effect::kRotateRed, 90, {0, 1, 0, 0.5f}, {0, 0, 1, 0.5f}},
        {effect::kRotateGreen, 90, {0, 0, 1, 1}, {1, 0, 0, 1}},
        {effect::kRotateGreen, 90, {1, 0, 0, 1}, {0, 0, -1, 1}},
        {effect::kRotateGreen, 180, {0.5f, 0.25f, 0, 1}, {-0.5f, 0.25f, 0, 1}},
        // A whole turn and no turn leave the colour; the axis channel always stays.
        {effect::kRotateRed, 360, {0.2f, 0.4f, 0.6f, 1}, {0.2f, 0.4f, 0.6f, 1}},
        {effect::kRotateRed, 0, {0.2f, 0.4f, 0.6f, 1}, {0.2f, 0.4f, 0.6f, 1}},
        {effect::kRotateRed, 45, {0.7f, 0, 0, 1}, {0.7f, 0, 0, 1}},
        // A shift adds value / 100 to its channel only.
        {effect::kShiftRed, 50, {0.1f, 0.2f, 0.3f, 0.4f}, {0.6f, 0.2f, 0.3f, 0.4f}},
        {effect::kShiftGreen, 25, {0.1f, 0.2f, 0.3f, 0.4f}, {0.1f, 0.45f, 0.3f, 0.4f}},
        {effect::kShiftBlue, 100, {0.1f, 0.2f, 0.3f, 0.4f}, {0.1f, 0.2f, 1.3f, 0.4f}},
        {effect::kShiftAlpha, 10, {0.1f, 0.2f, 0.3f, 0.4f}, {0.1f, 0.2f, 0.3f, 0.5f}},
        // Values beyond the slider count as its ends; other effects have the identity.
        {effect::kShiftAlpha, 150, {0, 0, 0, 0}, {0, 0, 0, 1}},
        {effect::kBrightness, 200, {0.1f, 0.2f, 0.3f, 0.4f}, {0.1f, 0.2f, 0.3f, 0.4f}},
    };
    for (const Case& c : cases) {
        float m[5][5];
        std::memset(m, 0x7F, sizeof m);  // every entry is written
        EffectColourMatrix(c.effect, c.value, m);
        const std::vector<float> out = TimesMatrix(m, c.in[0], c.in[1], c.in[2], c.in[3]);
        for (int k = 0; k < 4; ++k)
            EXPECT_NEAR(out[k], c.out[k], 1e-6) << "effect " << c.effect << " value " << c.value << " channel " << k;
        EXPECT_EQ(m[4][4], 1.0f);
    }
}

TEST(EffectChecks, RefusesBadInputsAndLeavesTheDestinationAlone) {
    Image in(4, 3), out(4, 3), small(3, 3);
    in.Fill(Grey(90));
    out.Fill(Grey(7));
    PixelView noMemory = in.View();
    noMemory.scan0 = nullptr;
    PixelView rgb24 = in.View();
    rgb24.format = fmt::k24RGB;
    PixelView otherFormat = out.View();
    otherFormat.format = fmt::k32PARGB;
    struct Case {
        PixelView source, destination;
        int effect, value, code;
        const char16_t* text;
    };
    const Case cases[] = {
        {noMemory, out.View(), 0, 100, effect_status::kMissingBitmap, effect_text::kNoMemory},
        {in.View(), noMemory, 0, 100, effect_status::kMissingBitmap, effect_text::kNoMemory},
        {rgb24, out.View(), 0, 100, effect_status::kFormat, effect_text::kFormatNotSupported},
        {in.View(), small.View(), 0, 100, effect_status::kSizeOrFormat, effect_text::kSizeOrFormatDiffers},
        {in.View(), otherFormat, 0, 100, effect_status::kSizeOrFormat, effect_text::kSizeOrFormatDiffers},
        {in.View(), out.View(), 23, 0, effect_status::kBadEffect, nullptr},
        {in.View(), out.View(), -1, 0, effect_status::kBadEffect, nullptr},
        {in.View(), out.View(), 0, 201, effect_status::kBadValue, nullptr},
        {in.View(), out.View(), 15, 2, effect_status::kBadValue, nullptr},
        {in.View(), out.View(), 9, -1, effect_status::kBadValue, nullptr},
    };
    for (const Case& c : cases) {
        const OpStatus status = ApplyEffectPixels(c.source, c.destination, Params(c.effect, c.value));
        EXPECT_FALSE(status.ok());
        EXPECT_EQ(status.code, c.code) << c.effect << " " << c.value;
        EXPECT_EQ(std::u16string(status.message ? status.message : u""), std::u16string(c.text ? c.text : u"")) << c.effect;
    }
    EXPECT_EQ(out.Pixels(), std::vector<uint32_t>(12, Grey(7)));
    EXPECT_TRUE(ApplyEffectPixels(in.View(), out.View(), Params(6, 254)).ok());
}

TEST(EffectRandom, MatchesTheCRuntimeSequence) {
    CrtRandom r(1);
    const int expected[] = {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358};
    for (int value : expected) EXPECT_EQ(r.Next(), value);
}

// ---------------------------------------------------------------------------------------------
// Hand-worked cases: one row of pixels in, the expected row out.

struct RowCase {
    const char* what;
    int effect, value;
    std::vector<uint32_t> in, out;
};

void CheckRows(const std::vector<RowCase>& cases) {
    for (const RowCase& c : cases) {
        Image in = FromPixels(static_cast<int>(c.in.size()), 1, c.in);
        EXPECT_EQ(Apply(in, c.effect, c.value), c.out) << c.what;
    }
}

TEST(EffectRules, PerPixelColourRules) {
    const uint32_t p = Bgra(10, 100, 200, 77);
    CheckRows({
        {"brightness 200 is white", 0, 200, {p, Grey(0, 5)}, {Grey(255, 77), Grey(255, 5)}},
        {"brightness 0 is black", 0, 0, {p, Grey(255)}, {Grey(0, 77), Grey(0)}},
        {"brightness 150 adds 127", 0, 150, {p}, {Bgra(137, 227, 255, 77)}},
        {"brightness 50 takes 127", 0, 50, {p}, {Bgra(0, 0, 73, 77)}},
        {"brightness 100 keeps", 0, 100, {p}, {p}},
        {"gamma 50 keeps", 2, 50, {p, Grey(1), Grey(254)}, {p, Grey(1), Grey(254)}},
        {"gamma 0: exponent 1/6", 2, 0, {Bgra(1, 128, 200), Grey(0), Grey(255)}, {Bgra(101, 227, 244), Grey(0), Grey(255)}},
        {"gamma 100: exponent 6", 2, 100, {Bgra(1, 128, 200)}, {Bgra(0, 4, 59)}},
        {"gamma 25: exponent 10/35", 2, 25, {Bgra(1, 128, 200)}, {Bgra(52, 209, 237)}},
        {"gamma 75: exponent 3.5", 2, 75, {Bgra(1, 128, 200)}, {Bgra(0, 22, 108)}},
        {"saturation 255 keeps", 3, 255, {p}, {p}},
        // Y = 1.14 + 58.7 + 59.8 + 0.5 = 120.14
        {"saturation 0 is grey", 3, 0, {p}, {Bgra(120, 120, 120, 77)}},
        {"saturation 510 doubles", 3, 510, {p}, {Bgra(0, 79, 255, 77)}},
        {"posterisation 254", 6, 254, {Bgra(254, 255, 0, 9), Grey(128)}, {Bgra(0, 255, 0, 9), Grey(0)}},
        {"posterisation 0 keeps", 6, 0, {p}, {p}},
        {"posterisation 9", 6, 9, {Bgra(9, 10, 199)}, {Bgra(0, 10, 190)}},
        {"hue 0 keeps", 16, 0, {Bgra(10, 20, 30)}, {Bgra(10, 20, 30)}},
        {"hue 192 keeps", 16, 192, {Bgra(10, 20, 30)}, {Bgra(10, 20, 30)}},
        {"hue 64 moves B to R, R to G, G to B", 16, 64, {Bgra(10, 20, 30, 3)}, {Bgra(20, 30, 10, 3)}},
        {"hue 128: B to G, G to R, R to B", 16, 128, {Bgra(10, 20, 30)}, {Bgra(30, 10, 20)}},
        // R' = (30 × 32 >> 6) + (10 × 32 >> 6) = 15 + 5; G' = 10 + 15; B' = 5 + 10
        {"hue 32", 16, 32, {Bgra(10, 20, 30)}, {Bgra(15, 25, 20)}},
        // t = 32: R' = (10 × 32 >> 6) + (20 × 32 >> 6); G' = 15 + 5; B' = 10 + 15
        {"hue 96", 16, 96, {Bgra(10, 20, 30)}, {Bgra(25, 20, 15)}},
        {"solarisation 0 keeps", 5, 0, {p}, {p}},
        {"solarisation 1", 5, 1, {Bgra(100, 200, 128)}, {Bgra(200, 110, 254)}},
        {"solarisation 2", 5, 2, {Bgra(84, 100, 255)}, {Bgra(252, 210, 252)}},
        {"solarisation 3", 5, 3, {Bgra(10, 100, 150), Grey(250)}, {Bgra(41, 109, 89), Grey(21)}},
        // grey trunc(Y) = 120, then 2 × 120
        {"solarisation 4 on the grey", 5, 4, {p}, {Grey(240, 77)}},
    });
}

TEST(EffectRules, GreyRangeRules) {
    // Greys 20, 40 and 60 (of the sum): min 20, max 60, mid 40.
    const std::vector<uint32_t> in = {Grey(20), Bgra(10, 40, 70, 200), Grey(60)};
    CheckRows({
        {"contrast 100 keeps", 1, 100, in, in},
        {"the midpoint stays at 0", 1, 0, in, {Grey(40), Bgra(40, 40, 40, 200), Grey(40)}},
        {"contrast 50", 1, 50, in, {Grey(30), Bgra(25, 40, 55, 200), Grey(50)}},
        {"contrast 200", 1, 200, in, {Grey(0), Bgra(0, 40, 100, 200), Grey(80)}},
        {"contrast 150", 1, 150, in, {Grey(10), Bgra(0, 40, 85, 200), Grey(70)}},
        {"inversion", 4, 1, in, {Grey(235), Bgra(245, 215, 185, 200), Grey(195)}},
        {"B min, R max", 4, 2, in, {Bgra(20, 20, 60), Bgra(20, 40, 60, 200), Bgra(20, 60, 60)}},
        {"B min, G inverted, R max", 4, 3, in, {Bgra(20, 235, 60), Bgra(20, 215, 60, 200), Bgra(20, 195, 60)}},
        {"B min", 4, 4, in, {Bgra(20, 20, 20), Bgra(20, 40, 70, 200), Bgra(20, 60, 60)}},
        {"B max", 4, 5, in, {Bgra(60, 20, 20), Bgra(60, 40, 70, 200), Grey(60)}},
        // 1.14 + 23.48 + 20.93 + 0.5 = 46.05
        {"monochrome", 4, 6, in, {Grey(20), Grey(46, 200), Grey(60)}},
        {"monochrome 0 keeps", 4, 0, in, in},
        {"binary 50: white above 40", 21, 50, {Grey(20), Grey(40), Bgra(40, 41, 42, 9), Grey(60)}, {Grey(0), Grey(0), Grey(255, 9), Grey(255)}},
        {"binary 0: white above the least", 21, 0, {Grey(20), Grey(21), Grey(60)}, {Grey(0), Grey(255), Grey(255)}},
        {"binary 100: never above the greatest", 21, 100, {Grey(20), Grey(59), Grey(60)}, {Grey(0), Grey(0), Grey(0)}},
    });
    // One grey level: the threshold is trunc(255 × f).
    CheckRows({
        {"one grey 200 at 50 is white", 21, 50, {Grey(200), Grey(200)}, {Grey(255), Grey(255)}},
        {"one grey 100 at 50 is black", 21, 50, {Grey(100), Grey(100)}, {Grey(0), Grey(0)}},
        {"dithered one grey 200 at 50 is white", 22, 50, {Grey(200), Grey(200)}, {Grey(255), Grey(255)}},
        {"one grey 127 at 50 is black", 21, 50, {Grey(127)}, {Grey(0)}},
        {"one grey 128 at 50 is white", 21, 50, {Grey(128)}, {Grey(255)}},
    });
}

TEST(EffectRules, AMidpointChannelStaysAtEveryContrast) {
    // Greys 10 and 30 give the midpoint 20; the third pixel has the grey 20 and a channel 20.
    Image in = FromPixels(3, 1, {Grey(10), Grey(30), Bgra(5, 20, 35)});
    for (int v : {0, 1, 37, 99, 100, 101, 150, 200}) EXPECT_EQ(Apply(in, 1, v)[2] >> 8 & 0xFF, 20u) << v;
}

TEST(EffectRules, LuminanceToAlpha) {
    // Greys 30, 60 and 90; alphas 255, 100, 255.
    const std::vector<uint32_t> in = {Grey(30), Grey(60, 100), Grey(90)};
    auto alphas = [](int a, int b, int c) { return std::vector<uint32_t>{Grey(30, a), Grey(60, b), Grey(90, c)}; };
    CheckRows({
        {"0 keeps", 7, 0, in, in},
        {"grey as alpha", 7, 1, in, alphas(30, 0, 90)},  // 100 − (255 − 60) < 0
        // (g − 30) × 255 / 60: 0, 127.5, 255
        {"stretched", 7, 2, in, alphas(0, 0, 255)},
        // sqrt(g × 255): 87.46, 123.69, 151.49
        {"square root", 7, 3, in, alphas(87, 0, 151)},
        {"inverted", 7, 5, in, alphas(225, 100 - 60, 165)},
        // 255 − trunc(g² / 255): 255 − 3, 255 − 14, 255 − 31
        {"inverted square", 7, 7, in, alphas(252, 100 - 14, 224)},
        {"inverted stretched square", 7, 8, in, alphas(255, 100 - 63, 0)},
    });
}

TEST(EffectRules, Halftones) {
    // Ordered 2 × 2 (0 2 / 3 1): thresholds 63 191 / 255 127.
    Image grey = FromPixels(2, 2, {Grey(128), Grey(128), Grey(128), Grey(128)});
    EXPECT_EQ(Apply(grey, 19, 1), (std::vector<uint32_t>{Grey(255), Grey(0), Grey(0), Grey(255)}));
    Image colour = FromPixels(2, 2, {Bgra(64, 63, 200, 7), Bgra(192, 191, 0), Bgra(255, 254, 0), Bgra(128, 127, 0)});
    EXPECT_EQ(Apply(colour, 19, 5), (std::vector<uint32_t>{Bgra(255, 0, 255, 7), Bgra(255, 0, 0), Bgra(0, 0, 0), Bgra(255, 0, 0)}));
    // Three levels: 0 unless 1.25 c > T, then 255 if T < 0.75 c, else 128.
    Image three = FromPixels(2, 2, {Bgra(100, 51, 50), Bgra(160, 255, 152), Bgra(255, 204, 205), Bgra(120, 102, 101)});
    EXPECT_EQ(Apply(three, 19, 9),
              (std::vector<uint32_t>{Bgra(255, 128, 0), Bgra(128, 255, 0), Bgra(128, 0, 128), Bgra(128, 128, 0)}));
    // Newspaper 3 × 3 (8 4 7 / 1 0 3 / 5 2 6), T = (M + 1) × 28 − 1: 251 139 223 / 55 27 111 / 167 83 195.
    Image nine(3, 3);
    nine.Fill(Grey(140));
    EXPECT_EQ(Apply(nine, 20, 1), (std::vector<uint32_t>{Grey(0), Grey(255), Grey(0), Grey(255), Grey(255), Grey(255), Grey(0),
                                                         Grey(255), Grey(0)}));
    // The matrix repeats: column 3 is column 0 again, row 3 row 0.
    Image wide(4, 4);
    wide.Fill(Grey(100));
    const std::vector<uint32_t> out = Apply(wide, 19, 2);  // ordered 3 × 3: T = (M + 1) × 28 − 1
    EXPECT_EQ(out[3], out[0]);
    EXPECT_EQ(out[12], out[0]);
    EXPECT_EQ(out[0], Grey(0));    // M 6: 195
    EXPECT_EQ(out[5], Grey(255));  // M 0: 27
}

TEST(EffectRules, MosaicBlocks) {
    // 5 × 4 at value 1: blocks of 2, the last column a partial block of one pixel.
    std::vector<uint32_t> pixels;
    for (int i = 0; i < 20; ++i) pixels.push_back(Bgra(i * 10, 200 - i * 10, i, 50 + i));
    Image in = FromPixels(5, 4, pixels);
    const std::vector<uint32_t> out = Apply(in, 8, 1);
    // Block (0, 0): pixels 0, 1, 5, 6: B (0 + 10 + 50 + 60) / 4 = 30, G 170, R 3.
    EXPECT_EQ(out[0], Bgra(30, 170, 3, 50));
    EXPECT_EQ(out[6], Bgra(30, 170, 3, 56));
    // Block (2, 0): pixels 4 and 9: B 65, G 135, R 6.
    EXPECT_EQ(out[9], Bgra(65, 135, 6, 59));
    // Mosaic 32 on 40 × 40 uses blocks of 20.
    Image big(40, 40);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) big.Set(x, y, Bgra(x * 6, y * 6, (x + y) * 3));
    const std::vector<uint32_t> blocks = Apply(big, 8, 32);
    // Block (0, 0): B average of 6x over 0..19 = 57, G 57, R 57.
    EXPECT_EQ(blocks[0], Bgra(57, 57, 57));
    EXPECT_EQ(blocks[19 * 40 + 19], Bgra(57, 57, 57));
    EXPECT_EQ(blocks[20], Bgra(177, 57, 117));
    // The selection does not limit the sums: one selected pixel takes the whole block's mean.
    std::vector<uint8_t> mask(40 * 40, 0);
    mask[5 * 40 + 5] = 1;
    const std::vector<uint32_t> one = Apply(big, 8, 32, mask.data());
    EXPECT_EQ(one[5 * 40 + 5], Bgra(57, 57, 57));
    EXPECT_EQ(one[5 * 40 + 6], big.Get(6, 5));
}

TEST(EffectRules, Kernels) {
    // 3 × 3: 120 in the middle of 0s (alpha 255 − the colour).
    Image dot(3, 3);
    dot.Fill(Bgra(0, 0, 0, 255));
    dot.Set(1, 1, Bgra(120, 120, 120, 135));
    std::vector<uint32_t> out = Apply(dot, 9, 1);
    EXPECT_EQ(out[4], Bgra(40, 40, 40, 135));  // 4 × 120 / 12, alpha kept
    EXPECT_EQ(out[0], Bgra(10, 10, 10, 255));  // 120 / 12
    out = Apply(dot, 10, 1);                   // alpha only: (8 × 255 + 4 × 135) / 12 = 215
    EXPECT_EQ(out[4], Bgra(120, 120, 120, 215));
    // Corner: the clamped reads weigh the corner 7, its two neighbours 2 each and the middle 1:
    // (11 × 255 + 135) / 12.
    EXPECT_EQ(out[0], Bgra(0, 0, 0, 245));
    // 5 × 5 blur of one pixel in 3 × 3: the clamped reads meet the middle only at the centre, 8 × 120 / 40.
    out = Apply(dot, 9, 2);
    EXPECT_EQ(out[4], Bgra(24, 24, 24, 135));
    // A 1 × 1 image: every read is the pixel itself; the kernels' sums equal their divisors.
    Image single = FromPixels(1, 1, {Bgra(17, 99, 250, 3)});
    for (int effect : {9, 10}) {
        EXPECT_EQ(Apply(single, effect, 1)[0], Bgra(17, 99, 250, 3));
        EXPECT_EQ(Apply(single, effect, 2)[0], Bgra(17, 99, 250, 3));
    }
    EXPECT_EQ(Apply(single, 11, 1)[0], Bgra(17, 99, 250, 3));
    EXPECT_EQ(Apply(single, 15, 1)[0], Bgra(17, 99, 250, 3));
    EXPECT_EQ(Apply(single, 12, 4)[0], Bgra(0, 0, 0, 3));
    EXPECT_EQ(Apply(single, 13, 8)[0], Bgra(128, 128, 128, 3));
    // Sharpen: 100 among 50s.
    Image peak(3, 3);
    peak.Fill(Grey(50));
    peak.Set(1, 1, Grey(100));
    out = Apply(peak, 11, 1);
    EXPECT_EQ(out[4], Grey(255));  // 500 − 200
    EXPECT_EQ(out[1], Grey(0));    // 250 − (50 + 50 + 50 + 100)
    EXPECT_EQ(out[0], Grey(50));   // 250 − 4 × 50 (clamped reads of itself twice)
    out = Apply(peak, 11, 2);
    EXPECT_EQ(out[4], Grey(255));  // 900 − 400
    EXPECT_EQ(out[1], Grey(0));    // 450 − (7 × 50 + 100)
    // Noise removal: a single bright pixel disappears.
    Image salt(3, 3);
    salt.Fill(Bgra(10, 20, 30, 40));
    salt.Set(1, 1, Bgra(250, 0, 30, 41));
    EXPECT_EQ(Apply(salt, 15, 1)[4], Bgra(10, 20, 30, 41));
}

TEST(EffectRules, EdgesAndEmboss) {
    // A vertical step: 0 on the left column, 60 on the others (3 × 3).
    Image step(3, 3);
    for (int y = 0; y < 3; ++y) step.Set(0, y, Grey(0)), step.Set(1, y, Grey(60)), step.Set(2, y, Grey(60));
    // Middle pixel: responses K1 = 0 + 60 + 0 − 60 − 60 − 60 = −120, K2 = 0, K3 = 180 − 0 = 180,
    // K4 = 60 + 60 + 60 − 0 − 0 − 60 = 120; largest 180, × v / 6.
    EXPECT_EQ(Apply(step, 12, 1)[4], Grey(30));
    EXPECT_EQ(Apply(step, 12, 4)[4], Grey(120));
    // Emboss: sum = v × (60 + 60 + 60 + 60 − 0 − 60 − 0 − 0) = v × 180; / 8 + 128.
    EXPECT_EQ(Apply(step, 13, 1)[4], Grey(150));
    EXPECT_EQ(Apply(step, 13, 2)[4], Grey(173));
    // Right column: the clamped reads repeat it: emboss sum v × (60 + 60 + 60 + 60 − 60 − 60 − 60 − 60) = 0.
    EXPECT_EQ(Apply(step, 13, 8)[5], Grey(128));
    // The mirrored step gives negative responses: emboss truncates toward zero.
    Image back(3, 1);
    back.Set(0, 0, Grey(60)), back.Set(1, 0, Grey(60)), back.Set(2, 0, Grey(0));
    // Middle: v × (0 + 0 + 60 + 0 − 60 − 60 − 60 − 60) = −180 v; −22.5 truncates to −22 at v = 1.
    EXPECT_EQ(Apply(back, 13, 1)[1], Grey(106));
    EXPECT_EQ(Apply(back, 13, 5)[1], Grey(16));
    EXPECT_EQ(Apply(back, 13, 8)[1], Grey(0));
}

TEST(EffectRules, NoiseDrawsOnePerSelectedPixel) {
    // Seed 1 draws 41, 18467, 6334, 26500, 19169: × 100 / 32768 = 0, 56, 19, 80, 58.
    Image in = FromPixels(5, 1, {Grey(200, 9), Grey(200), Grey(100), Grey(200), Grey(127)});
    EffectParams p = Params(14, 57);
    p.seed = 1;
    Image out(5, 1);
    ASSERT_TRUE(ApplyEffectPixels(in.View(), out.View(), p).ok());
    EXPECT_EQ(out.Pixels(), (std::vector<uint32_t>{Grey(0, 9), Grey(0), Grey(255), Grey(200), Grey(127)}));
    // Without the first pixel selected, the draws move along by one.
    const uint8_t mask[5] = {0, 1, 1, 1, 1};
    p.mask = mask;
    ASSERT_TRUE(ApplyEffectPixels(in.View(), out.View(), p).ok());
    EXPECT_EQ(out.Pixels(), (std::vector<uint32_t>{Grey(200, 9), Grey(0), Grey(255), Grey(0), Grey(127)}));
    // A generator carried over: the second call goes on where the first stopped.
    CrtRandom carried(1);
    p.mask = nullptr;
    p.seed = 999;
    p.random = &carried;
    ASSERT_TRUE(ApplyEffectPixels(in.View(), out.View(), p).ok());
    CrtRandom expected(1);
    for (int i = 0; i < 5; ++i) expected.Next();
    EXPECT_EQ(carried.state, expected.state);
    // On an image large enough for two threads, the second starts as many draws ahead as the
    // selected pixels above it, and the carried generator ends after all of them.
    Image large(300, 240);
    large.Fill(Grey(90));
    std::vector<uint8_t> lower(300 * 240, 0);
    int selected = 0;
    for (int i = 300 * 100; i < 300 * 240; i += 7) lower[i] = 1, ++selected;
    CrtRandom run(77), replay(77);
    EffectParams q = Params(14, 50, true, lower.data());
    q.random = &run;
    Image noisy(300, 240);
    ASSERT_TRUE(ApplyEffectPixels(large.View(), noisy.View(), q).ok());
    int turned = 0;
    for (int i = 300 * 100; i < 300 * 240; i += 7) {
        const bool white = replay.Next() * 100 / 32768 < 50;
        EXPECT_EQ(noisy.Get(i % 300, i / 300), white ? Grey(255) : Grey(90)) << i;
        turned += white;
    }
    EXPECT_EQ(run.state, replay.state);
    EXPECT_GT(turned, selected / 3);
    // 100 blackens or whitens every pixel; 0 leaves them.
    EXPECT_EQ(Apply(in, 14, 100), (std::vector<uint32_t>{Grey(0, 9), Grey(0), Grey(255), Grey(0), Grey(255)}));
    EXPECT_EQ(Apply(in, 14, 0), in.Pixels());
}

TEST(EffectRules, CircleOfASquare) {
    // 4 × 4: the corner pixel of each quadrant (distance 1, 1) goes to its quadrant's centre pixel
    // (scale 0.93 truncates to 0); the corners stay transparent; the axes stay.
    Image in(4, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) in.Set(x, y, Bgra(x, y, 7, 200));
    const std::vector<uint32_t> out = Apply(in, 17, 1);
    EXPECT_EQ(out[0], 0u);
    EXPECT_EQ(out[3], 0u);
    EXPECT_EQ(out[12], 0u);
    EXPECT_EQ(out[15], 0u);
    EXPECT_EQ(out[1 * 4 + 1], in.Get(0, 0));
    EXPECT_EQ(out[1 * 4 + 2], in.Get(3, 0));
    EXPECT_EQ(out[2 * 4 + 1], in.Get(0, 3));
    EXPECT_EQ(out[2 * 4 + 2], in.Get(3, 3));
    EXPECT_EQ(out[1], in.Get(1, 0));
    EXPECT_EQ(out[4], in.Get(0, 1));
    EXPECT_EQ(out[2 * 4 + 3], in.Get(3, 2));
}

TEST(EffectRules, CircleOfAWideImageLeavesTheRestTransparent) {
    Image in(9, 4);
    in.Fill(Bgra(1, 2, 3, 255));
    const std::vector<uint32_t> out = Apply(in, 17, 1);
    for (int y = 0; y < 4; ++y)
        for (int x = 4; x < 9; ++x) EXPECT_EQ(out[y * 9 + x], 0u) << x << "," << y;
    // Inside the square, the axes of the quadrants at least are drawn.
    EXPECT_EQ(out[1 * 9 + 2], Bgra(1, 2, 3, 255));
    // Everything outside the circle's square, even with copy-first off, is cleared.
    Image same = in;
    ASSERT_TRUE(ApplyEffectPixels(same.View(), same.View(), Params(17, 1, false)).ok());
    EXPECT_EQ(same.Pixels(), out);
}

TEST(EffectRules, AntialiasSoftensEdgesAndRamps) {
    // A lone opaque pixel takes half the way to its largest transparent neighbour.
    Image lone(3, 3);
    lone.Fill(Bgra(9, 9, 9, 0));
    lone.Set(1, 1, Bgra(9, 9, 9, 255));
    EXPECT_EQ(Apply(lone, 18, 1)[4], Bgra(9, 9, 9, 127));
    EXPECT_EQ(Apply(lone, 18, 3)[4], Bgra(9, 9, 9, 127));
    // A run of 100 between transparent pixels ramps up to a peak: 50 100 50.
    Image run(5, 3);
    run.Fill(Bgra(1, 1, 1, 0));
    for (int x = 1; x <= 3; ++x) run.Set(x, 1, Bgra(1, 1, 1, 100));
    std::vector<uint32_t> out = Apply(run, 18, 1);
    EXPECT_EQ(out[5 + 1] >> 24, 50u);
    EXPECT_EQ(out[5 + 2] >> 24, 100u);
    EXPECT_EQ(out[5 + 3] >> 24, 50u);
    // A run between 200 and 0 steps down: d = 100 / 3, 200 − 33, 200 − 66.
    Image slope = FromPixels(4, 1, {Grey(0, 200), Grey(0, 100), Grey(0, 100), Grey(0, 0)});
    EXPECT_EQ(Apply(slope, 18, 1), (std::vector<uint32_t>{Grey(0, 200), Grey(0, 167), Grey(0, 134), Grey(0, 0)}));
    // Opaque inside: the means keep 255; a pixel next to a transparent one is left.
    Image block(4, 4);
    block.Fill(Grey(5, 255));
    block.Set(0, 0, Grey(5, 0));
    out = Apply(block, 18, 2);
    EXPECT_EQ(out[2 * 4 + 2] >> 24, 255u);
    EXPECT_EQ(out[0] >> 24, 0u);
    // (1, 0) softened to 127 first, then left by the means (its left neighbour is 0).
    EXPECT_EQ(out[1] >> 24, 127u);
    // (1, 1): neighbours all nonzero after softening; mean of 0 + 127 + 255 + 127 + 5 × 255.
    EXPECT_EQ(out[1 * 4 + 1] >> 24, static_cast<uint32_t>((0 + 127 + 255 + 127 + 5 * 255) / 9));
}

TEST(EffectRules, BinaryDitherSpreadsTheErrorLikeTheIndexedConversion) {
    // One grey level 100: threshold 127. The first pixel is black with error 100: its right
    // neighbour gets 7 × 100 / 16 = 43 (143, white), the one below 5 × 100 / 16 = 31 (131).
    Image row = FromPixels(2, 1, {Grey(100, 4), Grey(100, 5)});
    EXPECT_EQ(Apply(row, 22, 50), (std::vector<uint32_t>{Grey(0, 4), Grey(255, 5)}));
    Image column = FromPixels(1, 2, {Grey(100), Grey(100)});
    EXPECT_EQ(Apply(column, 22, 50), (std::vector<uint32_t>{Grey(0), Grey(255)}));
    // Without dithering both stay black.
    EXPECT_EQ(Apply(row, 21, 50), (std::vector<uint32_t>{Grey(0, 4), Grey(0, 5)}));
    // An unselected pixel keeps its colour: the error of its selected neighbour does not reach it.
    const uint8_t mask[2] = {1, 0};
    EXPECT_EQ(Apply(row, 22, 50, mask), (std::vector<uint32_t>{Grey(0, 4), Grey(100, 5)}));
    // A 50 % grey area dithers to a pattern whose mean stays near the grey.
    Image area(32, 32);
    area.Fill(Grey(128));
    area.Set(0, 0, Grey(0));  // a grey range 0..128: the threshold is 64
    area.Set(1, 0, Grey(127));
    const std::vector<uint32_t> out = Apply(area, 22, 50);
    int white = 0;
    for (uint32_t p : out) white += (p & 0xFF) == 255;
    EXPECT_NEAR(white, 512, 40);
}

TEST(EffectRules, ValueZeroLeavesTheImage) {
    Image in(6, 5);
    std::mt19937 random(3);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x) in.Set(x, y, static_cast<uint32_t>(random()));
    for (int e = 4; e <= 20; ++e) EXPECT_EQ(Apply(in, e, 0), in.Pixels()) << e;
    EXPECT_EQ(Apply(in, 1, 100), in.Pixels());
    EXPECT_EQ(Apply(in, 2, 50), in.Pixels());
    EXPECT_EQ(Apply(in, 3, 255), in.Pixels());
}

// ---------------------------------------------------------------------------------------------
// The frame: selection, copy-first and in place.

TEST(EffectFrame, OnlySelectedPixelsChange) {
    Image in(4, 2);
    in.Fill(Grey(10));
    const uint8_t mask[8] = {1, 0, 0, 1, 0, 1, 0, 0};
    const std::vector<uint32_t> out = Apply(in, 0, 200, mask);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(out[i], mask[i] ? Grey(255) : Grey(10)) << i;
}

TEST(EffectFrame, WithoutCopyFirstTheDestinationIsTheInput) {
    // Per-pixel rules read the destination; neighbourhood rules read the source.
    Image in(3, 1), out(3, 1);
    in.Fill(Grey(10));
    out.Fill(Grey(200, 7));
    ASSERT_TRUE(ApplyEffectPixels(in.View(), out.View(), Params(0, 110, false)).ok());
    EXPECT_EQ(out.Pixels(), std::vector<uint32_t>(3, Grey(225, 7)));
    ASSERT_TRUE(ApplyEffectPixels(in.View(), out.View(), Params(9, 1, false)).ok());
    EXPECT_EQ(out.Pixels(), std::vector<uint32_t>(3, Grey(10, 7)));
}

TEST(EffectFrame, InPlaceNeighbourhoodsReadTheOriginal) {
    Image in(7, 6, 12);
    std::mt19937 random(5);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 7; ++x) in.Set(x, y, static_cast<uint32_t>(random()));
    for (int e : {9, 11, 12, 13, 15, 18}) {
        const std::vector<uint32_t> expected = Apply(in, e, 1);
        Image same = in;
        ASSERT_TRUE(ApplyEffectPixels(same.View(), same.View(), Params(e, 1, false)).ok());
        EXPECT_EQ(same.Pixels(), expected) << e;
    }
}

// ---------------------------------------------------------------------------------------------
// The fast implementation against the plain transcription.

// Colour images of several kinds: noise, smooth gradients with a little noise, and flat areas;
// alphas with runs of partial levels between transparent and opaque areas.
void FillRandom(Image& image, std::mt19937& random, int kind) {
    std::uniform_int_distribution<int> byte(0, 255), coin(0, 7);
    const int levels[4] = {0, 255, byte(random), byte(random)};
    int alpha = 255;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            if (coin(random) == 0) alpha = levels[random() % 4];
            int b, g, r;
            if (kind == 0) {
                b = byte(random), g = byte(random), r = byte(random);
            } else if (kind == 1) {
                b = std::clamp(x * 7 + coin(random), 0, 255), g = std::clamp(y * 5 + coin(random), 0, 255), r = (x * y) & 0xFF;
            } else {
                b = g = r = (x / 3 + y / 2) % 3 * 100;
            }
            if (kind == 3) {
                // Stepped alpha bands (long runs along rows and columns with varied neighbours),
                // a uniform partial rectangle and an opaque block, with a few odd pixels.
                static const int kBands[5] = {0, 255, 100, 180, 100};
                alpha = kBands[(x / 7 + y / 3) % 5];
                if (x > image.width / 2 && y > image.height / 2) alpha = 128;
                if (x < image.width / 3 && y < image.height / 3) alpha = 255;
                if (coin(random) == 0 && coin(random) == 0) alpha = levels[random() % 4];
            }
            image.Set(x, y, Bgra(b, g, r, kind == 0 ? byte(random) : alpha));
        }
}

std::vector<int> ValuesToTry(int effect, std::mt19937& random) {
    const int max = EffectTable()[effect].maxValue;
    std::vector<int> values;
    if (max <= 12) {
        for (int v = 0; v <= max; ++v) values.push_back(v);
        return values;
    }
    values = {0, 1, 2, max - 1, max, EffectTable()[effect].defaultValue};
    for (int i = 0; i < 4; ++i) values.push_back(static_cast<int>(random() % (max + 1)));
    return values;
}

enum class Mode { kCopyFirst, kCopyFirstSameMemory, kInPlace, kOtherDestination };

// Runs the effect both ways and reports the first differing pixel.
void Compare(Image& source, int effect, int value, Mode mode, const uint8_t* mask, uint32_t seed, const std::string& what) {
    Image fastIn = source, slowIn = source;
    Image fastOut(source.width, source.height, 4), slowOut(source.width, source.height, 4);
    if (mode == Mode::kOtherDestination) {
        std::mt19937 r(seed + 7);
        FillRandom(fastOut, r, 0);
        slowOut = fastOut;
    }
    const bool same = mode == Mode::kCopyFirstSameMemory || mode == Mode::kInPlace;
    EffectParams p = Params(effect, value, mode == Mode::kCopyFirst || mode == Mode::kCopyFirstSameMemory, mask);
    p.seed = seed;
    ASSERT_TRUE(ApplyEffectPixels(fastIn.View(), same ? fastIn.View() : fastOut.View(), p).ok()) << what;
    ApplyEffectReference(slowIn.View(), same ? slowIn.View() : slowOut.View(), p);
    const std::vector<uint32_t> fast = same ? fastIn.Pixels() : fastOut.Pixels();
    const std::vector<uint32_t> slow = same ? slowIn.Pixels() : slowOut.Pixels();
    for (size_t i = 0; i < fast.size(); ++i)
        if (fast[i] != slow[i]) {
            ADD_FAILURE() << what << ": pixel (" << i % source.width << ", " << i / source.width << ") " << std::hex << fast[i]
                          << " instead of " << slow[i];
            return;
        }
    if (!same) {
        EXPECT_EQ(fastIn.Pixels(), source.Pixels()) << what << ": the source changed";
    }
}

TEST(EffectsAgainstReference, SmallImagesEveryValueModeAndMask) {
    std::mt19937 random(20240601);
    const int sizes[][2] = {{1, 1}, {1, 6}, {7, 1}, {2, 3}, {5, 5}, {17, 13}, {40, 23}};
    int image = 0;
    for (const auto& size : sizes) {
        for (int kind = 0; kind < 4; ++kind, ++image) {
            Image source(size[0], size[1], image % 2 ? 8 : 0, image % 5 == 3);
            FillRandom(source, random, kind);
            std::vector<uint8_t> randomMask(static_cast<size_t>(size[0]) * size[1]), box(randomMask.size());
            for (uint8_t& m : randomMask) m = static_cast<uint8_t>(random() % 3 ? 255 : 0);
            for (int y = 0; y < size[1]; ++y)
                for (int x = 0; x < size[0]; ++x) box[static_cast<size_t>(y) * size[0] + x] = x >= size[0] / 3 && y < size[1] - 1;
            const uint8_t* masks[3] = {nullptr, randomMask.data(), box.data()};
            for (int effect = 0; effect < kPixelEffectCount; ++effect)
                for (int value : ValuesToTry(effect, random))
                    for (Mode mode : {Mode::kCopyFirst, Mode::kCopyFirstSameMemory, Mode::kInPlace, Mode::kOtherDestination})
                        for (int m = 0; m < 3; ++m)
                            Compare(source, effect, value, mode, masks[m], static_cast<uint32_t>(random()),
                                    "effect " + std::to_string(effect) + " value " + std::to_string(value) + " size " +
                                        std::to_string(size[0]) + "x" + std::to_string(size[1]) + " kind " + std::to_string(kind) +
                                        " mode " + std::to_string(static_cast<int>(mode)) + " mask " + std::to_string(m));
        }
    }
}

TEST(EffectsAgainstReference, ImagesLargeEnoughForTwoThreads) {
    std::mt19937 random(77);
    Image source(300, 229, 4), shapes(300, 229);
    FillRandom(source, random, 1);
    FillRandom(shapes, random, 3);
    std::vector<uint8_t> mask(300 * 229);
    for (int y = 0; y < 229; ++y)
        for (int x = 0; x < 300; ++x) mask[static_cast<size_t>(y) * 300 + x] = (x - 150) * (x - 150) + (y - 100) * (y - 100) < 9000;
    for (int v = 1; v <= 3; ++v)
        for (const uint8_t* m : {static_cast<const uint8_t*>(nullptr), static_cast<const uint8_t*>(mask.data())})
            Compare(shapes, 18, v, Mode::kCopyFirst, m, 1, "large shapes, antialias " + std::to_string(v) + (m ? " masked" : ""));
    for (int effect = 0; effect < kPixelEffectCount; ++effect) {
        const int max = EffectTable()[effect].maxValue;
        for (int value : {max, std::max(1, max / 3)})
            for (const uint8_t* m : {static_cast<const uint8_t*>(nullptr), static_cast<const uint8_t*>(mask.data())})
                Compare(source, effect, value, Mode::kCopyFirst, m, 12345,
                        "large, effect " + std::to_string(effect) + " value " + std::to_string(value) + (m ? " masked" : ""));
    }
}

// Every effect at several values, with masks of several shapes, copy-first, in place and into
// another destination: no unselected pixel changes by a single byte.
TEST(EffectFrame, NoEffectChangesAnUnselectedPixel) {
    std::mt19937 random(4711);
    const int w = 40, h = 30;
    Image pictures[2] = {Image(w, h), Image(w, h)};
    FillRandom(pictures[0], random, 1);  // smooth colours with runs of partial alpha
    FillRandom(pictures[1], random, 3);  // alpha bands and a partial rectangle reaching the bottom
    struct Shape {
        const char* name;
        std::vector<uint8_t> mask;
    };
    std::vector<Shape> shapes = {{"rectangle", {}}, {"irregular", {}}, {"column", {}}, {"corner pixel", {}}};
    for (Shape& shape : shapes) shape.mask.assign(static_cast<size_t>(w) * h, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const size_t i = static_cast<size_t>(y) * w + x;
            shapes[0].mask[i] = x >= 5 && x < 35 && y >= 4 && y < 20;
            shapes[1].mask[i] = (x - 18) * (x - 18) + (y - 14) * (y - 14) < 120 || (x + 2 * y) % 11 == 0 ? 255 : 0;
            shapes[2].mask[i] = x == 23;
        }
    shapes[3].mask[0] = 1;
    for (int effect = 0; effect < kPixelEffectCount; ++effect) {
        const EffectInfo& info = EffectTable()[effect];
        for (int value : {info.maxValue, std::max(1, info.maxValue / 2), info.defaultValue})
            for (Image& picture : pictures)
                for (const Shape& shape : shapes)
                    for (Mode mode : {Mode::kCopyFirst, Mode::kInPlace, Mode::kOtherDestination}) {
                        Image in = picture, out(w, h, 4);
                        std::mt19937 r(static_cast<uint32_t>(effect * 131 + value));
                        FillRandom(out, r, 0);
                        const bool inPlace = mode == Mode::kInPlace;
                        // What an unselected pixel must keep: the source's bytes with copy-first,
                        // the destination's otherwise.
                        const std::vector<uint32_t> kept = mode == Mode::kOtherDestination ? out.Pixels() : in.Pixels();
                        EffectParams p = Params(effect, value, mode == Mode::kCopyFirst, shape.mask.data());
                        ASSERT_TRUE(ApplyEffectPixels(in.View(), inPlace ? in.View() : out.View(), p).ok());
                        const std::vector<uint32_t> result = inPlace ? in.Pixels() : out.Pixels();
                        int changed = 0;
                        for (size_t i = 0; i < result.size(); ++i)
                            if (!shape.mask[i] && result[i] != kept[i] && changed++ == 0)
                                ADD_FAILURE() << "effect " << effect << " value " << value << " " << shape.name << " mode "
                                              << static_cast<int>(mode) << ": unselected pixel (" << i % w << ", " << i / w
                                              << ") " << std::hex << result[i] << " instead of " << kept[i];
                    }
    }
}

}  // namespace
}  // namespace mirelo
