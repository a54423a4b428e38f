#include "draw/brush_cursor.h"

#include <algorithm>

#include "select/selection.h"

namespace mirelo {

void DrawTipOutline(const OverlayTarget& t, IntPoint cursor, int side, const EditPath& shape, const PixelOutline& edges) {
    if (!t.graphics || side <= 0) return;
    const int zoom = t.layout.zoom;
    const float width = std::max(1.0f, static_cast<float>(zoom) / 1000.0f);
    GpPenOwner yellow, black;
    gp::GdipCreatePen1(0xFFFFFF00, width, Gdiplus::UnitWorld, yellow.put());
    gp::GdipCreatePen1(0xFF000000, width, Gdiplus::UnitWorld, black.put());
    if (!yellow || !black) return;
    if (zoom == 200) {
        gp::GdipSetPenDashStyle(black.get(), Gdiplus::DashStyleDot);
    } else {
        const float dashes[2] = {2.0f, 2.0f};
        gp::GdipSetPenDashArray(black.get(), dashes, 2);
    }
    const int left = cursor.x - side / 2, top = cursor.y - side / 2;
    const IntPoint corner = ImageToClient(t.layout, t.scrollX, t.scrollY, left, top);
    const double f = zoom / 100.0;
    EditPath outline;
    if (zoom < 200) {
        outline = shape;
        outline.Transform(Affine{f, 0, 0, f, static_cast<double>(corner.x), static_cast<double>(corner.y)});
    } else {
        const auto add = [&](double x0, double y0, double x1, double y1) {
            outline.StartFigure();
            outline.AddLine(static_cast<float>(corner.x + x0 * f), static_cast<float>(corner.y + y0 * f),
                            static_cast<float>(corner.x + x1 * f), static_cast<float>(corner.y + y1 * f));
        };
        for (const EdgeRun& r : edges.horizontal) add(r.from, r.at, r.to, r.at);
        for (const EdgeRun& r : edges.vertical) add(r.at, r.from, r.at, r.to);
    }
    GpPathOwner path = ToGpPath(outline);
    if (!path) return;
    gp::GdipDrawPath(t.graphics, yellow.get(), path.get());
    gp::GdipDrawPath(t.graphics, black.get(), path.get());
}

}  // namespace mirelo
