// Colours between the image and the user's colours: the palette entry replacement of an indexed
// image (the fill tool's colour replacement and the transparent-colour toggle), and the pick-up
// of a pixel's colour (the eyedropper).
#pragma once
#include <cstdint>
#include <vector>

#include "edit/view_math.h"

namespace mirelo {

class Editor;
struct ImageSlot;

// The current indexed image takes the palette `entries` (with `flags`) as one undo step. They are
// written into a copy of the picture, detached from its file unless it was made in memory, which
// takes the image's place only once the write succeeded: after "パレットを変更できません" the
// image, its file and its history are as they were. False then.
bool ChangePalette(Editor& editor, ImageSlot& slot, const std::vector<uint32_t>& entries, uint32_t flags);

// On the current image when it is indexed: every palette entry equal to `keyArgb` becomes
// `newColour` (Win32), transparent when the image's transparent-colour flag is set and opaque
// otherwise, and every other entry opaque, as one undo step (ChangePalette).
// False after "パレットを取得できません" or "パレットを変更できません" (the palette stays as it was),
// and for an image without a palette.
bool ReplacePaletteColour(Editor& editor, uint32_t keyArgb, uint32_t newColour);

// Command 1137 "透過色": the transparent-colour flag takes `on`, and the image's first drawing
// colour becomes the palette's transparent colour (or opaque again) as one undo step.
void SetTransparentColour(Editor& editor, bool on);

// The pixel at `p` as ARGB; opaque black after "色を取得できません" when it cannot be read.
uint32_t PickPixel(Editor& editor, ImageSlot& slot, IntPoint p);

}  // namespace mirelo
