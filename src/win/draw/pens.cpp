#include "draw/pens.h"

#include <algorithm>

#include "image/image_set.h"
#include "select/paths.h"

namespace mirelo {

Gdiplus::ARGB DrawingColour(const ImageSlot& s, int which) {
    const uint32_t bgr = s.colours[static_cast<size_t>(which)];
    const uint32_t alpha = 255u - s.colourTransparency[static_cast<size_t>(which)];
    return (alpha << 24) | ((bgr & 0xFF) << 16) | (bgr & 0xFF00) | ((bgr >> 16) & 0xFF);
}

GpPenOwner MakeMainPen(const ImageSlot& s) {
    GpPenOwner pen;
    const float width = static_cast<float>(std::clamp(s.toolSettings[kLineWidthOption], 1, 100));
    if (gp::GdipCreatePen1(DrawingColour(s, 0), width, Gdiplus::UnitPixel, pen.put()) != Gdiplus::Ok) return GpPenOwner();
    gp::GdipSetPenDashStyle(pen.get(), static_cast<Gdiplus::GpDashStyle>(std::clamp(s.toolSettings[kDashOption], 0, 4)));
    static const Gdiplus::GpLineJoin kJoins[] = {Gdiplus::LineJoinMiter, Gdiplus::LineJoinBevel, Gdiplus::LineJoinRound};
    gp::GdipSetPenLineJoin(pen.get(), kJoins[std::clamp(s.toolSettings[kJoinOption], 0, 2)]);
    return pen;
}

GpBrushOwner MakeFillBrush(const ImageSlot& s) {
    GpBrushOwner brush;
    Gdiplus::GpSolidFill* fill = nullptr;
    if (gp::GdipCreateSolidFill(DrawingColour(s, 1), &fill) == Gdiplus::Ok) brush.reset(fill);
    return brush;
}

}  // namespace mirelo
