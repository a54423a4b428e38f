// The shape tool's main pen and fill brush, from the image's colours and options.
#pragma once
#include "common/gdiplus.h"

namespace mirelo {

struct ImageSlot;

// ARGB of drawing colour `which` (0 the current colour, 1 the other) with its transparency.
Gdiplus::ARGB DrawingColour(const ImageSlot& slot, int which);
// The current colour at the line width, with the dash style of 線種 and the join of 角.
GpPenOwner MakeMainPen(const ImageSlot& slot);
// A solid brush of the other colour.
GpBrushOwner MakeFillBrush(const ImageSlot& slot);

}  // namespace mirelo
