// Draws a selection outline into the view's 24-bit back buffer: each line first in a solid
// colour, then in a second colour on a dash pattern that can be moved along (the marching
// outline). Lines are clipped to the buffer, so only what is in sight costs time.
#pragma once
#include <cstdint>
#include <vector>

#include "image/pixel_view.h"
#include "select/edit_path.h"

namespace mirelo {

struct OutlineStroke {
    int width = 1;              // pen width in pixels
    int dashOn = 2, dashOff = 2;  // in pen widths
    int phase = 0;              // how far the dashes moved along, in pen widths
    uint32_t solid = 0xFFFFFF;  // 0xRRGGBB
    uint32_t dash = 0x0000FF;
};

// Strokes every polyline (the closing segment too when it is closed); the dash pattern runs on
// along each polyline. The view must be 24-bit RGB.
void StrokeOutline(const PixelView& view, const std::vector<EditPath::Polygon>& lines, const OutlineStroke& stroke);

// Clips the segment to [loX, hiX] × [loY, hiY]; false when nothing is left. t0 and t1 give the
// part kept as fractions of the segment.
bool ClipSegment(double& x0, double& y0, double& x1, double& y1, double loX, double loY, double hiX, double hiY,
                 double* t0 = nullptr, double* t1 = nullptr);

}  // namespace mirelo
