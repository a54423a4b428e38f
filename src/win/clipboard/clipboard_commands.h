// The Edit commands that move images between the editor and the clipboard.
#pragma once

namespace mirelo {

class Editor;

// Command 40015: puts the current image on the clipboard with the selection's mask and outline.
// Without a selection the whole image is copied and becomes the selection.
void CopySelection(Editor& editor);

// Command 40017, and 40016 without a current image: a new image named "clipboard" from the
// clipboard's bitmap, in the first free slot; a mask that came with it is applied and an outline
// that came with it becomes the image's selection.
void PasteAsNewImage(Editor& editor);

}  // namespace mirelo
