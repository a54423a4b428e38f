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
    IntRect r = selection->BoundsI();
    r.width = std::max(0, r.width - 1);
    r.height = std::max(0, r.height - 1);
    return r;
}

}  // namespace mirelo
