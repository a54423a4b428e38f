// New alpha for the current image: dialog 124 "透明度変更" and the change it runs.
#pragma once

namespace mirelo {

class Editor;

// What the dialog hands over on OK.
struct AlphaChoice {
    int source = 0;          // entry of the source list: 0..18, or 19 + n for the n-th other image
    int operation = 0;       // 0..5
    int value = 0;           // the uniform source's transparency, 0..255
    int otherSlot = -1;      // the slot of an image source
    bool useAlpha = false;   // an image source gives its alpha, not its luminance
};

// Command 40042.
void TransparencyDialog(Editor& editor);

// Converts the current image to 32-bit ARGB when needed, records the undo step and rewrites
// its alpha as chosen. True when the image changed.
bool ChangeCurrentAlpha(Editor& editor, const AlphaChoice& choice);

}  // namespace mirelo
