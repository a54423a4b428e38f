// The selection tool's row: band 1, with "透：±" for the magic wand.
#include "app/commands.h"
#include "app/tool_row.h"
#include "ui/band_rules.h"

namespace mirelo {

namespace {
void SelectionBands(BandRules& r) {
    r.Show(1);
    const int gesture = r.At(kSelectionShapeOption);
    if (gesture == kSelectWand) r.Show(15);
    r.SelectionButtons(gesture == kSelectPolygon, false, false);  // polygons lose their last point
}
}  // namespace

const ToolRow& SelectToolRow() {
    static const ToolRow row{kGuardPendingPath | kGuardImage, u"選択", SelectionBands, true, {kSelectionShapeOption}};
    return row;
}

}  // namespace mirelo
