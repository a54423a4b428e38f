// The paste-object handling: the objects above an image are hit-tested on every mouse move,
// picked and moved (or skewed by their handle) with the selection and text tools before those
// tools see the event, and drawn with their frames above the image.
#include "app/editor.h"
#include "app/command_registry.h"
#include "app/tool.h"
#include "paste/paste_objects.h"
#include "paste/text_objects.h"
#include "edit/viewport.h"

namespace mirelo {

namespace {

class PasteObjectHandling : public Tool {
public:
    bool Move(Editor& e, ImageSlot& s, const ToolEvent& ev) override {
        if (IsIndexed(s.pixelFormat)) return false;
        const ViewLayout l = e.View().Layout();
        const int z = std::max(1, l.zoom);
        PasteObject* o = s.pasteObjects.Selected();
        if ((moving_ || skewing_) && o && (ev.keys & MK_LBUTTON)) {
            const int sx = e.viewState.scrollX, sy = e.viewState.scrollY;
            if (skewing_) {
                o->skewX = static_cast<int>((sx + ev.clientX - l.originX - grab_.x) * 100.0 / z + 0.5);
                o->skewY = static_cast<int>((sy + ev.clientY - l.originY - grab_.y) * 100.0 / z + 0.5);
            } else if (o->isText) {
                o->textX = static_cast<float>((ev.clientX + sx - grab_.x - l.originX) * 100.0 / z);
                o->textY = static_cast<float>((ev.clientY + sy - grab_.y - l.originY) * 100.0 / z);
            } else {
                const int x = static_cast<int>((ev.clientX + sx - grab_.x - l.originX) * 100.0 / z + 0.5);
                const int y = static_cast<int>((ev.clientY + sy - grab_.y - l.originY) * 100.0 / z + 0.5);
                o->skewX += x - o->x;
                o->skewY += y - o->y;
                o->x = x;
                o->y = y;
            }
            e.Changed(change::kOverlay);
            return true;
        }
        hit_ = HitTestPasteObjects(s, ViewOf(e), ev.clientX, ev.clientY, ev.image.x, ev.image.y);
        return false;
    }

    bool Press(Editor& e, ImageSlot& s, const ToolEvent& ev) override {
        if (IsIndexed(s.pixelFormat) || (s.tool != kToolSelect && s.tool != kToolText)) return false;
        hit_ = HitTestPasteObjects(s, ViewOf(e), ev.clientX, ev.clientY, ev.image.x, ev.image.y);
        const PasteObject* target = hit_.index >= 0 ? &s.pasteObjects.items[static_cast<size_t>(hit_.index)] : nullptr;
        if (target && (!hit_.handle || !target->isText)) {
            s.pasteObjects.selected = hit_.index;
            const ViewLayout l = e.View().Layout();
            const int sx = e.viewState.scrollX, sy = e.viewState.scrollY;
            if (hit_.handle) {
                skewing_ = true;
                const IntRect h = SkewHandleRect(*target, ViewOf(e));
                grab_ = {ev.clientX - h.x, ev.clientY - (h.y + 10)};
            } else {
                moving_ = true;
                // From the object's place on the canvas, for an image object, or its client position, for a text.
                const int ox = target->isText ? static_cast<int>(target->textX) : target->x;
                const int oy = target->isText ? static_cast<int>(target->textY) : target->y;
                const int px = ox * l.zoom / 100 + l.originX - (target->isText ? sx : 0);
                const int py = oy * l.zoom / 100 + l.originY - (target->isText ? sy : 0);
                grab_ = {ev.clientX - px + (target->isText ? 0 : sx), ev.clientY - py + (target->isText ? 0 : sy)};
            }
            TakeTransformOf(e);
            e.Changed(change::kObjects);
            return true;
        }
        if (s.pasteObjects.selected >= 0) {
            s.pasteObjects.selected = -1;
            TakeTransformOf(e);
            e.Changed(change::kObjects);
        }
        return false;
    }

    bool Release(Editor&, ImageSlot&, const ToolEvent&) override {
        const bool was = moving_ || skewing_;
        moving_ = skewing_ = false;
        return was;
    }

    bool DoubleClick(Editor& e, ImageSlot& s, const ToolEvent&) override {
        const PasteObject* o = s.pasteObjects.Selected();
        if (!o || !o->isText || hit_.index != s.pasteObjects.selected) return false;
        EditTextObject(e);
        return true;
    }

    void DrawOverlay(Editor& e, ImageSlot& s, const OverlayTarget& t) override {
        if (!t.graphics || s.pasteObjects.Empty()) return;
        const ObjectView v{t.layout.zoom, t.layout.originX - t.scrollX, t.layout.originY - t.scrollY};
        const float w = std::max(1.0f, static_cast<float>(t.layout.zoom) / 1000.0f);
        for (int i = 0; i < s.pasteObjects.Count(); ++i) {
            PasteObject& o = s.pasteObjects.items[static_cast<size_t>(i)];
            const bool current = i == s.pasteObjects.selected;
            // The object's pixels stay within the image; its frame and handle may leave it.
            Gdiplus::GraphicsState saved = 0;
            gp::GdipSaveGraphics(t.graphics, &saved);
            gp::GdipSetClipRectI(t.graphics, v.originX, v.originY, t.layout.zoomedWidth, t.layout.zoomedHeight,
                                 Gdiplus::CombineModeIntersect);
            if (o.isText)
                DrawTextObject(e, t.graphics, o, &v);
            else
                DrawImageObject(t.graphics, o, &v);
            gp::GdipRestoreGraphics(t.graphics, saved);
            if (current && !o.isText) {
                const IntRect h = SkewHandleRect(o, v);
                GpBrushOwner white;
                Gdiplus::GpSolidFill* fill = nullptr;
                if (gp::GdipCreateSolidFill(0xFFFFFFFF, &fill) == Gdiplus::Ok) white.reset(fill);
                GpPenOwner red;
                gp::GdipCreatePen1(0xFFFF0000, 2.0f, Gdiplus::UnitPixel, red.put());
                if (white) gp::GdipFillRectangleI(t.graphics, white.get(), h.x, h.y, h.width, h.height);
                if (red) gp::GdipDrawRectangleI(t.graphics, red.get(), h.x, h.y, h.width, h.height);
            }
            DrawObjectFrame(t.graphics, o, v, 0xFFFFFFFF, 0xFFFF0000, e.settings.objectFrames ? (current ? 2 * w : w) : 0.0f);
        }
    }

    HCURSOR Cursor(const Editor& e) const override {
        // Only the tools that pick objects show the object cursors.
        const ImageSlot* s = e.images.Current();
        if (!s || s->pasteObjects.Empty() || IsIndexed(s->pixelFormat) || (s->tool != kToolSelect && s->tool != kToolText))
            return nullptr;
        const PasteObject* o = s->pasteObjects.Selected();
        if (skewing_ || (hit_.handle && hit_.index >= 0 && o && !o->isText && hit_.index == s->pasteObjects.selected))
            return e.viewState.Cursor(CursorId::Skew);
        if (moving_ || (hit_.index >= 0 && !hit_.handle)) return e.viewState.Cursor(CursorId::Hand);
        return nullptr;
    }

private:
    static ObjectView ViewOf(Editor& e) {
        const ViewLayout l = e.View().Layout();
        return ObjectView{l.zoom, l.originX - e.viewState.scrollX, l.originY - e.viewState.scrollY};
    }

    ObjectHit hit_;
    bool moving_ = false, skewing_ = false;
    IntPoint grab_{0, 0};
};

}  // namespace

std::unique_ptr<Tool> MakePasteObjectHandling() { return std::make_unique<PasteObjectHandling>(); }

}  // namespace mirelo
