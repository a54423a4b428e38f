// The right panel's two faces. The colour panel (direct-colour images, and the frame without an
// image): the two drawing colours (a click makes one the active colour, a double-click edits it
// in 色選択), the active colour's transparency (slider and a number with its spin, 0..255), the
// 16 custom colours (a click takes one into the active colour, a double-click edits it in 色選択)
// and the button 色選択 (command 40044, greyed while the selection tool leaves it nothing to
// edit). The palette panel (indexed images): its tool bar 1132 選択, 1133 塗潰し,
// 1134 スポイト, 1137 透過色, 1138 パレット, the image's palette (a click makes the entry the
// palette panel's colour, the first drawing colour), that colour and the button 色選択.
#pragma once

namespace mirelo {

class Editor;

// Makes both panels in the frame's right panel; the colour panel shows.
void CreateColourPanels(Editor& editor);
// Places the panels' controls for the display scale.
void LayoutColourPanels(Editor& editor);
// Shows the panel that fits the current image and sets its controls from the image (its format,
// tool, colours, transparency flag and palette) and the custom colours. Told after every refresh
// of the menu state.
void ShowColourPanels(Editor& editor);
// Shows the panels and repaints the swatch of the colour a pick-up changed (the palette panel's
// colour on an indexed image, else the active drawing colour); false when it cannot be repainted.
bool RepaintColourSwatch(Editor& editor);

}  // namespace mirelo
