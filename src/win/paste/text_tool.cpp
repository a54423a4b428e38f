// The text tool (ToolId 6): a rectangle dragged out (or a click) places a text object there.
#include <algorithm>

#include "app/commands.h"
#include "app/editor.h"
#include "app/tool.h"
#include "paste/text_objects.h"
#include "res/resource.h"
#include "select/selection_view.h"
#include "edit/viewport.h"

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

const ToolDescriptor& TextToolDescriptor() {
    static const ToolDescriptor tool{kToolText, cmd::kToolText, 0, ToolIcon::Text, IDC_CURSOR_TEXT,
                                     [] { return std::unique_ptr<Tool>(std::make_unique<TextTool>()); }};
    return tool;
}

}  // namespace mirelo
