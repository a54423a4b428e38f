#include "draw/shape_drawing.h"

#include <algorithm>

#include "app/editor.h"
#include "app/command_registry.h"
#include "draw/pen_tip.h"
#include "draw/pens.h"
#include "edit/undo_history.h"
#include "select/paths.h"
#include "select/selection.h"

namespace mirelo {

namespace {

void ReportChange(Editor& e, ImageSlot& s) {
    if (e.images.Current() == &s) ImageChanged(e, e.images.current, kChangedPixels);
}

float Angle(const ImageSlot& s, int option) { return static_cast<float>(s.toolSettings[option]); }

// The drag shape as a path, for the brush of a filled kind.
EditPath DragShapePath(int kind, const DragBox& b, const ImageSlot& s) {
    EditPath path;
    switch (kind) {
    case kShapeEllipse:
    case kShapeFilledEllipse:
        path.AddEllipse(static_cast<float>(b.a), static_cast<float>(b.b), static_cast<float>(b.c), static_cast<float>(b.d));
        break;
    case kShapeArc:
    case kShapeFilledArc:
        path.AddPie(static_cast<float>(b.x0()), static_cast<float>(b.y0()), static_cast<float>(b.x1() - b.x0()),
                    static_cast<float>(b.y1() - b.y0()), Angle(s, kStartAngleOption), Angle(s, kSweepAngleOption));
        break;
    default: {
        const PointF p[4] = {{static_cast<float>(b.x0()), static_cast<float>(b.y0())},
                             {static_cast<float>(b.x0()), static_cast<float>(b.y1())},
                             {static_cast<float>(b.x1()), static_cast<float>(b.y1())},
                             {static_cast<float>(b.x1()), static_cast<float>(b.y0())}};
        path.AddPolygon(p, 4);
    }
    }
    return path;
}


}  // namespace

ImageCanvas::ImageCanvas(ImageSlot& s) {
    if (!s.bitmap || gp::GdipGetImageGraphicsContext(s.bitmap.get(), graphics_.put()) != Gdiplus::Ok) {
        graphics_.reset();
        return;
    }
    gp::GdipSetClipRectI(graphics_.get(), 0, 0, s.width, s.height, Gdiplus::CombineModeReplace);
    if (s.toolSettings[kShapeSmoothOption]) gp::GdipSetSmoothingMode(graphics_.get(), Gdiplus::SmoothingModeAntiAlias);
}

void OutlineDragShape(Gdiplus::GpGraphics* g, Gdiplus::GpPen* pen, int kind, const DragBox& b, const ImageSlot& s) {
    switch (kind) {
    case kShapeEllipse:
    case kShapeFilledEllipse: gp::GdipDrawEllipseI(g, pen, b.a, b.b, b.c, b.d); break;
    case kShapeArc:
    case kShapeFilledArc:
        gp::GdipDrawArcI(g, pen, b.x0(), b.y0(), b.x1() - b.x0(), b.y1() - b.y0(), Angle(s, kStartAngleOption),
                         Angle(s, kSweepAngleOption));
        break;
    default: {
        const Gdiplus::GpPoint p[4] = {{b.x0(), b.y0()}, {b.x0(), b.y1()}, {b.x1(), b.y1()}, {b.x1(), b.y0()}};
        gp::GdipDrawPolygonI(g, pen, p, 4);
    }
    }
}

bool DrawDragShape(Editor& e, ImageSlot& s, int kind, const DragBox& b) {
    if (!IsDragKind(kind) || b.Empty()) return false;
    RecordUndoStep(e);
    {
        ImageCanvas canvas(s);
        if (canvas) {
            const EditPath shape = DragShapePath(kind, b, s);
            // The reference rectangle of pens and brushes, from the drag box as the preview has it.
            const IntRect reference = ReferenceRect(s, b.Bounds());
            GpPenOwner pen = MakeMainPen(e, s, reference);
            if (kind == kShapeFilledEllipse || kind == kShapeFilledArc || kind == kShapeFilledRectangle) {
                GpPathOwner path = ToGpPath(shape);
                BrushRecordPtr brush =
                    MakeFillBrushOrFallback(e, s, BrushUser::ShapeTool, reference, IntPoint{b.a, b.b}, path.get());
                if (brush && brush->get()) {
                    Gdiplus::GpGraphics* g = canvas.get();
                    if (kind == kShapeFilledEllipse) {
                        gp::GdipFillEllipseI(g, brush->get(), b.a, b.b, b.c, b.d);
                    } else if (kind == kShapeFilledArc) {
                        gp::GdipFillPieI(g, brush->get(), b.x0(), b.y0(), b.x1() - b.x0(), b.y1() - b.y0(),
                                         Angle(s, kStartAngleOption), Angle(s, kSweepAngleOption));
                    } else {
                        const Gdiplus::GpPoint p[4] = {{b.x0(), b.y0()}, {b.x0(), b.y1()}, {b.x1(), b.y1()}, {b.x1(), b.y0()}};
                        gp::GdipFillPolygonI(g, brush->get(), p, 4, Gdiplus::FillModeAlternate);
                    }
                }
            }
            if (pen) OutlineDragShape(canvas.get(), pen.get(), kind, b, s);
        }
    }
    ReportChange(e, s);
    return true;
}

void DrawClickFigure(Editor& e, ImageSlot& s, const std::vector<PointF>& points) {
    const int kind = s.toolSettings[kShapeKindOption];
    if (!IsClickKind(kind) || points.empty()) return;
    RecordUndoStep(e);
    EditPath figure;
    switch (kind) {
    case kShapeLine: figure.AddLines(points.data(), points.size()); break;
    case kShapeCurve: figure.AddCurve(points.data(), points.size()); break;
    case kShapePolygon:
    case kShapeFilledPolygon: figure.AddPolygon(points.data(), points.size()); break;
    default: figure.AddClosedCurve(points.data(), points.size()); break;
    }
    const bool filled = kind == kShapeFilledPolygon || kind == kShapeFilledClosedCurve;
    if (filled) figure.fillMode = s.toolSettings[kShapeOverlapOption] ? FillMode::Winding : FillMode::Alternate;
    // The figure stands in the drawPath while it is drawn, so that R is read from it.
    s.drawPath = figure;
    {
        ImageCanvas canvas(s);
        GpPathOwner path = ToGpPath(figure);
        if (canvas && path) {
            const IntRect reference = ReferenceRect(s);
            if (filled) {
                BrushRecordPtr brush = MakeFillBrushOrFallback(e, s, BrushUser::ShapeTool, reference,
                                                               IntPoint{static_cast<int>(points[0].x), static_cast<int>(points[0].y)},
                                                               path.get());
                if (brush && brush->get()) gp::GdipFillPath(canvas.get(), brush->get(), path.get());
            }
            if (GpPenOwner pen = MakeMainPen(e, s, reference)) gp::GdipDrawPath(canvas.get(), pen.get(), path.get());
        }
    }
    s.drawPath.reset();
    ReportChange(e, s);
}

void DrawFreehandStroke(Editor& e, ImageSlot& s, const PenTip& tip) {
    {
        ImageCanvas canvas(s);
        if (canvas) {
            GpPenOwner pen = MakeMainPen(e, s);
            if (s.drawPath && !s.drawPath->empty()) {
                GpPathOwner path = ToGpPath(*s.drawPath);
                if (pen && path) gp::GdipDrawPath(canvas.get(), pen.get(), path.get());
            } else if (pen && s.figureAnchor.set()) {
                // A click without movement: one stamp of the tip, in the pen's brush.
                Gdiplus::GpBrush* penBrush = nullptr;
                if (gp::GdipGetPenBrushFill(pen.get(), &penBrush) == Gdiplus::Ok && penBrush) {
                    GpBrushOwner brush(penBrush);
                    tip.StampWithBrush(canvas.get(), brush.get(), s.figureAnchor.x, s.figureAnchor.y);
                }
            }
        }
    }
    s.drawPath.reset();
    s.figureAnchor.Clear();
    ReportChange(e, s);
}

void StampLine(ImageSlot& s, const PenTip& tip, IntPoint from, IntPoint to) {
    ImageCanvas canvas(s);
    if (!canvas || !tip.ready()) return;
    for (const IntPoint& p : StampLinePoints(from, to)) tip.Stamp(canvas.get(), p.x, p.y);
}

}  // namespace mirelo
