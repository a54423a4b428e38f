// The selection tool (ToolId 1): rectangles and ellipses dragged out, polygons clicked and
// regions of similar colour found by the magic wand, each added as a closed figure to the
// image's selection path.
#include <algorithm>
#include <cstdlib>

#include "app/commands.h"
#include "app/editor.h"
#include "app/tool.h"
#include "image/bitmap_access.h"
#include "select/magic_wand.h"
#include "select/paths.h"
#include "select/selection.h"
#include "select/selection_view.h"
#include "edit/viewport.h"
#include "common/icon_canvas.h"

namespace mirelo {

namespace {
// The box being dragged, in image pixels: the pressed pixel and the pixel under the cursor.
struct DragBox {
    bool active = false;
    IntPoint anchor{0, 0}, cursor{0, 0};
};

IntPoint ClampToImage(const ImageSlot& s, IntPoint p) {
    return {std::clamp(p.x, 0, std::max(0, s.width - 1)), std::clamp(p.y, 0, std::max(0, s.height - 1))};
}

int Sign(int v) { return v < 0 ? -1 : 1; }

// The magic wand: the outline of the region of similar colour at the point, added to the
// selection as one closed polygon.
void AddWandRegion(Editor& e, ImageSlot& s, IntPoint p) {
    if (!WandAcceptsSize(s.width, s.height)) {
        e.messages.App(kWandTooLargeText);
        e.View().Capture();
        return;
    }
    if (!s.selectionPath) s.selectionPath.emplace();
    if (!s.bitmap) {
        e.messages.LowLevel(u"画像、またはパスがありません");
        return;
    }
    Gdiplus::ARGB clicked = 0;
    if (gp::GdipBitmapGetPixel(s.bitmap.get(), p.x, p.y, &clicked) != Gdiplus::Ok) {
        e.messages.LowLevel(kNoColourText);
        return;
    }
    WandParams params;
    params.x = p.x, params.y = p.y;
    params.tolerance = ToleranceFromOptions(s.toolSettings.data());
    params.invert = s.toolSettings[kSelectionInvertOption] != 0;
    std::vector<IntPoint> vertices;
    {
        BitmapLock lock(e.messages, s.bitmap, kLockRead, fmt::k32ARGB, BitmapRole::Image);
        if (!lock.ok()) return;
        const OpStatus st = FindWandOutline(lock.view(), params, &vertices);
        if (lock.Unlock() != Gdiplus::Ok) return;
        if (!st.ok()) {
            if (st.message) e.messages.LowLevel(st.message);
            return;
        }
    }
    if (vertices.empty()) return;
    std::vector<PointF> points;
    points.reserve(vertices.size());
    for (const IntPoint& v : vertices) points.push_back({static_cast<float>(v.x), static_cast<float>(v.y)});
    s.selectionPath->StartFigure();
    s.selectionPath->AddLines(points.data(), points.size());
    s.selectionPath->CloseFigure();
}

class SelectionTool : public Tool {
public:
    bool Press(Editor& e, ImageSlot& s, const ToolEvent& ev) override {
        const int shape = s.toolSettings[kSelectionShapeOption];
        if (shape == kSelectRectangle || shape == kSelectEllipse) {
            if (!s.selectionPath) s.selectionPath.emplace();
            s.selectionAnchor.Clear();
            s.selectionPath->StartFigure();
            drag_ = DragBox{true, ClampToImage(s, ev.image), ClampToImage(s, ev.image)};
        } else if (shape == kSelectPolygon) {
            AddVertex(s.selectionPath, s.selectionAnchor, ev.image);
        } else if (shape == kSelectWand) {
            AddWandRegion(e, s, ev.image);
            if (s.selectionPath && s.selectionPath->size() < 3) Deselect(s);
        }
        Invalidate(e);
        return true;
    }

    bool Move(Editor& e, ImageSlot& s, const ToolEvent& ev) override {
        cursor_ = {ev.clientX, ev.clientY};
        if (drag_.active && (ev.keys & MK_LBUTTON)) {
            drag_.cursor = ClampToImage(s, ev.image);
            shift_ = (ev.keys & MK_SHIFT) != 0;
            Invalidate(e);
        } else if (s.selectionAnchor.set() && s.toolSettings[kSelectionShapeOption] == kSelectPolygon) {
            Invalidate(e);
        }
        return true;
    }

    bool Release(Editor& e, ImageSlot& s, const ToolEvent& ev) override {
        if (!drag_.active) return false;
        drag_.cursor = ClampToImage(s, ev.image);
        shift_ = (ev.keys & MK_SHIFT) != 0;
        if (s.selectionPath) {
            const int shape = s.toolSettings[kSelectionShapeOption];
            if (shape == kSelectRectangle) {
                const Box b = Corners();
                if (b.x0 != b.x1 && b.y0 != b.y1) {
                    const PointF p[4] = {{F(b.x0), F(b.y0)}, {F(b.x0), F(b.y1)}, {F(b.x1), F(b.y1)}, {F(b.x1), F(b.y0)}};
                    s.selectionPath->AddPolygon(p, 4);
                }
            } else {
                const Box b = EllipseBox();
                if (b.x1 != 0 && b.y1 != 0) s.selectionPath->AddEllipse(F(b.x0), F(b.y0), F(b.x1), F(b.y1));
            }
            if (s.selectionPath->size() < 3) Deselect(s);
        }
        drag_ = DragBox{};
        Invalidate(e);
        return true;
    }

    bool DoubleClick(Editor& e, ImageSlot& s, const ToolEvent&) override {
        const int shape = s.toolSettings[kSelectionShapeOption];
        if (shape == kSelectPolygon || shape == kSelectWand) CloseSelection(s);
        Invalidate(e);
        return true;
    }

    void DrawOverlay(Editor& e, ImageSlot& s, const OverlayTarget& t) override {
        if (drag_.active) {
            const bool ellipse = s.toolSettings[kSelectionShapeOption] == kSelectEllipse;
            const Box b = ellipse ? EllipseBox() : Corners();
            const IntPoint a = ImageToClient(t.layout, t.scrollX, t.scrollY, b.x0, b.y0);
            if (ellipse) {
                const IntPoint c = ImageToClient(t.layout, t.scrollX, t.scrollY, b.x0 + b.x1, b.y0 + b.y1);
                DrawRubberShape(e, s, t, a, c, true);
            } else {
                const IntPoint c = ImageToClient(t.layout, t.scrollX, t.scrollY, b.x1, b.y1);
                DrawRubberShape(e, s, t, a, c, false);
            }
        }
        if (s.selectionAnchor.set() && s.toolSettings[kSelectionShapeOption] == kSelectPolygon && e.View().InImage(cursor_.x, cursor_.y)) {
            const IntPoint a = ImageToClient(t.layout, t.scrollX, t.scrollY, s.selectionAnchor.x, s.selectionAnchor.y);
            DrawRubberLine(e, s, t, a, cursor_);
        }
    }

    HCURSOR Cursor(const Editor& e) const override {
        const ImageSlot* s = e.images.Current();
        return s && s->toolSettings[kSelectionShapeOption] == kSelectWand ? e.viewState.Cursor(CursorId::Wand) : nullptr;
    }

private:
    struct Box {
        int x0, y0, x1, y1;  // corners, or x, y, width, height for an ellipse
    };
    static float F(int v) { return static_cast<float>(v); }

    // Ordered corners; with Shift the shorter side sets both, the pressed corner staying put.
    Box Corners() const {
        int w = drag_.cursor.x - drag_.anchor.x, h = drag_.cursor.y - drag_.anchor.y;
        if (shift_) {
            const int side = std::min(std::abs(w), std::abs(h));
            w = Sign(w) * side, h = Sign(h) * side;
        }
        const int x1 = drag_.anchor.x + w, y1 = drag_.anchor.y + h;
        return {std::min(drag_.anchor.x, x1), std::min(drag_.anchor.y, y1), std::max(drag_.anchor.x, x1), std::max(drag_.anchor.y, y1)};
    }

    // x, y, signed width and height; with Shift a circle of the smaller extent.
    Box EllipseBox() const {
        int w = drag_.cursor.x - drag_.anchor.x, h = drag_.cursor.y - drag_.anchor.y;
        if (shift_) {
            const int side = std::min(std::abs(w), std::abs(h));
            w = Sign(w) * side, h = Sign(h) * side;
        }
        return {drag_.anchor.x, drag_.anchor.y, w, h};
    }

    static void Invalidate(Editor& e) { e.Changed(change::kOverlay); }

    DragBox drag_;
    bool shift_ = false;
    IntPoint cursor_{-1, -1};
};
}  // namespace

// The image of the tool's buttons, on the 16-unit grid of common/icon_canvas.h.
namespace {
void DrawSelect(icon::Canvas& c) {
    using namespace icon;
    c.Rect(1.5f, 1.5f, 14.5f, 14.5f, kPaleBlue, kWhite);
    // marching ants over the white outline: seven equal steps along each side, on at both ends
    const float w = c.Outline();
    const float lo = c.SnapCentre(1.5f) - w / 2, hi = c.SnapCentre(14.5f) + w / 2;
    const float step = (hi - lo) / 7.0f;
    for (int k = 0; k < 7; k += 2) {
    using namespace icon;
        float a = c.SnapEdge(lo + step * static_cast<float>(k)), b = c.SnapEdge(lo + step * static_cast<float>(k + 1));
        c.FillRect(a, lo, b, lo + w, kInk);
        c.FillRect(a, hi - w, b, hi, kInk);
        c.FillRect(lo, a, lo + w, b, kInk);
        c.FillRect(hi - w, a, hi, b, kInk);
    }
}
}  // namespace

const ToolDescriptor& SelectToolDescriptor() {
    static const ToolDescriptor tool{kToolSelect, cmd::kToolSelect, cmd::kPalSelect, DrawSelect, 0,
                                     [] { return std::unique_ptr<Tool>(std::make_unique<SelectionTool>()); }};
    return tool;
}

}  // namespace mirelo
