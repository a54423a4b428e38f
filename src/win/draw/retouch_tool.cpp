// The retouch brush (ToolId 3): smudges or changes alpha, lightness and saturation of pixels.
#include "app/editor.h"
#include "edit/tool.h"

namespace mirelo {

namespace {
class RetouchTool : public Tool {
public:
    HCURSOR Cursor(const Editor& e) const override { return e.viewState.cursors[5]; }
};
}  // namespace

std::unique_ptr<Tool> MakeRetouchTool() { return std::make_unique<RetouchTool>(); }

}  // namespace mirelo
