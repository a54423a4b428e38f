// The text tool (ToolId 6): a rectangle dragged out (or a click) places a text object there.
#include <algorithm>

#include "app/commands.h"
#include "app/editor.h"
#include "app/tool.h"
#include "paste/text_objects.h"
#include "res/resource.h"
#include "select/selection_view.h"
#include "edit/viewport.h"
#include "common/icon_canvas.h"

namespace mirelo {

namespace {
class TextTool : public Tool {
public:
    bool Press(Editor& e, ImageSlot& s, const ToolEvent& ev) override {
        if (IsIndexed(s.pixelFormat)) return true;
        pressed_ = true;
        from_ = to_ = ev.image;
        Invalidate(e);
        return true;
    }
    bool Move(Editor& e, ImageSlot&, const ToolEvent& ev) override {
        if (!pressed_ || !(ev.keys & MK_LBUTTON)) return false;
        to_ = ev.image;
        Invalidate(e);
        return true;
    }
    bool Release(Editor& e, ImageSlot& s, const ToolEvent& ev) override {
        if (!pressed_) return false;
        pressed_ = false;
        Invalidate(e);
        if (IsIndexed(s.pixelFormat) || !e.View().InImage(ev.clientX, ev.clientY)) return true;
        to_ = ev.image;
        CreateTextObject(e, from_.x, from_.y, to_.x, to_.y);
        return true;
    }
    void DrawOverlay(Editor& e, ImageSlot& s, const OverlayTarget& t) override {
        if (!pressed_) return;
        const IntPoint a = ImageToClient(t.layout, t.scrollX, t.scrollY, from_.x, from_.y);
        const IntPoint c = ImageToClient(t.layout, t.scrollX, t.scrollY, to_.x, to_.y);
        DrawRubberShape(e, s, t, a, c, false);
    }

private:
    static void Invalidate(Editor& e) { e.Changed(change::kOverlay); }
    bool pressed_ = false;
    IntPoint from_{0, 0}, to_{0, 0};
};
}  // namespace

// The image of the tool's buttons, on the 16-unit grid of common/icon_canvas.h.
namespace {
void DrawText(icon::Canvas& c) {
    using namespace icon;
    GpPathOwner glyph = c.NewPath(Gdiplus::FillModeAlternate);
    c.AddPolygon(glyph, {{1.5f, 14.0f}, {6.5f, 2.0f}, {9.5f, 2.0f}, {14.5f, 14.0f}, {11.3f, 14.0f}, {10.05f, 11.0f},
                         {5.95f, 11.0f}, {4.7f, 14.0f}});
    c.AddPolygon(glyph, {{6.78f, 9.0f}, {9.22f, 9.0f}, {8.0f, 6.08f}});
    c.Fill(glyph, kInk);
}
}  // namespace

const ToolDescriptor& TextToolDescriptor() {
    static const ToolDescriptor tool{kToolText, cmd::kToolText, 0, DrawText, IDC_CURSOR_TEXT,
                                     [] { return std::unique_ptr<Tool>(std::make_unique<TextTool>()); }};
    return tool;
}

}  // namespace mirelo
