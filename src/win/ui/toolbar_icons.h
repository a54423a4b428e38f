// Tool-bar icons drawn in code, so that they stay sharp at any display scale.
#pragma once
#include "common/win.h"

namespace mirelo {

enum class ToolIcon {
    New,                // blank page with a folded corner
    Open,               // open folder
    Save,               // floppy disk
    Close,              // page with a red cross
    Undo,               // curved arrow turning back to the left
    Redo,               // curved arrow turning back to the right
    Cut,                // scissors
    Copy,               // two overlapping pages
    Paste,              // clipboard holding a page
    RotateRight,        // circular arrow, clockwise
    RotateLeft,         // circular arrow, counter-clockwise
    FitWindow,          // arrows pointing into the four corners of a frame
    ActualSize,         // a frame with "1:1"
    Select,             // dashed rectangle
    Shape,              // pencil drawing a curve
    Retouch,            // brush with a soft dab of paint
    Fill,               // paint bucket pouring paint
    Eyedropper,         // pipette
    Text,               // bold letter A
    Palette,            // painter's palette with colour dots
    TransparentColour,  // checkerboard square
    PathDeletePoint,    // an open figure with its vertices, the last one crossed out
    PathDeleteLast,     // a triangle and a crossed-out ellipse
    PathDeleteAll,      // a triangle and an ellipse crossed out together
    Count
};

// Draws the icons side by side (icon i at x = i*size), each size x size pixels, into a top-down
// 32-bit DIB section with premultiplied alpha (transparent background), ready for ImageList_Add
// on an ILC_COLOR32 image list. Returns nullptr on failure. Caller deletes the bitmap.
// GDI+ must be running.
HBITMAP DrawToolbarIcons(const ToolIcon* icons, int count, int size);

// Creates an ILC_COLOR32 image list of size x size holding the icons in the given order.
// Returns nullptr on failure. Caller destroys the list.
HIMAGELIST CreateToolbarImageList(const ToolIcon* icons, int count, int size, bool disabled = false);

}  // namespace mirelo
