// The copy that frees an image from its file: GDI+ keeps a decoded file's bitmap tied to the
// file, so what is edited is a copy in memory.
#pragma once
#include "common/gdiplus.h"

namespace mirelo {

class Editor;
struct ImageSlot;

// Replaces the slot's bitmap by a copy of its own in memory, with the same size, format,
// palette, resolution and text properties. A 32-bit BMP file's fourth byte becomes alpha.
void DetachFromFile(Editor& editor, ImageSlot& slot);
// That copy alone, leaving the slot as it is; false (after any message) when it cannot be made.
bool DetachedCopy(Editor& editor, ImageSlot& slot, GpBitmapOwner& copy);

}  // namespace mirelo
