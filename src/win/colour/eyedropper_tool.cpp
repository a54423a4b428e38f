// The eyedropper (ToolId 5): a press takes the colour of the pixel under the mouse: on an indexed
// image its palette entry becomes the palette panel's colour (the first drawing colour), on any
// other image the active drawing colour and its transparency take the pixel's colour and 255 − alpha.
#include "app/command_registry.h"
#include "app/commands.h"
#include "app/editor.h"
#include "colour/colour_models.h"
#include "colour/palette_colours.h"
#include "app/tool.h"
#include "res/resource.h"
#include "ui/colour_panels.h"

namespace mirelo {

namespace {
class EyedropperTool : public Tool {
public:
    bool Press(Editor& e, ImageSlot& s, const ToolEvent& ev) override {
        const PickedColour picked = PickUp(PickPixel(e, s, ev.image));
        if (IsIndexed(s.pixelFormat)) {
            s.colours[0] = picked.colour;
        } else {
            const size_t active = s.activeColour ? 1 : 0;
            s.colours[active] = picked.colour;
            s.colourTransparency[active] = picked.transparency;
            DrawingColoursChanged(e);
        }
        if (!RepaintColourSwatch(e)) e.messages.LowLevel(u"色を変更できません");
        return true;
    }
};
}  // namespace

const ToolDescriptor& EyedropperToolDescriptor() {
    static const ToolDescriptor tool{kToolEyedropper, cmd::kToolEyedropper, cmd::kPalEyedropper, ToolIcon::Eyedropper, IDC_CURSOR_EYEDROPPER,
                                     [] { return std::unique_ptr<Tool>(std::make_unique<EyedropperTool>()); }};
    return tool;
}

}  // namespace mirelo
