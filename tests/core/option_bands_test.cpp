// The tool option bar: which bands, path buttons and lists the tool and its options show, and
// how the lists' entries map to option values.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "app/commands.h"
#include "common/text.h"
#include "image/slot_rules.h"
#include "ui/option_bands.h"

namespace mirelo {
namespace {

std::set<int> Shown(const BandState& st) {
    std::set<int> out;
    for (int b = 0; b < kOptionBandCount; ++b)
        if (st.shown.test(static_cast<size_t>(b))) out.insert(b);
    return out;
}

std::string Describe(const std::set<int>& bands) {
    std::string s;
    for (int b : bands) s += std::to_string(b) + " ";
    return s;
}

// Path buttons as a string of three flags: "100" = only 40032.
std::string Buttons(const std::array<bool, 3>& b) {
    std::string s;
    for (bool on : b) s += on ? '1' : '0';
    return s;
}

struct BandCase {
    const char* name;
    int tool;
    std::vector<std::pair<int, int>> options;  // changed from the defaults
    bool objectSelected;
    std::set<int> bands;
    const char* selectionButtons;
    const char* shapeButtons;
    std::vector<int> disabled;  // options whose list is greyed, besides "反転：" (2)
};

const BandCase kCases[] = {
    // Selection tool: the wand adds the tolerances, polygons the delete-last-point button.
    {"rectangle", 1, {{0, 0}}, false, {1}, "000", "000", {2}},
    {"polygon", 1, {{0, 2}}, false, {1}, "100", "000", {2}},
    {"magic wand", 1, {{0, 3}}, false, {1, 15}, "000", "000", {}},
    {"selection with an object", 1, {}, true, {1, 27}, "000", "000", {2}},
    {"retouch ignores objects", 3, {}, true, {26}, "000", "000", {2}},
    {"eyedropper", 5, {}, true, {}, "000", "000", {2}},
    // Text tool: its own pattern decides 19 and 22.
    {"text", 6, {}, false, {16, 17, 18}, "000", "000", {2}},
    {"text with an object", 6, {}, true, {16, 17, 18, 27}, "000", "000", {2}},
    {"text gradient", 6, {{49, 4}}, false, {16, 17, 18, 19}, "000", "000", {2}},
    {"text texture", 6, {{49, 5}}, false, {16, 17, 18, 22}, "000", "000", {2}},
    {"text hatch", 6, {{49, 6}}, false, {16, 17, 18}, "000", "000", {2}},
    // Shape tool, one case per kind.
    {"freehand stamping", 2, {{3, 0}}, false, {2, 4, 7}, "000", "000", {2}},
    {"freehand path", 2, {{3, 0}, {8, 1}}, false, {2, 4, 5, 7, 8, 10, 12, 18}, "000", "101", {2}},
    {"line", 2, {{3, 1}}, false, {2, 5, 7, 8, 10, 12, 18}, "000", "101", {2}},
    {"curve", 2, {{3, 2}}, false, {2, 5, 7, 10, 12, 18}, "000", "101", {2}},
    {"ellipse", 2, {{3, 3}}, false, {2, 5, 7, 18}, "000", "000", {2}},
    {"arc", 2, {{3, 4}}, false, {2, 5, 7, 10, 11, 18}, "000", "000", {2}},
    {"rectangle shape", 2, {{3, 5}}, false, {2, 5, 7, 8, 18}, "000", "000", {2}},
    {"polygon shape", 2, {{3, 6}}, false, {2, 5, 7, 8, 12, 18}, "000", "101", {2}},
    {"closed curve", 2, {{3, 7}}, false, {2, 5, 7, 12, 18}, "000", "101", {2}},
    {"filled ellipse", 2, {{3, 8}}, false, {2, 5, 7, 18, 20}, "000", "000", {2}},
    {"filled pie", 2, {{3, 9}}, false, {2, 5, 7, 11, 18, 20}, "000", "000", {2}},
    {"filled rectangle", 2, {{3, 10}}, false, {2, 5, 7, 8, 18, 20}, "000", "000", {2}},
    {"filled polygon", 2, {{3, 11}}, false, {2, 5, 7, 8, 9, 12, 18, 20}, "000", "101", {2}},
    {"filled closed curve", 2, {{3, 12}}, false, {2, 5, 7, 9, 12, 18, 20}, "000", "101", {2}},
    {"shape tool ignores objects", 2, {{3, 3}}, true, {2, 5, 7, 18}, "000", "000", {2}},
    // The pen pattern.
    {"pen gradient", 2, {{3, 3}, {33, 1}}, false, {2, 5, 7, 18, 19}, "000", "000", {2}},
    {"pen texture", 2, {{3, 3}, {33, 5}}, false, {2, 5, 7, 18, 22}, "000", "000", {2}},
    {"pen hatch", 2, {{3, 3}, {33, 6}}, false, {2, 5, 7, 18}, "000", "000", {2}},
    {"stamping keeps no pattern band", 2, {{3, 0}, {33, 2}}, false, {2, 4, 7}, "000", "000", {2}},
    {"stamping with a pen texture", 2, {{3, 0}, {33, 5}}, false, {2, 4, 7, 22}, "000", "000", {2}},
    // A dash style beyond the list shows the outline width, except for stamping.
    {"outline width", 2, {{3, 3}, {9, 5}}, false, {2, 5, 6, 7, 18}, "000", "000", {2}},
    {"no outline width when stamping", 2, {{3, 0}, {9, 5}}, false, {2, 4, 7}, "000", "000", {2}},
    // The shape tool's fill pattern (no centre point band, no two-click gradient).
    {"shape fill gradient", 2, {{3, 8}, {35, 2}}, false, {2, 5, 7, 18, 20, 21}, "000", "000", {2}},
    {"shape fill diagonal 2", 2, {{3, 8}, {35, 4}}, false, {2, 5, 7, 18, 20, 21}, "000", "000", {2}},
    {"shape fill circular", 2, {{3, 8}, {35, 5}}, false, {2, 5, 7, 18, 20, 21, 24}, "000", "000", {2}},
    {"shape fill midtones", 2, {{3, 8}, {35, 6}}, false, {2, 5, 7, 18, 20, 21, 24, 25}, "000", "000", {2}},
    {"shape fill vertices", 2, {{3, 8}, {35, 7}}, false, {2, 5, 7, 18, 20, 21, 25}, "000", "000", {2}},
    {"shape fill texture", 2, {{3, 8}, {35, 8}}, false, {2, 5, 7, 18, 20, 22}, "000", "000", {2}},
    {"shape fill hatch", 2, {{3, 8}, {35, 9}}, false, {2, 5, 7, 18, 20}, "000", "000", {2}},
    {"outline kind has no fill band", 2, {{3, 3}, {35, 5}}, false, {2, 5, 7, 18}, "000", "000", {2}},
    // Kind ﾊﾟｽ, one case per part.
    {"path freehand", 2, {{3, 13}, {6, 0}}, false, {2, 3, 5, 7, 8, 9, 10, 12, 18, 27}, "000", "111", {2}},
    {"path line", 2, {{3, 13}, {6, 1}}, false, {2, 3, 5, 7, 8, 9, 10, 12, 18, 27}, "000", "111", {2}},
    {"path curve", 2, {{3, 13}, {6, 2}}, false, {2, 3, 5, 7, 9, 10, 12, 18, 27}, "000", "111", {2}},
    {"path ellipse", 2, {{3, 13}, {6, 3}}, false, {2, 3, 5, 7, 9, 12, 18, 27}, "000", "011", {2}},
    {"path arc", 2, {{3, 13}, {6, 4}}, false, {2, 3, 5, 7, 9, 10, 11, 12, 18, 27}, "000", "011", {2}},
    {"path pie", 2, {{3, 13}, {6, 5}}, false, {2, 3, 5, 7, 9, 11, 12, 18, 27}, "000", "011", {2}},
    {"path rectangle", 2, {{3, 13}, {6, 6}}, false, {2, 3, 5, 7, 8, 9, 12, 18, 27}, "000", "011", {2}},
    {"path polygon", 2, {{3, 13}, {6, 7}}, false, {2, 3, 5, 7, 8, 9, 12, 18, 27}, "000", "111", {2}},
    {"path closed curve", 2, {{3, 13}, {6, 8}}, false, {2, 3, 5, 7, 9, 12, 18, 27}, "000", "111", {2}},
    {"path text", 2, {{3, 13}, {6, 9}}, false, {2, 3, 5, 7, 8, 9, 12, 16, 17, 18, 27}, "000", "111", {2, 28}},
    {"path outline width", 2, {{3, 13}, {6, 3}, {9, 5}}, false, {2, 3, 5, 6, 7, 9, 12, 18, 27}, "000", "011", {2}},
    // A filled path takes the fill pattern; its transform band stays after the pattern rule.
    {"path without fill ignores the fill pattern", 2, {{3, 13}, {6, 3}, {35, 5}}, false,
     {2, 3, 5, 7, 9, 12, 18, 27}, "000", "011", {2}},
    {"filled path", 2, {{3, 13}, {6, 3}, {7, 1}, {35, 5}}, false, {2, 3, 5, 7, 9, 12, 18, 20, 21, 24, 27}, "000", "011", {2}},
    {"filled path, pen texture", 2, {{3, 13}, {6, 3}, {7, 1}, {33, 5}}, false, {2, 3, 5, 7, 9, 12, 18, 20, 22, 27}, "000", "011", {2}},
    // Fill tool: by mode, then by its fill pattern.
    {"area fill", 4, {{18, 0}}, false, {13, 15}, "000", "000", {2}},
    {"colour replacement", 4, {{18, 2}}, false, {13, 15}, "000", "000", {2}},
    {"alpha replacement", 4, {{18, 3}, {42, 5}}, false, {13}, "000", "000", {2}},
    {"shape fill solid", 4, {{18, 1}}, false, {13, 14, 20}, "000", "000", {2}},
    {"shape fill horizontal", 4, {{18, 1}, {42, 1}}, false, {13, 14, 20, 21}, "000", "000", {2}},
    {"shape fill two clicks", 4, {{18, 1}, {42, 4}}, false, {13, 14, 20, 21, 22}, "000", "000", {2}},
    {"shape fill circular centre", 4, {{18, 1}, {42, 5}}, false, {13, 14, 20, 21, 23, 24}, "000", "000", {2}},
    {"shape fill midtones, tool", 4, {{18, 1}, {42, 6}}, false, {13, 14, 20, 21, 23, 24, 25}, "000", "000", {2}},
    {"shape fill vertices, tool", 4, {{18, 1}, {42, 7}}, false, {13, 14, 20, 21, 23, 25}, "000", "000", {2}},
    {"shape fill texture, tool", 4, {{18, 1}, {42, 8}}, false, {13, 14, 20, 22}, "000", "000", {2}},
    {"shape fill hatch, tool", 4, {{18, 1}, {42, 61}}, false, {13, 14, 20}, "000", "000", {2}},
    {"fill tool ignores the shape tool's pattern", 4, {{18, 1}, {35, 5}, {33, 5}}, false, {13, 14, 20}, "000", "000", {2}},
};

TEST(OptionBands, BandsButtonsAndDisabledListsFollowToolAndOptions) {
    for (const BandCase& c : kCases) {
        SCOPED_TRACE(c.name);
        ToolSettings s = DefaultToolSettings();
        for (const auto& [option, value] : c.options) s[static_cast<size_t>(option)] = value;
        const BandState st = ComputeBands(c.tool, s, true, c.objectSelected);
        EXPECT_EQ(Describe(Shown(st)), Describe(c.bands));
        EXPECT_EQ(Buttons(st.selectionPathButtons), c.selectionButtons);
        EXPECT_EQ(Buttons(st.shapePathButtons), c.shapeButtons);
        std::vector<int> disabled;
        for (int o = 0; o < kToolSettingCount; ++o)
            if (st.disabled.test(static_cast<size_t>(o))) disabled.push_back(o);
        EXPECT_EQ(disabled, c.disabled);
        // Every list of a shown band edits an option with this tool.
        for (const OptionControl& control : OptionControls()) {
            if (!st.shown.test(static_cast<size_t>(control.band))) continue;
            EXPECT_GE(OptionFor(control, c.tool), 0) << ToUtf8(control.label) << " in band " << control.band;
        }
    }
}

TEST(OptionBands, NothingWithoutAnImage) {
    ToolSettings s = DefaultToolSettings();
    s[0] = 3;
    for (int tool = 1; tool <= 6; ++tool) {
        const BandState st = ComputeBands(tool, s, false, true);
        EXPECT_TRUE(st.shown.none()) << tool;
        EXPECT_EQ(Buttons(st.selectionPathButtons) + Buttons(st.shapePathButtons), "000000");
    }
}

// The values each option takes in its list, for trying every one.
std::map<int, std::vector<int>> ValuesByOption(int tool) {
    std::map<int, std::vector<int>> out;
    for (const OptionControl& c : OptionControls()) {
        const int option = OptionFor(c, tool);
        if (option < 0) continue;
        const int count = c.kind == ListKind::Fonts ? 3 : static_cast<int>(ListEntries(c).size());
        for (int i = 0; i < count; ++i) out[option].push_back(StoredValue(c, i));
    }
    return out;
}

// A change of an option the rules do not read never changes what the bar shows, from any of a
// set of starting points that together show every band.
TEST(OptionBands, OnlyTheOptionsTheRulesReadChangeTheBar) {
    for (const BandCase& c : kCases) {
        ToolSettings base = DefaultToolSettings();
        for (const auto& [option, value] : c.options) base[static_cast<size_t>(option)] = value;
        const BandState before = ComputeBands(c.tool, base, true, c.objectSelected);
        for (const auto& [option, values] : ValuesByOption(c.tool)) {
            if (BandRulesRead(option)) continue;
            for (int v : values) {
                ToolSettings s = base;
                s[static_cast<size_t>(option)] = v;
                const BandState after = ComputeBands(c.tool, s, true, c.objectSelected);
                EXPECT_EQ(after.shown, before.shown) << c.name << ": option " << option << " = " << v;
                EXPECT_EQ(after.disabled, before.disabled) << c.name << ": option " << option << " = " << v;
                EXPECT_EQ(after.shapePathButtons, before.shapePathButtons) << c.name << ": option " << option;
                EXPECT_EQ(after.selectionPathButtons, before.selectionPathButtons) << c.name << ": option " << option;
            }
        }
    }
}

// Each of the 61 options is edited by exactly one list for each tool that has one, and the
// lists stand in the bands in order.
TEST(OptionBands, EveryOptionHasOneList) {
    std::map<int, int> owners;
    int previousBand = 0;
    for (const OptionControl& c : OptionControls()) {
        EXPECT_GE(c.band, previousBand) << ToUtf8(c.label);
        EXPECT_GE(c.band, 1);
        EXPECT_LE(c.band, kOptionBandCount - 1);
        EXPECT_NE(c.band, 12) << "band 12 holds only the path buttons";
        previousBand = c.band;
        std::set<int> options{c.option.shape, c.option.fill, c.option.text};
        options.erase(-1);
        EXPECT_EQ(c.perTool, c.band >= 18 && c.band <= 25) << ToUtf8(c.label);
        for (int o : options) ++owners[o];
    }
    for (int o = 0; o < kToolSettingCount; ++o) EXPECT_EQ(owners[o], 1) << "option " << o;
    EXPECT_EQ(owners.size(), static_cast<size_t>(kToolSettingCount));
}

TEST(OptionBands, PatternBandsEditTheOptionsOfTheCurrentTool) {
    auto find = [](int band, int nth = 0) -> const OptionControl& {
        for (const OptionControl& c : OptionControls())
            if (c.band == band && nth-- == 0) return c;
        static OptionControl none;
        ADD_FAILURE() << "no control in band " << band;
        return none;
    };
    EXPECT_EQ(OptionFor(find(18), 2), 33);
    EXPECT_EQ(OptionFor(find(18), 6), 49);
    EXPECT_EQ(OptionFor(find(18), 4), -1);
    EXPECT_EQ(OptionFor(find(20), 2), 35);
    EXPECT_EQ(OptionFor(find(20), 4), 42);
    EXPECT_EQ(OptionFor(find(22), 2), 37);
    EXPECT_EQ(OptionFor(find(22), 4), 44);
    EXPECT_EQ(OptionFor(find(22), 6), 51);
    EXPECT_EQ(OptionFor(find(24, 1), 4), 47);
    EXPECT_EQ(OptionFor(find(25), 4), 48);
    EXPECT_EQ(OptionFor(find(15, 3), 1), 25);
    EXPECT_EQ(ToUtf8(find(15, 3).label), "青：±");
    EXPECT_EQ(ToUtf8(find(27).label), "回転：");
    EXPECT_EQ(ToUtf8(find(27, 4).label), "ｽﾑｰｽﾞ：");
    EXPECT_EQ(OptionFor(find(27, 4), 1), 56);
}

const OptionControl& ControlOf(int option) {
    for (const OptionControl& c : OptionControls())
        if (c.option.shape == option || c.option.fill == option || c.option.text == option) return c;
    static OptionControl none;
    ADD_FAILURE() << "no control of option " << option;
    return none;
}

struct EntryCase {
    int option;
    size_t count;
    int index;
    const char16_t* text;
    int stored;
};

const EntryCase kEntries[] = {
    {0, 4, 3, u"マジックワンド", 3},
    {3, 14, 13, u"ﾊﾟｽ", 13},
    {3, 14, 8, u"（塗）円形", 8},
    {4, 100, 0, u"  1", 1},
    {4, 100, 99, u"100", 100},
    {6, 10, 5, u"ﾊﾟｲ", 5},
    {9, 5, 1, u"－－－", 1},
    {10, 100, 0, u"  0", 0},
    {15, 5, 4, u"→", 4},
    {16, 73, 18, u" 90", 90},
    {17, 73, 72, u"360", 360},
    {18, 4, 3, u"色置換（透明度→色）", 3},
    {22, 86, 85, u"255", 85},
    {22, 86, 1, u"  3", 1},
    {27, 293, 0, u"  8", 0},
    {27, 293, 292, u"300", 292},
    {29, 16, 15, u"枠内 折返禁止 縦2", 15},
    {31, 16, 7, u"下線斜体太字", 7},
    {32, 21, 20, u" 20", 20},
    {33, 59, 5, u"ﾃｸｽﾁｬ...", 5},
    {33, 59, 6, u"Horizontal", 6},
    {49, 59, 58, u"SolidDiamond", 58},
    {42, 62, 8, u"ﾃｸｽﾁｬ...", 8},
    {42, 62, 9, u"Horizontal", 9},
    {35, 62, 61, u"SolidDiamond", 61},
    {35, 62, 6, u"円形ｸﾞﾗﾃﾞｰｼｮﾝ(中間色)", 6},
    {44, 5, 4, u"Clamp", 4},
    {46, 20, 0, u" 0%", 0},
    {47, 20, 19, u"95%", 19},
    {48, 16, 15, u" 16", 15},
    {52, 7, 1, u"にじみ（透明度のみ）", 1},
    {53, 100, 0, u"  1", 1},
    {54, 9, 0, u"10%", 0},
    {54, 9, 8, u"90%", 8},
    {56, 5, 4, u"高2", 4},
    {57, 361, 360, u"360", 360},
    {58, 1000, 0, u"0.01", 0},
    {58, 1000, 99, u"1.00", 99},
    {59, 1000, 999, u"10.00", 999},
    {60, 2, 1, u"異", 1},
};

TEST(OptionBands, ListEntriesAndStoredValues) {
    for (const EntryCase& c : kEntries) {
        SCOPED_TRACE("option " + std::to_string(c.option));
        const OptionControl& control = ControlOf(c.option);
        const std::vector<Text> entries = ListEntries(control);
        ASSERT_EQ(entries.size(), c.count);
        EXPECT_EQ(ToUtf8(entries[static_cast<size_t>(c.index)]), ToUtf8(c.text));
        EXPECT_EQ(StoredValue(control, c.index), c.stored);
        EXPECT_EQ(ListIndex(control, c.stored), c.index);
    }
}

TEST(OptionBands, ValuesWithoutAnEntryHaveNoIndex) {
    EXPECT_EQ(ListIndex(ControlOf(4), 0), -1);     // line widths start at 1
    EXPECT_EQ(ListIndex(ControlOf(4), 101), -1);
    EXPECT_EQ(ListIndex(ControlOf(16), 92), -1);   // angles come in steps of 5
    EXPECT_EQ(ListIndex(ControlOf(16), 365), -1);
    EXPECT_EQ(ListIndex(ControlOf(0), 4), -1);
    EXPECT_EQ(ListIndex(ControlOf(0), -1), -1);
    EXPECT_EQ(ListIndex(ControlOf(26), 40), 40);   // the font list is as long as the fonts
}

TEST(OptionBands, TextLayoutShownWithTheEntriesOffered) {
    struct Case {
        int mode, offered, shown;
    };
    const Case cases[] = {
        {0, 16, 0}, {13, 16, 13}, {15, 16, 15},        // a framed text: every mode as it is
        {2, 4, 2},  {4, 4, 0},   {6, 4, 2}, {9, 4, 1},  // unframed: the direction
        {15, 4, 3}, {-1, 4, -1},
    };
    for (const Case& c : cases) EXPECT_EQ(ShownLayoutEntry(c.mode, c.offered), c.shown) << c.mode << " of " << c.offered;
}

// A new image's values are all entries of their lists.
TEST(OptionBands, DefaultsAreListEntries) {
    const ToolSettings s = DefaultToolSettings();
    for (const OptionControl& c : OptionControls())
        for (int tool : {2, 4, 6}) {
            const int option = OptionFor(c, tool);
            if (option < 0) continue;
            EXPECT_GE(ListIndex(c, s[static_cast<size_t>(option)]), 0) << "option " << option;
        }
    EXPECT_EQ(ListIndex(ControlOf(16), s[16]), 18);
    EXPECT_EQ(ListIndex(ControlOf(4), s[4]), 0);
}

TEST(OptionBands, ControlIdsLeaveTheCommandsAlone) {
    const int count = static_cast<int>(OptionControls().size());
    for (int id = kOptionControlFirstId; id < kOptionControlFirstId + count; ++id) EXPECT_EQ(FindCommand(id), nullptr) << id;
}

TEST(FontList, SkipsRepeatsAndVerticalFacesAndSortsByCodePage932) {
    std::vector<FontFace> faces = {
        {u"Tahoma", "Tahoma"},
        {u"@IPAGothic", "@IPAGothic"},
        {u"ｱ", "\xB1"},               // half-width katakana: one byte
        {u"あ", "\x82\xA0"},          // a double-byte character
        {u"Arial", "Arial"},
        {u"Tahoma", "Tahoma"},
    };
    std::vector<Text> names = FontNameList(faces);
    std::vector<std::string> got;
    for (const Text& n : names) got.push_back(ToUtf8(n));
    // 0xB1 < 0x82A0: the one-byte katakana comes before the double-byte hiragana.
    EXPECT_EQ(got, (std::vector<std::string>{"Arial", "Tahoma", "ｱ", "あ"}));
}

TEST(FontList, StopsAt256Names) {
    std::vector<FontFace> faces;
    for (int i = 0; i < 300; ++i) {
        std::string n = "F" + std::to_string(1000 + i);
        faces.push_back({AsciiToText(n), n});
    }
    std::vector<Text> names = FontNameList(faces);
    ASSERT_EQ(names.size(), 256u);
    EXPECT_EQ(ToUtf8(names.back()), "F1255");
}

TEST(FontList, MultibyteComparison) {
    EXPECT_LT(CompareMultibyte("A", "B"), 0);
    EXPECT_LT(CompareMultibyte("AB", "ABC"), 0);
    EXPECT_EQ(CompareMultibyte("\x82\xA0", "\x82\xA0"), 0);
    EXPECT_GT(CompareMultibyte("\x82\xA0", "\xDF"), 0);  // byte order would say the reverse
    EXPECT_LT(CompareMultibyte("\x82\x40", "\x82\xA0"), 0);
}

}  // namespace
}  // namespace mirelo
