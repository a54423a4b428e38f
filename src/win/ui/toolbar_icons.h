// Tool-bar icons drawn in code, so that they stay sharp at any display scale.
#pragma once
#include "common/tool_icons.h"
#include "common/win.h"

namespace mirelo {

// The drawing of one of the program's own images; nullptr for no such image.
IconDrawing DrawingOf(ToolIcon icon);

// Draws the icons side by side (icon i at x = i*size), each size x size pixels, into a top-down
// 32-bit DIB section with premultiplied alpha (transparent background), ready for ImageList_Add
// on an ILC_COLOR32 image list. Returns nullptr on failure. Caller deletes the bitmap.
// GDI+ must be running.
HBITMAP DrawToolbarIcons(const IconDrawing* icons, int count, int size);

// Creates an ILC_COLOR32 image list of size x size holding the icons in the given order.
// Returns nullptr on failure. Caller destroys the list.
HIMAGELIST CreateToolbarImageList(const IconDrawing* icons, int count, int size, bool disabled = false);

}  // namespace mirelo
