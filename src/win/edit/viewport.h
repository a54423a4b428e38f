// What a tool sees of the canvas: where the current image lies in the view, and the few things a
// tool asks of the window (paint a part again, hold the mouse, keep the pointer inside). Tools
// never touch the frame's windows; what they change is noted in the change record.
#pragma once
#include "common/win.h"
#include "edit/view_math.h"

namespace mirelo {

class Editor;

class Viewport {
public:
    explicit Viewport(Editor& editor) : editor_(editor) {}

    // The current image's layout in the view (100 % and nothing shown without an image).
    ViewLayout Layout() const;
    int ScrollX() const;
    int ScrollY() const;
    IntPoint ToImage(int clientX, int clientY) const;
    IntPoint ToClient(int imageX, int imageY) const;
    // Whether the client point shows a pixel of the image.
    bool InImage(int clientX, int clientY) const;
    // The view's client area in screen coordinates.
    RECT ScreenRect() const;

    // Paints again the client rectangle that shows the image pixels (left, top)–(right, bottom),
    // both included, grown by `margin` image pixels on every side.
    void InvalidateImageArea(int left, int top, int right, int bottom, int margin) const;
    // The view takes the mouse until the button is released.
    void Capture() const;
    // The pointer cannot leave the view while on (a drag in progress).
    void ConfineCursor(bool on) const;

private:
    Editor& editor_;
};

}  // namespace mirelo
