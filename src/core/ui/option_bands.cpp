#include "ui/option_bands.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "draw/shape_geometry.h"
#include "ops/flood_fill.h"

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

// --- the rules ---
class Rules {
public:
    Rules(BandState& state, const ToolSettings& settings) : st_(state), s_(settings) {}

    int At(int option) const { return s_[static_cast<size_t>(option)]; }
    void Show(int band) { st_.shown.set(static_cast<size_t>(band)); }
    void Hide(int first, int last) {
        for (int b = first; b <= last; ++b) st_.shown.reset(static_cast<size_t>(b));
    }
    void SelectionButtons(bool deletePoint, bool deleteLast, bool deleteAll) {
        st_.selectionPathButtons = {deletePoint, deleteLast, deleteAll};
    }
    void ShapeButtons(bool deletePoint, bool deleteLast, bool deleteAll) {
        st_.shapePathButtons = {deletePoint, deleteLast, deleteAll};
    }

    // Option f is the fill pattern: the shape tool's or the fill tool's "ﾊﾟﾀｰﾝ(塗)：".
    void FillPattern(int f, bool fillTool) {
        if (fillTool) Hide(18, 19);
        Hide(20, 27);
        Show(20);
        if (f >= 1 && f <= 4) {  // linear gradients
            Show(21);
            if (fillTool && f == 4) Show(22);
        } else if (f >= 5 && f <= 7) {  // circular gradients
            Show(21);
            if (fillTool) Show(23);
            if (f != 7) Show(24);
            if (f == 6 || f == 7) Show(25);
        } else if (f == 8) {  // texture
            Show(22);
        }
    }

    // The pattern bands of the shape tool.
    void ShapePatterns(int kind) {
        const int pen = At(kPenPatternOption);
        Hide(18, 27);
        if (kind != kShapeFreehand || At(kFunctionOption) == 1) {
            Show(18);
            if (pen >= 1 && pen <= 4) Show(19);
        }
        if ((kind >= kShapeFilledEllipse && kind <= kShapeFilledClosedCurve) || (kind == kShapePath && At(kPathFillOption) == 1))
            FillPattern(At(kShapeFillBase), false);
        if (kind == kShapePath) Show(27);
        if (pen == 5) Show(22);
    }

    // Kind "ﾊﾟｽ": the bands of the part being added to the path.
    void PathParts() {
        ShapeButtons(false, true, true);
        Hide(4, 27);
        for (int b : {3, 5, 7, 9, 12, 18}) Show(b);
        if (At(kDashOption) > 4) Show(6);
        bool deletePoint = false;
        switch (At(kPathPartOption)) {
        case kPartFreehand:
        case kPartLine:
            Show(8);
            Show(10);
            deletePoint = true;
            break;
        case kPartCurve:
            Show(10);
            deletePoint = true;
            break;
        case kPartArc:
            Show(10);
            Show(11);
            break;
        case kPartPie: Show(11); break;
        case kPartRectangle: Show(8); break;
        case kPartPolygon:
            Show(8);
            deletePoint = true;
            break;
        case kPartClosedCurve: deletePoint = true; break;
        case kPartText:
            for (int b : {8, 16, 17}) Show(b);
            deletePoint = true;
            st_.disabled.set(kTextSmoothingOption);
            break;
        default: break;  // kPartEllipse
        }
        st_.shapePathButtons[0] = deletePoint;
        ShapePatterns(kShapePath);
    }

    void Shape() {
        Hide(1, 27);
        ShapeButtons(false, false, false);
        Show(2);
        Show(7);
        const int kind = At(kShapeKindOption);
        const bool function = At(kFunctionOption) == 1;
        if (At(kDashOption) > 4 && (kind != kShapeFreehand || function)) Show(6);
        // Extra bands by kind, and whether 40032 and 40034 are shown.
        struct KindBands {
            std::vector<int> bands;
            bool pathButtons;
        };
        static const KindBands kKinds[] = {
            {{4}, false},                     // 0 自由描画 (more with 機能 あり below)
            {{5, 8, 10, 12, 18}, true},       // 1 直線
            {{5, 10, 12, 18}, true},          // 2 曲線
            {{5, 18}, false},                 // 3 円形
            {{5, 10, 11, 18}, false},         // 4 円弧
            {{5, 8, 18}, false},              // 5 矩形
            {{5, 8, 12, 18}, true},           // 6 多角形
            {{5, 12, 18}, true},              // 7 閉曲線
            {{5, 18}, false},                 // 8 （塗）円形
            {{5, 11, 18}, false},             // 9 （塗）円弧
            {{5, 8, 18}, false},              // 10 （塗）矩形
            {{5, 8, 9, 12, 18}, true},        // 11 （塗）多角形
            {{5, 9, 12, 18}, true},           // 12 （塗）閉曲線
        };
        if (kind == kShapePath) {
            PathParts();
            return;
        }
        if (kind >= 0 && kind < static_cast<int>(std::size(kKinds))) {
            for (int b : kKinds[kind].bands) Show(b);
            bool buttons = kKinds[kind].pathButtons;
            if (kind == kShapeFreehand && function) {
                for (int b : {5, 8, 10, 12, 18}) Show(b);
                buttons = true;
            }
            ShapeButtons(buttons, false, buttons);
        }
        ShapePatterns(kind);
    }

    void Fill() {
        Show(13);
        switch (At(kFillModeOption)) {
        case fill_mode::kShape:
            Show(14);
            FillPattern(At(kFillToolFillBase), true);
            st_.shown.reset(15);
            break;
        case fill_mode::kAlphaToColour:
            Hide(14, 27);
            break;
        default:  // fill_mode::kArea, fill_mode::kColour
            Hide(14, 27);
            Show(15);
            break;
        }
    }

    void TextPatterns() {
        for (int b : {16, 17, 18}) Show(b);
        const int pattern = At(kTextPatternOption);
        if (pattern >= 1 && pattern <= 4) Show(19);
        if (pattern == 5) Show(22);
    }

private:
    BandState& st_;
    const ToolSettings& s_;
};

// The band rule of each tool, keyed by its id.
struct ToolBandRule {
    ToolId tool;
    void (*pick)(Rules&);  // the bands its options show; none for a tool without options
    bool objectTransform;  // a selected paste object shows its transform band
};

void SelectionBands(Rules& r) {
    r.Show(1);
    const int gesture = r.At(kSelectionShapeOption);
    if (gesture == kSelectWand) r.Show(15);
    r.SelectionButtons(gesture == kSelectPolygon, false, false);  // polygons lose their last point
}
void ShapeBands(Rules& r) { r.Shape(); }
void RetouchBands(Rules& r) { r.Show(26); }
void FillBands(Rules& r) { r.Fill(); }
void TextBands(Rules& r) { r.TextPatterns(); }

const ToolBandRule kToolBandRules[] = {
    {kToolSelect, SelectionBands, true},
    {kToolShape, ShapeBands, false},
    {kToolRetouch, RetouchBands, false},
    {kToolFill, FillBands, false},
    {kToolEyedropper, nullptr, false},
    {kToolText, TextBands, true},
};

const ToolBandRule* FindBandRule(int tool) {
    for (const ToolBandRule& r : kToolBandRules)
        if (r.tool == tool) return &r;
    return nullptr;
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
    Rules rules(st, settings);
    // "反転：" is passed to the magic wand only.
    if (settings[kSelectionShapeOption] != kSelectWand) st.disabled.set(kSelectionInvertOption);
    const ToolBandRule* rule = FindBandRule(tool);
    if (!rule) return st;
    if (rule->pick) rule->pick(rules);
    if (rule->objectTransform && pasteObjectSelected) rules.Show(27);
    return st;
}

bool HasBandRule(int tool) { return FindBandRule(tool) != nullptr; }

bool BandRulesRead(int option) {
    switch (option) {
    case kSelectionShapeOption:
    case kShapeKindOption:
    case kPathPartOption:
    case kPathFillOption:
    case kFunctionOption:
    case kDashOption:
    case kFillModeOption:
    case kPenPatternOption:
    case kShapeFillBase:
    case kFillToolFillBase:
    case kTextPatternOption:
        return true;
    default: return false;
    }
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
