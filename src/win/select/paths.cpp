#include "select/paths.h"

#include <algorithm>

#include "app/editor.h"
#include "app/command_registry.h"
#include "draw/pens.h"
#include "draw/shape_drawing.h"
#include "edit/undo_history.h"
#include "select/selection.h"

namespace mirelo {

void AddVertex(std::optional<EditPath>& path, Anchor& anchor, IntPoint click) {
    if (!path) path.emplace();
    if (!anchor.set()) {
        anchor = Anchor{click.x, click.y};
        path->StartFigure();
        return;
    }
    path->AddLine(static_cast<float>(anchor.x), static_cast<float>(anchor.y), static_cast<float>(click.x), static_cast<float>(click.y));
    anchor = Anchor{click.x, click.y};
}

void CloseSelection(ImageSlot& s) {
    if (s.selectionPath) {
        s.selectionPath->CloseFigure();
        if (s.selectionPath->size() < 3) Deselect(s);
    }
    s.selectionAnchor.Clear();
}

void FinishDrawPath(Editor& e, ImageSlot& s) {
    if (!s.drawPath) return;
    const std::vector<PointF> points = s.drawPath->points;
    s.drawPath.reset();
    s.figureAnchor.Clear();
    if (s.toolSettings[kShapeKindOption] != kShapeKindPath) {
        // The other click kinds draw their figure into the image.
        DrawClickFigure(e, s, points);
    } else if (points.size() >= 2) {
        if (!s.otherPath) s.otherPath.emplace();
        EditPath& other = *s.otherPath;
        other.StartFigure();
        switch (s.toolSettings[kPathPartOption]) {
        case kPartCurve: other.AddCurve(points.data(), points.size()); break;
        case kPartPolygon: other.AddPolygon(points.data(), points.size()); break;
        case kPartClosedCurve: other.AddClosedCurve(points.data(), points.size()); break;
        default: other.AddLines(points.data(), points.size()); break;
        }
    }
    e.Changed(change::kSelection);
}

void RebuildWorkPath(ImageSlot& s) {
    if (!s.otherPath) {
        s.workPath.reset();
        return;
    }
    s.workPath = *s.otherPath;
    s.workPath->Transform(PathTransformAbout(s.otherPath->BoundsI(), s.toolSettings[kTransformRotationOption],
                                             s.toolSettings[kTransformWidthOption], s.toolSettings[kTransformHeightOption]));
}

bool RefusePenTool(Editor& e, const ImageSlot& s) {
    if (s.pixelFormat != fmt::k16ARGB1555) return false;
    e.messages.App(u"16-A1R5G5B5は、「ペンツール」が使えません");
    return true;
}

void DrawShapePath(Editor& e, ImageSlot& s) {
    if ((s.drawPath || s.otherPath) && RefusePenTool(e, s)) return;
    FinishDrawPath(e, s);
    if (!s.otherPath) return;
    RecordUndoStep(e);
    GpGraphicsOwner g;
    if (gp::GdipGetImageGraphicsContext(s.bitmap.get(), g.put()) == Gdiplus::Ok && g) {
        gp::GdipSetClipRectI(g.get(), 0, 0, s.width, s.height, Gdiplus::CombineModeReplace);
        if (s.toolSettings[kShapeSmoothOption]) gp::GdipSetSmoothingMode(g.get(), Gdiplus::SmoothingModeAntiAlias);
        RebuildWorkPath(s);
        s.workPath->fillMode = s.toolSettings[kShapeOverlapOption] ? FillMode::Winding : FillMode::Alternate;
        GpPathOwner path = ToGpPath(*s.workPath);
        GpPenOwner pen = MakeMainPen(e, s);
        if (path && s.toolSettings[kPathFillOption])
            if (BrushRecordPtr brush = MakeFillBrushOrFallback(e, s, BrushUser::ShapeTool, ReferenceRect(s), {0, 0}, path.get()))
                gp::GdipFillPath(g.get(), brush->get(), path.get());
        if (path && pen) gp::GdipDrawPath(g.get(), pen.get(), path.get());
    }
    g.reset();
    s.otherPath.reset();
    s.workPath.reset();
    if (e.images.Current() == &s) ImageChanged(e, e.images.current, kChangedPixels);
    e.Changed(change::kSelection);
}

int ResolvePendingPath(Editor& e) {
    ImageSlot* s = e.Current();
    if (!s || !(s->drawPath || s->otherPath)) return IDYES;
    const int answer = e.messages.App(u"編集中のパスを描画しますか？", MB_YESNOCANCEL);
    if (answer == IDYES) {
        DrawShapePath(e, *s);
    } else if (answer == IDNO) {
        s->figureAnchor.Clear();
        s->drawPath.reset();
        s->otherPath.reset();
        s->workPath.reset();
        e.Changed(change::kSelection);
    } else {
        // Back to the shape tool, its lists showing the slot's kind and part again.
        s->tool = kToolShape;
        e.ProgramChanged(change::kTool);
    }
    return answer;
}

bool PathMenuApplies(const ImageSlot& s) {
    return (s.tool == kToolSelect && s.selectionPath && s.selectionAnchor.set()) ||
           (s.tool == kToolShape && (s.drawPath || s.otherPath));
}

}  // namespace mirelo
