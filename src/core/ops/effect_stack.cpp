#include "ops/effect_stack.h"

#include <algorithm>
#include <cstdint>

#include "ops/effect_table.h"

namespace mirelo {

PreviewPlacement FitPreview(int imageWidth, int imageHeight, int areaWidth, int areaHeight) {
    PreviewPlacement p;
    const int64_t iw = std::max(1, imageWidth), ih = std::max(1, imageHeight);
    const int64_t aw = std::max(1, areaWidth), ah = std::max(1, areaHeight);
    // The picture fills the area's width unless it is then taller than the area (iw × ah < ih × aw
    // in whole numbers): then it fills the height.
    if (ih * aw > iw * ah) {
        p.height = static_cast<int>(ah);
        p.width = static_cast<int>(std::max<int64_t>(1, iw * ah / ih));
    } else {
        p.width = static_cast<int>(aw);
        p.height = static_cast<int>(std::max<int64_t>(1, ih * aw / iw));
    }
    p.x = (static_cast<int>(aw) - p.width) / 2;
    p.y = (static_cast<int>(ah) - p.height) / 2;
    return p;
}

bool StepChangesPicture(const EffectStep& step) {
    const EffectInfo* info = FindEffect(step.effect);
    if (!info) return false;
    return step.value != info->defaultValue || info->changesAtDefault;
}

std::vector<EffectStep> StepsToApply(const EffectStep* stack, int position, const EffectStep* previewed) {
    std::vector<EffectStep> steps;
    for (int i = 1; i <= position; ++i)
        if (StepChangesPicture(stack[i])) steps.push_back(stack[i]);
    if (previewed && StepChangesPicture(*previewed)) steps.push_back(*previewed);
    return steps;
}

}  // namespace mirelo
