// The fill tool (ToolId 4): area fill, shape fill and colour replacement on a click.
#include "app/editor.h"
#include "edit/tool.h"

namespace mirelo {

namespace {
class FillTool : public Tool {
public:
    HCURSOR Cursor(const Editor& e) const override { return e.viewState.cursors[1]; }
};
}  // namespace

std::unique_ptr<Tool> MakeFillTool() { return std::make_unique<FillTool>(); }

}  // namespace mirelo
