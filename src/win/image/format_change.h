// Changing the current image's pixel format.
#pragma once
#include "common/gdiplus.h"
#include "image/pixel_format.h"

namespace mirelo {

class Editor;

// Converts the current image to `target` (16 to 64 bits per pixel), recording an undo step first
// when asked. A failure shows `failureText` and leaves the image as it was. 0 on success.
GpStatus ChangeFormat(Editor& editor, PixelFormat target, TextView failureText, bool keepFourthByte, bool recordUndo);

// Pixel conversion to a 16- to 32-bit format into `result`.
GpStatus ConvertDirect(Editor& editor, GpBitmapOwner& source, PixelFormat target, bool keepFourthByte,
                       GpBitmapOwner& result);
// Conversion by drawing into a new width × height bitmap of the target format (48 and 64 bits,
// and resizing); an indexed target is refused as a failed drawing. `interpolation` other than
// nearest neighbour draws a second time with it.
GpStatus RedrawInFormat(Editor& editor, GpBitmapOwner& source, int width, int height, PixelFormat target,
                        Gdiplus::InterpolationMode interpolation, GpBitmapOwner& result);

// Commands 40055..40064.
void ChangeFormatCommand(Editor& editor, int command);

}  // namespace mirelo
