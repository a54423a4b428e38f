// The "PNG" block other programs put on the clipboard for images with transparency: its
// signature and header chunk are checked before the bytes reach the decoder.
#pragma once
#include <cstddef>
#include <cstdint>

namespace mirelo {

// At most 2^28 pixels (1 GiB at 32 bits per pixel): a header that claims more is refused before
// any memory is taken for it.
constexpr uint64_t kMaxPngPixels = uint64_t{1} << 28;

struct PngHeader {
    uint32_t width = 0;
    uint32_t height = 0;
    int bitDepth = 0;
    int colourType = 0;
};

// True when the block starts with the PNG signature and a sound IHDR chunk (length 13, correct
// CRC, width and height 1..2^31 − 1 within kMaxPngPixels, a valid pairing of bit depth and colour
// type, compression and filter 0, interlace 0 or 1) and is long enough for more chunks.
bool ReadPngHeader(const uint8_t* block, size_t size, PngHeader* out);

// CRC-32 as PNG chunks carry it (polynomial 0xEDB88320, over the chunk type and data).
uint32_t PngCrc(const uint8_t* bytes, size_t size, uint32_t crc = 0);

}  // namespace mirelo
