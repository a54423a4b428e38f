// The magic wand: the region of similar colour around a clicked pixel, found by the fill tool's
// scanline fill on a copy of the image framed by a one-pixel ring of the clicked colour, and its
// outline traced cell by cell by a wall-following walk whose changes of direction become the
// vertices of one closed polygon.
#pragma once
#include <cstdint>
#include <vector>

#include "edit/view_math.h"
#include "image/pixel_op.h"
#include "image/pixel_view.h"
#include "ops/flood_fill.h"

namespace mirelo {

// The largest image the wand works on: width × height up to 1,638,400 pixels.
constexpr int64_t kWandPixelLimit = 0x190000;
extern const char16_t kWandTooLargeText[];  // "画像サイズが大き過ぎます"

namespace wand_status {
constexpr int kBadParams = 1;
constexpr int kNoColour = 2;  // the point is not a pixel of the image
constexpr int kNoMemory = 3;
constexpr int kTooLarge = 4;
}  // namespace wand_status

bool WandAcceptsSize(int width, int height);

// The steps of the walk: down, down-left, left, up-left, up, up-right, right, down-right (y grows
// downwards); entry 8 repeats entry 0.
extern const IntPoint kWandDirections[9];
// The four neighbours of a cell: left, up, right, down.
extern const IntPoint kWandNeighbours[4];

// Values of the cell map.
namespace wand_cell {
constexpr uint8_t kOutside = 0;
constexpr uint8_t kInside = 1;    // in the region (after the fill) or walked
constexpr uint8_t kBoundary = 2;  // on the region's edge, not yet walked
constexpr uint8_t kBridge = 3;    // a one-cell bridge, which may be walked a second time
}  // namespace wand_cell

struct WandParams {
    int x = 0, y = 0;  // the clicked pixel
    ColourTolerance tolerance;
    bool invert = false;  // 反転
};

// The vertices, in image pixels, of the outline around (x, y) of `argb` (32-bit, fourth byte the
// alpha), in the order they enter the selection; empty when the walk finds no start. The framed
// copy is the image as drawn onto a transparent bitmap: fully transparent pixels count as
// transparent black, and so does the ring when the clicked pixel is fully transparent.
OpStatus FindWandOutline(const PixelView& argb, const WandParams& params, std::vector<IntPoint>* vertices);

// The steps after the fill on a cell map of (width + 2) × (height + 2) bytes holding 0 and 1, for
// the clicked cell (cx, cy) in framed coordinates: the inversion, the boundary marking, the search
// for the start cell and the walk. Appends the vertices in image pixels.
void TraceWandOutline(std::vector<uint8_t>& cells, int width, int height, int cx, int cy, bool invert,
                      std::vector<IntPoint>* vertices);

}  // namespace mirelo
