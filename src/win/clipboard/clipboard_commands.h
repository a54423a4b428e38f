// The Edit commands that move images between the editor and the clipboard.
#pragma once

#include "select/edit_path.h"

namespace mirelo {

class Editor;
struct ImageSlot;

// What a copy or a cut takes: false (nothing) for a selection of fewer than 3 points. A
// selection whose bounds leave the image is dropped; without one, one holding the whole image
// is made and the area is the whole image.
bool FindCopyArea(ImageSlot& slot, IntRect* area);
// Puts the area of the image on the clipboard, outside the selection transparent, with the
// selection's mask and outline (relative to the area); false when nothing was put there.
bool PutAreaOnClipboard(Editor& editor, ImageSlot& slot, const IntRect& area);

// Command 40015: puts the current image on the clipboard with the selection's mask and outline.
// Without a selection the whole image is copied and becomes the selection.
void CopySelection(Editor& editor);

// Command 40017, and 40016 without a current image: a new image named "clipboard" from the
// clipboard's bitmap, in the first free slot; a mask that came with it is applied and an outline
// that came with it becomes the image's selection.
void PasteAsNewImage(Editor& editor);

}  // namespace mirelo
