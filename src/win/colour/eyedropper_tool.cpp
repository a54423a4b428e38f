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
#include "common/icon_canvas.h"

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

// The image of the tool's buttons, on the 16-unit grid of common/icon_canvas.h.
namespace {
void DrawEyedropper(icon::Canvas& c) {
    using namespace icon;
    c.Ellipse(2.5f, 13.5f, 1.3f, 1.3f, kBlue, 0);  // drop
    icon::Canvas::State s = c.Save();
    c.Translate(4.5f, 11.5f);
    c.Rotate(-45.0f);
    c.Polygon({{0.0f, -0.6f}, {3.0f, -1.3f}, {8.0f, -1.3f}, {8.0f, 1.3f}, {3.0f, 1.3f}, {0.0f, 0.6f}}, kWhite, kInk,
              Gdiplus::LineJoinRound);
    c.Polygon({{0.5f, -0.5f}, {3.0f, -0.9f}, {5.5f, -0.9f}, {5.5f, 0.9f}, {3.0f, 0.9f}, {0.5f, 0.5f}}, kBlue, 0);
    c.Rect(8.0f, -2.3f, 9.5f, 2.3f, kGrey);  // collar
    GpPathOwner bulb = c.NewPath();
    if (bulb) {
    using namespace icon;
        c.Check(gp::GdipAddPathLine(bulb.get(), 9.5f, -1.8f, 11.5f, -1.8f));
        c.Check(gp::GdipAddPathArc(bulb.get(), 9.7f, -1.8f, 3.6f, 3.6f, -90.0f, 180.0f));
        c.Check(gp::GdipAddPathLine(bulb.get(), 11.5f, 1.8f, 9.5f, 1.8f));
        c.Check(gp::GdipClosePathFigure(bulb.get()));
    }
    c.Fill(bulb, kBulb);
    c.Stroke(bulb, kInk, c.Outline(), Gdiplus::LineCapFlat, Gdiplus::LineJoinRound);
    c.Restore(s);
}
}  // namespace

const ToolDescriptor& EyedropperToolDescriptor() {
    static const ToolDescriptor tool{kToolEyedropper, cmd::kToolEyedropper, cmd::kPalEyedropper, DrawEyedropper, IDC_CURSOR_EYEDROPPER,
                                     [] { return std::unique_ptr<Tool>(std::make_unique<EyedropperTool>()); }};
    return tool;
}

}  // namespace mirelo
