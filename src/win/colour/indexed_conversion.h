// Conversion to 1-, 4- or 8-bit indexed images, and the fixed palette.
#pragma once
#include "common/gdiplus.h"

namespace mirelo {

class Editor;

// Converts `source` into `result`, a new indexed bitmap, with conversion code `mode` (bits base
// 1, 5 or 9 plus the palette method's offset), dithering when the menu's check is on. 0 on
// success; failures are reported and leave `result` empty.
int ConvertBitmapToIndexed(Editor& editor, GpBitmapOwner& source, int mode, GpBitmapOwner& result);
// Commands 40051..40053 on the current image: an undo step, then the conversion.
void IndexedCommand(Editor& editor, int command);
// Command 40045: dialog 118, which loads the palette of an open indexed image for the fixed method.
void FixedPaletteDialog(Editor& editor);

}  // namespace mirelo
