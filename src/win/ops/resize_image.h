// Changing the size of the current image: dialog 119 "画像サイズ" and the scaling it runs.
#pragma once
#include "common/gdiplus.h"

namespace mirelo {

class Editor;

// The interpolation mode of smoothing button 0..4 (nearest neighbour, bicubic, bilinear,
// high-quality bicubic, high-quality bilinear).
Gdiplus::InterpolationMode SmoothingMode(int button);

// Command 40035: the dialog; OK scales the image. Opening it drops the image's paths.
void ResizeDialog(Editor& editor);

// Scales the current image to width × height with `mode`, as the dialog's OK does: the size
// limits, the question for indexed images and the one for a format that cannot be drawn into,
// each with its conversion to 32-bit ARGB. True when the image changed.
bool ResizeCurrentImage(Editor& editor, int width, int height, Gdiplus::InterpolationMode mode);

}  // namespace mirelo
