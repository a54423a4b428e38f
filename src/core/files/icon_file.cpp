#include "files/icon_file.h"

#include <cstring>
#include <limits>

#include "common/bytes.h"
#include "image/convert.h"

namespace mirelo {

namespace {
uint32_t GetBig32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}

bool IsBitCount(int bits) { return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32; }

// Width, height and bits per pixel of a PNG entry from its IHDR chunk, which follows the
// 8-byte signature; the directory's values stand when the chunk is missing or odd.
void ReadPngSize(const uint8_t* data, size_t size, uint8_t widthByte, uint8_t heightByte, IconFileEntry* e) {
    e->width = widthByte ? widthByte : 256;
    e->height = heightByte ? heightByte : 256;
    e->bitCount = 0;
    if (size < 26 || std::memcmp(data + 12, "IHDR", 4) != 0) return;
    const uint32_t w = GetBig32(data + 16);
    const uint32_t h = GetBig32(data + 20);
    const uint32_t most = static_cast<uint32_t>(std::numeric_limits<int32_t>::max());
    if (w == 0 || h == 0 || w > most || h > most) return;
    e->width = static_cast<int>(w);
    e->height = static_cast<int>(h);
    int channels = 0;
    switch (data[25]) {  // colour type
    case 0: channels = 1; break;  // grey
    case 2: channels = 3; break;  // RGB
    case 3: channels = 1; break;  // palette
    case 4: channels = 2; break;  // grey with alpha
    case 6: channels = 4; break;  // RGBA
    default: break;
    }
    e->bitCount = channels * data[24];
}

// Checks a bitmap entry's data and splits it into the DIB block and the mask.
void ReadBitmapEntry(const uint8_t* d, size_t size, IconFileEntry* e) {
    if (size < dib::kInfoHeaderSize || Get32(d) != dib::kInfoHeaderSize) return;
    const int32_t width = static_cast<int32_t>(Get32(d + 4));
    const int32_t doubled = static_cast<int32_t>(Get32(d + 8));
    const int planes = Get16(d + 12);
    const int bits = Get16(d + 14);
    const uint32_t compression = Get32(d + 16);
    const uint32_t used = Get32(d + 32);
    if (width <= 0 || doubled <= 0) return;
    const int32_t height = doubled / 2;
    if (height <= 0 || width > icon::kMaxSide || height > icon::kMaxSide) return;
    if (planes != 1 || !IsBitCount(bits)) return;
    if (compression != dib::kRgb && !(compression == dib::kBitFields && (bits == 16 || bits == 32))) return;
    uint64_t tableEntries = 0;
    if (bits <= 8) {
        const uint32_t most = 1u << bits;
        if (used > most) return;
        tableEntries = used ? used : most;
    }
    const uint64_t masksLength = compression == dib::kBitFields ? 12 : 0;
    const uint64_t headerLength = dib::kInfoHeaderSize + masksLength + 4 * tableEntries;
    const uint64_t colourLength = static_cast<uint64_t>(DwordStride(width, bits)) * static_cast<uint64_t>(height);
    const uint64_t maskStride = static_cast<uint64_t>(DwordStride(width, 1));
    const uint64_t maskLength = maskStride * static_cast<uint64_t>(height);
    // Every term is bounded by the side limit, so the sum cannot overflow.
    if (headerLength + colourLength + maskLength > size) return;

    std::vector<uint8_t> block(d, d + static_cast<size_t>(headerLength + colourLength));
    Put32(block.data() + 8, static_cast<uint32_t>(height));
    Put32(block.data() + 20, static_cast<uint32_t>(colourLength));
    if (bits > 8) Put32(block.data() + 32, 0);  // no colour table is stored above 8 bits
    DibLayout layout;
    if (!ReadDib(block.data(), block.size(), &layout) || layout.width != width || layout.height != height ||
        layout.headerLength != headerLength || layout.bitsLength != colourLength)
        return;  // for example bit-field masks that are not usable

    const uint8_t* mask = d + headerLength + colourLength;
    e->width = width;
    e->height = height;
    e->bitCount = bits;
    e->dib = std::move(block);
    e->maskBits.assign(mask, mask + static_cast<size_t>(maskLength));
    e->maskStride = static_cast<int>(maskStride);
    e->usable = true;
}

IconFileEntry ReadEntry(const uint8_t* bytes, size_t size, const uint8_t* dir, bool cursor) {
    IconFileEntry e;
    if (cursor) {
        e.hotspotX = Get16(dir + 4);
        e.hotspotY = Get16(dir + 6);
    }
    const uint64_t dataSize = Get32(dir + 8);
    const uint64_t offset = Get32(dir + 12);
    if (offset > size) return e;
    const uint8_t* data = bytes + offset;
    const size_t room = size - static_cast<size_t>(offset);
    if (room >= 4 && dataSize >= 4 && std::memcmp(data + 1, "PNG", 3) == 0) {
        e.png = true;
        ReadPngSize(data, static_cast<size_t>(dataSize < room ? dataSize : room), dir[0], dir[1], &e);
    }
    if (dataSize > room) return e;  // the declared data runs past the end of the file
    if (e.png) {
        e.pngData.assign(data, data + static_cast<size_t>(dataSize));
        e.usable = true;
        return e;
    }
    ReadBitmapEntry(data, static_cast<size_t>(dataSize), &e);
    return e;
}
}  // namespace

IconFileContents ReadIconFile(const uint8_t* bytes, size_t size) {
    IconFileContents c;
    if (!bytes || size < icon::kHeaderSize || Get16(bytes) != 0) return c;
    c.cursor = Get16(bytes + 2) != 1;
    int count = Get16(bytes + 4);
    if (count > icon::kMaxEntries - 1) count = icon::kMaxEntries;
    c.directoryCount = count;
    for (int i = 0; i < count; ++i) {
        const size_t at = icon::kHeaderSize + icon::kDirectoryEntrySize * static_cast<size_t>(i);
        if (at > size || size - at < icon::kDirectoryEntrySize) break;
        c.entries.push_back(ReadEntry(bytes, size, bytes + at, c.cursor));
    }
    return c;
}

bool ApplyIconMask(const std::vector<uint8_t>& maskBits, int maskStride, const PixelView& argb) {
    if (BitsPerPixel(argb.format) != 32 || argb.width <= 0 || argb.height <= 0 || !argb.scan0) return false;
    if (maskStride <= 0 || static_cast<uint64_t>(maskStride) < (static_cast<uint64_t>(argb.width) + 7) / 8) return false;
    if (maskBits.size() / static_cast<size_t>(maskStride) < static_cast<size_t>(argb.height)) return false;
    for (int y = 0; y < argb.height; ++y) {
        const uint8_t* row = maskBits.data() + static_cast<size_t>(argb.height - 1 - y) * static_cast<size_t>(maskStride);
        for (int x = 0; x < argb.width; ++x)
            if ((row[x >> 3] >> (7 - (x & 7))) & 1) std::memset(argb.At(x, y), 0, 4);
    }
    return true;
}

bool DecodeIconBitmapEntry(const IconFileEntry& entry, OwnedPixels* argb, PixelFormat* entryFormat) {
    if (!argb || !entryFormat || !entry.usable || entry.png) return false;
    DibLayout layout;
    if (!ReadDib(entry.dib.data(), entry.dib.size(), &layout)) return false;
    if (layout.width > icon::kMaxSide || layout.height > icon::kMaxSide) return false;
    if (entry.maskStride <= 0 ||
        entry.maskBits.size() / static_cast<size_t>(entry.maskStride) < static_cast<size_t>(layout.height))
        return false;

    OwnedPixels stored;
    stored.palette = layout.palette;
    stored.Allocate(layout.width, layout.height, layout.format);
    if (!CopyDibRows(entry.dib.data(), layout, stored.view)) return false;
    // The fourth byte of a 32-bit entry is alpha unless it is 0 everywhere.
    const bool fourthByte = layout.bitCount == 32 && !layout.throughMasks;
    const bool alpha = fourthByte && AnyFourthByteSet(stored.view);
    PixelView source = stored.view;
    if (alpha) source.format = fmt::k32ARGB;
    std::vector<uint8_t> bgra;
    if (!DecodeToBgra(source, bgra)) return false;

    argb->palette.clear();
    argb->Allocate(layout.width, layout.height, fmt::k32ARGB);
    const size_t rowLength = static_cast<size_t>(layout.width) * 4;
    for (int y = 0; y < layout.height; ++y)
        std::memcpy(argb->view.Row(y), bgra.data() + static_cast<size_t>(y) * rowLength, rowLength);
    if (fourthByte && !alpha) SetFourthBytes(argb->view, 0xFF);
    if (!ApplyIconMask(entry.maskBits, entry.maskStride, argb->view)) return false;
    *entryFormat = layout.format;
    return true;
}

std::vector<uint8_t> BuildIconMask(const PixelView& argb, const uint32_t* inversionColour) {
    std::vector<uint8_t> mask;
    if (BitsPerPixel(argb.format) != 32 || argb.width <= 0 || argb.height <= 0 || !argb.scan0) return mask;
    const size_t stride = static_cast<size_t>(DwordStride(argb.width, 1));
    mask.assign(stride * static_cast<size_t>(argb.height), 0);
    for (int y = 0; y < argb.height; ++y) {
        uint8_t* row = mask.data() + static_cast<size_t>(argb.height - 1 - y) * stride;
        for (int x = 0; x < argb.width; ++x) {
            uint8_t* p = argb.At(x, y);
            const uint32_t pixel = Get32(p);
            bool transparent = (pixel >> 24) == 0;
            if (inversionColour && pixel == *inversionColour) {
                Put32(p, 0xFFFFFFFFu);
                transparent = true;
            }
            if (transparent) row[x >> 3] = static_cast<uint8_t>(row[x >> 3] | (0x80 >> (x & 7)));
        }
    }
    return mask;
}

void ClearTransparentPixels(const PixelView& argb) {
    if (BitsPerPixel(argb.format) != 32 || !argb.scan0) return;
    for (int y = 0; y < argb.height; ++y)
        for (int x = 0; x < argb.width; ++x) {
            uint8_t* p = argb.At(x, y);
            if (p[3] == 0) std::memset(p, 0, 4);
        }
}

std::vector<uint8_t> BuildIconBitmapEntry(const DibImage& colour, const std::vector<uint8_t>& maskBits) {
    std::vector<uint8_t> out;
    const std::vector<uint8_t>& b = colour.bytes;
    if (b.size() < dib::kInfoHeaderSize || Get32(b.data()) != dib::kInfoHeaderSize ||
        colour.headerLength < dib::kInfoHeaderSize || colour.headerLength > b.size() ||
        b.size() - colour.headerLength != colour.bitsLength)
        return out;
    const int32_t width = static_cast<int32_t>(Get32(b.data() + 4));
    const int32_t height = static_cast<int32_t>(Get32(b.data() + 8));
    const int bits = Get16(b.data() + 14);
    if (width <= 0 || height <= 0 || height > std::numeric_limits<int32_t>::max() / 2 || !IsBitCount(bits)) return out;
    const uint64_t rows = static_cast<uint64_t>(height);
    if (static_cast<uint64_t>(DwordStride(width, bits)) * rows != colour.bitsLength) return out;
    if (static_cast<uint64_t>(DwordStride(width, 1)) * rows != maskBits.size()) return out;
    out.reserve(b.size() + maskBits.size());
    out.assign(b.begin(), b.end());
    Put32(out.data() + 8, static_cast<uint32_t>(height) * 2);
    Put32(out.data() + 20, 0);
    out.insert(out.end(), maskBits.begin(), maskBits.end());
    return out;
}

bool MakeIconBitmapWriteEntry(const DibImage& colour, const std::vector<uint8_t>& maskBits, IconWriteEntry* out) {
    std::vector<uint8_t> data = BuildIconBitmapEntry(colour, maskBits);
    if (data.empty()) return false;
    out->width = static_cast<int>(Get32(colour.bytes.data() + 4));
    out->height = static_cast<int>(Get32(colour.bytes.data() + 8));
    out->bitCount = Get16(colour.bytes.data() + 14);
    out->data = std::move(data);
    return true;
}

bool BuildIconFile(const std::vector<IconWriteEntry>& entries, bool pointer, std::vector<uint8_t>* out) {
    if (!out || entries.empty() || entries.front().data.empty() || entries.size() > 0xFFFF) return false;
    const size_t n = entries.size();
    uint64_t total = icon::kHeaderSize + icon::kDirectoryEntrySize * static_cast<uint64_t>(n);
    for (const IconWriteEntry& e : entries) {
        total += e.data.size();
        if (total > std::numeric_limits<uint32_t>::max()) return false;
        if (pointer && (e.hotspotX < 0 || e.hotspotX > 0xFFFF || e.hotspotY < 0 || e.hotspotY > 0xFFFF)) return false;
    }
    std::vector<uint8_t> file(icon::kHeaderSize + icon::kDirectoryEntrySize * n, 0);
    Put16(file.data(), 0);
    Put16(file.data() + 2, pointer ? 2 : 1);
    Put16(file.data() + 4, static_cast<uint32_t>(n));
    uint32_t offset = static_cast<uint32_t>(file.size());
    for (size_t i = 0; i < n; ++i) {
        const IconWriteEntry& e = entries[i];
        uint8_t* d = file.data() + icon::kHeaderSize + icon::kDirectoryEntrySize * i;
        const bool large = e.width > 255 || e.height > 255;
        d[0] = large ? 0 : static_cast<uint8_t>(e.width);
        d[1] = large ? 0 : static_cast<uint8_t>(e.height);
        d[2] = e.bitCount >= 1 && e.bitCount <= 7 ? static_cast<uint8_t>(1u << e.bitCount) : 0;
        d[3] = 0;
        Put16(d + 4, pointer ? static_cast<uint32_t>(e.hotspotX) : 0);
        Put16(d + 6, pointer ? static_cast<uint32_t>(e.hotspotY) : 0);
        Put32(d + 8, static_cast<uint32_t>(e.data.size()));
        Put32(d + 12, offset);
        offset += static_cast<uint32_t>(e.data.size());
    }
    file.reserve(static_cast<size_t>(total));
    for (const IconWriteEntry& e : entries) file.insert(file.end(), e.data.begin(), e.data.end());
    *out = std::move(file);
    return true;
}

}  // namespace mirelo
