#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <vector>

#include "files/icon_file.h"
#include "byte_buffers.h"

namespace mirelo {
namespace {

void Append32(std::vector<uint8_t>& b, uint32_t v) {
    b.resize(b.size() + 4);
    Put32(b, b.size() - 4, v);
}
void AppendBig32(std::vector<uint8_t>& b, uint32_t v) {
    for (int i = 3; i >= 0; --i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
size_t Stride(int width, int bits) { return static_cast<size_t>(DwordStride(width, bits)); }

// Bitmap entry data made by hand: header (height doubled), masks, table, colour rows and mask
// rows, both bottom-up. colour(x, y) gives the stored value of image pixel (x, y), top row 0;
// masked(x, y) its mask bit.
struct HandEntry {
    int width = 16;
    int height = 16;
    int bits = 32;
    uint32_t headerSize = 40;
    int planes = 1;
    uint32_t compression = 0;
    uint32_t used = 0;
    std::vector<uint32_t> masks;    // written after the header when not empty
    std::vector<uint32_t> palette;  // ARGB, written as the colour table
    std::function<uint32_t(int, int)> colour = [](int, int) { return 0u; };
    std::function<bool(int, int)> masked = [](int, int) { return false; };

    std::vector<uint8_t> Bytes() const {
        std::vector<uint8_t> b(headerSize < 40 ? 40 : headerSize, 0);
        Put32(b, 0, headerSize);
        Put32(b, 4, static_cast<uint32_t>(width));
        Put32(b, 8, static_cast<uint32_t>(height * 2));
        Put16(b, 12, static_cast<uint32_t>(planes));
        Put16(b, 14, static_cast<uint32_t>(bits));
        Put32(b, 16, compression);
        Put32(b, 32, used);
        b.resize(headerSize);  // a shorter header keeps only its first fields
        for (uint32_t m : masks) Append32(b, m);
        for (uint32_t c : palette) Append32(b, c & 0xFFFFFF);
        const size_t stride = Stride(width, bits);
        for (int row = 0; row < height; ++row) {
            std::vector<uint8_t> line(stride, 0);
            PixelView v;
            v.width = width;
            v.height = 1;
            v.stride = static_cast<int>(stride);
            v.format = bits == 1 ? fmt::k1Index : bits == 4 ? fmt::k4Index : bits == 8 ? fmt::k8Index
                     : bits == 16 ? fmt::k16RGB565 : bits == 24 ? fmt::k24RGB : fmt::k32RGB;
            v.scan0 = line.data();
            for (int x = 0; x < width; ++x) WriteStored(v, x, 0, colour(x, height - 1 - row));
            b.insert(b.end(), line.begin(), line.end());
        }
        const size_t maskStride = Stride(width, 1);
        for (int row = 0; row < height; ++row) {
            std::vector<uint8_t> line(maskStride, 0);
            for (int x = 0; x < width; ++x)
                if (masked(x, height - 1 - row)) line[x >> 3] = static_cast<uint8_t>(line[x >> 3] | (0x80 >> (x & 7)));
            b.insert(b.end(), line.begin(), line.end());
        }
        return b;
    }
};

// A directory entry made by hand; dataSize and offset are filled in by MakeFile unless set.
struct HandDirectory {
    std::vector<uint8_t> data;
    uint8_t width = 0, height = 0, colours = 0;
    uint16_t field1 = 0, field2 = 0;  // planes and bit count, or hot spot
    bool overrideSize = false, overrideOffset = false;
    uint32_t size = 0, offset = 0;
};

std::vector<uint8_t> MakeFile(uint16_t type, const std::vector<HandDirectory>& dirs, uint16_t reserved = 0,
                              int count = -1) {
    std::vector<uint8_t> f(6 + 16 * dirs.size(), 0);
    Put16(f, 0, reserved);
    Put16(f, 2, type);
    Put16(f, 4, static_cast<uint32_t>(count < 0 ? static_cast<int>(dirs.size()) : count));
    for (size_t i = 0; i < dirs.size(); ++i) {
        const HandDirectory& d = dirs[i];
        const size_t at = 6 + 16 * i;
        f[at] = d.width;
        f[at + 1] = d.height;
        f[at + 2] = d.colours;
        Put16(f, at + 4, d.field1);
        Put16(f, at + 6, d.field2);
        Put32(f, at + 8, d.overrideSize ? d.size : static_cast<uint32_t>(d.data.size()));
        Put32(f, at + 12, d.overrideOffset ? d.offset : static_cast<uint32_t>(f.size()));
        f.insert(f.end(), d.data.begin(), d.data.end());
    }
    return f;
}

IconFileContents Read(const std::vector<uint8_t>& f) { return ReadIconFile(f.data(), f.size()); }

uint32_t Pixel(const OwnedPixels& p, int x, int y) { return ReadStored(p.view, x, y); }

std::vector<uint32_t> TestPalette(int n) {
    std::vector<uint32_t> p;
    for (int i = 0; i < n; ++i) p.push_back(0xFF000000u | static_cast<uint32_t>(i * 0x010507 + 0x203040));
    return p;
}

// A 16 × 16 8-bit entry and a 32 × 32 32-bit entry with partial alpha and a masked corner.
HandEntry EightBit16() {
    HandEntry e;
    e.bits = 8;
    e.palette = TestPalette(256);
    e.colour = [](int x, int y) { return static_cast<uint32_t>((x * 16 + y * 3) & 0xFF); };
    e.masked = [](int x, int y) { return x == y || (x >= 12 && y < 2); };
    return e;
}
HandEntry ThirtyTwoBit32() {
    HandEntry e;
    e.width = e.height = 32;
    e.bits = 32;
    e.colour = [](int x, int y) { return (static_cast<uint32_t>(x * 8) << 24) | static_cast<uint32_t>(x * 0x0103 + y * 0x050000); };
    e.masked = [](int x, int y) { return x < 4 && y < 4; };
    return e;
}

TEST(IconFileRead, IconWithTwoBitmapEntriesDecodesExactly) {
    const HandEntry small = EightBit16(), large = ThirtyTwoBit32();
    HandDirectory a{small.Bytes(), 16, 16, 0, 1, 8};
    HandDirectory b{large.Bytes(), 32, 32, 0, 1, 32};
    const std::vector<uint8_t> file = MakeFile(1, {a, b});
    const IconFileContents c = Read(file);
    EXPECT_EQ(c.directoryCount, 2);
    EXPECT_FALSE(c.cursor);
    ASSERT_EQ(c.entries.size(), 2u);
    for (const IconFileEntry& e : c.entries) {
        EXPECT_TRUE(e.usable);
        EXPECT_FALSE(e.png);
        EXPECT_EQ(e.hotspotX, 0);  // the planes and bit count fields are no hot spot in an icon
        EXPECT_EQ(e.hotspotY, 0);
    }
    EXPECT_EQ(c.entries[0].width, 16);
    EXPECT_EQ(c.entries[0].height, 16);
    EXPECT_EQ(c.entries[0].bitCount, 8);
    EXPECT_EQ(c.entries[1].width, 32);
    EXPECT_EQ(c.entries[1].height, 32);
    EXPECT_EQ(c.entries[1].bitCount, 32);

    // The DIB block stands on its own: height halved, image size set.
    DibLayout layout;
    ASSERT_TRUE(ReadDib(c.entries[0].dib.data(), c.entries[0].dib.size(), &layout));
    EXPECT_EQ(layout.height, 16);
    EXPECT_EQ(Get32(c.entries[0].dib, 8), 16u);
    EXPECT_EQ(Get32(c.entries[0].dib, 20), Stride(16, 8) * 16);
    EXPECT_EQ(c.entries[0].dib.size(), 40 + 1024 + Stride(16, 8) * 16);
    EXPECT_EQ(c.entries[0].maskStride, 4);
    EXPECT_EQ(c.entries[0].maskBits.size(), 4u * 16);

    OwnedPixels px;
    PixelFormat format = 0;
    ASSERT_TRUE(DecodeIconBitmapEntry(c.entries[0], &px, &format));
    EXPECT_EQ(format, fmt::k8Index);
    EXPECT_EQ(px.view.format, fmt::k32ARGB);
    ASSERT_EQ(px.view.width, 16);
    ASSERT_EQ(px.view.height, 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const uint32_t want = small.masked(x, y) ? 0u : small.palette[small.colour(x, y)];
            EXPECT_EQ(Pixel(px, x, y), want) << x << "," << y;
        }

    ASSERT_TRUE(DecodeIconBitmapEntry(c.entries[1], &px, &format));
    EXPECT_EQ(format, fmt::k32RGB);
    ASSERT_EQ(px.view.width, 32);
    ASSERT_EQ(px.view.height, 32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            // Partial alpha is kept as it is stored (x = 0 has alpha 0 but is not masked below y 4).
            const uint32_t want = large.masked(x, y) ? 0u : large.colour(x, y);
            EXPECT_EQ(Pixel(px, x, y), want) << x << "," << y;
        }
}

TEST(IconFileRead, EntriesOfEveryDepthWithOddWidths) {
    struct Case {
        int bits;
        uint32_t compression;
        std::vector<uint32_t> masks;
        PixelFormat format;
    };
    const std::vector<Case> cases = {
        {1, 0, {}, fmt::k1Index},   {4, 0, {}, fmt::k4Index},
        {8, 0, {}, fmt::k8Index},   {16, 0, {}, fmt::k16RGB555},
        {16, 3, {0xF800, 0x07E0, 0x001F}, fmt::k16RGB565},
        {24, 0, {}, fmt::k24RGB},   {32, 3, {0xFF0000, 0xFF00, 0xFF}, fmt::k32RGB},
    };
    for (const Case& k : cases) {
        HandEntry e;
        e.width = 13;  // rows of every depth need padding
        e.height = 7;
        e.bits = k.bits;
        e.compression = k.compression;
        e.masks = k.masks;
        if (k.bits <= 8) e.palette = TestPalette(1 << k.bits);
        const uint32_t top = k.bits >= 32 ? 0xFFFFFFFFu : (1u << k.bits) - 1;
        e.colour = [top](int x, int y) { return static_cast<uint32_t>(x * 2654435761u ^ (y + 1) * 40503u) & top & 0x00FFFFFFu; };
        e.masked = [](int x, int y) { return (x + y) % 5 == 0; };
        const IconFileContents c = Read(MakeFile(1, {HandDirectory{e.Bytes(), 13, 7}}));
        ASSERT_EQ(c.entries.size(), 1u) << k.bits;
        ASSERT_TRUE(c.entries[0].usable) << k.bits;
        EXPECT_EQ(c.entries[0].bitCount, k.bits);
        EXPECT_EQ(c.entries[0].maskStride, 4);
        OwnedPixels px;
        PixelFormat format = 0;
        ASSERT_TRUE(DecodeIconBitmapEntry(c.entries[0], &px, &format)) << k.bits;
        EXPECT_EQ(format, k.format) << k.bits;
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 13; ++x) {
                const uint32_t stored = e.colour(x, y);
                uint32_t want;
                if (k.bits <= 8) {
                    want = e.palette[stored];
                } else if (k.bits == 16) {
                    const uint32_t c = UnpackPixel(stored, format);  // 0xBBGGRRAA
                    want = (0xFFu << 24) | ((c >> 8) & 0xFF) << 16 | ((c >> 16) & 0xFF) << 8 | (c >> 24);
                } else {
                    want = 0xFF000000u | stored;  // fourth bytes all 0: opaque
                }
                if (e.masked(x, y)) want = 0;
                EXPECT_EQ(Pixel(px, x, y), want) << k.bits << " bits at " << x << "," << y;
            }
    }
}

TEST(IconFileRead, ShortColourTableMovesTheBits) {
    HandEntry e;
    e.bits = 4;
    e.used = 3;
    e.palette = {0xFF112233u, 0xFF445566u, 0xFF778899u};
    e.colour = [](int x, int y) { return static_cast<uint32_t>((x + y) % 3); };
    const IconFileContents c = Read(MakeFile(1, {HandDirectory{e.Bytes()}}));
    ASSERT_EQ(c.entries.size(), 1u);
    ASSERT_TRUE(c.entries[0].usable);
    OwnedPixels px;
    PixelFormat format = 0;
    ASSERT_TRUE(DecodeIconBitmapEntry(c.entries[0], &px, &format));
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) EXPECT_EQ(Pixel(px, x, y), e.palette[(x + y) % 3]) << x << "," << y;
    // More colours used than the depth has is refused.
    e.used = 17;
    e.palette = TestPalette(17);
    EXPECT_FALSE(Read(MakeFile(1, {HandDirectory{e.Bytes()}})).entries[0].usable);
}

TEST(IconFileRead, NoColourTableAboveEightBits) {
    // A colours-used count in a 24- or 32-bit header does not move the bits.
    for (int bits : {24, 32}) {
        HandEntry e;
        e.bits = bits;
        e.width = 5;
        e.height = 3;
        e.used = 7;
        e.colour = [](int x, int y) { return static_cast<uint32_t>(0x00203040 + x * 0x10 + y * 0x100000); };
        e.masked = [](int x, int y) { return x == 4 && y == 0; };
        const IconFileContents c = Read(MakeFile(1, {HandDirectory{e.Bytes()}}));
        ASSERT_TRUE(c.entries[0].usable) << bits;
        EXPECT_EQ(Get32(c.entries[0].dib, 32), 0u);
        OwnedPixels px;
        PixelFormat format = 0;
        ASSERT_TRUE(DecodeIconBitmapEntry(c.entries[0], &px, &format)) << bits;
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x)
                EXPECT_EQ(Pixel(px, x, y), e.masked(x, y) ? 0u : 0xFF000000u | e.colour(x, y)) << bits << " bits at " << x << "," << y;
    }
}

TEST(IconFileRead, ThirtyTwoBitAlphaRules) {
    HandEntry e;
    e.bits = 32;
    e.width = e.height = 4;
    e.colour = [](int x, int y) { return static_cast<uint32_t>(0x00102030 + x * 0x10000 + y); };
    OwnedPixels px;
    PixelFormat format = 0;
    // All fourth bytes 0: every pixel opaque.
    IconFileContents c = Read(MakeFile(1, {HandDirectory{e.Bytes()}}));
    ASSERT_TRUE(DecodeIconBitmapEntry(c.entries[0], &px, &format));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(Pixel(px, x, y), 0xFF000000u | e.colour(x, y));
    // One pixel with a fourth byte: all fourth bytes are alpha, the zeros too.
    e.colour = [](int x, int y) { return static_cast<uint32_t>((x == 2 && y == 1 ? 0x80000000u : 0u) | 0x00102030u); };
    c = Read(MakeFile(1, {HandDirectory{e.Bytes()}}));
    ASSERT_TRUE(DecodeIconBitmapEntry(c.entries[0], &px, &format));
    EXPECT_EQ(Pixel(px, 2, 1), 0x80102030u);
    EXPECT_EQ(Pixel(px, 0, 0), 0x00102030u);
    EXPECT_EQ(Pixel(px, 3, 3), 0x00102030u);
    // The mask makes a pixel fully transparent whatever its alpha.
    e.masked = [](int x, int y) { return x == 2 && y == 1; };
    c = Read(MakeFile(1, {HandDirectory{e.Bytes()}}));
    ASSERT_TRUE(DecodeIconBitmapEntry(c.entries[0], &px, &format));
    EXPECT_EQ(Pixel(px, 2, 1), 0u);
}

TEST(IconFileRead, PointerFilesKeepHotSpots) {
    HandEntry e = EightBit16();
    for (uint16_t type : {2, 0, 7}) {
        const IconFileContents c =
            Read(MakeFile(type, {HandDirectory{e.Bytes(), 16, 16, 0, 3, 5}, HandDirectory{e.Bytes(), 16, 16, 0, 700, 0}}));
        EXPECT_TRUE(c.cursor) << type;
        ASSERT_EQ(c.entries.size(), 2u);
        EXPECT_TRUE(c.entries[0].usable);
        EXPECT_EQ(c.entries[0].hotspotX, 3);
        EXPECT_EQ(c.entries[0].hotspotY, 5);
        EXPECT_EQ(c.entries[1].hotspotX, 700);
        EXPECT_EQ(c.entries[1].hotspotY, 0);
    }
}

TEST(IconFileRead, HeaderRules) {
    HandEntry e = EightBit16();
    const HandDirectory d{e.Bytes(), 16, 16};
    // A reserved field not 0: no entries at all.
    IconFileContents c = Read(MakeFile(1, {d, d}, 1));
    EXPECT_EQ(c.directoryCount, 0);
    EXPECT_TRUE(c.entries.empty());
    c = Read(MakeFile(1, {d}, 0x100));
    EXPECT_EQ(c.directoryCount, 0);
    EXPECT_TRUE(c.entries.empty());
    // Files shorter than the header.
    std::vector<uint8_t> tiny = {0, 0, 1, 0, 1};
    EXPECT_EQ(Read(tiny).directoryCount, 0);
    EXPECT_TRUE(Read(tiny).entries.empty());
    EXPECT_EQ(ReadIconFile(nullptr, 0).directoryCount, 0);
    // Only the header: the count stands but no directory entry lies in the file.
    std::vector<uint8_t> header = {0, 0, 1, 0, 2, 0};
    c = Read(header);
    EXPECT_EQ(c.directoryCount, 2);
    EXPECT_TRUE(c.entries.empty());
    // A count larger than the directory at the end of the file: only the entries inside it.
    HandDirectory head;  // the file's first 40 bytes as data
    head.overrideOffset = head.overrideSize = true;
    head.size = 40;
    std::vector<uint8_t> file = MakeFile(1, {head, head}, 0, 3);
    ASSERT_EQ(file.size(), 38u);
    c = Read(file);
    EXPECT_EQ(c.directoryCount, 3);
    ASSERT_EQ(c.entries.size(), 2u);
    EXPECT_FALSE(c.entries[0].usable);  // 40 bytes from offset 0 run past the end
    // A directory entry cut short by the end of the file is not counted.
    std::vector<uint8_t> cut(file.begin(), file.begin() + 6 + 16 + 15);
    c = Read(cut);
    EXPECT_EQ(c.directoryCount, 3);
    EXPECT_EQ(c.entries.size(), 1u);
}

TEST(IconFileRead, CountsAbove31ReadAs32) {
    HandEntry e;
    e.width = e.height = 2;
    e.bits = 1;
    e.palette = {0xFF000000u, 0xFFFFFFFFu};
    const std::vector<uint8_t> data = e.Bytes();
    for (int count : {31, 32, 33, 40, 0xFFFF}) {
        // 40 directory entries all pointing at one block of data after the directory.
        std::vector<HandDirectory> dirs(40);
        for (HandDirectory& d : dirs) {
            d.overrideOffset = d.overrideSize = true;
            d.offset = 6 + 16 * 40;
            d.size = static_cast<uint32_t>(data.size());
        }
        std::vector<uint8_t> file = MakeFile(1, dirs, 0, count);
        file.insert(file.end(), data.begin(), data.end());
        const IconFileContents c = Read(file);
        const int want = count > 31 ? 32 : count;
        EXPECT_EQ(c.directoryCount, want) << count;
        ASSERT_EQ(c.entries.size(), static_cast<size_t>(want)) << count;
        for (const IconFileEntry& entry : c.entries) EXPECT_TRUE(entry.usable);
    }
}

TEST(IconFileRead, EntriesOutsideTheFileAreUnusableAndTheOthersStay) {
    HandEntry e = EightBit16();
    HandDirectory good{e.Bytes(), 16, 16};
    HandDirectory farOffset = good;
    farOffset.overrideOffset = true;
    farOffset.offset = 0x7FFFFFF0;
    HandDirectory wrapping = good;  // offset + size wraps around 32 bits
    wrapping.overrideOffset = wrapping.overrideSize = true;
    wrapping.offset = 0xFFFFFFF0;
    wrapping.size = 0x20;
    HandDirectory tooLong = good;
    tooLong.overrideSize = true;
    tooLong.size = 0xFFFFFFFF;
    HandDirectory empty = good;
    empty.overrideSize = true;
    empty.size = 0;
    HandDirectory pastEnd = good;  // its data would reach one byte past the end
    pastEnd.overrideOffset = true;
    const std::vector<uint8_t> file0 = MakeFile(1, {good, farOffset, wrapping, tooLong, empty, good, pastEnd});
    pastEnd.offset = static_cast<uint32_t>(file0.size() - good.data.size() + 1);
    const std::vector<uint8_t> file = MakeFile(1, {good, farOffset, wrapping, tooLong, empty, good, pastEnd});
    const IconFileContents c = Read(file);
    ASSERT_EQ(c.entries.size(), 7u);
    const bool usable[] = {true, false, false, false, false, true, false};
    for (size_t i = 0; i < 7; ++i) EXPECT_EQ(c.entries[i].usable, usable[i]) << i;
    OwnedPixels px;
    PixelFormat format = 0;
    EXPECT_TRUE(DecodeIconBitmapEntry(c.entries[0], &px, &format));
    EXPECT_TRUE(DecodeIconBitmapEntry(c.entries[5], &px, &format));
    EXPECT_FALSE(DecodeIconBitmapEntry(c.entries[1], &px, &format));
    EXPECT_FALSE(DecodeIconBitmapEntry(c.entries[6], &px, &format));
}

TEST(IconFileRead, BadBitmapHeadersAreUnusable) {
    struct Case {
        const char* what;
        std::function<void(HandEntry&)> change;
        std::function<void(std::vector<uint8_t>&)> patch = [](std::vector<uint8_t>&) {};
    };
    const auto none = [](HandEntry&) {};
    const std::vector<Case> cases = {
        {"header size 12", [](HandEntry& e) { e.headerSize = 12; }},
        {"header size 108", [](HandEntry& e) { e.headerSize = 108; }},
        {"header size 124", [](HandEntry& e) { e.headerSize = 124; }},
        {"3 bits", none, [](std::vector<uint8_t>& b) { Put16(b, 14, 3); }},
        {"0 bits", none, [](std::vector<uint8_t>& b) { Put16(b, 14, 0); }},
        {"2 planes", [](HandEntry& e) { e.planes = 2; }},
        {"0 planes", [](HandEntry& e) { e.planes = 0; }},
        {"run-length compression", [](HandEntry& e) { e.compression = 1; }},
        {"bit fields on 8 bits", [](HandEntry& e) { e.compression = 3; e.masks = {1, 2, 4}; }},
        {"bit fields not one run", [](HandEntry& e) { e.bits = 32; e.palette.clear(); e.compression = 3; e.masks = {0xF0F000, 0xF00, 0xF}; }},
        {"width 0", [](HandEntry& e) { e.width = 0; }},
        {"height 0", [](HandEntry& e) { e.height = 0; }},
        {"wider than the limit", [](HandEntry& e) { e.width = icon::kMaxSide + 1; e.height = 1; e.bits = 1; e.palette = TestPalette(2); }},
    };
    for (const Case& k : cases) {
        HandEntry e = EightBit16();
        k.change(e);
        std::vector<uint8_t> data = e.Bytes();
        k.patch(data);
        const IconFileContents c = Read(MakeFile(1, {HandDirectory{data}, HandDirectory{EightBit16().Bytes()}}));
        ASSERT_EQ(c.entries.size(), 2u) << k.what;
        EXPECT_FALSE(c.entries[0].usable) << k.what;
        EXPECT_TRUE(c.entries[1].usable) << k.what;
        OwnedPixels px;
        PixelFormat format = 0;
        EXPECT_FALSE(DecodeIconBitmapEntry(c.entries[0], &px, &format)) << k.what;
    }
    // A height field of 1 halves to no rows; a negative one is refused.
    HandEntry e = EightBit16();
    std::vector<uint8_t> data = e.Bytes();
    Put32(data, 8, 1);
    EXPECT_FALSE(Read(MakeFile(1, {HandDirectory{data}})).entries[0].usable);
    Put32(data, 8, static_cast<uint32_t>(-32));
    EXPECT_FALSE(Read(MakeFile(1, {HandDirectory{data}})).entries[0].usable);
    // Sides at the limit are fine.
    e = HandEntry{};
    e.width = icon::kMaxSide;
    e.height = 1;
    e.bits = 1;
    e.palette = TestPalette(2);
    EXPECT_TRUE(Read(MakeFile(1, {HandDirectory{e.Bytes()}})).entries[0].usable);
}

TEST(IconFileRead, MissingOrCutMaskMakesTheEntryUnusable) {
    HandEntry e = EightBit16();
    std::vector<uint8_t> data = e.Bytes();
    // The declared size one byte short of the mask.
    HandDirectory d{data};
    d.overrideSize = true;
    d.size = static_cast<uint32_t>(data.size() - 1);
    IconFileContents c = Read(MakeFile(1, {d}));
    ASSERT_EQ(c.entries.size(), 1u);
    EXPECT_FALSE(c.entries[0].usable);
    // No mask at all.
    data.resize(data.size() - Stride(16, 1) * 16);
    c = Read(MakeFile(1, {HandDirectory{data}}));
    EXPECT_FALSE(c.entries[0].usable);
    // The file ends inside the mask.
    std::vector<uint8_t> file = MakeFile(1, {HandDirectory{e.Bytes()}});
    file.pop_back();
    c = Read(file);
    EXPECT_FALSE(c.entries[0].usable);
    file.push_back(0);
    EXPECT_TRUE(Read(file).entries[0].usable);
}

std::vector<uint8_t> FakePng(uint32_t width, uint32_t height, uint8_t depth, uint8_t colourType, size_t extra) {
    std::vector<uint8_t> p = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    AppendBig32(p, 13);
    for (char ch : {'I', 'H', 'D', 'R'}) p.push_back(static_cast<uint8_t>(ch));
    AppendBig32(p, width);
    AppendBig32(p, height);
    p.push_back(depth);
    p.push_back(colourType);
    for (size_t i = 0; i < extra; ++i) p.push_back(static_cast<uint8_t>(i * 7));
    return p;
}

TEST(IconFileRead, PngEntriesArePassedOnWhole) {
    const std::vector<uint8_t> png = FakePng(300, 200, 8, 6, 50);
    HandEntry e = EightBit16();
    const IconFileContents c = Read(MakeFile(1, {HandDirectory{e.Bytes(), 16, 16}, HandDirectory{png, 0, 0, 0, 1, 32}}));
    ASSERT_EQ(c.entries.size(), 2u);
    EXPECT_FALSE(c.entries[0].png);
    const IconFileEntry& p = c.entries[1];
    EXPECT_TRUE(p.usable);
    EXPECT_TRUE(p.png);
    EXPECT_EQ(p.pngData, png);
    EXPECT_EQ(p.width, 300);
    EXPECT_EQ(p.height, 200);
    EXPECT_EQ(p.bitCount, 32);
    EXPECT_TRUE(p.dib.empty());
    OwnedPixels px;
    PixelFormat format = 0;
    EXPECT_FALSE(DecodeIconBitmapEntry(p, &px, &format));

    // Only the first four bytes decide: "xPNG" with no IHDR takes the directory's size, 0 as 256.
    std::vector<uint8_t> bare = {0, 'P', 'N', 'G', 1, 2, 3};
    IconFileContents b = Read(MakeFile(1, {HandDirectory{bare, 0, 48}}));
    ASSERT_TRUE(b.entries[0].usable);
    EXPECT_TRUE(b.entries[0].png);
    EXPECT_EQ(b.entries[0].pngData, bare);
    EXPECT_EQ(b.entries[0].width, 256);
    EXPECT_EQ(b.entries[0].height, 48);
    EXPECT_EQ(b.entries[0].bitCount, 0);
    // Grey PNG: 8 bits × 1 channel.
    b = Read(MakeFile(1, {HandDirectory{FakePng(5, 6, 8, 0, 0)}}));
    EXPECT_EQ(b.entries[0].bitCount, 8);

    // Declared longer than the file: recognised but not passed on.
    HandDirectory longer{png, 0, 0};
    longer.overrideSize = true;
    longer.size = static_cast<uint32_t>(png.size() + 1);
    b = Read(MakeFile(1, {longer}));
    ASSERT_EQ(b.entries.size(), 1u);
    EXPECT_TRUE(b.entries[0].png);
    EXPECT_FALSE(b.entries[0].usable);
    EXPECT_TRUE(b.entries[0].pngData.empty());
}

TEST(IconFileRead, ApplyIconMaskChecksItsInput) {
    OwnedPixels px;
    px.Allocate(9, 3, fmt::k32ARGB);
    FillStored(px.view, 0xFF123456u);
    std::vector<uint8_t> mask(4 * 3, 0);
    mask[0] = 0x80;  // bottom row, x 0
    mask[4 * 2 + 1] = 0x80;  // top row, x 8
    EXPECT_FALSE(ApplyIconMask(std::vector<uint8_t>(4 * 2, 0xFF), 4, px.view));  // a row short
    EXPECT_FALSE(ApplyIconMask(mask, 1, px.view));  // rows too short for 9 pixels
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 9; ++x) EXPECT_EQ(Pixel(px, x, y), 0xFF123456u);
    ASSERT_TRUE(ApplyIconMask(mask, 4, px.view));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 9; ++x) {
            const bool masked = (x == 0 && y == 2) || (x == 8 && y == 0);
            EXPECT_EQ(Pixel(px, x, y), masked ? 0u : 0xFF123456u) << x << "," << y;
        }
}

// Writer.

IconWriteEntry Entry(size_t size, int width, int height, int bits, int hx = 0, int hy = 0) {
    IconWriteEntry e;
    for (size_t i = 0; i < size; ++i) e.data.push_back(static_cast<uint8_t>(i * 13 + size));
    e.width = width;
    e.height = height;
    e.bitCount = bits;
    e.hotspotX = hx;
    e.hotspotY = hy;
    return e;
}

TEST(IconFileWrite, DirectoryAndDataLayout) {
    const std::vector<IconWriteEntry> entries = {Entry(100, 16, 16, 8, 3, 4), Entry(57, 32, 32, 32, 9, 10)};
    std::vector<uint8_t> f;
    ASSERT_TRUE(BuildIconFile(entries, false, &f));
    ASSERT_EQ(f.size(), 6u + 32 + 100 + 57);
    EXPECT_EQ(Get16(f, 0), 0);
    EXPECT_EQ(Get16(f, 2), 1);
    EXPECT_EQ(Get16(f, 4), 2);
    EXPECT_EQ(f[6], 16);
    EXPECT_EQ(f[7], 16);
    EXPECT_EQ(f[9], 0);
    EXPECT_EQ(Get16(f, 10), 0);  // icons: no hot spot
    EXPECT_EQ(Get16(f, 12), 0);
    EXPECT_EQ(Get32(f, 14), 100u);
    EXPECT_EQ(Get32(f, 18), 38u);
    EXPECT_EQ(f[22], 32);
    EXPECT_EQ(Get16(f, 26), 0);
    EXPECT_EQ(Get16(f, 28), 0);
    EXPECT_EQ(Get32(f, 30), 57u);
    EXPECT_EQ(Get32(f, 34), 138u);
    EXPECT_TRUE(std::equal(entries[0].data.begin(), entries[0].data.end(), f.begin() + 38));
    EXPECT_TRUE(std::equal(entries[1].data.begin(), entries[1].data.end(), f.begin() + 138));

    ASSERT_TRUE(BuildIconFile(entries, true, &f));
    EXPECT_EQ(Get16(f, 2), 2);
    EXPECT_EQ(Get16(f, 10), 3);
    EXPECT_EQ(Get16(f, 12), 4);
    EXPECT_EQ(Get16(f, 26), 9);
    EXPECT_EQ(Get16(f, 28), 10);
    EXPECT_EQ(Get32(f, 18), 38u);
    EXPECT_EQ(Get32(f, 34), 138u);
}

TEST(IconFileWrite, SizeAndColourCountBytes) {
    struct Case {
        int width, height, bits;
        uint8_t wByte, hByte, colours;
    };
    const Case cases[] = {
        {16, 16, 1, 16, 16, 2},    {32, 24, 4, 32, 24, 16},  {48, 48, 8, 48, 48, 0},   {255, 1, 16, 255, 1, 0},
        {256, 256, 24, 0, 0, 0},   {256, 16, 32, 0, 0, 0},   {16, 300, 32, 0, 0, 0},   {7, 9, 2, 7, 9, 4},
        {5, 5, 5, 5, 5, 32},       {6, 6, 7, 6, 6, 128},
    };
    for (const Case& k : cases) {
        std::vector<uint8_t> f;
        ASSERT_TRUE(BuildIconFile({Entry(10, k.width, k.height, k.bits)}, false, &f));
        EXPECT_EQ(f[6], k.wByte) << k.width << "x" << k.height;
        EXPECT_EQ(f[7], k.hByte) << k.width << "x" << k.height;
        EXPECT_EQ(f[8], k.colours) << k.bits;
        EXPECT_EQ(f[9], 0);
    }
}

TEST(IconFileWrite, RefusesWhatCannotBeWritten) {
    std::vector<uint8_t> f = {1, 2, 3};
    EXPECT_FALSE(BuildIconFile({}, false, &f));
    EXPECT_FALSE(BuildIconFile({Entry(0, 16, 16, 32), Entry(10, 16, 16, 32)}, false, &f));
    EXPECT_FALSE(BuildIconFile({Entry(10, 16, 16, 32, 70000, 0)}, true, &f));
    EXPECT_FALSE(BuildIconFile({Entry(10, 16, 16, 32, -1, 0)}, true, &f));
    EXPECT_EQ(f, (std::vector<uint8_t>{1, 2, 3}));
    // A later empty entry is written with size 0 at the running offset.
    ASSERT_TRUE(BuildIconFile({Entry(10, 16, 16, 32), Entry(0, 16, 16, 32)}, false, &f));
    EXPECT_EQ(f.size(), 38u + 10);
    EXPECT_EQ(Get32(f, 30), 0u);
    EXPECT_EQ(Get32(f, 34), 48u);
}

// A 16 × 16 ARGB picture with a transparent 4 × 4 top-left corner and semi-transparent pixels.
OwnedPixels CornerPicture() {
    OwnedPixels p;
    p.Allocate(16, 16, fmt::k32ARGB);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            uint32_t alpha = (x < 4 && y < 4) ? 0 : (x == 8 ? 0x80 : 0xFF);
            WriteStored(p.view, x, y, (alpha << 24) | static_cast<uint32_t>(0x102030 + x * 0x0A0000 + y * 0x000B01));
        }
    return p;
}

TEST(IconFileWrite, MaskFromAlphaAndTheBitmapEntry) {
    OwnedPixels p = CornerPicture();
    const std::vector<uint8_t> mask = BuildIconMask(p.view);
    ASSERT_EQ(mask.size(), 4u * 16);
    for (int y = 0; y < 16; ++y) {
        const uint8_t* row = mask.data() + 4 * (15 - y);  // bottom-up
        EXPECT_EQ(row[0], y < 4 ? 0xF0 : 0x00) << y;
        EXPECT_EQ(row[1], 0) << y;
        EXPECT_EQ(row[2], 0) << y;
        EXPECT_EQ(row[3], 0) << y;
    }
    // Building the mask leaves the colours alone; clearing zeroes exactly the transparent pixels.
    EXPECT_EQ(Pixel(p, 0, 0), 0x00102030u);
    ClearTransparentPixels(p.view);
    EXPECT_EQ(Pixel(p, 0, 0), 0u);
    EXPECT_EQ(Pixel(p, 3, 3), 0u);
    EXPECT_EQ(Pixel(p, 8, 3) >> 24, 0x80u);
    EXPECT_EQ(Pixel(p, 4, 0), 0xFF000000u | (0x102030 + 4 * 0x0A0000));

    DibImage dib;
    ASSERT_TRUE(BuildDib(p.view, &dib));
    const std::vector<uint8_t> data = BuildIconBitmapEntry(dib, mask);
    ASSERT_EQ(data.size(), 40u + 16 * 64 + 16 * 4);
    EXPECT_EQ(Get32(data, 0), 40u);
    EXPECT_EQ(Get32(data, 4), 16u);
    EXPECT_EQ(Get32(data, 8), 32u);  // doubled
    EXPECT_EQ(Get16(data, 12), 1);
    EXPECT_EQ(Get16(data, 14), 32);
    EXPECT_EQ(Get32(data, 16), 0u);
    EXPECT_EQ(Get32(data, 20), 0u);  // image size
    // The top-left corner is in the last four colour rows: black with alpha 0.
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(Get32(data, 40 + (15 - y) * 64 + x * 4), 0u) << x << "," << y;
    EXPECT_EQ(Get32(data, 40 + 15 * 64 + 4 * 4), Pixel(p, 4, 0));
    EXPECT_TRUE(std::equal(mask.begin(), mask.end(), data.end() - 64));

    // A mask of the wrong size or a DIB that is not whole is refused.
    EXPECT_TRUE(BuildIconBitmapEntry(dib, std::vector<uint8_t>(63)).empty());
    EXPECT_TRUE(BuildIconBitmapEntry(dib, std::vector<uint8_t>(65)).empty());
    DibImage cut = dib;
    cut.bytes.pop_back();
    EXPECT_TRUE(BuildIconBitmapEntry(cut, mask).empty());
    // Only 32-bit views have a mask from alpha.
    OwnedPixels rgb;
    rgb.Allocate(4, 4, fmt::k24RGB);
    EXPECT_TRUE(BuildIconMask(rgb.view).empty());
}

TEST(IconFileWrite, InversionColourBecomesWhiteAndMasked) {
    OwnedPixels p = CornerPicture();
    const uint32_t inversion = Pixel(p, 10, 12);
    WriteStored(p.view, 2, 9, inversion);
    const std::vector<uint8_t> mask = BuildIconMask(p.view, &inversion);
    EXPECT_EQ(Pixel(p, 10, 12), 0xFFFFFFFFu);
    EXPECT_EQ(Pixel(p, 2, 9), 0xFFFFFFFFu);
    EXPECT_EQ(Pixel(p, 11, 12), 0xFF000000u | (0x102030 + 11 * 0x0A0000 + 12 * 0x000B01));
    EXPECT_EQ(mask[4 * (15 - 12) + 1], 0x20);  // x 10
    EXPECT_EQ(mask[4 * (15 - 9)], 0x20);       // x 2
    EXPECT_EQ(mask[4 * 15], 0xF0);             // the transparent corner still
    int bits = 0;
    for (uint8_t b : mask)
        for (; b; b &= static_cast<uint8_t>(b - 1)) ++bits;
    EXPECT_EQ(bits, 16 + 2);
}

TEST(IconFileRoundTrip, WrittenEntriesReadBack) {
    // Entries of 32 bits (with a transparent corner and partial alpha), 8, 4 and 1 bits.
    OwnedPixels argb = CornerPicture();
    std::vector<uint8_t> mask32 = BuildIconMask(argb.view);
    ClearTransparentPixels(argb.view);
    DibImage dib32;
    ASSERT_TRUE(BuildDib(argb.view, &dib32));

    struct Indexed {
        int bits, width, height;
        OwnedPixels pixels;
        std::vector<uint8_t> mask;
    };
    std::vector<Indexed> indexed;
    indexed.reserve(3);  // the views point into the pixels they hold
    for (int bits : {8, 4, 1}) {
        Indexed k{bits, 24 + bits, 20 - bits, {}, {}};
        k.pixels.palette = TestPalette(1 << bits);
        k.pixels.Allocate(k.width, k.height, bits == 8 ? fmt::k8Index : bits == 4 ? fmt::k4Index : fmt::k1Index);
        for (int y = 0; y < k.height; ++y)
            for (int x = 0; x < k.width; ++x) WriteStored(k.pixels.view, x, y, static_cast<uint32_t>(x * 7 + y) & ((1u << bits) - 1));
        k.mask.assign(Stride(k.width, 1) * k.height, 0);
        k.mask[0] = 0x81;  // bottom row: x 0 and 7
        indexed.push_back(std::move(k));
    }

    std::vector<IconWriteEntry> entries;
    IconWriteEntry e;
    e.data = BuildIconBitmapEntry(dib32, mask32);
    e.width = e.height = 16;
    e.bitCount = 32;
    e.hotspotX = 5;
    e.hotspotY = 6;
    entries.push_back(e);
    for (Indexed& k : indexed) {
        DibImage dib;
        ASSERT_TRUE(BuildDib(k.pixels.view, &dib));
        e.data = BuildIconBitmapEntry(dib, k.mask);
        ASSERT_FALSE(e.data.empty());
        e.width = k.width;
        e.height = k.height;
        e.bitCount = k.bits;
        e.hotspotX = k.bits;
        e.hotspotY = 100 + k.bits;
        entries.push_back(e);
    }
    for (bool pointer : {false, true}) {
        std::vector<uint8_t> file;
        ASSERT_TRUE(BuildIconFile(entries, pointer, &file));
        const IconFileContents c = Read(file);
        EXPECT_EQ(c.directoryCount, 4);
        EXPECT_EQ(c.cursor, pointer);
        ASSERT_EQ(c.entries.size(), 4u);
        for (size_t i = 0; i < 4; ++i) {
            EXPECT_TRUE(c.entries[i].usable) << i;
            EXPECT_EQ(c.entries[i].width, entries[i].width) << i;
            EXPECT_EQ(c.entries[i].height, entries[i].height) << i;
            EXPECT_EQ(c.entries[i].bitCount, entries[i].bitCount) << i;
            EXPECT_EQ(c.entries[i].hotspotX, pointer ? entries[i].hotspotX : 0) << i;
            EXPECT_EQ(c.entries[i].hotspotY, pointer ? entries[i].hotspotY : 0) << i;
        }
        OwnedPixels back;
        PixelFormat format = 0;
        ASSERT_TRUE(DecodeIconBitmapEntry(c.entries[0], &back, &format));
        EXPECT_EQ(format, fmt::k32RGB);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) EXPECT_EQ(Pixel(back, x, y), Pixel(argb, x, y)) << x << "," << y;
        EXPECT_EQ(Pixel(back, 0, 0), 0u);
        EXPECT_EQ(Pixel(back, 8, 5) >> 24, 0x80u);
        for (size_t i = 0; i < indexed.size(); ++i) {
            const Indexed& k = indexed[i];
            ASSERT_TRUE(DecodeIconBitmapEntry(c.entries[i + 1], &back, &format));
            EXPECT_EQ(BitsPerPixel(format), k.bits);
            for (int y = 0; y < k.height; ++y)
                for (int x = 0; x < k.width; ++x) {
                    const bool masked = y == k.height - 1 && (x == 0 || x == 7);
                    const uint32_t want = masked ? 0u : k.pixels.palette[ReadStored(k.pixels.view, x, y)];
                    EXPECT_EQ(Pixel(back, x, y), want) << k.bits << " bits at " << x << "," << y;
                }
        }
    }
}

}  // namespace
}  // namespace mirelo
