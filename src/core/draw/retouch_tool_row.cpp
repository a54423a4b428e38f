// The retouch tool's row: its one band.
#include "app/commands.h"
#include "app/tool_row.h"
#include "ui/band_rules.h"

namespace mirelo {

namespace {
void RetouchBands(BandRules& r) { r.Show(26); }
}  // namespace

const ToolRow& RetouchToolRow() {
    static const ToolRow row{kGuardPendingPath | kGuardImage, u"特殊", RetouchBands, false, {}};
    return row;
}

}  // namespace mirelo
