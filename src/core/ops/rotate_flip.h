// Exact quarter turns and mirror flips of whole images, and the plan of a rotation by any angle.
#pragma once

#include "image/pixel_op.h"
#include "image/pixel_view.h"

namespace mirelo {

// The five exact moves. Source corners (top-left, top-right, bottom-left) go to:
//   1 left-right:              top-right, top-left, bottom-right      (w × h)
//   2 top-bottom:              bottom-left, bottom-right, top-left    (w × h)
//   3 quarter turn clockwise:  top-right, bottom-right, top-left      (h × w)
//   4 half turn:               bottom-right, bottom-left, top-right   (w × h)
//   5 quarter turn anticlockwise: bottom-left, top-left, bottom-right (h × w)
namespace rotate_flip {
constexpr int kLeftRight = 1;
constexpr int kTopBottom = 2;
constexpr int kClockwise = 3;
constexpr int kHalfTurn = 4;
constexpr int kAnticlockwise = 5;

// Codes of RotateFlipPixels' refusals.
constexpr int kBadKind = 1;
constexpr int kSizeOrFormat = 2;
}  // namespace rotate_flip

constexpr bool IsRotateFlipKind(int kind) { return kind >= rotate_flip::kLeftRight && kind <= rotate_flip::kAnticlockwise; }
// The quarter turns exchange width and height.
constexpr bool SwapsSides(int kind) { return kind == rotate_flip::kClockwise || kind == rotate_flip::kAnticlockwise; }

// The kind of the menu commands 40036..40040 (90, 180, 270 degrees, left-right, top-bottom);
// 0 for any other command.
int RotateFlipKindOfCommand(int command);

struct RotateFlipParams {
    int kind = rotate_flip::kLeftRight;
};

// Moves every pixel of `in` to its place in `out`, which has the size of the kind's result and
// the same bits per pixel (indexed views: the indices are moved, the palette is the caller's).
// Every depth of 1 to 64 bits per pixel. Bits of the last byte of a row beyond its pixels are
// written as 0 for indexed views of fewer than 8 bits per pixel.
OpStatus RotateFlipPixels(const PixelView& in, const PixelView& out, const RotateFlipParams& params);

// How a rotation by a whole number of degrees is carried out.
struct AngleRotation {
    enum class Route {
        None,         // the angle is a whole turn: the image stays as it is
        QuarterTurn,  // a multiple of 90 degrees: the exact move `kind`
        Draw,         // any other angle: the image is drawn turned into a new square bitmap
    };
    Route route = Route::None;
    int kind = 0;              // QuarterTurn
    int degrees = 0;           // Draw: the turn, clockwise on screen when positive
    PixelFormat format = 0;    // Draw: the new bitmap's format
    int side = 0;              // Draw: width and height of the new bitmap
    int left = 0, top = 0;     // Draw: where the unturned image lies in it
    int centreX = 0, centreY = 0;  // Draw: the point the image turns about
};

// The plan for turning a width × height image of `format` by `angle` degrees (taken modulo 360,
// clockwise; `reverse` turns the other way). Multiples of 90 are exact moves, a negative one by
// its absolute value. Other angles draw into `format`, or 32-bit ARGB for an indexed format:
// a square image keeps its size and turns about (w/2, h/2); any other image is placed in the
// middle of the smallest square that holds it turned by any angle about the square's centre
// point (side/2, side/2): at least the diagonal rounded up, more when the halves in whole pixels
// put the picture off the centre.
AngleRotation PlanAngleRotation(int angle, bool reverse, int width, int height, PixelFormat format);

}  // namespace mirelo
