// Colours between the image and the user's colours: the palette entry replacement of an indexed
// image (the fill tool's colour replacement and the transparent-colour toggle), and the pick-up
// of a pixel's colour (the eyedropper).
#pragma once
#include <cstdint>

#include "edit/view_math.h"

namespace mirelo {

class Editor;
struct ImageSlot;

// On the current image when it is indexed: detaches it from its file unless it was made in memory,
// then every palette entry equal to `keyArgb` becomes `newColour` (Win32), transparent when the
// image's transparent-colour flag is set and opaque otherwise, and every other entry opaque.
// False after "パレットを取得できません" or "パレットを変更できません" (the palette stays as it was),
// and for an image without a palette.
bool ReplacePaletteColour(Editor& editor, uint32_t keyArgb, uint32_t newColour);

// Command 1137 "透過色": the transparent-colour flag takes `on`, an undo step is recorded, and the
// image's first drawing colour becomes the palette's transparent colour (or opaque again).
void SetTransparentColour(Editor& editor, bool on);

// The pixel at `p` as ARGB; opaque black after "色を取得できません" when it cannot be read.
uint32_t PickPixel(Editor& editor, ImageSlot& slot, IntPoint p);

}  // namespace mirelo
