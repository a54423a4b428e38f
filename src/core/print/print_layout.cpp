#include "print/print_layout.h"

#include <algorithm>
#include <cmath>

namespace mirelo {

namespace {
int ToPixels(int hundredthsOfMm, double dpi) {
    const double v = std::trunc(static_cast<double>(hundredthsOfMm) * dpi / 2540.0);
    if (!(v > 0)) return 0;  // negative, or not a number
    return v > 1e9 ? 1000000000 : static_cast<int>(v);
}
}  // namespace

PagePlacement PlaceOnPage(const PageSettings& page, double dpiX, double dpiY, const IntRect& source) {
    const int paperW = ToPixels(page.paperWidth, dpiX), paperH = ToPixels(page.paperHeight, dpiY);
    PagePlacement p;
    p.left = ToPixels(page.left, dpiX);
    p.top = ToPixels(page.top, dpiY);
    const int right = ToPixels(page.right, dpiX), bottom = ToPixels(page.bottom, dpiY);
    const int64_t sw = std::max(0, source.width), sh = std::max(0, source.height);
    p.width = paperW < sw + p.left + right ? std::max<int64_t>(0, int64_t{paperW} - p.left - right) : static_cast<int>(sw);
    p.height = paperH < sh + p.top + bottom ? std::max<int64_t>(0, int64_t{paperH} - p.top - bottom) : static_cast<int>(sh);
    return p;
}

IntRect PrintSource(int imageWidth, int imageHeight, const EditPath* selection) {
    if (!selection || selection->empty()) return {0, 0, imageWidth, imageHeight};
    const IntRect b = selection->BoundsI();
    // One pixel less on the far sides, then cut to the picture: the source never starts outside it.
    const int64_t x0 = std::max<int64_t>(b.x, 0), y0 = std::max<int64_t>(b.y, 0);
    const int64_t x1 = std::min<int64_t>(int64_t{b.x} + std::max(0, b.width - 1), imageWidth);
    const int64_t y1 = std::min<int64_t>(int64_t{b.y} + std::max(0, b.height - 1), imageHeight);
    IntRect r;
    r.x = static_cast<int>(std::min<int64_t>(x0, std::max(0, imageWidth)));
    r.y = static_cast<int>(std::min<int64_t>(y0, std::max(0, imageHeight)));
    r.width = static_cast<int>(std::max<int64_t>(0, x1 - r.x));
    r.height = static_cast<int>(std::max<int64_t>(0, y1 - r.y));
    return r;
}

}  // namespace mirelo
