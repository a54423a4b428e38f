// Moving around the canvas view: zoom steps for the wheel and the keys, zooming about a point,
// wheel deltas (also the fine ones of touchpads), panning and keyboard scrolling.
#pragma once
#include "edit/view_math.h"

namespace mirelo {

// The zoom one step in `direction` (+1 in, −1 out) from `zoom` on the ladder 10, 15, 20, 25,
// 33, 50, 67, 100, 150, 200, 300, 400, 500, 800, 1000, 1600, 2000, 3200, 5000 %: the next
// rung beyond the current zoom, so that a zoom between rungs joins the ladder; the ends stay.
int ZoomStep(int zoom, int direction);

struct ScrollPoint {
    int x, y;
};
// The scroll position that keeps the image point under client point (px, py) in `before`
// (with scroll sx, sy) under the same client point in `after`. Not clamped to the scroll range.
ScrollPoint ScrollKeepingPoint(const ViewLayout& before, int sx, int sy, int px, int py, const ViewLayout& after);

// Collects wheel deltas: notches for zooming (one per 120, the rest kept for the next
// message) and pixels for scrolling (proportional, so fine deltas scroll smoothly). A change of
// direction drops what was kept.
class WheelAccumulator {
public:
    static constexpr int kNotch = 120;
    // Whole notches in `delta` plus the kept rest; positive away from the user.
    int Notches(int delta);
    // Pixels to scroll for `delta` at `perNotch` pixels a notch, the fraction kept.
    int Pixels(int delta, int perNotch);

private:
    int Keep(int delta);
    int rest_ = 0;
};

// What a key does to the view (the focus on the view or the main window).
enum class ViewKey { None, ZoomIn, ZoomOut, FitWindow, ActualSize, Left, Right, Up, Down, PageUp, PageDown, Home, End };
ViewKey ViewKeyFor(unsigned virtualKey, bool ctrlDown);

// The scroll position after a scrolling key, with `line` pixels a line and the client height less
// a line as the page; Home and End go to the top and the bottom (with Ctrl the left and right
// ends too). Not clamped to the scroll range.
ScrollPoint ScrollForKey(ViewKey key, int sx, int sy, int clientHeight, int line, bool ctrlDown);

}  // namespace mirelo
