// The arithmetic of the shape tool: its kinds, the rubber-band box of a drag, and the steps of a
// stamped line.
#pragma once
#include <vector>

#include "edit/view_math.h"
#include "select/edit_path.h"

namespace mirelo {

// The kinds of the 図形 list.
enum ShapeKind : int {
    kShapeFreehand = 0, kShapeLine, kShapeCurve, kShapeEllipse, kShapeArc, kShapeRectangle, kShapePolygon,
    kShapeClosedCurve, kShapeFilledEllipse, kShapeFilledArc, kShapeFilledRectangle, kShapeFilledPolygon,
    kShapeFilledClosedCurve, kShapePath
};

// Kinds built by clicks (a double click ends them) and by a drag.
constexpr bool IsClickKind(int kind) {
    return kind == kShapeLine || kind == kShapeCurve || kind == kShapePolygon || kind == kShapeClosedCurve ||
           kind == kShapeFilledPolygon || kind == kShapeFilledClosedCurve;
}
constexpr bool IsDragKind(int kind) {
    return kind == kShapeEllipse || kind == kShapeArc || kind == kShapeRectangle || kind == kShapeFilledEllipse ||
           kind == kShapeFilledArc || kind == kShapeFilledRectangle;
}
// Clicked points joined by straight lines (the others by a cardinal curve).
constexpr bool IsStraightKind(int kind) {
    return kind == kShapeLine || kind == kShapePolygon || kind == kShapeFilledPolygon;
}

// The box of a drag. Ellipse boxes keep the corner where the drag started and a signed width and
// height towards the cursor; the other boxes hold ordered corners (x0 ≤ x1, y0 ≤ y1).
struct DragBox {
    bool ellipse = false;
    int a = 0, b = 0, c = 0, d = 0;          // x, y, width, height, or x0, y0, x1, y1 (image pixels)
    int viewA = 0, viewB = 0, viewC = 0, viewD = 0;  // the same in view pixels

    int x0() const { return a; }
    int y0() const { return b; }
    int x1() const { return c; }
    int y1() const { return d; }
    int width() const { return c; }
    int height() const { return d; }
    // Nothing to draw: an ellipse without width or height, or a corner box still at x1 or y1 0
    // (all 0 until the first move after the press).
    bool Empty() const { return c == 0 || d == 0; }
    // Width and height both non-zero, as a figure of the collected path needs them (a box of
    // zero width or height would add a line or nothing at all).
    bool HasArea() const { return ellipse ? c != 0 && d != 0 : x1() > x0() && y1() > y0(); }
    // The box as a rectangle with non-negative width and height.
    IntRect Bounds() const {
        if (ellipse) return IntRect{c < 0 ? a + c : a, d < 0 ? b + d : b, c < 0 ? -c : c, d < 0 ? -d : d};
        return IntRect{a, b, c - a, d - b};
    }
};

struct DragInput {
    IntPoint anchor;     // where the button went down, in view pixels
    IntPoint cursor;     // where the cursor is now, in view pixels
    int left = 0, top = 0;                  // the image's top-left corner on the view
    int zoomedWidth = 0, zoomedHeight = 0;  // the image's size on the view
    int zoom = 100;                         // percent
    bool ellipse = false;
    bool square = false;                    // Shift held
};

// The box for the cursor: clamped to the image on the view, squared with Shift, converted to
// image pixels (value × 100 / zoom from the image's corner), and its far values less one so that
// it ends on the pixel under the cursor.
DragBox ComputeDragBox(const DragInput& in);

// The points of a stamped line from `from` to `to`, both ends included: Bresenham's steps along
// the axis of the larger difference, from the end with the smaller major coordinate.
std::vector<IntPoint> StampLinePoints(IntPoint from, IntPoint to);

// The same steps taken from `from` towards `to`, both ends included, in that order (the retouch
// brush walks its stroke from the last point to the current one).
std::vector<IntPoint> LinePointsFrom(IntPoint from, IntPoint to);

}  // namespace mirelo
