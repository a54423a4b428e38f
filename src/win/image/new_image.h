// The New image dialog and the creation of a new image.
#pragma once

namespace mirelo {

class Editor;

// Command 40001: modal dialog 116.
void NewImageDialog(Editor& editor);

// Creates a width × height 32-A8R8G8B8 image in the first free slot, filled with opaque white
// (or fully transparent black), named "new"N, with the given resolution when both are above 0.
// Returns false, after a message, when the table is full or the bitmap cannot be made.
bool CreateNewImage(Editor& editor, int width, int height, int dpiX, int dpiY, bool transparent);

}  // namespace mirelo
