// Geometry of the 32 × 32 image-bar thumbnail.
#pragma once
#include <cstdint>
#include <vector>

#include "image/pixel_view.h"

namespace mirelo {

constexpr int kThumbSize = 32;

struct ThumbPlacement {
    int width, height;  // size of the scaled image
    int x, y;           // where it is drawn in the 32 × 32 cell
};

ThumbPlacement PlaceThumbnail(int imageWidth, int imageHeight);

// A width × height reduction of a picture, as straight ARGB words row by row: each pixel is the
// alpha-weighted average of up to 8 × 8 samples spread evenly over its part of the picture, so a
// photograph of any size is reduced from a few thousand pixels. `in` is in any format up to 32
// bits per pixel (indexed ones with their palette). False for a format it cannot read or sizes
// below 1.
bool ReduceForThumbnail(const PixelView& in, int width, int height, std::vector<uint32_t>* argb);

}  // namespace mirelo
