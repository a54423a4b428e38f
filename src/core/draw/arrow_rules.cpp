#include "draw/arrow_rules.h"

#include <algorithm>
#include <cmath>

namespace mirelo {

namespace {
// A linked value in whole tenths, to the nearest.
int Linked(double v) { return static_cast<int>(std::lround(v)); }
// The least whole value not below v (v computed from whole numbers, so a hair above a whole
// number is that number).
int AtLeast(double v) { return static_cast<int>(std::ceil(v - 1e-9)); }
}  // namespace

ArrowRatio FixArrowRatio(const ArrowSettings& a) {
    ArrowRatio r;
    if (a.height != 0 && a.width != 0) r.width = static_cast<double>(a.width) / a.height;
    if (a.height != 0) r.shape = static_cast<double>(a.shape) / a.height;
    return r;
}

ArrowRanges ArrowSpinRanges(const ArrowSettings& a, const ArrowRatio* ratio) {
    ArrowRanges r;
    r.height = {kArrowMin, kArrowMax};
    r.width = {kArrowMin, kArrowMax};
    r.shape = {kArrowShapeMin, a.height};
    if (ratio && ratio->width > 0) {
        if (ratio->width < 1.0) r.height.low = std::min(kArrowMax, AtLeast(kArrowMin / ratio->width));
        if (ratio->width > 1.0) r.width.low = std::min(kArrowMax, AtLeast(ratio->width * kArrowMin));
    }
    return r;
}

void TypeArrowHeight(ArrowSettings& a, int typed, const ArrowRatio* ratio) {
    a.height = std::max(kArrowMin, typed);
    if (!ratio) return;
    a.width = std::max(kArrowMin, Linked(a.height * ratio->width));
    a.shape = Linked(a.height * ratio->shape);
}

void TypeArrowWidth(ArrowSettings& a, int typed, const ArrowRatio* ratio) {
    a.width = std::max(kArrowMin, typed);
    if (!ratio || ratio->width <= 0) return;
    a.height = std::max(kArrowMin, Linked(a.width / ratio->width));
}

void TypeArrowShape(ArrowSettings& a, int typed) { a.shape = typed; }

}  // namespace mirelo
