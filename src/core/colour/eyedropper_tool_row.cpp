// The eyedropper's row: it has no options, so no band rule.
#include "app/commands.h"
#include "app/tool_row.h"

namespace mirelo {

const ToolRow& EyedropperToolRow() {
    static const ToolRow row{kGuardPendingPath | kGuardImage, u"スポイト", nullptr, false, {}};
    return row;
}

}  // namespace mirelo
