// The text tool (ToolId 6): places text as a paste object.
#include "app/editor.h"
#include "edit/tool.h"

namespace mirelo {

namespace {
class TextTool : public Tool {
public:
    HCURSOR Cursor(const Editor& e) const override { return e.viewState.cursors[3]; }
};
}  // namespace

std::unique_ptr<Tool> MakeTextTool() { return std::make_unique<TextTool>(); }

}  // namespace mirelo
