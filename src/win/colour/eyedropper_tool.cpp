// The eyedropper (ToolId 5): picks the drawing colour from the image.
#include "app/editor.h"
#include "edit/tool.h"

namespace mirelo {

namespace {
class EyedropperTool : public Tool {
public:
    HCURSOR Cursor(const Editor& e) const override { return e.viewState.cursors[2]; }
};
}  // namespace

std::unique_ptr<Tool> MakeEyedropperTool() { return std::make_unique<EyedropperTool>(); }

}  // namespace mirelo
