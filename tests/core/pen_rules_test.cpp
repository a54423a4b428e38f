// The pens' and brushes' rules without a drawing library: pattern entries, caps, the reference
// rectangle, the circular gradients' colours and the arrow editing window's arithmetic.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "draw/arrow_rules.h"
#include "draw/pen_rules.h"
#include "ui/option_bands.h"

namespace mirelo {
namespace {

const OptionControl& ControlFor(int option) {
    for (const OptionControl& c : OptionControls())
        if (OptionFor(c, 2) == option || OptionFor(c, 4) == option) return c;
    ADD_FAILURE() << "no list for option " << option;
    return OptionControls().front();
}

// Every entry of the pen list and of both fill lists makes what its text names: the gradients,
// "ﾃｸｽﾁｬ..." and, after them, the hatch styles in their list order.
TEST(PenRules, PatternEntriesMakeWhatTheListsShow) {
    struct Case {
        int option;
        BrushUser user;
    };
    for (const Case& c : {Case{kPenPatternOption, BrushUser::ShapeTool}, Case{kShapeFillBase, BrushUser::ShapeTool},
                          Case{kFillToolFillBase, BrushUser::FillTool}}) {
        const OptionControl& control = ControlFor(c.option);
        const std::vector<Text> entries = ListEntries(control);
        const int named = static_cast<int>(control.textCount);
        ASSERT_EQ(static_cast<int>(entries.size()), named + kHatchStyleCount);
        int textures = 0;
        for (int i = 0; i < static_cast<int>(entries.size()); ++i) {
            const Pattern p = c.option == kPenPatternOption ? PenPattern(i) : FillPattern(i, c.user);
            const std::string text = ToUtf8(entries[static_cast<size_t>(i)]);
            SCOPED_TRACE(std::to_string(c.option) + " entry " + std::to_string(i) + " " + text);
            if (i >= named) {
                EXPECT_EQ(p.kind, PatternKind::Hatch);
                EXPECT_EQ(p.value, i - named);
            } else if (text == "ﾃｸｽﾁｬ...") {
                EXPECT_EQ(p.kind, PatternKind::Texture);
                EXPECT_EQ(TextureSlotForChoice(c.option, i), c.option == kPenPatternOption ? kTexturePen
                                                              : c.option == kShapeFillBase ? kTextureShapeFill
                                                                                           : kTextureFillTool);
                ++textures;
            } else if (text.rfind("ｸﾞﾗﾃﾞｰｼｮﾝ(", 0) == 0) {
                const bool twoClick = c.user == BrushUser::FillTool && text == "ｸﾞﾗﾃﾞｰｼｮﾝ(斜2)";
                EXPECT_EQ(p.kind, twoClick ? PatternKind::TwoClickLinear : PatternKind::Linear);
                EXPECT_EQ(p.value, i - 1);  // Horizontal, Vertical, ForwardDiagonal, BackwardDiagonal
            } else if (text == "円形ｸﾞﾗﾃﾞｰｼｮﾝ(中間色)") {
                EXPECT_EQ(p.kind, PatternKind::CircularMiddle);
            } else if (text == "円形ｸﾞﾗﾃﾞｰｼｮﾝ(頂点色)") {
                EXPECT_EQ(p.kind, PatternKind::CircularVertex);
            } else if (text == "円形ｸﾞﾗﾃﾞｰｼｮﾝ") {
                EXPECT_EQ(p.kind, PatternKind::Circular);
            } else {
                EXPECT_EQ(text, "ｿﾘｯﾄﾞ");
                EXPECT_EQ(p.kind, PatternKind::Solid);
            }
            if (text != "ﾃｸｽﾁｬ...") {
                EXPECT_EQ(TextureSlotForChoice(c.option, i), -1);
            }
        }
        EXPECT_EQ(textures, 1);
        EXPECT_EQ(PenPattern(static_cast<int>(entries.size())).kind, PatternKind::Solid);
    }
    // The hatch entries of the fill lists run from "Horizontal" at 9 to "SolidDiamond" at 61.
    const std::vector<Text> fill = ListEntries(ControlFor(kFillToolFillBase));
    EXPECT_EQ(fill[9], u"Horizontal");
    EXPECT_EQ(FillPattern(9, BrushUser::FillTool).value, 0);
    EXPECT_EQ(fill[61], u"SolidDiamond");
    EXPECT_EQ(FillPattern(61, BrushUser::ShapeTool).value, 52);
    EXPECT_EQ(ListEntries(ControlFor(kPenPatternOption))[6], u"Horizontal");
    EXPECT_EQ(TextureSlotForChoice(kTextPatternOption, 5), kTextureText);
    EXPECT_EQ(TextureSlotForChoice(kTextPatternOption, 6), -1);
}

TEST(PenRules, CapsDashCapsArrowAndReferenceRectangle) {
    const std::vector<Text> tips = ListEntries(ControlFor(kPenTipOption));
    ASSERT_EQ(tips.size(), 3u);
    EXPECT_EQ(DashCapFromPenTip(0), 0);  // ■ flat
    EXPECT_EQ(DashCapFromPenTip(1), 2);  // ● round
    EXPECT_EQ(DashCapFromPenTip(2), 3);  // ◆ triangle
    const std::vector<Text> caps = ListEntries(ControlFor(kStartCapOption));
    ASSERT_EQ(caps.size(), 5u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_FALSE(IsArrowCap(i));
        EXPECT_EQ(AnchorCapFromIndex(i), 16 + i);
    }
    EXPECT_EQ(caps[kArrowCapIndex], u"→");
    EXPECT_TRUE(IsArrowCap(kArrowCapIndex));

    const ArrowCapSize size = ArrowCapFrom(ArrowSettings{});
    EXPECT_FLOAT_EQ(size.height, 4.0f);
    EXPECT_FLOAT_EQ(size.width, 3.0f);
    EXPECT_FLOAT_EQ(size.middleInset, 1.0f);

    struct Case {
        IntRect bounds;
        int lineWidth;
        IntRect expected;
    };
    for (const Case& c : {Case{{10, 20, 30, 40}, 1, {10, 20, 31, 41}}, Case{{10, 20, 30, 40}, 5, {8, 18, 35, 45}},
                          Case{{0, 0, 0, 0}, 4, {-2, -2, 4, 4}}}) {
        const IntRect r = ReferenceRectFromBounds(c.bounds, c.lineWidth);
        EXPECT_EQ(r.x, c.expected.x);
        EXPECT_EQ(r.y, c.expected.y);
        EXPECT_EQ(r.width, c.expected.width);
        EXPECT_EQ(r.height, c.expected.height);
    }
}

TEST(PenRules, CircularGradientColours) {
    ColourPair c;
    c.colours = {0x0000FF, 0xFF0000};  // red, blue (Win32 form)
    c.transparency = {0, 0};
    c.active = 1;                      // the current colour is the second
    EXPECT_EQ(c.Current(), 0xFF0000FFu);
    EXPECT_EQ(c.Other(), 0xFFFF0000u);
    Swatches sw;
    for (size_t i = 0; i < sw.size(); ++i) sw[i] = 0xFF000000u | static_cast<uint32_t>(i + 1);  // red = i + 1

    struct Case {
        const char* name;
        PatternKind kind;
        int colourIndex, points;
        uint8_t tCur, tOther;
        std::vector<uint32_t> surround;
        std::vector<uint32_t> blend;
        std::vector<float> positions;
    };
    const Case cases[] = {
        {"plain: every point the current colour", PatternKind::Circular, 5, 3, 0, 0,
         {0xFF0000FF, 0xFF0000FF, 0xFF0000FF}, {}, {}},
        {"vertices: 16 colours on 4 points use 4 swatches", PatternKind::CircularVertex, 15, 4, 0, 0,
         {0xFF010000, 0xFF020000, 0xFF030000, 0xFF040000}, {}, {}},
        {"vertices: 2 colours repeat, alpha of the current colour", PatternKind::CircularVertex, 1, 5, 55, 0,
         {0xC8010000, 0xC8020000, 0xC8010000, 0xC8020000, 0xC8010000}, {}, {}},
        {"middle with 1 colour: current, swatch 0 at 0.5, other", PatternKind::CircularMiddle, 0, 2, 0, 0,
         {0xFF0000FF, 0xFF0000FF}, {0xFF0000FF, 0xFF010000, 0xFFFF0000}, {0.0f, 0.5f, 1.0f}},
        {"middle alphas run from the current to the other transparency", PatternKind::CircularMiddle, 2, 1, 10, 200,
         {0xF50000FF},
         {0xF50000FF, 0xC6010000, 0x96020000, 0x67030000, 0x37FF0000},
         {0.0f, 0.25f, 0.5f, 0.75f, 1.0f}},
        {"no points: no surround colours and an invalid parameter", PatternKind::CircularVertex, 3, 0, 0, 0, {}, {}, {}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        c.transparency = {k.tOther, k.tCur};  // index 1 is current
        const CircularColours out = CircularGradientColours(k.kind, k.colourIndex, k.points, c, sw);
        EXPECT_EQ(out.centre, c.Other());
        EXPECT_EQ(out.surround, k.surround);
        EXPECT_EQ(out.invalidParameter, k.points < 1);
        EXPECT_EQ(out.blendColours, k.blend);
        EXPECT_EQ(out.blendPositions, k.positions);
    }
}

// The arrow window: each step types into one field with "縦横比同じ" ticked or not; the stored
// values and the spin ranges follow.
TEST(PenRules, ArrowWindowArithmetic) {
    enum Field { Height, Width, Shape, Tick, Untick };
    struct Step {
        Field field;
        int typed;
        ArrowSettings expected;
        SpinRange height, width, shape;
    };
    const Step steps[] = {
        {Height, 50, {50, 30, 10}, {10, 1000}, {10, 1000}, {-1000, 50}},
        {Height, 3, {10, 30, 10}, {10, 1000}, {10, 1000}, {-1000, 10}},  // below 10 becomes 10
        {Width, 0, {10, 10, 10}, {10, 1000}, {10, 1000}, {-1000, 10}},
        {Height, 40, {40, 10, 10}, {10, 1000}, {10, 1000}, {-1000, 40}},
        {Width, 30, {40, 30, 10}, {10, 1000}, {10, 1000}, {-1000, 40}},
        {Shape, -25, {40, 30, -25}, {10, 1000}, {10, 1000}, {-1000, 40}},
        {Shape, 10, {40, 30, 10}, {10, 1000}, {10, 1000}, {-1000, 40}},
        // r = 0.75, s = 0.25: the height's range starts at 10 / 0.75.
        {Tick, 0, {40, 30, 10}, {14, 1000}, {10, 1000}, {-1000, 40}},
        {Height, 80, {80, 60, 20}, {14, 1000}, {10, 1000}, {-1000, 80}},
        {Height, 41, {41, 31, 10}, {14, 1000}, {10, 1000}, {-1000, 41}},
        {Width, 90, {120, 90, 10}, {14, 1000}, {10, 1000}, {-1000, 120}},  // the width sets only the height
        {Height, 12, {12, 10, 3}, {14, 1000}, {10, 1000}, {-1000, 12}},    // the width keeps 10
        {Untick, 0, {12, 10, 3}, {10, 1000}, {10, 1000}, {-1000, 12}},
        {Width, 30, {12, 30, 3}, {10, 1000}, {10, 1000}, {-1000, 12}},
        // r = 2.5: the width's range starts at 25.
        {Tick, 0, {12, 30, 3}, {10, 1000}, {25, 1000}, {-1000, 12}},
        {Width, 100, {40, 100, 3}, {10, 1000}, {25, 1000}, {-1000, 40}},
        {Height, 20, {20, 50, 5}, {10, 1000}, {25, 1000}, {-1000, 20}},
    };
    ArrowSettings a;
    ArrowRatio ratio;
    bool linked = false;
    int n = 0;
    for (const Step& s : steps) {
        SCOPED_TRACE("step " + std::to_string(n++));
        const ArrowRatio* r = linked ? &ratio : nullptr;
        switch (s.field) {
        case Height: TypeArrowHeight(a, s.typed, r); break;
        case Width: TypeArrowWidth(a, s.typed, r); break;
        case Shape: TypeArrowShape(a, s.typed); break;
        case Tick:
            ratio = FixArrowRatio(a);
            linked = true;
            break;
        case Untick: linked = false; break;
        }
        EXPECT_EQ(a.height, s.expected.height);
        EXPECT_EQ(a.width, s.expected.width);
        EXPECT_EQ(a.shape, s.expected.shape);
        const ArrowRanges ranges = ArrowSpinRanges(a, linked ? &ratio : nullptr);
        EXPECT_EQ(ranges.height.low, s.height.low);
        EXPECT_EQ(ranges.height.high, s.height.high);
        EXPECT_EQ(ranges.width.low, s.width.low);
        EXPECT_EQ(ranges.width.high, s.width.high);
        EXPECT_EQ(ranges.shape.low, s.shape.low);
        EXPECT_EQ(ranges.shape.high, s.shape.high);
    }
    // Ratios that cannot be formed fall back to 1.
    const ArrowRatio zero = FixArrowRatio(ArrowSettings{0, 0, 5});
    EXPECT_EQ(zero.width, 1.0);
    EXPECT_EQ(zero.shape, 1.0);
    const ArrowRatio noWidth = FixArrowRatio(ArrowSettings{20, 0, 5});
    EXPECT_EQ(noWidth.width, 1.0);
    EXPECT_EQ(noWidth.shape, 0.25);
}

}  // namespace
}  // namespace mirelo
