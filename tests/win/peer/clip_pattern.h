// The pictures that the clipboard peer puts on the clipboard, shared with the tests that check
// what the editor made of them. Plain C++ only: the peer is a program of its own.
#pragma once
#include <cstdint>

namespace cliptest {

constexpr int kWidth = 10;  // a 1-bit row holds 10 pixels in two bytes
constexpr int kHeight = 7;

// Palette entry i as 0x00RRGGBB.
inline uint32_t PaletteRgb(int i) {
    uint32_t r = static_cast<uint32_t>(i * 37 + 11) & 0xFF, g = static_cast<uint32_t>(i * 91 + 7) & 0xFF,
             b = static_cast<uint32_t>(i * 13 + 200) & 0xFF;
    return (r << 16) | (g << 8) | b;
}

// The stored value of pixel (x, y), y = 0 the top row, for a DIB of the given kind: 1, 4, 8
// (indices), 555 and 565 (16-bit words), 24 (0xRRGGBB) or 32 (with a fourth byte that is not
// opaque everywhere).
inline uint32_t Stored(int kind, int x, int y) {
    switch (kind) {
    case 1: return static_cast<uint32_t>(x + y) & 1;
    case 4: return static_cast<uint32_t>(x * 3 + y * 5 + x * y) & 0xF;
    case 8: return static_cast<uint32_t>(x * 29 + y * 17 + x * y) & 0xFF;
    case 555:
        return ((static_cast<uint32_t>(x * 3) & 31) << 10) | ((static_cast<uint32_t>(y * 4 + 1) & 31) << 5) |
               (static_cast<uint32_t>(x + y * 2) & 31);
    case 565:
        return ((static_cast<uint32_t>(x * 3) & 31) << 11) | ((static_cast<uint32_t>(y * 9 + x) & 63) << 5) |
               (static_cast<uint32_t>(x + y * 2) & 31);
    case 24:
        return (static_cast<uint32_t>((x + y) * 10 + 3) << 16) | (static_cast<uint32_t>(y * 30 + 1) << 8) |
               static_cast<uint32_t>(x * 20 + 5);
    case 32: return Stored(24, x, y) | (static_cast<uint32_t>(x * y * 7 + 3) & 0xFF) << 24;
    }
    return 0;
}

inline int BitCount(int kind) { return kind == 555 || kind == 565 ? 16 : kind; }

// The colour (0x00RRGGBB) of pixel (x, y) of a picture of the given kind.
inline uint32_t Rgb(int kind, int x, int y) {
    uint32_t v = Stored(kind, x, y);
    auto scale = [](uint32_t c, int bits) { return (c * 255 + ((1u << bits) - 1) / 2) / ((1u << bits) - 1); };
    switch (kind) {
    case 1:
    case 4:
    case 8: return PaletteRgb(static_cast<int>(v));
    case 555: return (scale((v >> 10) & 31, 5) << 16) | (scale((v >> 5) & 31, 5) << 8) | scale(v & 31, 5);
    case 565: return (scale((v >> 11) & 31, 5) << 16) | (scale((v >> 5) & 63, 6) << 8) | scale(v & 31, 5);
    default: return v & 0xFFFFFF;
    }
}

// The colour of the device bitmap the peer puts beside a broken DIB.
constexpr uint32_t kFallbackRgb = 0x4080C0;
constexpr int kFallbackWidth = 3;
constexpr int kFallbackHeight = 2;

}  // namespace cliptest
