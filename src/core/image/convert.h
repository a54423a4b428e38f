// Pixel conversion between direct-colour formats through a buffer of 4 bytes per pixel
// (blue, green, red, alpha), rows top-down.
#pragma once
#include <cstdint>
#include <vector>

#include "image/pixel_op.h"
#include "image/pixel_view.h"

namespace mirelo {

// Decodes every pixel of `source` (indexed formats through `palette`, given as ARGB entries;
// 16-bit formats with UnpackPixel; 24-bit with alpha 255; 32-bit formats as their four bytes,
// except that 32-R8G8B8 pixels whose fourth bytes are all 0 get alpha 255).
// Formats above 32 bits per pixel must be locked as 32-A8R8G8B8 first. False for such a format.
bool DecodeToBgra(const PixelView& source, std::vector<uint8_t>& bgra);
// The same into a 32-bit view of the source's size (rows in any order and stride). False as
// above, or for a target of another depth or size.
bool DecodeToBgra(const PixelView& source, const PixelView& target);

// Encodes the buffer into `target` (16, 24 or 32 bits per pixel). 32-bit targets take the
// buffered alpha when they have an alpha channel or keepFourthByte is set, else 255.
// `sourcePremultiplied` says whether the buffered colours are premultiplied by their alpha;
// they are converted when the target's kind differs.
bool EncodeFromBgra(const std::vector<uint8_t>& bgra, const PixelView& target, bool keepFourthByte,
                    bool sourcePremultiplied);

struct ConvertParams {
    bool keepFourthByte = false;  // 32-bit targets without alpha keep the source's fourth byte
};
// The direct conversion as a pixel operation: `in` (16 to 32 bits, or indexed with its palette)
// decoded through the buffer and encoded into `out` (16, 24 or 32 bits) of the same size.
OpStatus ConvertPixels(const PixelView& in, const PixelView& out, const ConvertParams& params);

// The target format and failure text of a colour-format command, or false for other commands.
struct FormatCommandInfo {
    PixelFormat target;
    const char16_t* failureText;
};
bool FormatCommandTarget(int command, FormatCommandInfo* info);

// Code of the indexed conversion: bits base (1 for 1 bit, 5 for 4 bits, 9 for 8 bits) plus the
// palette method's offset (40047 uniform 0, 40048 fixed 1, 40049 monotone 2, 40046 median cut 3).
int IndexedConversionCode(int bitsBase, int paletteMethodCommand);

}  // namespace mirelo
