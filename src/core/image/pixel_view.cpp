#include "image/pixel_view.h"

#include <algorithm>
#include <cstring>

namespace mirelo {

uint32_t ReadStored(const PixelView& v, int x, int y) {
    const uint8_t* row = v.Row(y);
    int bpp = BitsPerPixel(v.format);
    if (bpp < 8) {
        int bit = x * bpp;
        int shift = 8 - bpp - (bit & 7);
        return (row[bit >> 3] >> shift) & ((1u << bpp) - 1);
    }
    const uint8_t* p = row + static_cast<intptr_t>(x) * (bpp / 8);
    uint32_t value = 0;
    int bytes = bpp / 8 > 4 ? 4 : bpp / 8;
    for (int i = 0; i < bytes; ++i) value |= uint32_t{p[i]} << (8 * i);
    return value;
}

void WriteStored(const PixelView& v, int x, int y, uint32_t stored) {
    uint8_t* row = v.Row(y);
    int bpp = BitsPerPixel(v.format);
    if (bpp < 8) {
        int bit = x * bpp;
        int shift = 8 - bpp - (bit & 7);
        uint8_t mask = static_cast<uint8_t>(((1u << bpp) - 1) << shift);
        row[bit >> 3] = static_cast<uint8_t>((row[bit >> 3] & ~mask) | ((stored << shift) & mask));
        return;
    }
    uint8_t* p = row + static_cast<intptr_t>(x) * (bpp / 8);
    int bytes = bpp / 8 > 4 ? 4 : bpp / 8;
    for (int i = 0; i < bytes; ++i) p[i] = static_cast<uint8_t>(stored >> (8 * i));
}

}  // namespace mirelo

#include <algorithm>
#include <cstring>

namespace mirelo {

void CopyRows(const PixelView& from, const PixelView& to) {
    const int bits = BitsPerPixel(from.format);
    if (bits != BitsPerPixel(to.format) || !from.scan0 || !to.scan0) return;
    const int width = from.width < to.width ? from.width : to.width;
    const int height = from.height < to.height ? from.height : to.height;
    if (width <= 0 || height <= 0) return;
    const size_t rowBytes = (static_cast<size_t>(width) * static_cast<size_t>(bits) + 7) / 8;
    for (int y = 0; y < height; ++y) std::memcpy(to.Row(y), from.Row(y), rowBytes);
}

void CopyArea(const PixelView& from, int left, int top, const PixelView& to) {
    const int bits = BitsPerPixel(from.format);
    if (bits != BitsPerPixel(to.format) || !from.scan0 || !to.scan0 || left < 0 || top < 0) return;
    const int width = std::min(to.width, from.width - left), height = std::min(to.height, from.height - top);
    if (width <= 0 || height <= 0) return;
    for (int y = 0; y < height; ++y) {
        if (bits >= 8) {
            std::memcpy(to.Row(y), from.At(left, top + y), static_cast<size_t>(width) * static_cast<size_t>(bits / 8));
        } else {
            for (int x = 0; x < width; ++x) WriteStored(to, x, y, ReadStored(from, left + x, top + y));
        }
    }
}

void FillStored(const PixelView& v, uint32_t stored) {
    const int bytes = BitsPerPixel(v.format) / 8;
    if (bytes < 1 || v.width <= 0 || v.height <= 0) return;
    for (int y = 0; y < v.height; ++y) {
        uint8_t* row = v.Row(y);
        if (bytes == 4) {
            for (int x = 0; x < v.width; ++x) std::memcpy(row + x * 4, &stored, 4);  // little-endian store
        } else {
            for (int x = 0; x < v.width; ++x) WriteStored(v, x, y, stored);
        }
    }
}

bool AnyFourthByteSet(const PixelView& v) {
    if (BitsPerPixel(v.format) != 32) return false;
    for (int y = 0; y < v.height; ++y) {
        const uint8_t* row = v.Row(y);
        for (int x = 0; x < v.width; ++x)
            if (row[x * 4 + 3] != 0) return true;
    }
    return false;
}

void SetFourthBytes(const PixelView& v, uint8_t value) {
    if (BitsPerPixel(v.format) != 32) return;
    for (int y = 0; y < v.height; ++y) {
        uint8_t* row = v.Row(y);
        for (int x = 0; x < v.width; ++x) row[x * 4 + 3] = value;
    }
}

}  // namespace mirelo
