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

std::vector<Text> EntriesOf(int option, int tool) {
    for (const OptionControl& c : OptionControls())
        if (OptionFor(c, tool) == option) return ListEntries(c);
    return {};
}

// Each list entry makes what its text names; the hatch styles follow the named entries in order.
TEST(PenRules, PatternEntriesAndReferenceRectangle) {
    struct Case {
        int option, tool, index;
        const char* text;
        PatternKind kind;
        int value, textureSlot;
    };
    const Case cases[] = {
        {33, 2, 4, "ｸﾞﾗﾃﾞｰｼｮﾝ(斜2)", PatternKind::Linear, 3, -1},
        {33, 2, 5, "ﾃｸｽﾁｬ...", PatternKind::Texture, 0, 0},
        {33, 2, 6, "Horizontal", PatternKind::Hatch, 0, -1},
        {35, 2, 4, "ｸﾞﾗﾃﾞｰｼｮﾝ(斜2)", PatternKind::Linear, 3, -1},
        {42, 4, 4, "ｸﾞﾗﾃﾞｰｼｮﾝ(斜2)", PatternKind::TwoClickLinear, 3, -1},
        {42, 4, 6, "円形ｸﾞﾗﾃﾞｰｼｮﾝ(中間色)", PatternKind::CircularMiddle, 0, -1},
        {35, 2, 7, "円形ｸﾞﾗﾃﾞｰｼｮﾝ(頂点色)", PatternKind::CircularVertex, 0, -1},
        {35, 2, 8, "ﾃｸｽﾁｬ...", PatternKind::Texture, 0, 1},
        {42, 4, 8, "ﾃｸｽﾁｬ...", PatternKind::Texture, 0, 2},
        {42, 4, 9, "Horizontal", PatternKind::Hatch, 0, -1},
        {35, 2, 61, "SolidDiamond", PatternKind::Hatch, 52, -1},
        {49, 6, 5, "ﾃｸｽﾁｬ...", PatternKind::Texture, 0, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.option) + " entry " + std::to_string(c.index));
        EXPECT_EQ(ToUtf8(EntriesOf(c.option, c.tool).at(static_cast<size_t>(c.index))), c.text);
        const Pattern p = c.option == 33 || c.option == 49 ? PenPattern(c.index) : FillPattern(c.index, c.tool == 4 ? BrushUser::FillTool : BrushUser::ShapeTool);
        EXPECT_EQ(p.kind, c.kind);
        EXPECT_EQ(p.value, c.value);
        EXPECT_EQ(TextureSlotForChoice(c.option, c.index), c.textureSlot);
    }
    EXPECT_EQ(PenPattern(59).kind, PatternKind::Solid);  // beyond the list
    EXPECT_EQ(ToUtf8(EntriesOf(kStartCapOption, 2).at(kArrowCapIndex)), "→");
    EXPECT_TRUE(IsArrowCap(kArrowCapIndex));
    const IntRect r = ReferenceRectFromBounds({10, 20, 30, 40}, 5);
    EXPECT_EQ(std::to_string(r.x) + " " + std::to_string(r.y) + " " + std::to_string(r.width) + " " + std::to_string(r.height), "8 18 35 45");
}

TEST(PenRules, CircularGradientColours) {
    ColourPair c;
    c.colours = {0x0000FF, 0xFF0000};  // Win32 red, blue; the current colour is the blue one
    c.active = 1;
    Swatches sw;
    for (size_t i = 0; i < sw.size(); ++i) sw[i] = 0xFF000000u | static_cast<uint32_t>(i + 1);  // red = i + 1
    struct Case {
        PatternKind kind;
        int colourIndex, points, tCur, tOther;
        std::vector<uint32_t> surround, blend;
        std::vector<float> positions;
    };
    const Case cases[] = {
        {PatternKind::Circular, 5, 2, 0, 0, {0xFF0000FF, 0xFF0000FF}, {}, {}},
        // 16 colours on 4 points use 4 swatches; 2 colours repeat, with the current colour's alpha.
        {PatternKind::CircularVertex, 15, 4, 0, 0, {0xFF010000, 0xFF020000, 0xFF030000, 0xFF040000}, {}, {}},
        {PatternKind::CircularVertex, 1, 3, 55, 0, {0xC8010000, 0xC8020000, 0xC8010000}, {}, {}},
        // 中間色 with 1 colour: current, swatch 0 at 0.5, other; alphas run between the transparencies.
        {PatternKind::CircularMiddle, 0, 1, 0, 0, {0xFF0000FF}, {0xFF0000FF, 0xFF010000, 0xFFFF0000}, {0, 0.5f, 1}},
        {PatternKind::CircularMiddle, 2, 1, 10, 200, {0xF50000FF}, {0xF50000FF, 0xC6010000, 0x96020000, 0x67030000, 0x37FF0000}, {0, 0.25f, 0.5f, 0.75f, 1}},
        {PatternKind::CircularVertex, 3, 0, 0, 0, {}, {}, {}},  // no points: InvalidParameter
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(static_cast<int>(&k - cases));
        c.transparency = {static_cast<uint8_t>(k.tOther), static_cast<uint8_t>(k.tCur)};
        const CircularColours out = CircularGradientColours(k.kind, k.colourIndex, k.points, c, sw);
        EXPECT_EQ(out.centre, c.Other());
        EXPECT_EQ(out.surround, k.surround);
        EXPECT_EQ(out.invalidParameter, k.points < 1);
        EXPECT_EQ(out.blendColours, k.blend);
        EXPECT_EQ(out.blendPositions, k.positions);
    }
}

// Each step types into one field, or ticks or clears "縦横比同じ"; then the stored values and the
// spin ranges "height.low width.low shape.high" (the other ends stay 1000, 1000 and −1000).
TEST(PenRules, ArrowWindowArithmetic) {
    enum Field { Height, Width, Shape, Tick, Untick };
    struct Step {
        Field field;
        int typed;
        const char* stored;
        const char* ranges;
    };
    const Step steps[] = {
        {Height, 3, "10 30 10", "10 10 10"},  {Width, 0, "10 10 10", "10 10 10"},    {Height, 40, "40 10 10", "10 10 40"},
        {Width, 30, "40 30 10", "10 10 40"},  {Shape, -25, "40 30 -25", "10 10 40"}, {Shape, 10, "40 30 10", "10 10 40"},
        {Tick, 0, "40 30 10", "14 10 40"},  // r = 0.75, s = 0.25
        {Height, 80, "80 60 20", "14 10 80"}, {Height, 41, "41 31 10", "14 10 41"},
        {Width, 90, "120 90 10", "14 10 120"},  // the width sets only the height
        {Height, 12, "12 10 3", "14 10 12"},  // the width keeps 10
        {Untick, 0, "12 10 3", "10 10 12"},   {Width, 30, "12 30 3", "10 10 12"},
        {Tick, 0, "12 30 3", "10 25 12"},  // r = 2.5
        {Width, 100, "40 100 3", "10 25 40"},
    };
    ArrowSettings a;
    ArrowRatio ratio;
    bool linked = false;
    for (const Step& s : steps) {
        SCOPED_TRACE(static_cast<int>(&s - steps));
        const ArrowRatio* r = linked ? &ratio : nullptr;
        if (s.field == Height) TypeArrowHeight(a, s.typed, r);
        if (s.field == Width) TypeArrowWidth(a, s.typed, r);
        if (s.field == Shape) TypeArrowShape(a, s.typed);
        if (s.field == Tick) ratio = FixArrowRatio(a);
        if (s.field == Tick || s.field == Untick) linked = s.field == Tick;
        EXPECT_EQ(std::to_string(a.height) + " " + std::to_string(a.width) + " " + std::to_string(a.shape), s.stored);
        const ArrowRanges g = ArrowSpinRanges(a, linked ? &ratio : nullptr);
        EXPECT_EQ(std::to_string(g.height.low) + " " + std::to_string(g.width.low) + " " + std::to_string(g.shape.high), s.ranges);
        EXPECT_EQ(g.height.high + g.width.high + g.shape.low, 1000);
    }
    const ArrowRatio none = FixArrowRatio(ArrowSettings{0, 0, 5}), noWidth = FixArrowRatio(ArrowSettings{20, 0, 5});
    EXPECT_EQ(none.width + none.shape + noWidth.width + noWidth.shape, 3.25);  // 1 and 1 when they cannot be formed
}

}  // namespace
}  // namespace mirelo
