// Icon (.ico) and pointer (.cur) files: reading the directory and the entries of a file that
// comes from outside, decoding bitmap entries to ARGB, and writing such files.
//
// Layout, all little-endian: u16 reserved (0), u16 type (1 icon, otherwise pointer), u16 count,
// then 16-byte directory entries (width, height, colour count, reserved bytes; u16 planes or
// hot spot X; u16 bit count or hot spot Y; u32 data size; u32 data offset from the file start).
// Entry data is either a whole PNG file or a bitmap: a 40-byte info header whose height is
// twice the picture's, the bit-field masks and colour table, the colour bits and a 1-bit mask
// (bit 1 = transparent), both bottom-up with rows padded to four bytes.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "clipboard/dib.h"
#include "files/bmp_file.h"
#include "image/pixel_view.h"

namespace mirelo {

namespace icon {
constexpr int kMaxEntries = 32;    // a directory count above 31 is read as 32
constexpr int kMaxSide = 4096;     // bitmap entries wider or taller than this are unusable
constexpr size_t kHeaderSize = 6;
constexpr size_t kDirectoryEntrySize = 16;
}  // namespace icon

// One directory entry as read.
struct IconFileEntry {
    bool usable = false;  // false: the entry cannot be loaded (bad offset, size, header or data)
    bool png = false;     // the data starts with the PNG signature
    int hotspotX = 0;     // pointer files: the directory's hot spot; icon files: 0
    int hotspotY = 0;
    // Bitmap entries: from the info header (the height halved). PNG entries: from the PNG's
    // IHDR chunk when it is there, else the directory bytes (0 meaning 256).
    int width = 0;
    int height = 0;
    // Bitmap entries: the header's bits per pixel. PNG entries: bit depth × channels of the
    // IHDR chunk when it is there, else 0.
    int bitCount = 0;
    std::vector<uint8_t> pngData;  // usable PNG entries: the whole data, decoded elsewhere
    // Bitmap entries: a DIB block that ReadDib() accepts: the 40-byte header with the height
    // halved, the image size set to the colour bits' length and the colours used cleared above
    // 8 bits per pixel, then the bit-field masks, the colour table and the colour bits.
    std::vector<uint8_t> dib;
    std::vector<uint8_t> maskBits;  // bottom-up rows of maskStride bytes, bit 1 = transparent
    int maskStride = 0;
};

struct IconFileContents {
    int directoryCount = 0;  // the header's count, at most 32; 0 for a reserved field not 0
    bool cursor = false;     // type other than 1
    // One element per directory entry that lies inside the file, in directory order.
    std::vector<IconFileEntry> entries;
};

// Reads the header, directory and entry data of a file of `size` bytes. Every offset, size,
// header field and dimension is checked before anything is copied; an entry that fails a
// check is kept with usable = false. Never reads outside [bytes, bytes + size).
IconFileContents ReadIconFile(const uint8_t* bytes, size_t size);

// Decodes a usable bitmap entry into 32-bit ARGB pixels (k32ARGB). The colour bits go
// through the entry's own pixel format (returned in *entryFormat); 32-bit entries keep their
// fourth byte as alpha when any pixel's fourth byte is not 0 and are opaque otherwise. Then
// every pixel whose mask bit is 1 becomes 0x00000000. False for PNG or unusable entries.
bool DecodeIconBitmapEntry(const IconFileEntry& entry, OwnedPixels* argb, PixelFormat* entryFormat);

// Sets every pixel of a 32-bit view whose mask bit is 1 to 0 (rows of the mask bottom-up).
// False, changing nothing, when the mask is too short for the view or the view is not 32-bit.
bool ApplyIconMask(const std::vector<uint8_t>& maskBits, int maskStride, const PixelView& argb);

// Builds the mask of a 32-bit ARGB view: bottom-up rows of DwordStride(width, 1) bytes, bit 1
// where the alpha is 0. With an inversion colour, pixels equal to it (all 32 bits) also get bit
// 1 and are set to white 0xFFFFFFFF in the view. Empty for a view that is not 32-bit or empty.
std::vector<uint8_t> BuildIconMask(const PixelView& argb, const uint32_t* inversionColour = nullptr);

// Sets every pixel of a 32-bit ARGB view whose alpha is 0 to 0x00000000.
void ClearTransparentPixels(const PixelView& argb);

// The data of a bitmap entry: the colour DIB's header with the height doubled and the image
// size 0, its masks, colour table and bits, then the mask bits. Empty when the DIB is not a
// 40-byte-header block of headerLength + bitsLength bytes or the mask is not
// DwordStride(width, 1) × height bytes.
std::vector<uint8_t> BuildIconBitmapEntry(const DibImage& colour, const std::vector<uint8_t>& maskBits);

// One entry to write: bitmap entry data from BuildIconBitmapEntry or a complete PNG file.
struct IconWriteEntry {
    std::vector<uint8_t> data;
    int width = 0;
    int height = 0;
    int bitCount = 0;
    int hotspotX = 0;  // written for pointer files only
    int hotspotY = 0;
};

// A bitmap entry to write: BuildIconBitmapEntry's data with the colour DIB's width, height and
// bits per pixel (the hot spot is left to the caller). False when the data cannot be built.
bool MakeIconBitmapWriteEntry(const DibImage& colour, const std::vector<uint8_t>& maskBits, IconWriteEntry* out);

// Writes an icon (type 1) or pointer (type 2) file: the header, one directory entry each
// (width and height bytes 0 when either side is above 255; colour count 2^bits for 1 to 7
// bits per pixel, else 0; hot spot for pointers, 0 for icons), then the data in directory
// order without gaps. False when there is no entry, the first has no data, there are more
// than 65535 entries, a pointer's hot spot is outside 0..65535 or the file would be 4 GiB or
// more.
bool BuildIconFile(const std::vector<IconWriteEntry>& entries, bool pointer, std::vector<uint8_t>* out);

}  // namespace mirelo
