// The images of the tool-bar buttons: the program's own by name (ui/toolbar_icons.cpp draws
// them), and a tool's as the drawing its descriptor gives.
#pragma once

namespace mirelo {

namespace icon {
class Canvas;  // common/icon_canvas.h
}
// Draws one button image on the 16-unit grid.
using IconDrawing = void (*)(icon::Canvas&);

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
    Palette,            // painter's palette with colour dots
    TransparentColour,  // checkerboard square
    PathDeletePoint,    // an open figure with its vertices, the last one crossed out
    PathDeleteLast,     // a triangle and a crossed-out ellipse
    PathDeleteAll,      // a triangle and an ellipse crossed out together
    Count
};

}  // namespace mirelo
