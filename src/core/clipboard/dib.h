// Device-independent bitmaps (DIBs) as the clipboard carries them: building one from locked
// pixels, and checking and reading one that another program made.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "image/pixel_view.h"

namespace mirelo {

namespace dib {
constexpr uint32_t kRgb = 0;        // BI_RGB
constexpr uint32_t kBitFields = 3;  // BI_BITFIELDS
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kMask565[3] = {0xF800, 0x07E0, 0x001F};
constexpr uint32_t kMask555[3] = {0x7C00, 0x03E0, 0x001F};
constexpr uint32_t kMask888[3] = {0xFF0000, 0x00FF00, 0x0000FF};
}  // namespace dib

// A DIB made by this program: a 40-byte header, the three masks of 16-R5G6B5, the colour table
// of an indexed format (2^bpp entries), then the rows bottom-up, each padded to four bytes.
struct DibImage {
    std::vector<uint8_t> bytes;
    size_t headerLength = 0;  // header, masks and colour table: where the bits start
    size_t bitsLength = 0;    // row length × height
};

// True for the formats that have a DIB form: 1 to 32 bits per pixel.
bool HasDibForm(PixelFormat format);

// Builds the DIB of a view locked in its own format; the colour table is taken from the view's
// palette (entries beyond it stay 0). False for a format above 32 bits per pixel or an empty view.
// `prefix` bytes (zeros) come before the DIB in `bytes`, room for a file header.
bool BuildDib(const PixelView& view, DibImage* out, size_t prefix = 0);
// The DIB with a 124-byte header that carries transparency (CF_DIBV5): 32 bits per pixel as bit
// fields with the alpha mask 0xFF000000, sRGB, rows bottom-up, of a view locked as 32-A8R8G8B8.
// False for any other format or an empty view.
bool BuildDibV5(const PixelView& argb, DibImage* out);
// The lengths of the DIB that LayOutDib makes: its header with masks and colour table, and its
// rows. False for a format without a DIB form, an empty size or rows too long for the header.
bool DibLengths(int width, int height, PixelFormat format, size_t* headerLength, size_t* bitsLength);
// Writes that header, masks and colour table (entries beyond the palette 0) at `header`, which
// has room for the header length DibLengths gives; the size must be one DibLengths accepts.
void PutDibHeader(uint8_t* header, int width, int height, PixelFormat format, const uint32_t* palette, int paletteCount);
// The same DIB with its rows left zero: header, masks and colour table after `prefix` bytes.
bool LayOutDib(int width, int height, PixelFormat format, const uint32_t* palette, int paletteCount, size_t prefix,
               DibImage* out);
// The rows of a laid-out DIB as a view, top row first (a negative stride: they are stored bottom-up).
PixelView DibRows(const DibImage& dib, size_t prefix, int width, int height, PixelFormat format);

// What a checked DIB block holds and the bitmap that is made from it.
struct DibLayout {
    int width = 0;
    int height = 0;             // number of rows, always positive
    bool topDown = false;       // the first stored row is the top row (negative height)
    int bitCount = 0;
    uint32_t compression = 0;
    uint32_t masks[3] = {};     // red, green, blue of a 16- or 32-bit DIB
    uint32_t alphaMask = 0;     // the alpha mask of a bit-field DIB with a header of 56 bytes or more
    // The pixel format of the bitmap made from it: 1-, 4-, 8-Index, 16-R5G5B5, 16-R5G6B5 (by the
    // masks), 24-R8G8B8 or 32-R8G8B8.
    PixelFormat format = 0;
    // Bit-field masks of no pixel format: each pixel goes through the masks into 32-R8G8B8.
    bool throughMasks = false;
    std::vector<uint32_t> palette;  // opaque ARGB, 2^bitCount entries for an indexed format
    size_t headerLength = 0;    // where the bits start
    size_t rowBytes = 0;        // length of a stored row
    size_t bitsLength = 0;      // rowBytes × height; headerLength + bitsLength ≤ the block's size
};

// Checks a DIB block of `size` bytes: header size 40, 52, 56, 108 or 124; bit count 1, 4, 8, 16,
// 24 or 32; no compression, or bit fields for 16 and 32 bits; a colour table no longer than the
// bit count allows; width and height not zero and their product of bits not overflowing; every
// row inside the block. False, without reading past the end, when the block cannot be used.
bool ReadDib(const uint8_t* block, size_t size, DibLayout* out);

// Copies the rows of a checked block into a view of the layout's size and format, top row
// first; for every row exactly the bytes that hold its pixels (pixel values, indices and the
// fourth byte of 32-bit pixels stay as they are). False when the view does not fit the layout.
bool CopyDibRows(const uint8_t* block, const DibLayout& layout, const PixelView& target);

}  // namespace mirelo
