// The text tool's row: the font and layout bands and the pen pattern bands of its letters.
#include "app/commands.h"
#include "app/tool_row.h"
#include "ui/band_rules.h"

namespace mirelo {

namespace {
void TextBands(BandRules& r) {
    for (int b : {16, 17, 18}) r.Show(b);
    const int pattern = r.At(kTextPatternOption);
    if (pattern >= 1 && pattern <= 4) r.Show(19);
    if (pattern == 5) r.Show(22);
}
}  // namespace

const ToolRow& TextToolRow() {
    static const ToolRow row{kGuardPendingPath | kGuardImage, u"文字", TextBands, true, {kTextPatternOption}};
    return row;
}

}  // namespace mirelo
