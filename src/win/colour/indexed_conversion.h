// Conversion of the current image to a 1-, 4- or 8-bit indexed image, and the fixed palette.
#pragma once

namespace mirelo {

class Editor;

// Converts the current image with the depth's bits base (1, 5 or 9) plus the palette method of
// the menu, dithering when its check is on. 0 on success.
int ToIndexed(Editor& editor, int bitsBase);
// Commands 40051..40053: an undo step, then the conversion.
void IndexedCommand(Editor& editor, int command);
// Command 40045: dialog 118, which loads the palette of an open indexed image for the fixed method.
void FixedPaletteDialog(Editor& editor);

}  // namespace mirelo
