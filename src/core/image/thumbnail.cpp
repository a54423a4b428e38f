#include "image/thumbnail.h"

#include <algorithm>
#include <cstdint>

namespace mirelo {

ThumbPlacement PlaceThumbnail(int w, int h) {
    ThumbPlacement t{kThumbSize, kThumbSize, 0, 0};
    if (w <= 0 || h <= 0) return t;
    if (w < h) {
        t.width = static_cast<int>(int64_t{w} * kThumbSize / h);
        t.height = kThumbSize;
    } else {
        t.width = kThumbSize;
        t.height = static_cast<int>(int64_t{h} * kThumbSize / w);
    }
    t.width = std::max(t.width, 1);
    t.height = std::max(t.height, 1);
    if (t.width < t.height)
        t.x = (kThumbSize - t.width) / 2;
    else
        t.y = (kThumbSize - t.height) / 2;
    return t;
}

}  // namespace mirelo
