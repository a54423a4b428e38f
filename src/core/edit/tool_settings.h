// The tools and their options: the tool ids, and the option numbers of an image's tool settings
// with the values some options take. The numbers are those stored in files and shown by the
// option bar's table (ui/option_bands.h); they never change.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <iterator>

namespace mirelo {

// The tools an image can have current, kTool<Name> from the tool list (app/tool_list.h); 0
// stands for the paste-object handling in the window layer's tool table.
enum ToolId : int {
#define MIRELO_TOOL(Name, id, command) kTool##Name = id,
#include "app/tool_list.h"
#undef MIRELO_TOOL
};
namespace tool_list {
constexpr int kIds[] = {
#define MIRELO_TOOL(Name, id, command) id,
#include "app/tool_list.h"
#undef MIRELO_TOOL
};
constexpr bool Consecutive() {
    for (size_t i = 0; i < std::size(kIds); ++i)
        if (kIds[i] != static_cast<int>(i) + 1) return false;
    return true;
}
static_assert(Consecutive(), "the tool ids run from 1 without gaps, in the list's order");
}  // namespace tool_list
constexpr int kFirstTool = tool_list::kIds[0];
constexpr int kLastTool = tool_list::kIds[std::size(tool_list::kIds) - 1];
// Slots of the window layer's tool table: the paste-object handling and the tools by id.
constexpr int kToolCount = kLastTool + 1;
constexpr bool IsToolId(int tool) { return tool >= kFirstTool && tool <= kLastTool; }

// --- option numbers ---
// The selection bar.
constexpr int kSelectionShapeOption = 0;    // 選択：
constexpr int kSelectionOverlapOption = 1;  // 重複： 0 alternate, 1 winding
constexpr int kSelectionInvertOption = 2;   // 反転： passed to the magic wand
// The shape bar.
constexpr int kShapeKindOption = 3;     // 図形：
constexpr int kLineWidthOption = 4;     // 線幅：
constexpr int kShapeSmoothOption = 5;   // ｽﾑｰｽﾞ：
constexpr int kPathPartOption = 6;      // ﾊﾟｽ：
constexpr int kPathFillOption = 7;      // 塗潰：
constexpr int kFunctionOption = 8;      // 機能： あり draws a freehand stroke as a path, なし stamps it
constexpr int kDashOption = 9;          // 線種：
constexpr int kOutlineWidthOption = 10; // 輪郭幅：
constexpr int kPenTipOption = 11;       // ﾍﾟﾝ先：
constexpr int kJoinOption = 12;         // 角：
constexpr int kShapeOverlapOption = 13; // 重複：
constexpr int kStartCapOption = 14;     // 始点：
constexpr int kEndCapOption = 15;       // 終点：
constexpr int kStartAngleOption = 16;   // 開始角度：
constexpr int kSweepAngleOption = 17;   // ｽｲｰﾌﾟ角度：
// The fill bar.
constexpr int kFillModeOption = 18;        // 塗り潰し：
constexpr int kFillSmoothOption = 19;      // ｽﾑｰｽﾞ：
constexpr int kFillOverlapOption = 20;     // 重複： 0 alternate, 1 winding
constexpr int kFillOutlineOption = 21;     // 枠：
constexpr int kAlphaToleranceOption = 22;  // 透：±
constexpr int kRedToleranceOption = 23;    // 赤：±
constexpr int kGreenToleranceOption = 24;  // 緑：±
constexpr int kBlueToleranceOption = 25;   // 青：±
// The text bar.
constexpr int kTextFontOption = 26;       // ﾌｫﾝﾄ名：
constexpr int kTextSizeOption = 27;       // ｻｲｽﾞ：
constexpr int kTextSmoothingOption = 28;  // ｽﾑｰｽﾞ：
constexpr int kTextLayoutOption = 29;     // 形式：
constexpr int kTextAlignOption = 30;      // 行揃え：
constexpr int kTextStyleOption = 31;      // ｽﾀｲﾙ：
constexpr int kTextTabOption = 32;        // ﾀﾌﾞ：
// The pattern bands of the shape tool's pen.
constexpr int kPenPatternOption = 33;  // ﾊﾟﾀｰﾝ(線)：
constexpr int kPenGammaOption = 34;    // ｶﾞﾝﾏ補正：
// The seven fill lists from "ﾊﾟﾀｰﾝ(塗)：" on start at option b: kShapeFillBase for the shape
// tool, kFillToolFillBase for the fill tool. b + kFillGamma gamma, b + kFillWrap the wrap mode,
// b + kFillCentre the centre point, b + kFillFocusX and b + kFillFocusY the focus, b + kFillColours
// the colour count.
constexpr int kShapeFillBase = 35;
constexpr int kFillToolFillBase = 42;
constexpr int kFillGamma = 1, kFillWrap = 2, kFillCentre = 3, kFillFocusX = 4, kFillFocusY = 5, kFillColours = 6;
constexpr int kFillListCount = 7;
// The text tool's pattern bands.
constexpr int kTextPatternOption = 49;  // ﾊﾟﾀｰﾝ(線)：
constexpr int kTextGammaOption = 50;    // ｶﾞﾝﾏ補正：
constexpr int kTextWrapOption = 51;     // 繰り返し：
// The retouch bar.
constexpr int kRetouchModeOption = 52;      // 描画：
constexpr int kRetouchSizeOption = 53;      // 線幅： the brush size in pixels, 1..100
constexpr int kRetouchStrengthOption = 54;  // 強度： 0..8 for 10 % … 90 %
constexpr int kRetouchMaskOption = 55;      // ﾏｽｸ： each pixel changed at most once per stroke
// The transform band of paste objects and of the path transform.
constexpr int kTransformSmoothingOption = 56;  // ｽﾑｰｽﾞ：
constexpr int kTransformRotationOption = 57;   // 回転：
constexpr int kTransformWidthOption = 58;      // 幅： index 99 is a factor of 1.00
constexpr int kTransformHeightOption = 59;     // 高さ：
constexpr int kTransformAspectOption = 60;     // 縦横比： 0 "同", width and height linked

constexpr int kToolSettingCount = 61;

// --- option values ---
// 選択：
enum SelectionGesture : int { kSelectRectangle = 0, kSelectEllipse = 1, kSelectPolygon = 2, kSelectWand = 3 };
// ﾊﾟｽ：
enum PathPart : int {
    kPartFreehand = 0, kPartLine, kPartCurve, kPartEllipse, kPartArc, kPartPie, kPartRectangle, kPartPolygon,
    kPartClosedCurve, kPartText
};

// The option values of the tool bars of one image, by option number.
using ToolSettings = std::array<int32_t, kToolSettingCount>;
// The values an image starts with.
ToolSettings DefaultToolSettings();

}  // namespace mirelo
