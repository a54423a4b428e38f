#include "clipboard/dib.h"

#include <cstring>
#include <limits>

#include "common/bytes.h"

namespace mirelo {

namespace {

bool IsDibBitCount(int bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

bool SameMasks(const uint32_t* a, const uint32_t* b) { return a[0] == b[0] && a[1] == b[1] && a[2] == b[2]; }

int LowestBit(uint32_t m) {
    int n = 0;
    while (!(m & 1u)) {
        m >>= 1;
        ++n;
    }
    return n;
}

// A mask is usable when its set bits form one run (or it is empty).
bool OneRun(uint32_t m) {
    if (!m) return true;
    m >>= LowestBit(m);
    return (m & (m + 1)) == 0;
}

int RunLength(uint32_t m) {
    int n = 0;
    for (; m; m >>= 1) n += static_cast<int>(m & 1u);
    return n;
}

// One channel of a bit-field pixel, scaled to eight bits.
uint8_t Channel(uint32_t pixel, uint32_t mask) {
    if (!mask) return 0;
    int shift = LowestBit(mask);
    uint32_t value = (pixel & mask) >> shift;
    int bits = RunLength(mask);
    if (bits >= 8) return static_cast<uint8_t>(value >> (bits - 8));
    uint32_t top = (1u << bits) - 1;
    return static_cast<uint8_t>((value * 255 + top / 2) / top);
}

size_t RowPixelBytes(int width, int bits) {
    return static_cast<size_t>((static_cast<uint64_t>(width) * static_cast<uint64_t>(bits) + 7) / 8);
}
}  // namespace

bool HasDibForm(PixelFormat format) { return IsDibBitCount(BitsPerPixel(format)); }

bool DibLengths(int width, int height, PixelFormat format, size_t* headerLength, size_t* bitsLength) {
    if (!HasDibForm(format) || width <= 0 || height <= 0) return false;
    const int bits = BitsPerPixel(format);
    const uint64_t length = static_cast<uint64_t>(DwordStride(width, bits)) * static_cast<uint64_t>(height);
    if (length > std::numeric_limits<uint32_t>::max()) return false;  // the header's size field is 32 bits
    const size_t tableEntries = bits <= 8 ? (size_t{1} << bits) : 0;
    *headerLength = dib::kInfoHeaderSize + (format == fmt::k16RGB565 ? 12 : 0) + 4 * tableEntries;
    *bitsLength = static_cast<size_t>(length);
    return true;
}

void PutDibHeader(uint8_t* h, int width, int height, PixelFormat format, const uint32_t* palette, int paletteCount) {
    const int bits = BitsPerPixel(format);
    const bool fields = format == fmt::k16RGB565;
    const size_t tableEntries = bits <= 8 ? (size_t{1} << bits) : 0;
    const uint64_t bitsLength = static_cast<uint64_t>(DwordStride(width, bits)) * static_cast<uint64_t>(height);
    std::memset(h, 0, dib::kInfoHeaderSize);
    Put32(h + 0, dib::kInfoHeaderSize);
    Put32(h + 4, static_cast<uint32_t>(width));
    Put32(h + 8, static_cast<uint32_t>(height));  // positive: bottom-up rows
    Put16(h + 12, 1);
    Put16(h + 14, static_cast<uint32_t>(bits));
    Put32(h + 16, fields ? dib::kBitFields : dib::kRgb);
    Put32(h + 20, static_cast<uint32_t>(bitsLength));
    // Resolution, colours used and colours important stay 0.
    uint8_t* p = h + dib::kInfoHeaderSize;
    if (fields) {
        for (uint32_t m : dib::kMask565) {
            Put32(p, m);
            p += 4;
        }
    }
    const size_t given = static_cast<size_t>(!palette || paletteCount < 0 ? 0 : paletteCount);
    for (size_t i = 0; i < tableEntries; ++i, p += 4) {
        const uint32_t argb = i < given ? palette[i] : 0;
        p[0] = static_cast<uint8_t>(argb);        // blue
        p[1] = static_cast<uint8_t>(argb >> 8);   // green
        p[2] = static_cast<uint8_t>(argb >> 16);  // red
        p[3] = 0;
    }
}

bool LayOutDib(int width, int height, PixelFormat format, const uint32_t* palette, int paletteCount, size_t prefix,
               DibImage* out) {
    if (!out || !DibLengths(width, height, format, &out->headerLength, &out->bitsLength)) return false;
    out->bytes.assign(prefix + out->headerLength + out->bitsLength, 0);
    PutDibHeader(out->bytes.data() + prefix, width, height, format, palette, paletteCount);
    return true;
}

PixelView DibRows(const DibImage& dib, size_t prefix, int width, int height, PixelFormat format) {
    const int stride = static_cast<int>(DwordStride(width, BitsPerPixel(format)));
    uint8_t* bits = const_cast<uint8_t*>(dib.bytes.data()) + prefix + dib.headerLength;
    return PixelView{width, height, -stride, format, bits + static_cast<size_t>(stride) * static_cast<size_t>(height - 1)};
}

bool BuildDib(const PixelView& view, DibImage* out, size_t prefix) {
    if (!view.scan0 || !LayOutDib(view.width, view.height, view.format, view.palette, view.paletteCount, prefix, out))
        return false;
    const PixelView rows = DibRows(*out, prefix, view.width, view.height, view.format);
    const size_t rowCopy = RowPixelBytes(view.width, BitsPerPixel(view.format));
    for (int y = 0; y < view.height; ++y) std::memcpy(rows.Row(y), view.Row(y), rowCopy);
    return true;
}

bool BuildDibV5(const PixelView& argb, DibImage* out) {
    constexpr size_t kV5HeaderSize = 124;
    if (!out || !argb.scan0 || argb.format != fmt::k32ARGB || argb.width <= 0 || argb.height <= 0) return false;
    const uint64_t bits = uint64_t{4} * static_cast<uint64_t>(argb.width) * static_cast<uint64_t>(argb.height);
    if (bits > std::numeric_limits<uint32_t>::max() - kV5HeaderSize) return false;
    DibImage d;
    d.headerLength = kV5HeaderSize;
    d.bitsLength = static_cast<size_t>(bits);
    d.bytes.assign(d.headerLength + d.bitsLength, 0);
    uint8_t* h = d.bytes.data();
    Put32(h, kV5HeaderSize);
    Put32(h + 4, static_cast<uint32_t>(argb.width));
    Put32(h + 8, static_cast<uint32_t>(argb.height));  // bottom-up
    Put16(h + 12, 1);
    Put16(h + 14, 32);
    Put32(h + 16, dib::kBitFields);
    Put32(h + 20, static_cast<uint32_t>(bits));
    Put32(h + 40, dib::kMask888[0]);
    Put32(h + 44, dib::kMask888[1]);
    Put32(h + 48, dib::kMask888[2]);
    Put32(h + 52, 0xFF000000u);
    Put32(h + 56, 0x73524742u);  // 'sRGB'
    Put32(h + 108, 4);           // LCS_GM_IMAGES
    const size_t row = size_t{4} * static_cast<size_t>(argb.width);
    for (int y = 0; y < argb.height; ++y)
        std::memcpy(h + kV5HeaderSize + row * static_cast<size_t>(argb.height - 1 - y), argb.Row(y), row);
    *out = std::move(d);
    return true;
}

bool ReadDib(const uint8_t* block, size_t size, DibLayout* out) {
    if (!block || !out || size < dib::kInfoHeaderSize) return false;
    const uint32_t headerSize = Get32(block);
    if (headerSize != 40 && headerSize != 52 && headerSize != 56 && headerSize != 108 && headerSize != 124) return false;
    if (size < headerSize) return false;
    const int32_t width = static_cast<int32_t>(Get32(block + 4));
    const int32_t height = static_cast<int32_t>(Get32(block + 8));
    const int bits = Get16(block + 14);
    const uint32_t compression = Get32(block + 16);
    const uint32_t used = Get32(block + 32);
    if (width <= 0 || height == 0 || height == std::numeric_limits<int32_t>::min()) return false;
    if (!IsDibBitCount(bits)) return false;
    if (compression == dib::kBitFields) {
        if (bits != 16 && bits != 32) return false;
    } else if (compression != dib::kRgb) {
        return false;
    }

    DibLayout d;
    d.width = width;
    d.height = height < 0 ? -height : height;
    d.topDown = height < 0;
    d.bitCount = bits;
    d.compression = compression;
    size_t offset = headerSize;
    if (compression == dib::kBitFields) {
        // A 40-byte header is followed by the three masks; the larger headers hold them.
        const uint8_t* m = block + dib::kInfoHeaderSize;
        if (headerSize == dib::kInfoHeaderSize) {
            if (size - offset < 12) return false;
            offset += 12;
        }
        for (int i = 0; i < 3; ++i) d.masks[i] = Get32(m + 4 * i);
        if (headerSize >= 56) d.alphaMask = Get32(m + 12);
    } else if (bits == 16) {
        std::memcpy(d.masks, dib::kMask555, sizeof d.masks);
    } else if (bits == 32) {
        std::memcpy(d.masks, dib::kMask888, sizeof d.masks);
    }

    switch (bits) {
    case 1: d.format = fmt::k1Index; break;
    case 4: d.format = fmt::k4Index; break;
    case 8: d.format = fmt::k8Index; break;
    case 24: d.format = fmt::k24RGB; break;
    case 16:
    case 32: {
        if ((d.masks[0] | d.masks[1] | d.masks[2]) >> (bits - 1) >> 1) return false;  // bits the pixel lacks
        if (bits == 16 && SameMasks(d.masks, dib::kMask565)) {
            d.format = fmt::k16RGB565;
        } else if (bits == 16 && SameMasks(d.masks, dib::kMask555)) {
            d.format = fmt::k16RGB555;
        } else if (bits == 32 && SameMasks(d.masks, dib::kMask888)) {
            d.format = fmt::k32RGB;
        } else {
            if (!(d.masks[0] | d.masks[1] | d.masks[2])) return false;
            for (uint32_t m : d.masks)
                if (!OneRun(m)) return false;
            d.format = fmt::k32RGB;
            d.throughMasks = true;
        }
        break;
    }
    }

    // The colour table: for an indexed DIB the colours used (all 2^bits when 0); a direct-colour
    // DIB may carry a table of its colours used, which is skipped.
    size_t entries = used;
    if (bits <= 8) {
        const uint32_t most = 1u << bits;
        if (used > most) return false;
        if (used == 0) entries = most;
    }
    if ((size - offset) / 4 < entries) return false;
    if (bits <= 8) {
        d.palette.assign(size_t{1} << bits, 0xFF000000u);
        for (size_t i = 0; i < entries; ++i) {
            const uint8_t* q = block + offset + 4 * i;
            d.palette[i] = 0xFF000000u | (uint32_t{q[2]} << 16) | (uint32_t{q[1]} << 8) | q[0];
        }
    }
    offset += 4 * entries;

    const uint64_t rowBytes = static_cast<uint64_t>(DwordStride(width, bits));
    const uint64_t targetRow = d.throughMasks ? uint64_t{4} * static_cast<uint64_t>(width) : rowBytes;
    if (targetRow > static_cast<uint64_t>(std::numeric_limits<int32_t>::max())) return false;
    const size_t room = size - offset;
    if (rowBytes > room / static_cast<uint64_t>(d.height)) return false;
    d.headerLength = offset;
    d.rowBytes = static_cast<size_t>(rowBytes);
    d.bitsLength = static_cast<size_t>(rowBytes) * static_cast<size_t>(d.height);
    *out = std::move(d);
    return true;
}

bool CopyDibRows(const uint8_t* block, const DibLayout& layout, const PixelView& target) {
    if (!block || !target.scan0 || target.width != layout.width || target.height != layout.height ||
        target.format != layout.format || layout.width <= 0 || layout.height <= 0)
        return false;
    const size_t targetRow = layout.throughMasks ? size_t{4} * static_cast<size_t>(layout.width)
                                                 : RowPixelBytes(layout.width, layout.bitCount);
    const size_t targetStride = static_cast<size_t>(target.stride < 0 ? -static_cast<int64_t>(target.stride) : target.stride);
    if (targetStride < targetRow || layout.rowBytes < RowPixelBytes(layout.width, layout.bitCount)) return false;
    const uint8_t* bits = block + layout.headerLength;
    for (int y = 0; y < layout.height; ++y) {
        const int stored = layout.topDown ? y : layout.height - 1 - y;
        const uint8_t* src = bits + static_cast<size_t>(stored) * layout.rowBytes;
        uint8_t* dst = target.Row(y);
        if (!layout.throughMasks) {
            std::memcpy(dst, src, targetRow);
            continue;
        }
        const int step = layout.bitCount / 8;
        for (int x = 0; x < layout.width; ++x, src += step, dst += 4) {
            const uint32_t pixel = step == 2 ? Get16(src) : Get32(src);
            dst[0] = Channel(pixel, layout.masks[2]);
            dst[1] = Channel(pixel, layout.masks[1]);
            dst[2] = Channel(pixel, layout.masks[0]);
            dst[3] = 0xFF;
        }
    }
    return true;
}

}  // namespace mirelo
