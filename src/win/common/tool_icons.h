// The images of the tool-bar buttons, by name; ui/toolbar_icons.cpp draws them.
#pragma once

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

}  // namespace mirelo
