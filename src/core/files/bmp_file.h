// Uncompressed BMP files: a 14-byte file header followed by a DIB.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "image/pixel_view.h"

namespace mirelo {

// A picture held in memory with its own pixel storage.
struct OwnedPixels {
    std::vector<uint8_t> bytes;
    std::vector<uint32_t> palette;  // ARGB entries of an indexed picture
    PixelView view;                 // points into bytes (and palette)

    void Allocate(int width, int height, PixelFormat format);
};

// Reads a BMP file's bytes into 32-bit ARGB pixels. `fileFormat` receives the stored format
// (24-R8G8B8 files count as such for the alpha rules). False with a reason for a bad file.
bool ReadBmp(const std::vector<uint8_t>& file, OwnedPixels* argb, PixelFormat* fileFormat, std::string* error);
bool ReadBmp(const uint8_t* file, size_t size, OwnedPixels* argb, PixelFormat* fileFormat, std::string* error);
// Reads a BMP file's pixels as they are stored: 1-, 4- and 8-bit indices with the colour table as
// the palette, 16-, 24- and 32-bit pixels unchanged (bit fields of no pixel format through their
// masks into 32-R8G8B8). The view shows the rows top row first where they lie in the file's
// bytes, which the pixels keep (a moved-in file is not copied).
bool ReadBmpStored(std::vector<uint8_t> file, OwnedPixels* pixels, std::string* error);
// The same on bytes that the caller keeps for as long as the pixels are used: the view shows the
// rows in `file` itself (only bit fields of no pixel format are converted into the pixels' own bytes).
bool ReadBmpStored(const uint8_t* file, size_t size, OwnedPixels* pixels, std::string* error);

// Writes pixels of 1 to 32 bits per pixel (with their palette when indexed) as a BMP file.
bool WriteBmp(const PixelView& view, std::vector<uint8_t>* file);
// The bytes of a BMP file of the given size and format (1 to 32 bits per pixel) with its colour
// table, the rows zero; `rows` views them, top row first, for the caller to fill in place.
bool StartBmp(int width, int height, PixelFormat format, const std::vector<uint32_t>& palette, std::vector<uint8_t>* file,
              PixelView* rows);
// The length of that file; 0 when no BMP of this size and format can be made.
size_t BmpFileSize(int width, int height, PixelFormat format);
// Lays out the same file in memory of the caller's, `size` bytes (BmpFileSize): headers and colour
// table are written and of the rows only the bytes after their whole pixels (the padding, and a
// partly used last byte) are cleared; every pixel is the caller's to write through `rows`.
bool StartBmp(uint8_t* file, size_t size, int width, int height, PixelFormat format, const std::vector<uint32_t>& palette,
              PixelView* rows);

}  // namespace mirelo
