// The selection as pixels: the byte mask of a rectangle of the image covered by a path, and the
// pixel-edge outline of a selection that the view draws when zoomed in.
#pragma once
#include <cstdint>
#include <vector>

#include "select/edit_path.h"

namespace mirelo {

// Fills `mask` (width × height bytes, row after row) for the rectangle (left, top, width,
// height) of the image: 255 for every pixel covered by the path filled under its fill mode or
// by its one-pixel outline, 0 elsewhere. Pixel (x, y) is covered by the fill when the point
// (x, y) lies inside (left and top edges inclusive), and by the outline when an aliased line of
// the path's segments passes through it. False for a negative size.
bool PathMask(const EditPath& path, int left, int top, int width, int height, std::vector<uint8_t>* mask);

// The edges between selected and unselected pixels (or the image border), joined into runs.
// A horizontal run lies on the line y between x0 and x1; a vertical run on the line x.
struct EdgeRun {
    int at, from, to;
};
struct PixelOutline {
    std::vector<EdgeRun> horizontal;  // sorted by at (the row line)
    std::vector<EdgeRun> vertical;    // sorted by at (the column line)
};
PixelOutline OutlineOfMask(const std::vector<uint8_t>& mask, int width, int height);

}  // namespace mirelo
