// The selection tool (ToolId 1): rectangle, ellipse and polygon selections and the magic wand.
#include "app/editor.h"
#include "edit/tool.h"

namespace mirelo {

namespace {
class SelectionTool : public Tool {
public:
    HCURSOR Cursor(const Editor&) const override { return nullptr; }  // the arrow
    std::vector<int> OptionBands(const ImageSlot&) const override { return {1}; }
};
}  // namespace

std::unique_ptr<Tool> MakeSelectionTool() { return std::make_unique<SelectionTool>(); }

}  // namespace mirelo
