// The arithmetic of the arrow editing window "矢印の編集": what typing into 高さ, 幅 and 形状
// stores, the ratios fixed while "縦横比同じ" is ticked, and the ranges of the three spin controls.
#pragma once
#include "draw/pen_rules.h"

namespace mirelo {

constexpr int kArrowMin = 10;         // 高さ and 幅 never go below
constexpr int kArrowMax = 1000;
constexpr int kArrowShapeMin = -1000;

// r = width / height and s = shape / height at the moment the box is ticked (1.0 when they
// cannot be formed).
struct ArrowRatio {
    double width = 1.0;
    double shape = 1.0;
};
ArrowRatio FixArrowRatio(const ArrowSettings& arrow);

struct SpinRange {
    int low = 0, high = 0;
};
struct ArrowRanges {
    SpinRange height, width, shape;
};
// The spin ranges: 高さ and 幅 10 to 1000, 形状 −1000 to the height; with a ratio the lower ends
// are raised so that the linked value stays at 10 or more.
ArrowRanges ArrowSpinRanges(const ArrowSettings& arrow, const ArrowRatio* ratio);

// A number typed into a field (ratio: null unless "縦横比同じ" is ticked). 高さ and 幅 store at
// least 10; with a ratio, 高さ also sets 幅 and 形状, and 幅 sets 高さ.
void TypeArrowHeight(ArrowSettings& arrow, int typed, const ArrowRatio* ratio);
void TypeArrowWidth(ArrowSettings& arrow, int typed, const ArrowRatio* ratio);
void TypeArrowShape(ArrowSettings& arrow, int typed);

}  // namespace mirelo
