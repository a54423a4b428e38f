// Reading and writing the image's text properties as GDI+ property items.
#pragma once
#include "common/gdiplus.h"
#include "files/property_value.h"

namespace mirelo {

struct ImageSlot;

// One property of a bitmap, or false when the bitmap has no such item.
bool ReadProperty(Gdiplus::GpImage* image, uint32_t tag, Text* out);
// Reads the four properties into the slot; a missing item keeps the field's content.
void ReadProperties(ImageSlot& slot);
// Writes a property as an ASCII item in code page 932.
GpStatus WriteProperty(Gdiplus::GpImage* image, uint32_t tag, const Text& text);

}  // namespace mirelo
