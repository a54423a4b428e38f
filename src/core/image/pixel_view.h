// A plain description of locked pixel memory, shared by every pixel operation.
#pragma once
#include <cstdint>

#include "image/pixel_format.h"

namespace mirelo {

struct PixelView {
    int width = 0;
    int height = 0;
    int stride = 0;  // bytes from one row to the next; negative for bottom-up memory
    PixelFormat format = 0;
    uint8_t* scan0 = nullptr;  // first (top) row
    const uint32_t* palette = nullptr;  // ARGB entries of an indexed view
    int paletteCount = 0;

    uint8_t* Row(int y) const { return scan0 + static_cast<intptr_t>(y) * stride; }
    // Address of pixel x in row y for formats of at least 8 bits per pixel.
    uint8_t* At(int x, int y) const { return Row(y) + static_cast<intptr_t>(x) * (BitsPerPixel(format) / 8); }
};

// Reads one pixel as a little-endian word (only the format's width significant); formats below
// 8 bits per pixel give the palette index.
uint32_t ReadStored(const PixelView& v, int x, int y);
void WriteStored(const PixelView& v, int x, int y, uint32_t stored);

}  // namespace mirelo

namespace mirelo {

// Copies the rows of one view into another of the same depth: the bytes of the narrower width in
// each row, for the lower of the two heights.
void CopyRows(const PixelView& from, const PixelView& to);
// Copies the rectangle of `from` starting at (left, top) with the size of `to` (cut to `from`),
// pixel values unchanged; both views have the same bits per pixel.
void CopyArea(const PixelView& from, int left, int top, const PixelView& to);

// Sets every pixel of a view of 8 or more bits per pixel to one stored value.
void FillStored(const PixelView& v, uint32_t stored);

// The fourth byte of 32-bit pixels, which files may or may not use for alpha: whether any pixel
// has it other than 0, and setting it in every pixel. Views of other depths are left alone.
bool AnyFourthByteSet(const PixelView& v);
void SetFourthBytes(const PixelView& v, uint8_t value);

}  // namespace mirelo
