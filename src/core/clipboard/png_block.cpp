#include "clipboard/png_block.h"

#include <array>
#include <cstring>

namespace mirelo {

namespace {
constexpr uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
constexpr size_t kIhdrChunk = 4 + 4 + 13 + 4;  // length, type, data, CRC
constexpr size_t kSmallestChunk = 12;          // an empty chunk, e.g. IEND

uint32_t GetBig32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}

const std::array<uint32_t, 256>& CrcTable() {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    return table;
}

bool ValidDepth(int colourType, int depth) {
    switch (colourType) {
    case 0: return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
    case 3: return depth == 1 || depth == 2 || depth == 4 || depth == 8;
    case 2:
    case 4:
    case 6: return depth == 8 || depth == 16;
    default: return false;
    }
}
}  // namespace

uint32_t PngCrc(const uint8_t* bytes, size_t size, uint32_t crc) {
    const auto& table = CrcTable();
    uint32_t c = crc ^ 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i) c = table[(c ^ bytes[i]) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

bool ReadPngHeader(const uint8_t* block, size_t size, PngHeader* out) {
    if (!block || !out || size < sizeof kSignature + kIhdrChunk + kSmallestChunk) return false;
    if (std::memcmp(block, kSignature, sizeof kSignature) != 0) return false;
    const uint8_t* chunk = block + sizeof kSignature;
    if (GetBig32(chunk) != 13 || std::memcmp(chunk + 4, "IHDR", 4) != 0) return false;
    if (PngCrc(chunk + 4, 4 + 13) != GetBig32(chunk + 8 + 13)) return false;
    const uint8_t* data = chunk + 8;
    PngHeader h;
    h.width = GetBig32(data);
    h.height = GetBig32(data + 4);
    h.bitDepth = data[8];
    h.colourType = data[9];
    if (h.width == 0 || h.height == 0 || h.width > 0x7FFFFFFFu || h.height > 0x7FFFFFFFu) return false;
    if (uint64_t{h.width} * h.height > kMaxPngPixels) return false;
    if (!ValidDepth(h.colourType, h.bitDepth) || data[10] != 0 || data[11] != 0 || data[12] > 1) return false;
    *out = h;
    return true;
}

}  // namespace mirelo
