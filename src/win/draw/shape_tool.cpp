// The shape tool (ToolId 2): freehand strokes, lines, curves and closed shapes. With the kind
// ﾊﾟｽ it collects figures into the image's other path, shows them with the path transform, lets
// the user move them, and draws them into the image in one go.
#include <algorithm>
#include <cmath>

#include "app/editor.h"
#include "draw/pens.h"
#include "edit/tool.h"
#include "edit/view.h"
#include "paste/text_dialog.h"
#include "select/paths.h"
#include "select/selection.h"

namespace mirelo {

namespace {
bool IsDragPart(int part) {
    return part == kPartEllipse || part == kPartArc || part == kPartPie || part == kPartRectangle || part == kPartText;
}
bool IsClickPart(int part) {
    return part == kPartLine || part == kPartCurve || part == kPartPolygon || part == kPartClosedCurve;
}

class ShapeTool : public Tool {
public:
    bool Press(Editor& e, ImageSlot& s, const ToolEvent& ev) override {
        if (IsIndexed(s.pixelFormat)) return true;
        if (s.pixelFormat == fmt::k16ARGB1555) {
            e.messages.App(u"16-A1R5G5B5は、「ペンツール」が使えません");
            return true;
        }
        if (s.toolSettings[kShapeKindOption] != kShapeKindPath) return false;
        const int part = s.toolSettings[kPathPartOption];
        if (OverCollectedPath(s, ev)) {
            moving_ = true;
            last_ = {ev.clientX, ev.clientY};
            RECT r;
            GetClientRect(e.frame.view, &r);
            MapWindowPoints(e.frame.view, nullptr, reinterpret_cast<POINT*>(&r), 2);
            ClipCursor(&r);
            return true;
        }
        if (part == kPartFreehand) {
            if (!s.drawPath) s.drawPath.emplace();
            if (!s.figureAnchor.set()) {
                s.figureAnchor = Anchor{ev.image.x, ev.image.y};
                s.drawPath->StartFigure();
            }
        } else if (IsClickPart(part)) {
            AddVertex(s.drawPath, s.figureAnchor, ev.image);
        } else if (IsDragPart(part)) {
            dragging_ = true;
            dragFrom_ = dragTo_ = Clamp(s, ev.image);
        }
        Invalidate(e);
        return true;
    }

    bool Move(Editor& e, ImageSlot& s, const ToolEvent& ev) override {
        cursor_ = {ev.clientX, ev.clientY};
        if (IsIndexed(s.pixelFormat) || s.toolSettings[kShapeKindOption] != kShapeKindPath) return false;
        const bool held = (ev.keys & MK_LBUTTON) != 0;
        if (moving_ && held) {
            const ViewLayout l = CurrentLayout(e);
            const double zoom = std::max(1, l.zoom);
            if (s.otherPath)
                s.otherPath->Transform(Affine::Translate((ev.clientX - last_.x) * 100.0 / zoom, (ev.clientY - last_.y) * 100.0 / zoom));
            last_ = {ev.clientX, ev.clientY};
            Invalidate(e);
            return true;
        }
        const bool hover = OverCollectedPath(s, ev);
        if (hover != hoverMove_) {
            hoverMove_ = hover;
            SetCursor(Cursor(e));
        }
        const int part = s.toolSettings[kPathPartOption];
        if (held && part == kPartFreehand && s.drawPath && s.figureAnchor.set()) {
            const double d = std::hypot(ev.image.x - s.figureAnchor.x, ev.image.y - s.figureAnchor.y);
            if (d > std::clamp(s.toolSettings[kLineWidthOption], 1, 100)) {
                const PointF p[2] = {{static_cast<float>(s.figureAnchor.x), static_cast<float>(s.figureAnchor.y)},
                                     {static_cast<float>(ev.image.x), static_cast<float>(ev.image.y)}};
                s.drawPath->AddCurve(p, 2);
                s.figureAnchor = Anchor{ev.image.x, ev.image.y};
                Invalidate(e);
            }
        } else if (held && dragging_) {
            dragTo_ = Clamp(s, ev.image);
            shift_ = (ev.keys & MK_SHIFT) != 0;
            Invalidate(e);
        } else if (IsClickPart(part) && s.figureAnchor.set()) {
            Invalidate(e);
        }
        return true;
    }

    bool Release(Editor& e, ImageSlot& s, const ToolEvent& ev) override {
        if (moving_) {
            moving_ = false;
            ClipCursor(nullptr);
            return true;
        }
        if (s.toolSettings[kShapeKindOption] != kShapeKindPath) return false;
        const int part = s.toolSettings[kPathPartOption];
        if (part == kPartFreehand && s.drawPath) {
            if (!s.drawPath->empty()) {
                if (!s.otherPath) s.otherPath.emplace();
                s.otherPath->AddPath(*s.drawPath);
            }
            s.drawPath.reset();
            s.figureAnchor.Clear();
        } else if (dragging_) {
            dragTo_ = Clamp(s, ev.image);
            shift_ = (ev.keys & MK_SHIFT) != 0;
            dragging_ = false;
            if (part == kPartText)
                AddTextFigure(e, s, ev);
            else
                AddDragFigure(s, part);
        }
        Invalidate(e);
        return true;
    }

    bool DoubleClick(Editor& e, ImageSlot& s, const ToolEvent&) override {
        if (IsIndexed(s.pixelFormat) || s.toolSettings[kShapeKindOption] != kShapeKindPath) return false;
        if (s.drawPath && s.drawPath->size() > 1)
            FinishDrawPath(e, s);
        else if (s.otherPath)
            DrawShapePath(e, s);
        return true;
    }

    void DrawOverlay(Editor& e, ImageSlot& s, const OverlayTarget& t) override {
        if (s.toolSettings[kShapeKindOption] != kShapeKindPath || !t.graphics) return;
        Gdiplus::GpGraphics* g = t.graphics;
        const float f = static_cast<float>(t.layout.zoom) / 100.0f;
        const IntPoint origin = ImageToClient(t.layout, t.scrollX, t.scrollY, 0, 0);
        gp::GdipSetWorldTransform(g, nullptr);
        GpMatrixOwner m;
        if (gp::GdipCreateMatrix2(f, 0, 0, f, static_cast<float>(origin.x), static_cast<float>(origin.y), m.put()) != Gdiplus::Ok) return;
        gp::GdipSetWorldTransform(g, m.get());
        gp::GdipSetClipRectI(g, 0, 0, s.width, s.height, Gdiplus::CombineModeReplace);
        if (s.toolSettings[kShapeSmoothOption]) gp::GdipSetSmoothingMode(g, Gdiplus::SmoothingModeAntiAlias);
        GpPenOwner pen = MakeMainPen(e, s, ReferenceRect(s, DragBounds()));
        const Gdiplus::GpFillMode mode = s.toolSettings[kShapeOverlapOption] ? Gdiplus::FillModeWinding : Gdiplus::FillModeAlternate;
        if (pen) {
            if (dragging_) {
                EditPath box;
                AddDragShape(box, s.toolSettings[kPathPartOption], s);
                if (GpPathOwner p = ToGpPath(box)) gp::GdipDrawPath(g, pen.get(), p.get());
            } else if (s.drawPath && !s.drawPath->empty()) {
                const int part = s.toolSettings[kPathPartOption];
                EditPath preview;
                preview.fillMode = static_cast<FillMode>(mode);
                if (part == kPartLine || part == kPartPolygon)
                    preview.AddLines(s.drawPath->points.data(), s.drawPath->size());
                else
                    preview.AddCurve(s.drawPath->points.data(), s.drawPath->size());
                if (GpPathOwner p = ToGpPath(preview)) gp::GdipDrawPath(g, pen.get(), p.get());
            }
            if (s.otherPath) {
                RebuildWorkPath(s);
                s.workPath->fillMode = static_cast<FillMode>(mode);
                if (GpPathOwner p = ToGpPath(*s.workPath)) {
                    if (s.toolSettings[kPathFillOption])
                        if (BrushRecordPtr brush = MakeFillBrushOrFallback(e, s, BrushUser::ShapeTool, ReferenceRect(s), {0, 0}, p.get()))
                            gp::GdipFillPath(g, brush->get(), p.get());
                    gp::GdipDrawPath(g, pen.get(), p.get());
                }
            }
        }
        gp::GdipResetWorldTransform(g);
        gp::GdipResetClip(g);
        gp::GdipSetSmoothingMode(g, Gdiplus::SmoothingModeNone);
        // The rubber line from the last point to the cursor, in view pixels.
        if (pen && IsClickPart(s.toolSettings[kPathPartOption]) && s.figureAnchor.set() && IsCursorInImage(e, cursor_.x, cursor_.y)) {
            const IntPoint a = ImageToClient(t.layout, t.scrollX, t.scrollY, s.figureAnchor.x, s.figureAnchor.y);
            gp::GdipDrawLineI(g, pen.get(), a.x, a.y, cursor_.x, cursor_.y);
        }
    }

    HCURSOR Cursor(const Editor& e) const override {
        return hoverMove_ ? LoadCursorW(nullptr, IDC_SIZEALL) : e.viewState.cursors[0];
    }

private:
    static void Invalidate(Editor& e) {
        if (e.frame.view) InvalidateRect(e.frame.view, nullptr, FALSE);
    }
    static IntPoint Clamp(const ImageSlot& s, IntPoint p) {
        return {std::clamp(p.x, 0, std::max(0, s.width - 1)), std::clamp(p.y, 0, std::max(0, s.height - 1))};
    }

    // The dragged box as x, y, width, height (empty while nothing is dragged).
    IntRect DragBounds() const {
        if (!dragging_) return {};
        return {std::min(dragFrom_.x, dragTo_.x), std::min(dragFrom_.y, dragTo_.y), std::abs(dragTo_.x - dragFrom_.x),
                std::abs(dragTo_.y - dragFrom_.y)};
    }

    // Inside the collected path (as transformed) without Ctrl: the press moves the path.
    bool OverCollectedPath(ImageSlot& s, const ToolEvent& ev) {
        if (!s.otherPath || (ev.keys & MK_CONTROL)) return false;
        RebuildWorkPath(s);
        return s.workPath && s.workPath->Contains(static_cast<float>(ev.image.x), static_cast<float>(ev.image.y));
    }

    // The dragged shape of the part: an ellipse in the box from the pressed pixel towards the
    // cursor, or an arc, pie or rectangle between the ordered corners; with Shift square.
    void AddDragShape(EditPath& path, int part, const ImageSlot& s) const {
        int w = dragTo_.x - dragFrom_.x, h = dragTo_.y - dragFrom_.y;
        if (shift_) {
            const int side = std::min(std::abs(w), std::abs(h));
            w = (w < 0 ? -side : side), h = (h < 0 ? -side : side);
        }
        const float x0 = static_cast<float>(std::min(dragFrom_.x, dragFrom_.x + w)), y0 = static_cast<float>(std::min(dragFrom_.y, dragFrom_.y + h));
        const float x1 = static_cast<float>(std::max(dragFrom_.x, dragFrom_.x + w)), y1 = static_cast<float>(std::max(dragFrom_.y, dragFrom_.y + h));
        const float start = static_cast<float>(s.toolSettings[kStartAngleOption]), sweep = static_cast<float>(s.toolSettings[kSweepAngleOption]);
        if (w == 0 || h == 0) return;
        path.StartFigure();
        switch (part) {
        case kPartEllipse: path.AddEllipse(static_cast<float>(dragFrom_.x), static_cast<float>(dragFrom_.y), static_cast<float>(w), static_cast<float>(h)); break;
        case kPartArc: path.AddArc(x0, y0, x1 - x0, y1 - y0, start, sweep); break;
        case kPartPie: path.AddPie(x0, y0, x1 - x0, y1 - y0, start, sweep); break;
        default: {
            const PointF p[4] = {{x0, y0}, {x0, y1}, {x1, y1}, {x1, y0}};
            path.AddPolygon(p, 4);
        }
        }
    }

    void AddDragFigure(ImageSlot& s, int part) {
        EditPath figure;
        AddDragShape(figure, part, s);
        if (figure.empty()) return;
        if (!s.otherPath) s.otherPath.emplace();
        s.otherPath->AddPath(figure);
    }

    // Asks for the text and adds its outlines, in the dragged box when it is at least 4 × 8.
    void AddTextFigure(Editor& e, ImageSlot& s, const ToolEvent& ev) {
        if (!IsCursorInImage(e, ev.clientX, ev.clientY)) return;
        const Text text = AskForText(e);
        if (text.empty()) return;
        const int x0 = std::min(dragFrom_.x, dragTo_.x), y0 = std::min(dragFrom_.y, dragTo_.y);
        const int w = std::abs(dragTo_.x - dragFrom_.x), h = std::abs(dragTo_.y - dragFrom_.y);
        const Gdiplus::GpRectF layout = w >= 4 && h >= 8 ? Gdiplus::GpRectF(static_cast<float>(x0), static_cast<float>(y0), static_cast<float>(w), static_cast<float>(h))
                                                         : Gdiplus::GpRectF(static_cast<float>(dragFrom_.x), static_cast<float>(dragFrom_.y), 0, 0);
        EditPath figures;
        if (!AddTextOutline(e, s, text, layout, &figures)) return;
        if (!s.otherPath) s.otherPath.emplace();
        s.otherPath->AddPath(figures);
    }

    bool moving_ = false, hoverMove_ = false, dragging_ = false, shift_ = false;
    IntPoint last_{0, 0}, cursor_{-1, -1}, dragFrom_{0, 0}, dragTo_{0, 0};
};
}  // namespace

std::unique_ptr<Tool> MakeShapeTool() { return std::make_unique<ShapeTool>(); }

}  // namespace mirelo
