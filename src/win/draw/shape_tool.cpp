// The shape tool (ToolId 2): freehand strokes, lines, curves and closed shapes.
#include "app/editor.h"
#include "edit/tool.h"

namespace mirelo {

namespace {
class ShapeTool : public Tool {
public:
    bool Press(Editor& e, ImageSlot& slot, const ToolEvent&) override {
        if (slot.pixelFormat == fmt::k16ARGB1555) {
            e.messages.App(u"16-A1R5G5B5は、「ペンツール」が使えません");
            return true;
        }
        return false;
    }
    HCURSOR Cursor(const Editor& e) const override { return e.viewState.cursors[0]; }
    std::vector<int> OptionBands(const ImageSlot&) const override { return {2, 3}; }
};
}  // namespace

std::unique_ptr<Tool> MakeShapeTool() { return std::make_unique<ShapeTool>(); }

}  // namespace mirelo
