#include "edit/tool_settings.h"

#include <cstddef>

namespace mirelo {

ToolSettings DefaultToolSettings() {
    ToolSettings s{};
    for (int option : {kSelectionOverlapOption, kSelectionInvertOption, kLineWidthOption, kShapeSmoothOption,
                       kOutlineWidthOption, kFillOverlapOption, kRetouchSizeOption})
        s[static_cast<size_t>(option)] = 1;
    s[kStartAngleOption] = s[kSweepAngleOption] = 90;
    s[kTextSizeOption] = 22;
    s[kTextTabOption] = 4;
    s[kRetouchStrengthOption] = 4;
    s[kTransformWidthOption] = s[kTransformHeightOption] = 99;  // a factor of 1.00
    return s;
}

}  // namespace mirelo
