// The user's colours edited in the two colour dialogs: 108 "色選択" (one colour by RGB, by
// hue/lightness/saturation, as hexadecimal text or from the spectrum) and 117 "パレット" (colours
// between the indexed image's palette and the user's colours).
#pragma once
#include "colour/colour_models.h"

namespace mirelo {

class Editor;

// Dialog 108 on the working colours, starting from their selected slot; on OK `set` holds the
// edited colours and true is returned, on Cancel it is left as it was.
bool ColourSelectDialog(Editor& editor, ColourWorkSet& set);

// Dialog 108 on drawing colour `which` (0 or 1) of the current image with `initialSlot` selected
// (16: that colour; 0..15: a custom colour). OK takes the current colour into the drawing colour
// and the custom colours into the program's table, and the panels show them.
bool EditDrawingColour(Editor& editor, int which, int initialSlot);

// Command 40044: on an indexed image the palette panel's colour (the first drawing colour);
// otherwise, unless the tool is the selection, the active drawing colour.
void ColourSelectCommand(Editor& editor);

// Command 1138: dialog 117 on the current image's palette. OK takes the current colour into the
// first drawing colour and the custom colours into the program's table; a changed palette is set
// on the image as one undo step.
void PaletteDialog(Editor& editor);

}  // namespace mirelo
