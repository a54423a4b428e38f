// The shape tool's row: the bands of the shape kind, of the part being added to a path, and the
// pen and fill pattern bands.
#include <iterator>
#include <vector>

#include "app/commands.h"
#include "app/tool_row.h"
#include "draw/shape_geometry.h"
#include "ui/band_rules.h"

namespace mirelo {

namespace {
// The pattern bands of the shape tool.
void ShapePatterns(BandRules& r, int kind) {
    const int pen = r.At(kPenPatternOption);
    r.Hide(18, 27);
    if (kind != kShapeFreehand || r.At(kFunctionOption) == 1) {
        r.Show(18);
        if (pen >= 1 && pen <= 4) r.Show(19);
    }
    if ((kind >= kShapeFilledEllipse && kind <= kShapeFilledClosedCurve) || (kind == kShapePath && r.At(kPathFillOption) == 1))
        r.FillPattern(r.At(kShapeFillBase), false);
    if (kind == kShapePath) r.Show(27);
    if (pen == 5) r.Show(22);
}

// Kind "ﾊﾟｽ": the bands of the part being added to the path.
void PathParts(BandRules& r) {
    r.Hide(4, 27);
    for (int b : {3, 5, 7, 9, 12, 18}) r.Show(b);
    if (r.At(kDashOption) > 4) r.Show(6);
    bool deletePoint = false;
    switch (r.At(kPathPartOption)) {
    case kPartFreehand:
    case kPartLine:
        r.Show(8);
        r.Show(10);
        deletePoint = true;
        break;
    case kPartCurve:
        r.Show(10);
        deletePoint = true;
        break;
    case kPartArc:
        r.Show(10);
        r.Show(11);
        break;
    case kPartPie: r.Show(11); break;
    case kPartRectangle: r.Show(8); break;
    case kPartPolygon:
        r.Show(8);
        deletePoint = true;
        break;
    case kPartClosedCurve: deletePoint = true; break;
    case kPartText:
        for (int b : {8, 16, 17}) r.Show(b);
        deletePoint = true;
        r.Disable(kTextSmoothingOption);
        break;
    default: break;  // kPartEllipse
    }
    r.ShapeButtons(deletePoint, true, true);
    ShapePatterns(r, kShapePath);
}

void ShapeBands(BandRules& r) {
    r.Hide(1, 27);
    r.ShapeButtons(false, false, false);
    r.Show(2);
    r.Show(7);
    const int kind = r.At(kShapeKindOption);
    const bool function = r.At(kFunctionOption) == 1;
    if (r.At(kDashOption) > 4 && (kind != kShapeFreehand || function)) r.Show(6);
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
        PathParts(r);
        return;
    }
    if (kind >= 0 && kind < static_cast<int>(std::size(kKinds))) {
        for (int b : kKinds[kind].bands) r.Show(b);
        bool buttons = kKinds[kind].pathButtons;
        if (kind == kShapeFreehand && function) {
            for (int b : {5, 8, 10, 12, 18}) r.Show(b);
            buttons = true;
        }
        r.ShapeButtons(buttons, false, buttons);
    }
    ShapePatterns(r, kind);
}
}  // namespace

const ToolRow& ShapeToolRow() {
    static const ToolRow row{kGuardImage, u"図形描画", ShapeBands, false,
                             {kShapeKindOption, kPathPartOption, kPathFillOption, kFunctionOption, kDashOption,
                              kPenPatternOption, kShapeFillBase}};
    return row;
}

}  // namespace mirelo
