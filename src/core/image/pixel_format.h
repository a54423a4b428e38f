// Pixel format values, their names and properties, single-pixel packing and colour forms.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "common/text.h"

namespace mirelo {

using PixelFormat = uint32_t;

namespace fmt {
constexpr PixelFormat k1Index = 0x30101;
constexpr PixelFormat k4Index = 0x30402;
constexpr PixelFormat k8Index = 0x30803;
constexpr PixelFormat k16Gray = 0x101004;
constexpr PixelFormat k16RGB555 = 0x21005;
constexpr PixelFormat k16RGB565 = 0x21006;
constexpr PixelFormat k16ARGB1555 = 0x61007;
constexpr PixelFormat k24RGB = 0x21808;
constexpr PixelFormat k32RGB = 0x22009;
constexpr PixelFormat k32ARGB = 0x26200A;
constexpr PixelFormat k32PARGB = 0xE200B;
constexpr PixelFormat k48RGB = 0x10300C;
constexpr PixelFormat k64ARGB = 0x34400D;
constexpr PixelFormat k64PARGB = 0x1C400E;
constexpr PixelFormat kMax = 15;
}  // namespace fmt

struct PixelFormatInfo {
    PixelFormat format;
    const char16_t* name;
    int colourFormatCommand;  // the colour-format menu command that produces it, 0 when none
};

// The 15 rows of the format table (the 14 real formats, then "Max").
const PixelFormatInfo* PixelFormatTable(size_t* count);

// The short name of a format; "?-?" for a value outside the table.
TextView PixelFormatNameOf(PixelFormat format);

// Copies the name with its terminator into buffer (capacity in code units, truncated to fit)
// and returns the number of code units written including the terminator.
size_t PixelFormatName(PixelFormat format, char16_t* buffer, size_t capacity);

constexpr int BitsPerPixel(PixelFormat f) { return static_cast<int>((f >> 8) & 0xFF); }
constexpr bool IsIndexed(PixelFormat f) { return (f & 0x10000) != 0; }
constexpr bool HasAlpha(PixelFormat f) { return (f & 0x40000) != 0; }
constexpr bool IsPremultiplied(PixelFormat f) { return (f & 0x80000) != 0; }
constexpr bool IsExtended(PixelFormat f) { return (f & 0x100000) != 0; }

// Bytes of one row of a bottom-up DIB style layout: ((width × bpp + 31) >> 5) << 2.
constexpr int64_t DwordStride(int64_t width, int bpp) { return ((width * bpp + 31) >> 5) << 2; }

// Stored pixel value (little-endian word, low bits significant) to a 0xBBGGRRAA colour word.
uint32_t UnpackPixel(uint32_t stored, PixelFormat format);
// 0xBBGGRRAA colour word to the stored value of a format.
uint32_t PackPixel(uint32_t colour, PixelFormat format);

// Win32 colour 0x00BBGGRR to GDI+ colour 0xAARRGGBB.
constexpr uint32_t ArgbFromWin32WithAlpha(uint32_t colour, uint8_t alpha) {
    return (uint32_t{alpha} << 24) | ((colour & 0xFF) << 16) | (colour & 0xFF00) | ((colour >> 16) & 0xFF);
}
constexpr uint32_t ArgbFromWin32(uint32_t colour) { return ArgbFromWin32WithAlpha(colour, 0xFF); }
// Alpha of the first GDI+ colour with red, green and blue of the second.
constexpr uint32_t KeepAlpha(uint32_t argbWithAlpha, uint32_t argbWithColour) {
    return (argbWithAlpha & 0xFF000000u) | (argbWithColour & 0x00FFFFFFu);
}
// GDI+ colour to Win32 colour (alpha dropped).
constexpr uint32_t Win32FromArgb(uint32_t argb) {
    return ((argb >> 16) & 0xFF) | (argb & 0xFF00) | ((argb & 0xFF) << 16);
}

// Reads hexadecimal text: only 0-9 and a-f count, every other character is skipped.
uint32_t ReadHexColour(TextView text);

// Six lowercase hex digits, red first, of a Win32 colour.
Text HexColourText(uint32_t win32Colour);

}  // namespace mirelo
