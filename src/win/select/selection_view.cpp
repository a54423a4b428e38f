#include "select/selection_view.h"

#include <algorithm>

#include "app/editor.h"
#include "select/outline_stroke.h"
#include "select/path_mask.h"
#include "select/selection.h"

namespace mirelo {

// The pixel-edge outline last traced for a selection, kept until the selection changes.
struct SelectionOutlineCache {
    EditPath path;
    int width = 0, height = 0;
    PixelOutline outline;
};

namespace {
constexpr Gdiplus::ARGB kOutlineWhite = 0xFFFFFFFF;
constexpr Gdiplus::ARGB kOutlineBlue = 0xFF0000FF;

struct Pens {
    GpPenOwner solid, dashed;
};

// Pen A: solid white. Pen B: blue, dotted at exactly 200 %, else dashes of 2; both zoom / 1000
// wide, at least 1. The dash starts further on at every march step.
Pens MakePens(const Editor& e, int zoom) {
    Pens p;
    const float width = std::max(1.0f, static_cast<float>(zoom) / 1000.0f);
    gp::GdipCreatePen1(kOutlineWhite, width, Gdiplus::UnitWorld, p.solid.put());
    gp::GdipCreatePen1(kOutlineBlue, width, Gdiplus::UnitWorld, p.dashed.put());
    if (p.dashed) {
        if (zoom == 200) {
            gp::GdipSetPenDashStyle(p.dashed.get(), Gdiplus::DashStyleDot);
        } else {
            const float dashes[2] = {2.0f, 2.0f};
            gp::GdipSetPenDashArray(p.dashed.get(), dashes, 2);
        }
        gp::GdipSetPenDashOffset(p.dashed.get(), static_cast<float>(e.viewState.marchPhase));
    }
    return p;
}

const PixelOutline& OutlineFor(ImageSlot& s, const EditPath& path) {
    auto& cache = s.selectionOutline;
    if (!cache || cache->width != s.width || cache->height != s.height || cache->path.points != path.points ||
        cache->path.types != path.types || cache->path.fillMode != path.fillMode) {
        auto fresh = std::make_shared<SelectionOutlineCache>();
        fresh->path = path;
        fresh->width = s.width;
        fresh->height = s.height;
        std::vector<uint8_t> mask;
        PathMask(path, 0, 0, s.width, s.height, &mask);
        fresh->outline = OutlineOfMask(mask, s.width, s.height);
        cache = std::move(fresh);
    }
    return cache->outline;
}

// Runs whose line lies in [lo, hi] and that overlap [from, to].
template <class Add>
void VisibleRuns(const std::vector<EdgeRun>& runs, int lo, int hi, int from, int to, Add add) {
    auto first = std::lower_bound(runs.begin(), runs.end(), lo, [](const EdgeRun& r, int v) { return r.at < v; });
    for (auto it = first; it != runs.end() && it->at <= hi; ++it)
        if (it->to >= from && it->from <= to) add(*it);
}
}  // namespace

void DrawSelectionOutline(Editor& e, ImageSlot& s, const PixelView& buffer, const ViewLayout& l, int scrollX, int scrollY) {
    if (!s.selectionPath || s.selectionPath->empty()) return;
    OutlineStroke stroke;
    stroke.width = std::max(1, l.zoom / 1000);
    if (l.zoom == 200) stroke.dashOn = stroke.dashOff = 1;
    stroke.phase = e.viewState.marchPhase;
    const double offsetX = l.originX - scrollX, offsetY = l.originY - scrollY;
    std::vector<EditPath::Polygon> lines;
    if (l.zoom < 200) {
        EditPath scaled = *s.selectionPath;
        const double f = l.zoom / 100.0;
        scaled.Transform(Affine{f, 0, 0, f, offsetX, offsetY});
        lines = scaled.Flatten();
    } else {
        EditPath filled = *s.selectionPath;
        filled.fillMode = SelectionFillMode(s);
        const PixelOutline& outline = OutlineFor(s, filled);
        const int f = l.zoom / 100;
        // The image lines in sight, one more on each side.
        const int c0 = (scrollX - l.originX) / f - 1, c1 = (scrollX - l.originX + buffer.width) / f + 1;
        const int r0 = (scrollY - l.originY) / f - 1, r1 = (scrollY - l.originY + buffer.height) / f + 1;
        auto line = [&](int x0, int y0, int x1, int y1) {
            EditPath::Polygon p;
            p.points = {{static_cast<float>(offsetX + x0 * f), static_cast<float>(offsetY + y0 * f)},
                        {static_cast<float>(offsetX + x1 * f), static_cast<float>(offsetY + y1 * f)}};
            lines.push_back(std::move(p));
        };
        VisibleRuns(outline.horizontal, r0, r1, c0, c1, [&](const EdgeRun& r) { line(std::max(r.from, c0), r.at, std::min(r.to, c1), r.at); });
        VisibleRuns(outline.vertical, c0, c1, r0, r1, [&](const EdgeRun& r) { line(r.at, std::max(r.from, r0), r.at, std::min(r.to, r1)); });
    }
    StrokeOutline(buffer, lines, stroke);
}

void DrawRubberShape(Editor& e, const ImageSlot&, const OverlayTarget& t, IntPoint a, IntPoint c, bool ellipse) {
    if (!t.graphics) return;
    const Pens pens = MakePens(e, t.layout.zoom);
    for (Gdiplus::GpPen* pen : {pens.solid.get(), pens.dashed.get()}) {
        if (!pen) continue;
        if (ellipse)
            gp::GdipDrawEllipseI(t.graphics, pen, a.x, a.y, c.x - a.x, c.y - a.y);
        else
            gp::GdipDrawRectangleI(t.graphics, pen, std::min(a.x, c.x), std::min(a.y, c.y), std::abs(c.x - a.x), std::abs(c.y - a.y));
    }
}

void DrawRubberLine(Editor& e, const ImageSlot&, const OverlayTarget& t, IntPoint from, IntPoint to) {
    if (!t.graphics) return;
    const Pens pens = MakePens(e, t.layout.zoom);
    for (Gdiplus::GpPen* pen : {pens.solid.get(), pens.dashed.get()})
        if (pen) gp::GdipDrawLineI(t.graphics, pen, from.x, from.y, to.x, to.y);
}

void MarchSelection(Editor& e) {
    const ImageSlot* s = e.images.Current();
    if (!s || !s->selectionPath) return;
    e.viewState.marchPhase = (e.viewState.marchPhase + 1) % 4;
    e.Changed(change::kMarch);
}

}  // namespace mirelo
