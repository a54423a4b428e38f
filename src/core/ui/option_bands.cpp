#include "ui/option_bands.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "app/tool_row.h"
#include "ui/band_rules.h"

namespace mirelo {

namespace {
// --- list texts ---
const char16_t* const kNoYes[] = {u"なし", u"あり"};
const char16_t* const kPaintNoYes[] = {u"塗らない", u"塗る"};
const char16_t* const kSelectShapes[] = {u"矩形", u"円形", u"多角形", u"マジックワンド"};
const char16_t* const kShapeKinds[] = {u"自由描画",     u"直線",         u"曲線",         u"円形",
                                       u"円弧",         u"矩形",         u"多角形",       u"閉曲線",
                                       u"（塗）円形",   u"（塗）円弧",   u"（塗）矩形",   u"（塗）多角形",
                                       u"（塗）閉曲線", u"ﾊﾟｽ"};
const char16_t* const kPathParts[] = {u"自由描画", u"直線", u"曲線",   u"円形",   u"円弧",
                                      u"ﾊﾟｲ",      u"矩形", u"多角形", u"閉曲線", u"文字"};
const char16_t* const kDashes[] = {u"―", u"－－－", u"・・・・・", u"－・－・", u"－・・－"};
const char16_t* const kPenTips[] = {u"■", u"●", u"◆"};
const char16_t* const kJoins[] = {u"□", u"◇", u"○"};
const char16_t* const kCaps[] = {u"なし", u"■", u"●", u"◆", u"→"};
const char16_t* const kFillModes[] = {u"領域塗り", u"図形塗り", u"色置換", u"色置換（透明度→色）"};
const char16_t* const kTextSmoothing[] = {u"なし1", u"なし2", u"あり1", u"あり2"};
const char16_t* const kLayouts[] = {u"横1",
                                    u"横2",
                                    u"縦1",
                                    u"縦2",
                                    u"折返禁止 横1",
                                    u"折返禁止 横2",
                                    u"折返禁止 縦1",
                                    u"折返禁止 縦2",
                                    u"枠内 横1",
                                    u"枠内 横2",
                                    u"枠内 縦1",
                                    u"枠内 縦2",
                                    u"枠内 折返禁止 横1",
                                    u"枠内 折返禁止 横2",
                                    u"枠内 折返禁止 縦1",
                                    u"枠内 折返禁止 縦2"};
const char16_t* const kAlignments[] = {u"左", u"中央", u"右"};
const char16_t* const kStyles[] = {u"標準",         u"太字",           u"斜体",           u"斜体太字",
                                   u"下線",         u"下線太字",       u"下線斜体",       u"下線斜体太字",
                                   u"打消し",       u"打消し太字",     u"打消し斜体",     u"打消し斜体太字",
                                   u"打消し下線",   u"打消し下線太字", u"打消し下線斜体", u"打消し下線斜体太字"};
const char16_t* const kPenPatterns[] = {u"ｿﾘｯﾄﾞ",           u"ｸﾞﾗﾃﾞｰｼｮﾝ(横)",  u"ｸﾞﾗﾃﾞｰｼｮﾝ(縦)",
                                        u"ｸﾞﾗﾃﾞｰｼｮﾝ(斜1)", u"ｸﾞﾗﾃﾞｰｼｮﾝ(斜2)", u"ﾃｸｽﾁｬ..."};
const char16_t* const kFillPatterns[] = {u"ｿﾘｯﾄﾞ",
                                         u"ｸﾞﾗﾃﾞｰｼｮﾝ(横)",
                                         u"ｸﾞﾗﾃﾞｰｼｮﾝ(縦)",
                                         u"ｸﾞﾗﾃﾞｰｼｮﾝ(斜1)",
                                         u"ｸﾞﾗﾃﾞｰｼｮﾝ(斜2)",
                                         u"円形ｸﾞﾗﾃﾞｰｼｮﾝ",
                                         u"円形ｸﾞﾗﾃﾞｰｼｮﾝ(中間色)",
                                         u"円形ｸﾞﾗﾃﾞｰｼｮﾝ(頂点色)",
                                         u"ﾃｸｽﾁｬ..."};
// GDI+ hatch styles 0 to 52, under their GDI+ names.
const char16_t* const kHatches[] = {
    u"Horizontal",          u"Vertical",           u"ForwardDiagonal",      u"BackwardDiagonal",
    u"Cross",               u"DiagonalCross",      u"05Percent",            u"10Percent",
    u"20Percent",           u"25Percent",          u"30Percent",            u"40Percent",
    u"50Percent",           u"60Percent",          u"70Percent",            u"75Percent",
    u"80Percent",           u"90Percent",          u"LightDownwardDiagonal", u"LightUpwardDiagonal",
    u"DarkDownwardDiagonal", u"DarkUpwardDiagonal", u"WideDownwardDiagonal", u"WideUpwardDiagonal",
    u"LightVertical",       u"LightHorizontal",    u"NarrowVertical",       u"NarrowHorizontal",
    u"DarkVertical",        u"DarkHorizontal",     u"DashedDownwardDiagonal", u"DashedUpwardDiagonal",
    u"DashedHorizontal",    u"DashedVertical",     u"SmallConfetti",        u"LargeConfetti",
    u"ZigZag",              u"Wave",               u"DiagonalBrick",        u"HorizontalBrick",
    u"Weave",               u"Plaid",              u"Divot",                u"DottedGrid",
    u"DottedDiamond",       u"Shingle",            u"Trellis",              u"Sphere",
    u"SmallGrid",           u"SmallCheckerBoard",  u"LargeCheckerBoard",    u"OutlinedDiamond",
    u"SolidDiamond"};
static_assert(std::size(kHatches) == 53, "the GDI+ hatch styles");
const char16_t* const kWrapModes[] = {u"Tile", u"TileFlipX", u"TileFlipY", u"TileFlipXY", u"Clamp"};
const char16_t* const kCentres[] = {u"中央", u"指定"};
const char16_t* const kRetouchModes[] = {u"にじみ", u"にじみ（透明度のみ）", u"透明度", u"明度（高）",
                                         u"明度（低）", u"彩度（高）", u"彩度（低）"};
const char16_t* const kInterpolations[] = {u"なし", u"低1", u"低2", u"高1", u"高2"};
const char16_t* const kAspects[] = {u"同", u"異"};

// --- table builders ---
ToolOptions One(int option) { return ToolOptions{option, -1, -1}; }

template <size_t N>
OptionControl List(int band, const char16_t* label, int option, const char16_t* const (&texts)[N]) {
    OptionControl c;
    c.band = band;
    c.label = label;
    c.option = One(option);
    c.texts = texts;
    c.textCount = N;
    return c;
}

OptionControl Numbers(int band, const char16_t* label, int option, NumberList numbers,
                      OptionScale scale = OptionScale::Index) {
    OptionControl c;
    c.band = band;
    c.label = label;
    c.option = One(option);
    c.kind = ListKind::Numbers;
    c.numbers = numbers;
    c.scale = scale;
    return c;
}

// A control of the pattern bands, whose option depends on the tool.
OptionControl PerTool(OptionControl c, ToolOptions options) {
    c.option = options;
    c.perTool = true;
    return c;
}

OptionControl WithHatches(OptionControl c) {
    c.hatches = true;
    return c;
}

OptionControl Fonts(int band, const char16_t* label, int option) {
    OptionControl c;
    c.band = band;
    c.label = label;
    c.option = One(option);
    c.kind = ListKind::Fonts;
    return c;
}

constexpr NumberList kWidths{100, 1, 1, NumberStyle::Int3};
constexpr NumberList kAngles{73, 0, 5, NumberStyle::Int3};
constexpr NumberList kTolerances{86, 0, 3, NumberStyle::Int3};
constexpr NumberList kFocusPercent{20, 0, 5, NumberStyle::Percent};
constexpr NumberList kScales{1000, 1, 1, NumberStyle::Hundredths};

std::vector<OptionControl> MakeControls() {
    const int none = -1, shape = kShapeFillBase, fill = kFillToolFillBase;
    return {
        List(1, u"選択：", kSelectionShapeOption, kSelectShapes),
        List(1, u"重複：", kSelectionOverlapOption, kNoYes),
        List(1, u"反転：", kSelectionInvertOption, kNoYes),
        List(2, u"図形：", kShapeKindOption, kShapeKinds),
        Numbers(2, u"線幅：", kLineWidthOption, kWidths, OptionScale::IndexPlusOne),
        List(2, u"ｽﾑｰｽﾞ：", kShapeSmoothOption, kNoYes),
        List(3, u"ﾊﾟｽ：", kPathPartOption, kPathParts),
        List(3, u"塗潰：", kPathFillOption, kNoYes),
        List(4, u"機能：", kFunctionOption, kNoYes),
        List(5, u"線種：", kDashOption, kDashes),
        Numbers(6, u"輪郭幅：", kOutlineWidthOption, NumberList{100, 0, 1, NumberStyle::Int3}),
        List(7, u"ﾍﾟﾝ先：", kPenTipOption, kPenTips),
        List(8, u"角：", kJoinOption, kJoins),
        List(9, u"重複：", kShapeOverlapOption, kPaintNoYes),
        List(10, u"始点：", kStartCapOption, kCaps),
        List(10, u"終点：", kEndCapOption, kCaps),
        Numbers(11, u"開始角度：", kStartAngleOption, kAngles, OptionScale::IndexTimesFive),
        Numbers(11, u"ｽｲｰﾌﾟ角度：", kSweepAngleOption, kAngles, OptionScale::IndexTimesFive),
        // Band 12 holds only the path buttons.
        List(13, u"塗り潰し：", kFillModeOption, kFillModes),
        List(14, u"ｽﾑｰｽﾞ：", kFillSmoothOption, kNoYes),
        List(14, u"重複：", kFillOverlapOption, kPaintNoYes),
        List(14, u"枠：", kFillOutlineOption, kPaintNoYes),
        Numbers(15, u"透：±", kAlphaToleranceOption, kTolerances),
        Numbers(15, u"赤：±", kRedToleranceOption, kTolerances),
        Numbers(15, u"緑：±", kGreenToleranceOption, kTolerances),
        Numbers(15, u"青：±", kBlueToleranceOption, kTolerances),
        Fonts(16, u"ﾌｫﾝﾄ名：", kTextFontOption),
        Numbers(16, u"ｻｲｽﾞ：", kTextSizeOption, NumberList{293, 8, 1, NumberStyle::Int3}),
        List(16, u"ｽﾑｰｽﾞ：", kTextSmoothingOption, kTextSmoothing),
        List(16, u"形式：", kTextLayoutOption, kLayouts),
        List(17, u"行揃え：", kTextAlignOption, kAlignments),
        List(17, u"ｽﾀｲﾙ：", kTextStyleOption, kStyles),
        Numbers(17, u"ﾀﾌﾞ：", kTextTabOption, NumberList{21, 0, 1, NumberStyle::Int3}),
        PerTool(WithHatches(List(18, u"ﾊﾟﾀｰﾝ(線)：", none, kPenPatterns)), {kPenPatternOption, none, kTextPatternOption}),
        PerTool(List(19, u"ｶﾞﾝﾏ補正：", none, kNoYes), {kPenGammaOption, none, kTextGammaOption}),
        PerTool(WithHatches(List(20, u"ﾊﾟﾀｰﾝ(塗)：", none, kFillPatterns)), {shape, fill, none}),
        PerTool(List(21, u"ｶﾞﾝﾏ補正：", none, kNoYes), {shape + kFillGamma, fill + kFillGamma, none}),
        PerTool(List(22, u"繰り返し：", none, kWrapModes), {shape + kFillWrap, fill + kFillWrap, kTextWrapOption}),
        PerTool(List(23, u"中心点：", none, kCentres), {shape + kFillCentre, fill + kFillCentre, none}),
        PerTool(Numbers(24, u"X：", none, kFocusPercent), {shape + kFillFocusX, fill + kFillFocusX, none}),
        PerTool(Numbers(24, u"Y：", none, kFocusPercent), {shape + kFillFocusY, fill + kFillFocusY, none}),
        PerTool(Numbers(25, u"色数：", none, NumberList{16, 1, 1, NumberStyle::Int3}), {shape + kFillColours, fill + kFillColours, none}),
        List(26, u"描画：", kRetouchModeOption, kRetouchModes),
        Numbers(26, u"線幅：", kRetouchSizeOption, kWidths, OptionScale::IndexPlusOne),
        Numbers(26, u"強度：", kRetouchStrengthOption, NumberList{9, 10, 10, NumberStyle::Percent}),
        List(26, u"ﾏｽｸ：", kRetouchMaskOption, kNoYes),
        Numbers(27, u"回転：", kTransformRotationOption, NumberList{361, 0, 1, NumberStyle::Int3}),
        Numbers(27, u"幅：", kTransformWidthOption, kScales),
        Numbers(27, u"高さ：", kTransformHeightOption, kScales),
        List(27, u"縦横比：", kTransformAspectOption, kAspects),
        List(27, u"ｽﾑｰｽﾞ：", kTransformSmoothingOption, kInterpolations),
    };
}

Text FormatNumber(int value, NumberStyle style) {
    char buf[32];
    switch (style) {
    case NumberStyle::Int3: std::snprintf(buf, sizeof buf, "%3d", value); break;
    case NumberStyle::Percent: std::snprintf(buf, sizeof buf, "%2d%%", value); break;
    case NumberStyle::Hundredths: std::snprintf(buf, sizeof buf, "%.2f", value / 100.0); break;
    }
    return AsciiToText(buf);
}

int EntryCount(const OptionControl& c) {
    switch (c.kind) {
    case ListKind::Texts: return static_cast<int>(c.textCount + (c.hatches ? std::size(kHatches) : 0));
    case ListKind::Numbers: return c.numbers.count;
    case ListKind::Fonts: break;
    }
    return -1;  // as many as there are fonts
}

}  // namespace

const std::vector<OptionControl>& OptionControls() {
    static const std::vector<OptionControl> controls = MakeControls();
    return controls;
}

int OptionFor(const OptionControl& c, int tool) {
    if (!c.perTool) return c.option.shape;
    if (tool == kToolFill) return c.option.fill;
    if (tool == kToolText) return c.option.text;
    return c.option.shape;
}

std::vector<Text> ListEntries(const OptionControl& c) {
    std::vector<Text> out;
    switch (c.kind) {
    case ListKind::Texts:
        for (size_t i = 0; i < c.textCount; ++i) out.emplace_back(c.texts[i]);
        if (c.hatches)
            for (const char16_t* h : kHatches) out.emplace_back(h);
        break;
    case ListKind::Numbers:
        for (int i = 0; i < c.numbers.count; ++i) out.push_back(FormatNumber(c.numbers.first + i * c.numbers.step, c.numbers.style));
        break;
    case ListKind::Fonts: break;
    }
    return out;
}

int StoredValue(const OptionControl& c, int index) {
    switch (c.scale) {
    case OptionScale::IndexPlusOne: return index + 1;
    case OptionScale::IndexTimesFive: return index * 5;
    case OptionScale::Index: break;
    }
    return index;
}

int ListIndex(const OptionControl& c, int value) {
    int index = value;
    if (c.scale == OptionScale::IndexPlusOne) index = value - 1;
    if (c.scale == OptionScale::IndexTimesFive) index = value % 5 == 0 ? value / 5 : -1;
    const int count = EntryCount(c);
    if (index < 0 || (count >= 0 && index >= count)) return -1;
    return index;
}

BandState ComputeBands(int tool, const ToolSettings& settings, bool imageOpen, bool pasteObjectSelected) {
    BandState st;
    if (!imageOpen) return st;
    BandRules rules(st, settings);
    // "反転：" is passed to the magic wand only.
    if (settings[kSelectionShapeOption] != kSelectWand) st.disabled.set(kSelectionInvertOption);
    const ToolEntry* entry = FindToolRow(tool);
    if (!entry) return st;
    if (entry->row->bands) entry->row->bands(rules);
    if (entry->row->objectTransform && pasteObjectSelected) rules.Show(27);
    return st;
}

bool HasBandRule(int tool) { return FindToolRow(tool) != nullptr; }

bool BandRulesRead(int option) {
    if (option == kSelectionShapeOption) return true;  // "反転：" for every tool
    for (const ToolEntry& e : ToolRows())
        if (std::find(e.row->reads.begin(), e.row->reads.end(), option) != e.row->reads.end()) return true;
    return false;
}

int CompareMultibyte(std::string_view a, std::string_view b) {
    auto lead = [](unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); };
    auto next = [&](std::string_view s, size_t& i) {
        unsigned c = static_cast<unsigned char>(s[i++]);
        if (lead(static_cast<unsigned char>(c)) && i < s.size()) c = c * 256 + static_cast<unsigned char>(s[i++]);
        return c;
    };
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        unsigned x = next(a, i), y = next(b, j);
        if (x != y) return x < y ? -1 : 1;
    }
    if (i < a.size()) return 1;
    if (j < b.size()) return -1;
    return 0;
}

std::vector<Text> FontNameList(const std::vector<FontFace>& faces) {
    constexpr size_t kMaxFonts = 256;
    std::vector<const FontFace*> kept;
    for (const FontFace& f : faces) {
        if (kept.size() == kMaxFonts) break;
        if (f.name.empty() || f.name[0] == u'@') continue;
        if (std::any_of(kept.begin(), kept.end(), [&](const FontFace* k) { return k->name == f.name; })) continue;
        kept.push_back(&f);
    }
    std::stable_sort(kept.begin(), kept.end(),
                     [](const FontFace* x, const FontFace* y) { return CompareMultibyte(x->multibyte, y->multibyte) < 0; });
    std::vector<Text> out;
    for (const FontFace* f : kept) out.push_back(f->name);
    return out;
}

int ShownLayoutEntry(int mode, int offered) {
    if (mode < 0) return mode;
    return mode < offered ? mode : mode % 4;
}

}  // namespace mirelo
