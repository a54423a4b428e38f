// The geometry of the paste objects: the matrix that places an object (zoomed, then scaled and
// turned about its centre, then moved to its place), the three corners of its skewed drawing,
// and the transform lists' values.
#pragma once
#include "select/edit_path.h"

namespace mirelo {

// How an object is turned and scaled: rotation in degrees, scales from the width and height lists.
struct ObjectTurn {
    int rotation = 0;
    float scaleX = 1.0f, scaleY = 1.0f;
};

// The matrix built as GDI+ builds it with prepended operations: translate by (offset + centre),
// rotate, scale, translate by −centre, scale by zoom / 100. A point of the object is zoomed
// first, then scaled and turned about the centre, then placed at the offset.
Affine ObjectMatrix(float offsetX, float offsetY, float centreX, float centreY, int zoomPercent, const ObjectTurn& turn);

// The scale of an entry of the width and height lists: (index + 1) / 100, 0.01 to 10.00.
constexpr float ScaleOfIndex(int index) { return static_cast<float>(index + 1) / 100.0f; }
// The interpolation mode of an entry of the paste objects' ｽﾑｰｽﾞ list: なし nearest neighbour
// (5), 低1 bilinear (3), 低2 bicubic (4), 高1 high-quality bilinear (6), 高2 high-quality bicubic (7).
int InterpolationOfSmoothing(int index);

// The destination of the object's upper-left, upper-right and lower-left corners in object
// pixels, from the skew handle (skewX, skewY) of an object at (x, y) of width × height: the top
// edge follows the handle, the lower-left corner stays.
struct SkewCorners {
    PointF upperLeft, upperRight, lowerLeft;
};
SkewCorners SkewedCorners(int x, int y, int width, int height, int skewX, int skewY);

// The mirror that a flip of an object's own pixels applies to its outline, in object pixels of
// a width × height object: kind 1 left-right (x → width − x), kind 2 top-bottom (y → height − y);
// other kinds leave the outline alone.
Affine ObjectMirror(int kind, int width, int height);

}  // namespace mirelo
