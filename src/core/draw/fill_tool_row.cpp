// The fill tool's row: the mode band, then the fill pattern bands of 図形塗り or the tolerances
// of the other modes but 色置換（透明度→色）.
#include "app/commands.h"
#include "app/tool_row.h"
#include "ops/flood_fill.h"
#include "ui/band_rules.h"

namespace mirelo {

namespace {
void FillBands(BandRules& r) {
    r.Show(13);
    switch (r.At(kFillModeOption)) {
    case fill_mode::kShape:
        r.Show(14);
        r.FillPattern(r.At(kFillToolFillBase), true);
        r.Hide(15, 15);
        break;
    case fill_mode::kAlphaToColour:
        r.Hide(14, 27);
        break;
    default:  // fill_mode::kArea, fill_mode::kColour
        r.Hide(14, 27);
        r.Show(15);
        break;
    }
}
}  // namespace

const ToolRow& FillToolRow() {
    static const ToolRow row{kGuardPendingPath | kGuardImage, u"塗潰し", FillBands, false, {kFillModeOption, kFillToolFillBase}};
    return row;
}

}  // namespace mirelo
