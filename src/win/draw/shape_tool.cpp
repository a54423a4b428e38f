// The shape tool (ToolId 2): freehand strokes (stamped with the pen tip, or drawn as a path),
// lines, curves, polygons and closed curves by clicks, ellipses, arcs and rectangles by a drag,
// outlined or filled, with a live preview on the view. With the kind ﾊﾟｽ it collects figures into
// the image's other path, shows them with the path transform, lets the user move them, and draws
// them into the image in one go.
#include <algorithm>
#include <cmath>

#include "app/commands.h"
#include "app/editor.h"
#include "draw/brush_cursor.h"
#include "draw/pen_tip.h"
#include "draw/pens.h"
#include "draw/shape_drawing.h"
#include "app/tool.h"
#include "edit/undo_history.h"
#include "paste/text_dialog.h"
#include "res/resource.h"
#include "select/paths.h"
#include "select/selection.h"
#include "edit/viewport.h"
#include "common/icon_canvas.h"

namespace mirelo {

namespace {

bool IsDragPart(int part) {
    return part == kPartEllipse || part == kPartArc || part == kPartPie || part == kPartRectangle || part == kPartText;
}
bool IsClickPart(int part) {
    return part == kPartLine || part == kPartCurve || part == kPartPolygon || part == kPartClosedCurve;
}

int Kind(const ImageSlot& s) { return s.toolSettings[kShapeKindOption]; }
int Part(const ImageSlot& s) { return s.toolSettings[kPathPartOption]; }
bool PathKind(const ImageSlot& s) { return Kind(s) == kShapeKindPath; }
bool StrokeAsPath(const ImageSlot& s) { return Kind(s) == kShapeFreehand && s.toolSettings[kFunctionOption] != 0; }
bool Stamping(const ImageSlot& s) { return Kind(s) == kShapeFreehand && s.toolSettings[kFunctionOption] == 0; }
// Figures built from clicked vertices: the click kinds, and the click parts of ﾊﾟｽ.
bool ClickFigure(const ImageSlot& s) { return IsClickKind(Kind(s)) || (PathKind(s) && IsClickPart(Part(s))); }
// Freehand points collected in the drawPath: 機能 あり, and the part 自由描画.
bool FreehandPoints(const ImageSlot& s) { return StrokeAsPath(s) || (PathKind(s) && Part(s) == kPartFreehand); }

class ShapeTool : public Tool {
public:
    bool Press(Editor& e, ImageSlot& s, const ToolEvent& ev) override {
        if (IsIndexed(s.pixelFormat)) return true;
        if (RefusePenTool(e, s)) return true;
        if (PathKind(s) && OverCollectedPath(s, ev)) {
            moving_ = true;
            last_ = {ev.clientX, ev.clientY};
            e.View().ConfineCursor(true);
            return true;
        }
        const bool inside = InImage(s, ev.image);
        if (Kind(s) == kShapeFreehand) RecordUndoStep(e);
        if (Stamping(s)) {
            tip_.Update(s);
            if (!s.figureAnchor.set()) s.figureAnchor = Anchor{ev.image.x, ev.image.y};
            if (inside) StampLine(s, tip_, ev.image, ev.image);
        } else if (FreehandPoints(s)) {
            if (!s.drawPath) s.drawPath.emplace();
            if (!s.figureAnchor.set()) {
                s.figureAnchor = Anchor{ev.image.x, ev.image.y};
                s.drawPath->StartFigure();
            }
        } else if (ClickFigure(s)) {
            AddVertex(s.drawPath, s.figureAnchor, ev.image);
        } else if (IsDragKind(Kind(s)) || (PathKind(s) && IsDragPart(Part(s)))) {
            dragging_ = true;
            anchor_ = {ev.clientX, ev.clientY};
            box_ = DragBox{};
            box_.ellipse = EllipseBox(s);
            if (PathKind(s) && Part(s) == kPartText) box_.a = box_.c = ev.image.x, box_.b = box_.d = ev.image.y;
        }
        Invalidate(e);
        return true;
    }

    bool Move(Editor& e, ImageSlot& s, const ToolEvent& ev) override {
        cursor_ = {ev.clientX, ev.clientY};
        const IntPoint lastCursor = cursorImage_;
        cursorImage_ = ev.image;
        if (IsIndexed(s.pixelFormat)) return false;
        if (Kind(s) == kShapeFreehand) {
            // The brush cursor follows: its old place and its new one are drawn again.
            const int side = std::max(tip_.side(), LineWidth(s)) + 1;
            e.View().InvalidateImageArea(lastCursor.x, lastCursor.y, lastCursor.x, lastCursor.y, side);
            e.View().InvalidateImageArea(ev.image.x, ev.image.y, ev.image.x, ev.image.y, side);
        }
        const bool held = (ev.keys & MK_LBUTTON) != 0;
        if (moving_ && held) {
            const ViewLayout l = e.View().Layout();
            const double zoom = std::max(1, l.zoom);
            if (s.otherPath)
                s.otherPath->Transform(Affine::Translate((ev.clientX - last_.x) * 100.0 / zoom, (ev.clientY - last_.y) * 100.0 / zoom));
            last_ = {ev.clientX, ev.clientY};
            Invalidate(e);
            return true;
        }
        const bool hover = PathKind(s) && OverCollectedPath(s, ev);
        if (hover != hoverMove_) {
            hoverMove_ = hover;
            SetCursor(Cursor(e));
        }
        const bool inside = InImage(s, ev.image);
        if (held && Stamping(s) && s.figureAnchor.set() && inside) {
            const IntPoint from{s.figureAnchor.x, s.figureAnchor.y};
            if (from.x != ev.image.x || from.y != ev.image.y) {
                tip_.Update(s);
                StampLine(s, tip_, from, ev.image);
                s.figureAnchor = Anchor{ev.image.x, ev.image.y};
                e.View().InvalidateImageArea(from.x, from.y, ev.image.x, ev.image.y, tip_.side() + 1);
            }
        } else if (held && FreehandPoints(s) && s.drawPath && s.figureAnchor.set()) {
            // The rubber line from the last point to the cursor: its old place and its new one.
            const int margin = 2 * LineWidth(s) + 2;
            const IntPoint a{s.figureAnchor.x, s.figureAnchor.y};
            e.View().InvalidateImageArea(std::min(a.x, lastCursor.x), std::min(a.y, lastCursor.y), std::max(a.x, lastCursor.x),
                                         std::max(a.y, lastCursor.y), margin);
            e.View().InvalidateImageArea(std::min(a.x, ev.image.x), std::min(a.y, ev.image.y), std::max(a.x, ev.image.x),
                                         std::max(a.y, ev.image.y), margin);
            const double d = std::hypot(ev.image.x - s.figureAnchor.x, ev.image.y - s.figureAnchor.y);
            if (inside && d > LineWidth(s)) {
                const PointF p[2] = {{static_cast<float>(s.figureAnchor.x), static_cast<float>(s.figureAnchor.y)},
                                     {static_cast<float>(ev.image.x), static_cast<float>(ev.image.y)}};
                s.drawPath->AddCurve(p, 2);
                // The new piece of the stroke, with room for the pen's width and its caps.
                e.View().InvalidateImageArea(s.figureAnchor.x, s.figureAnchor.y, ev.image.x, ev.image.y, 2 * LineWidth(s) + 2);
                s.figureAnchor = Anchor{ev.image.x, ev.image.y};
            }
        } else if (held && dragging_) {
            UpdateBox(e, s, ev);
            Invalidate(e);
        } else if (ClickFigure(s) && s.figureAnchor.set()) {
            Invalidate(e);  // the rubber line follows the cursor
        }
        return true;
    }

    bool Release(Editor& e, ImageSlot& s, const ToolEvent& ev) override {
        if (moving_) {
            moving_ = false;
            ClipCursor(nullptr);
            return true;
        }
        if (IsIndexed(s.pixelFormat)) return false;
        if (Stamping(s)) {
            s.figureAnchor.Clear();
            ImageChanged(e, e.images.current, kChangedPixels);
        } else if (StrokeAsPath(s)) {
            tip_.Update(s);
            DrawFreehandStroke(e, s, tip_);
        } else if (PathKind(s) && Part(s) == kPartFreehand && s.drawPath) {
            if (!s.drawPath->empty()) {
                if (!s.otherPath) s.otherPath.emplace();
                s.otherPath->StartFigure();
                s.otherPath->AddPath(*s.drawPath);
            }
            s.drawPath.reset();
            s.figureAnchor.Clear();
        } else if (dragging_) {
            dragging_ = false;
            if (PathKind(s)) {
                if (Part(s) == kPartText)
                    AddTextFigure(e, s, ev);
                else
                    AddDragFigure(s, Part(s));
            } else {
                DrawDragShape(e, s, Kind(s), box_);
            }
            box_ = DragBox{};
        }
        Invalidate(e);
        return true;
    }

    bool DoubleClick(Editor& e, ImageSlot& s, const ToolEvent&) override {
        if (IsIndexed(s.pixelFormat)) return false;
        if (PathKind(s)) {
            if (s.drawPath && s.drawPath->size() > 1)
                FinishDrawPath(e, s);
            else if (s.otherPath)
                DrawShapePath(e, s);
        } else if (ClickFigure(s) && s.drawPath) {
            FinishDrawPath(e, s);
        }
        return true;
    }

    void DrawOverlay(Editor& e, ImageSlot& s, const OverlayTarget& t) override {
        if (!t.graphics || IsIndexed(s.pixelFormat)) return;
        Gdiplus::GpGraphics* g = t.graphics;
        const float f = static_cast<float>(t.layout.zoom) / 100.0f;
        const IntPoint origin = ImageToClient(t.layout, t.scrollX, t.scrollY, 0, 0);
        GpMatrixOwner m;
        if (gp::GdipCreateMatrix2(f, 0, 0, f, static_cast<float>(origin.x), static_cast<float>(origin.y), m.put()) != Gdiplus::Ok) return;
        Gdiplus::GraphicsState saved = 0;
        gp::GdipSaveGraphics(g, &saved);
        gp::GdipSetWorldTransform(g, m.get());
        gp::GdipSetClipRectI(g, 0, 0, s.width, s.height, Gdiplus::CombineModeIntersect);
        if (s.toolSettings[kShapeSmoothOption]) gp::GdipSetSmoothingMode(g, Gdiplus::SmoothingModeAntiAlias);
        GpPenOwner pen = MakeMainPen(e, s, ReferenceRect(s, BoxBounds()));
        if (pen) {
            if (dragging_ && !PathKind(s)) {
                if (!box_.Empty()) OutlineDragShape(g, pen.get(), Kind(s), box_, s);
            } else if (dragging_ && PathKind(s)) {
                EditPath box;
                AddDragShape(box, Part(s), s);
                if (GpPathOwner p = ToGpPath(box)) gp::GdipDrawPath(g, pen.get(), p.get());
            } else if (s.drawPath && !s.drawPath->empty()) {
                DrawPathPreview(g, pen.get(), s, DirtyInImage(t));
            }
            if (PathKind(s) && s.otherPath) DrawCollectedPath(e, g, pen.get(), s);
        }
        // Back to the buffer's own transform, clip and smoothing.
        gp::GdipRestoreGraphics(g, saved);
        // The rubber line from the last point to the cursor, in view pixels: after the clicked
        // points, and after a freehand stroke's last point, so that the stroke keeps up with the
        // pointer between points.
        const bool rubberLine = ClickFigure(s) || (FreehandPoints(s) && s.drawPath);
        if (pen && rubberLine && s.figureAnchor.set() && e.View().InImage(cursor_.x, cursor_.y)) {
            const IntPoint a = ImageToClient(t.layout, t.scrollX, t.scrollY, s.figureAnchor.x, s.figureAnchor.y);
            gp::GdipDrawLineI(g, pen.get(), a.x, a.y, cursor_.x, cursor_.y);
        }
        if (Kind(s) == kShapeFreehand) {
            tip_.Update(s);
            DrawBrushCursor(e, s, t);
        } else {
            tip_.Discard();
        }
    }

    HCURSOR Cursor(const Editor&) const override { return hoverMove_ ? LoadCursorW(nullptr, IDC_SIZEALL) : nullptr; }

private:
    static void Invalidate(Editor& e) { e.Changed(change::kOverlay); }
    static bool InImage(const ImageSlot& s, IntPoint p) { return p.x >= 0 && p.y >= 0 && p.x < s.width && p.y < s.height; }
    static bool EllipseBox(const ImageSlot& s) {
        return PathKind(s) ? Part(s) == kPartEllipse : (Kind(s) == kShapeEllipse || Kind(s) == kShapeFilledEllipse);
    }

    void UpdateBox(Editor& e, const ImageSlot& s, const ToolEvent& ev) {
        const ViewLayout l = e.View().Layout();
        const IntPoint origin = ImageToClient(l, e.viewState.scrollX, e.viewState.scrollY, 0, 0);
        DragInput in;
        in.anchor = anchor_;
        in.cursor = {ev.clientX, ev.clientY};
        in.left = origin.x;
        in.top = origin.y;
        in.zoomedWidth = l.zoomedWidth;
        in.zoomedHeight = l.zoomedHeight;
        in.zoom = l.zoom;
        in.ellipse = EllipseBox(s);
        in.square = (ev.keys & MK_SHIFT) != 0;
        box_ = ComputeDragBox(in);
    }

    // The drag box as x, y, width, height, for the reference rectangle of the preview's pen.
    IntRect BoxBounds() const { return dragging_ ? box_.Bounds() : IntRect{}; }

    // Inside the collected path (as transformed) without Ctrl: the press moves the path.
    bool OverCollectedPath(ImageSlot& s, const ToolEvent& ev) {
        if (!s.otherPath || (ev.keys & MK_CONTROL)) return false;
        RebuildWorkPath(s);
        return s.workPath && s.workPath->Contains(static_cast<float>(ev.image.x), static_cast<float>(ev.image.y));
    }

    // The part of the image drawn again, in image pixels.
    static IntRect DirtyInImage(const OverlayTarget& t) {
        const IntPoint a = ClientToImage(t.layout, t.scrollX, t.scrollY, t.dirtyLeft, t.dirtyTop);
        const IntPoint b = ClientToImage(t.layout, t.scrollX, t.scrollY, t.dirtyRight, t.dirtyBottom);
        return IntRect{a.x, a.y, b.x - a.x + 1, b.y - a.y + 1};
    }

    // The clicked or freehand points: straight for 直線 and 多角形, else a cardinal curve. A long
    // stroke is drawn only where it crosses the part drawn again: the runs of points near it, each
    // with two more points on either side so that the curve keeps its shape there.
    static void DrawPathPreview(Gdiplus::GpGraphics* g, Gdiplus::GpPen* pen, const ImageSlot& s, const IntRect& dirty) {
        const bool straight = PathKind(s) ? (Part(s) == kPartLine || Part(s) == kPartPolygon) : IsStraightKind(Kind(s));
        const std::vector<PointF>& all = s.drawPath->points;
        const auto draw = [&](size_t from, size_t to) {
            EditPath preview;
            preview.fillMode = s.toolSettings[kShapeOverlapOption] ? FillMode::Winding : FillMode::Alternate;
            if (straight)
                preview.AddLines(all.data() + from, to - from);
            else
                preview.AddCurve(all.data() + from, to - from);
            if (GpPathOwner p = ToGpPath(preview)) gp::GdipDrawPath(g, pen, p.get());
        };
        constexpr size_t kWholeBelow = 64;
        if (all.size() < kWholeBelow) {
            draw(0, all.size());
            return;
        }
        const float reach = static_cast<float>(2 * LineWidth(s) + 4);
        const float x0 = dirty.x - reach, y0 = dirty.y - reach, x1 = dirty.x + dirty.width + reach, y1 = dirty.y + dirty.height + reach;
        const auto comesNear = [&](size_t i) {
            // The segment from point i to point i + 1 comes near the dirty part.
            const PointF a = all[i], b = all[std::min(i + 1, all.size() - 1)];
            return std::max(a.x, b.x) >= x0 && std::min(a.x, b.x) <= x1 && std::max(a.y, b.y) >= y0 && std::min(a.y, b.y) <= y1;
        };
        size_t i = 0;
        while (i < all.size()) {
            if (!comesNear(i)) {
                ++i;
                continue;
            }
            size_t j = i;
            while (j < all.size() && comesNear(j)) ++j;
            draw(i >= 2 ? i - 2 : 0, std::min(all.size(), j + 3));
            i = j;
        }
    }

    static void DrawCollectedPath(Editor& e, Gdiplus::GpGraphics* g, Gdiplus::GpPen* pen, ImageSlot& s) {
        RebuildWorkPath(s);
        s.workPath->fillMode = s.toolSettings[kShapeOverlapOption] ? FillMode::Winding : FillMode::Alternate;
        GpPathOwner p = ToGpPath(*s.workPath);
        if (!p) return;
        if (s.toolSettings[kPathFillOption]) {
            BrushRecordPtr brush = MakeFillBrushOrFallback(e, s, BrushUser::ShapeTool, ReferenceRect(s), IntPoint{0, 0}, p.get());
            if (brush && brush->get()) gp::GdipFillPath(g, brush->get(), p.get());
        }
        gp::GdipDrawPath(g, pen, p.get());
    }

    // The outline of the pen tip at the cursor, while the cursor is over the image.
    void DrawBrushCursor(Editor& e, const ImageSlot& s, const OverlayTarget& t) const {
        if (!tip_.ready() || !InImage(s, cursorImage_) || !e.View().InImage(cursor_.x, cursor_.y)) return;
        DrawTipOutline(t, cursorImage_, tip_.side(), tip_.outline(), tip_.edges());
    }

    // The dragged shape of a ﾊﾟｽ part from the box: an ellipse, or an arc, pie or rectangle
    // between the ordered corners.
    void AddDragShape(EditPath& path, int part, const ImageSlot& s) const {
        if (box_.Empty()) return;
        const float start = static_cast<float>(s.toolSettings[kStartAngleOption]), sweep = static_cast<float>(s.toolSettings[kSweepAngleOption]);
        const float x0 = static_cast<float>(box_.x0()), y0 = static_cast<float>(box_.y0());
        const float x1 = static_cast<float>(box_.x1()), y1 = static_cast<float>(box_.y1());
        path.StartFigure();
        switch (part) {
        case kPartEllipse:
            path.AddEllipse(static_cast<float>(box_.a), static_cast<float>(box_.b), static_cast<float>(box_.c), static_cast<float>(box_.d));
            break;
        case kPartArc: path.AddArc(x0, y0, x1 - x0, y1 - y0, start, sweep); break;
        case kPartPie: path.AddPie(x0, y0, x1 - x0, y1 - y0, start, sweep); break;
        case kPartRectangle: {
            const PointF p[4] = {{x0, y0}, {x0, y1}, {x1, y1}, {x1, y0}};
            path.AddPolygon(p, 4);
            break;
        }
        default: break;
        }
    }

    void AddDragFigure(ImageSlot& s, int part) {
        if (!box_.HasArea()) return;  // a drag without width or height adds no figure
        EditPath figure;
        AddDragShape(figure, part, s);
        if (figure.empty()) return;
        if (!s.otherPath) s.otherPath.emplace();
        s.otherPath->AddPath(figure);
    }

    // Asks for the text and adds its outlines, in the dragged box when it is at least 4 × 8.
    void AddTextFigure(Editor& e, ImageSlot& s, const ToolEvent& ev) {
        if (!e.View().InImage(ev.clientX, ev.clientY)) return;
        const Text text = AskForText(e);
        if (text.empty()) return;
        const int w = box_.x1() - box_.x0(), h = box_.y1() - box_.y0();
        const Gdiplus::GpRectF layout =
            w >= 4 && h >= 8 ? Gdiplus::GpRectF(static_cast<float>(box_.x0()), static_cast<float>(box_.y0()), static_cast<float>(w),
                                                static_cast<float>(h))
                             : Gdiplus::GpRectF(static_cast<float>(box_.x0()), static_cast<float>(box_.y0()), 0, 0);
        EditPath figures;
        if (!AddTextOutline(e, s, text, layout, &figures)) return;
        if (!s.otherPath) s.otherPath.emplace();
        s.otherPath->AddPath(figures);
    }

    bool moving_ = false, hoverMove_ = false, dragging_ = false;
    IntPoint last_{0, 0}, cursor_{-1, -1}, cursorImage_{-1, -1}, anchor_{0, 0};
    DragBox box_;
    PenTip tip_;
};
}  // namespace

// The image of the tool's buttons, on the 16-unit grid of common/icon_canvas.h.
namespace {
// A pencil lying from the tip at (tx, ty) up to the right; the local x axis runs along it.
void Pencil(icon::Canvas& c, float tx, float ty) {
    using namespace icon;
    icon::Canvas::State s = c.Save();
    c.Translate(tx, ty);
    c.Rotate(-45.0f);
    const float w = 1.9f;
    c.Polygon({{0.0f, 0.0f}, {3.2f, -w}, {3.2f, w}}, kPaleGrey, kInk, Gdiplus::LineJoinBevel);  // wood
    c.Polygon({{0.0f, 0.0f}, {1.2f, -w * 1.2f / 3.2f}, {1.2f, w * 1.2f / 3.2f}}, kInk, 0);      // lead
    c.Polygon({{3.2f, -w}, {10.0f, -w}, {10.0f, w}, {3.2f, w}}, kYellow);
    c.Polygon({{10.0f, -w}, {12.0f, -w}, {12.0f, w}, {10.0f, w}}, kRed);
    c.Restore(s);
}

void DrawShape(icon::Canvas& c) {
    using namespace icon;
    // a wave running from the tip
    static const Gdiplus::GpPointF wave[] = {{3.0f, 13.0f},  {5.0f, 15.5f},  {7.0f, 15.5f}, {8.75f, 12.75f},
                                             {10.5f, 10.0f}, {12.5f, 10.0f}, {14.5f, 12.5f}};
    GpPathOwner curve = c.NewPath();
    if (curve) c.Check(gp::GdipAddPathBeziers(curve.get(), wave, 7));
    c.Stroke(curve, kBlue, 1.5f, Gdiplus::LineCapRound, Gdiplus::LineJoinRound);
    Pencil(c, 3.0f, 13.0f);
}
}  // namespace

const ToolDescriptor& ShapeToolDescriptor() {
    static const ToolDescriptor tool{kToolShape, cmd::kToolShape, 0, DrawShape, IDC_CURSOR_PEN,
                                     [] { return std::unique_ptr<Tool>(std::make_unique<ShapeTool>()); }};
    return tool;
}

}  // namespace mirelo
