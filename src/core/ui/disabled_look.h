// The look of a disabled tool-bar button, made from its enabled icon.
#pragma once
#include "image/pixel_view.h"

namespace mirelo {

// Turns 32-bit premultiplied BGRA icons into grey at half their opacity, in place.
void FadeToGrey(const PixelView& premultiplied);

}  // namespace mirelo
