#include "ui/disabled_look.h"

namespace mirelo {

void FadeToGrey(const PixelView& v) {
    if (BitsPerPixel(v.format) != 32 || !v.scan0) return;
    for (int y = 0; y < v.height; ++y) {
        uint8_t* p = v.Row(y);
        for (int x = 0; x < v.width; ++x, p += 4) {
            // Luminance of premultiplied colour stays premultiplied; halving colour and alpha
            // together keeps it so.
            const unsigned grey = (29u * p[0] + 150u * p[1] + 77u * p[2] + 128u) >> 8;
            p[0] = p[1] = p[2] = static_cast<uint8_t>(grey / 2);
            p[3] = static_cast<uint8_t>(p[3] / 2);
        }
    }
}

}  // namespace mirelo
