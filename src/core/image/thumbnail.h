// Geometry of the 32 × 32 image-bar thumbnail.
#pragma once

namespace mirelo {

constexpr int kThumbSize = 32;

struct ThumbPlacement {
    int width, height;  // size of the scaled image
    int x, y;           // where it is drawn in the 32 × 32 cell
};

ThumbPlacement PlaceThumbnail(int imageWidth, int imageHeight);

}  // namespace mirelo
