#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <vector>

#include "clipboard/dib.h"
#include "byte_buffers.h"

namespace mirelo {
namespace {


// Pixel memory with a view over it, top row first.
struct Pixels {
    Pixels(int w, int h, PixelFormat f) : bytes(static_cast<size_t>(DwordStride(w, BitsPerPixel(f)) * h), 0) {
        view.width = w;
        view.height = h;
        view.format = f;
        view.stride = static_cast<int>(DwordStride(w, BitsPerPixel(f)));
        view.scan0 = bytes.data();
    }
    std::vector<uint8_t> bytes;
    PixelView view;
};

// A stored value for pixel (x, y) that uses every bit the format has.
uint32_t Pattern(PixelFormat f, int x, int y) {
    int bits = BitsPerPixel(f);
    uint32_t v = static_cast<uint32_t>(x * 2654435761u) ^ static_cast<uint32_t>((y + 1) * 40503u) ^ static_cast<uint32_t>(x * y * 97);
    return bits >= 32 ? v : v & ((1u << bits) - 1);
}

Pixels Patterned(int w, int h, PixelFormat f) {
    Pixels p(w, h, f);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) WriteStored(p.view, x, y, Pattern(f, x, y));
    return p;
}

// The header of a hand-made DIB; the caller appends masks, table and bits.
std::vector<uint8_t> Header(uint32_t size, int32_t w, int32_t h, int bits, uint32_t compression, uint32_t used = 0) {
    std::vector<uint8_t> b(size, 0);
    Put32(b, 0, size);
    Put32(b, 4, static_cast<uint32_t>(w));
    Put32(b, 8, static_cast<uint32_t>(h));
    Put16(b, 12, 1);
    Put16(b, 14, static_cast<uint32_t>(bits));
    Put32(b, 16, compression);
    Put32(b, 32, used);
    return b;
}
void Append32(std::vector<uint8_t>& b, uint32_t v) {
    size_t at = b.size();
    b.resize(at + 4);
    Put32(b, at, v);
}

struct DepthCase {
    PixelFormat source;
    PixelFormat readBack;
};

class DibRoundTrip : public ::testing::TestWithParam<DepthCase> {};

TEST_P(DibRoundTrip, EveryPixelComesBackExactly) {
    const DepthCase c = GetParam();
    const int w = 13, h = 5;  // an odd width: rows need padding at every depth
    Pixels src = Patterned(w, h, c.source);
    std::vector<uint32_t> palette;
    if (IsIndexed(c.source)) {
        for (int i = 0; i < (1 << BitsPerPixel(c.source)); ++i) palette.push_back(0xFF000000u | static_cast<uint32_t>(i * 0x010307));
        src.view.palette = palette.data();
        src.view.paletteCount = static_cast<int>(palette.size());
    }
    DibImage dib;
    ASSERT_TRUE(BuildDib(src.view, &dib));
    const int bits = BitsPerPixel(c.source);
    const size_t stride = static_cast<size_t>(DwordStride(w, bits));
    EXPECT_EQ(Get32(dib.bytes, 0), 40u);
    EXPECT_EQ(static_cast<int32_t>(Get32(dib.bytes, 4)), w);
    EXPECT_EQ(static_cast<int32_t>(Get32(dib.bytes, 8)), h);  // bottom-up
    EXPECT_EQ(Get16(dib.bytes, 12), 1);
    EXPECT_EQ(Get16(dib.bytes, 14), bits);
    EXPECT_EQ(Get32(dib.bytes, 16), c.source == fmt::k16RGB565 ? 3u : 0u);
    EXPECT_EQ(Get32(dib.bytes, 20), stride * h);
    for (size_t at = 24; at < 40; at += 4) EXPECT_EQ(Get32(dib.bytes, at), 0u) << at;
    const size_t table = bits <= 8 ? (size_t{1} << bits) : 0;
    EXPECT_EQ(dib.headerLength, 40 + (c.source == fmt::k16RGB565 ? 12 : 0) + 4 * table);
    EXPECT_EQ(dib.bitsLength, stride * h);
    EXPECT_EQ(dib.bytes.size(), dib.headerLength + dib.bitsLength);
    if (c.source == fmt::k16RGB565) {
        EXPECT_EQ(Get32(dib.bytes, 40), 0xF800u);
        EXPECT_EQ(Get32(dib.bytes, 44), 0x07E0u);
        EXPECT_EQ(Get32(dib.bytes, 48), 0x001Fu);
    }
    // DIB row 0 is the bottom image row.
    for (int x = 0; x < w; ++x) {
        PixelView bottom = src.view;
        bottom.scan0 = dib.bytes.data() + dib.headerLength;
        bottom.height = 1;
        EXPECT_EQ(ReadStored(bottom, x, 0), Pattern(c.source, x, h - 1)) << x;
    }

    DibLayout layout;
    ASSERT_TRUE(ReadDib(dib.bytes.data(), dib.bytes.size(), &layout));
    EXPECT_EQ(layout.format, c.readBack);
    EXPECT_EQ(layout.width, w);
    EXPECT_EQ(layout.height, h);
    EXPECT_FALSE(layout.topDown);
    EXPECT_FALSE(layout.throughMasks);
    EXPECT_EQ(layout.headerLength, dib.headerLength);
    EXPECT_EQ(layout.bitsLength, dib.bitsLength);
    if (IsIndexed(c.source)) {
        ASSERT_EQ(layout.palette.size(), palette.size());
        for (size_t i = 0; i < palette.size(); ++i) EXPECT_EQ(layout.palette[i], palette[i]) << i;
    } else {
        EXPECT_TRUE(layout.palette.empty());
    }
    Pixels back(w, h, layout.format);
    ASSERT_TRUE(CopyDibRows(dib.bytes.data(), layout, back.view));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) ASSERT_EQ(ReadStored(back.view, x, y), Pattern(c.source, x, y)) << x << "," << y;
}

INSTANTIATE_TEST_SUITE_P(DibEveryDepth, DibRoundTrip,
                         ::testing::Values(DepthCase{fmt::k1Index, fmt::k1Index}, DepthCase{fmt::k4Index, fmt::k4Index},
                                           DepthCase{fmt::k8Index, fmt::k8Index},
                                           DepthCase{fmt::k16RGB555, fmt::k16RGB555},
                                           DepthCase{fmt::k16RGB565, fmt::k16RGB565},
                                           DepthCase{fmt::k24RGB, fmt::k24RGB}, DepthCase{fmt::k32RGB, fmt::k32RGB},
                                           // The fourth byte travels unchanged: the alpha of 32-bit ARGB.
                                           DepthCase{fmt::k32ARGB, fmt::k32RGB}, DepthCase{fmt::k32PARGB, fmt::k32RGB}));

TEST(DibBuild, NoDibFormAbove32Bits) {
    for (PixelFormat f : {fmt::k48RGB, fmt::k64ARGB, fmt::k64PARGB}) {
        EXPECT_FALSE(HasDibForm(f));
        Pixels p(2, 2, f);
        DibImage dib;
        EXPECT_FALSE(BuildDib(p.view, &dib));
        EXPECT_TRUE(dib.bytes.empty());
    }
    for (PixelFormat f : {fmt::k1Index, fmt::k4Index, fmt::k8Index, fmt::k16RGB555, fmt::k16ARGB1555, fmt::k24RGB, fmt::k32ARGB})
        EXPECT_TRUE(HasDibForm(f));
}

TEST(DibBuild, ShortPaletteLeavesTheRestOfTheTableZero) {
    Pixels p(3, 1, fmt::k4Index);
    const uint32_t pal[3] = {0xFF112233u, 0xFF445566u, 0x80778899u};
    p.view.palette = pal;
    p.view.paletteCount = 3;
    DibImage dib;
    ASSERT_TRUE(BuildDib(p.view, &dib));
    EXPECT_EQ(dib.headerLength, 40u + 16 * 4);
    EXPECT_EQ(Get32(dib.bytes, 40), 0x00112233u);  // blue, green, red, 0
    EXPECT_EQ(Get32(dib.bytes, 44), 0x00445566u);
    EXPECT_EQ(Get32(dib.bytes, 48), 0x00778899u);  // alpha is not carried
    for (size_t i = 3; i < 16; ++i) EXPECT_EQ(Get32(dib.bytes, 40 + 4 * i), 0u) << i;
}

TEST(DibBuild, EmptyViewIsRefused) {
    Pixels p(1, 1, fmt::k24RGB);
    p.view.width = 0;
    DibImage dib;
    EXPECT_FALSE(BuildDib(p.view, &dib));
}

// A 1-bit DIB 10 pixels wide: every row has two bytes of pixels and two of padding.
TEST(DibRead, OneBitTenPixelsWideKeepsAllTenPixels) {
    std::vector<uint8_t> b = Header(40, 10, 2, 1, 0);
    Append32(b, 0x00000000);  // black
    Append32(b, 0x00FFFFFF);  // white
    const uint8_t rows[2][4] = {{0xAA, 0x80, 0x00, 0x00},   // bottom: 1010101010
                                {0x55, 0x40, 0x00, 0x00}};  // top:    0101010101
    for (auto& r : rows) b.insert(b.end(), r, r + 4);
    DibLayout d;
    ASSERT_TRUE(ReadDib(b.data(), b.size(), &d));
    EXPECT_EQ(d.format, fmt::k1Index);
    EXPECT_EQ(d.rowBytes, 4u);
    ASSERT_EQ(d.palette.size(), 2u);
    EXPECT_EQ(d.palette[0], 0xFF000000u);
    EXPECT_EQ(d.palette[1], 0xFFFFFFFFu);
    Pixels out(10, 2, fmt::k1Index);
    ASSERT_TRUE(CopyDibRows(b.data(), d, out.view));
    for (int x = 0; x < 10; ++x) {
        EXPECT_EQ(ReadStored(out.view, x, 0), static_cast<uint32_t>(x & 1)) << x;       // top
        EXPECT_EQ(ReadStored(out.view, x, 1), static_cast<uint32_t>(1 - (x & 1))) << x;  // bottom
    }
}

TEST(DibRead, BottomUpAndTopDownGiveTheSamePixels) {
    const int w = 5, h = 4;
    std::vector<uint8_t> up = Header(40, w, h, 24, 0), down = Header(40, w, -h, 24, 0);
    const size_t stride = 16;
    std::vector<uint8_t> bitsUp(stride * h, 0), bitsDown(stride * h, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c) {
                uint8_t v = static_cast<uint8_t>(x * 40 + y * 7 + c);
                bitsUp[(h - 1 - y) * stride + x * 3 + c] = v;
                bitsDown[y * stride + x * 3 + c] = v;
            }
    up.insert(up.end(), bitsUp.begin(), bitsUp.end());
    down.insert(down.end(), bitsDown.begin(), bitsDown.end());
    DibLayout a, b;
    ASSERT_TRUE(ReadDib(up.data(), up.size(), &a));
    ASSERT_TRUE(ReadDib(down.data(), down.size(), &b));
    EXPECT_FALSE(a.topDown);
    EXPECT_TRUE(b.topDown);
    EXPECT_EQ(b.height, h);
    Pixels pa(w, h, fmt::k24RGB), pb(w, h, fmt::k24RGB);
    ASSERT_TRUE(CopyDibRows(up.data(), a, pa.view));
    ASSERT_TRUE(CopyDibRows(down.data(), b, pb.view));
    EXPECT_EQ(pa.bytes, pb.bytes);
    EXPECT_EQ(ReadStored(pa.view, 2, 0), 0x525150u);  // top row, x = 2: 80, 81, 82
}

TEST(DibRead, SixteenBitMasksDecideTheFormat) {
    struct Case {
        uint32_t r, g, b;
        PixelFormat format;
        bool through;
    } cases[] = {
        {0xF800, 0x07E0, 0x001F, fmt::k16RGB565, false},
        {0x7C00, 0x03E0, 0x001F, fmt::k16RGB555, false},
        {0x0F00, 0x00F0, 0x000F, fmt::k32RGB, true},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> b = Header(40, 2, 1, 16, 3);
        Append32(b, c.r);
        Append32(b, c.g);
        Append32(b, c.b);
        Append32(b, 0x0F8F1234);  // pixels 0x1234 and 0x0F8F
        DibLayout d;
        ASSERT_TRUE(ReadDib(b.data(), b.size(), &d)) << c.r;
        EXPECT_EQ(d.format, c.format);
        EXPECT_EQ(d.throughMasks, c.through);
        EXPECT_EQ(d.headerLength, 52u);
        Pixels out(2, 1, d.format);
        ASSERT_TRUE(CopyDibRows(b.data(), d, out.view));
        if (!c.through) {
            EXPECT_EQ(ReadStored(out.view, 0, 0), 0x1234u);
            EXPECT_EQ(ReadStored(out.view, 1, 0), 0x0F8Fu);
        } else {
            // 4 bits per channel, scaled to 8: 0x1234 → red 2, green 3, blue 4.
            EXPECT_EQ(ReadStored(out.view, 0, 0), 0xFF223344u);
            EXPECT_EQ(ReadStored(out.view, 1, 0), 0xFFFF88FFu);
        }
    }
    // Without bit fields 16 bits are 5-5-5.
    std::vector<uint8_t> plain = Header(40, 1, 1, 16, 0);
    Append32(plain, 0x7FFF);
    DibLayout d;
    ASSERT_TRUE(ReadDib(plain.data(), plain.size(), &d));
    EXPECT_EQ(d.format, fmt::k16RGB555);
    EXPECT_EQ(d.headerLength, 40u);
}

TEST(DibRead, ThirtyTwoBitFieldsAndLargerHeaders) {
    // A 124-byte header holds the masks itself.
    std::vector<uint8_t> v5 = Header(124, 1, -1, 32, 3);
    Put32(v5, 40, 0xFF0000);
    Put32(v5, 44, 0x00FF00);
    Put32(v5, 48, 0x0000FF);
    Put32(v5, 52, 0xFF000000);
    Append32(v5, 0x80102030);
    DibLayout d;
    ASSERT_TRUE(ReadDib(v5.data(), v5.size(), &d));
    EXPECT_EQ(d.format, fmt::k32RGB);
    EXPECT_FALSE(d.throughMasks);
    EXPECT_EQ(d.headerLength, 124u);
    Pixels out(1, 1, fmt::k32RGB);
    ASSERT_TRUE(CopyDibRows(v5.data(), d, out.view));
    EXPECT_EQ(ReadStored(out.view, 0, 0), 0x80102030u);  // the fourth byte stays
    EXPECT_EQ(d.alphaMask, 0xFF000000u);

    // Red and blue swapped go through the masks.
    std::vector<uint8_t> bgr = Header(40, 1, 1, 32, 3);
    Append32(bgr, 0x0000FF);
    Append32(bgr, 0x00FF00);
    Append32(bgr, 0xFF0000);
    Append32(bgr, 0x00102030);
    ASSERT_TRUE(ReadDib(bgr.data(), bgr.size(), &d));
    EXPECT_TRUE(d.throughMasks);
    ASSERT_TRUE(CopyDibRows(bgr.data(), d, out.view));
    EXPECT_EQ(ReadStored(out.view, 0, 0), 0xFF302010u);

    for (uint32_t size : {52u, 56u, 108u}) {
        std::vector<uint8_t> b = Header(size, 1, 1, 24, 0);
        Append32(b, 0x00ABCDEF);
        ASSERT_TRUE(ReadDib(b.data(), b.size(), &d)) << size;
        EXPECT_EQ(d.headerLength, size);
    }
}

TEST(DibRead, ColourTableFollowsTheColoursUsed) {
    std::vector<uint8_t> b = Header(40, 2, 1, 8, 0, 3);
    Append32(b, 0x00010203);
    Append32(b, 0x00040506);
    Append32(b, 0x00070809);
    Append32(b, 0x00000201);  // indices 1, 2
    DibLayout d;
    ASSERT_TRUE(ReadDib(b.data(), b.size(), &d));
    EXPECT_EQ(d.headerLength, 52u);
    ASSERT_EQ(d.palette.size(), 256u);  // the rest is opaque black
    EXPECT_EQ(d.palette[1], 0xFF040506u);
    EXPECT_EQ(d.palette[3], 0xFF000000u);
    Pixels out(2, 1, fmt::k8Index);
    ASSERT_TRUE(CopyDibRows(b.data(), d, out.view));
    EXPECT_EQ(ReadStored(out.view, 0, 0), 1u);
    EXPECT_EQ(ReadStored(out.view, 1, 0), 2u);
    // A direct-colour DIB with a table of its colours: the bits start after it.
    std::vector<uint8_t> t = Header(40, 1, 1, 24, 0, 2);
    Append32(t, 0x00111111);
    Append32(t, 0x00222222);
    Append32(t, 0x00CCBBAA);
    ASSERT_TRUE(ReadDib(t.data(), t.size(), &d));
    EXPECT_EQ(d.headerLength, 48u);
    EXPECT_TRUE(d.palette.empty());
}

std::vector<uint8_t> Valid8x8() {
    std::vector<uint8_t> b = Header(40, 8, 8, 32, 0);
    b.resize(40 + 8 * 8 * 4, 0x5A);
    return b;
}

TEST(DibRead, MalformedBlocksAreRefused) {
    DibLayout d;
    std::vector<uint8_t> ok = Valid8x8();
    ASSERT_TRUE(ReadDib(ok.data(), ok.size(), &d));
    EXPECT_FALSE(ReadDib(nullptr, 100, &d));
    EXPECT_FALSE(ReadDib(ok.data(), 39, &d));              // shorter than a header
    EXPECT_FALSE(ReadDib(ok.data(), ok.size() - 1, &d));  // one byte of bits missing
    EXPECT_FALSE(ReadDib(ok.data(), 40, &d));              // no bits at all

    auto refused = [&](const char* what, auto change) {
        std::vector<uint8_t> b = Valid8x8();
        change(b);
        DibLayout x;
        EXPECT_FALSE(ReadDib(b.data(), b.size(), &x)) << what;
    };
    for (uint32_t size : {0u, 12u, 20u, 39u, 41u, 64u, 100u, 125u, 0xFFFFFFFFu})
        refused("header size", [size](std::vector<uint8_t>& b) { Put32(b, 0, size); });
    refused("header longer than the block", [](std::vector<uint8_t>& b) {
        Put32(b, 0, 124);
        b.resize(100);
    });
    for (uint32_t bits : {0u, 2u, 7u, 12u, 48u, 64u, 0xFFFFu})
        refused("bit count", [bits](std::vector<uint8_t>& b) { Put16(b, 14, bits); });
    for (uint32_t comp : {1u, 2u, 4u, 5u, 6u, 0xFFFFFFFFu})
        refused("compression", [comp](std::vector<uint8_t>& b) { Put32(b, 16, comp); });
    refused("bit fields on 24 bits", [](std::vector<uint8_t>& b) {
        Put16(b, 14, 24);
        Put32(b, 16, 3);
    });
    refused("bit fields on 8 bits", [](std::vector<uint8_t>& b) {
        Put16(b, 14, 8);
        Put32(b, 16, 3);
    });
    refused("zero width", [](std::vector<uint8_t>& b) { Put32(b, 4, 0); });
    refused("negative width", [](std::vector<uint8_t>& b) { Put32(b, 4, static_cast<uint32_t>(-8)); });
    refused("zero height", [](std::vector<uint8_t>& b) { Put32(b, 8, 0); });
    refused("most negative height", [](std::vector<uint8_t>& b) { Put32(b, 8, 0x80000000u); });
    refused("huge size", [](std::vector<uint8_t>& b) {
        Put32(b, 4, 0x7FFFFFFF);
        Put32(b, 8, 0x7FFFFFFF);
    });
    refused("huge top-down size", [](std::vector<uint8_t>& b) {
        Put32(b, 4, 0x7FFFFFFF);
        Put32(b, 8, 0x80000001u);
    });
    refused("width whose row overflows an int", [](std::vector<uint8_t>& b) {
        Put32(b, 4, 0x40000000);
        Put32(b, 8, 1);
    });
    refused("too many colours", [](std::vector<uint8_t>& b) {
        Put16(b, 14, 8);
        Put32(b, 32, 257);
    });
    refused("colour table beyond the block", [](std::vector<uint8_t>& b) {
        Put16(b, 14, 24);
        Put32(b, 32, 0x40000000);
    });
    refused("one bit with three colours", [](std::vector<uint8_t>& b) {
        Put16(b, 14, 1);
        Put32(b, 32, 3);
    });
    refused("masks missing", [](std::vector<uint8_t>& b) {
        Put16(b, 14, 16);
        Put32(b, 16, 3);
        Put32(b, 4, 1);
        Put32(b, 8, 1);
        b.resize(48);
    });
    auto masks = [&](const char* what, int bits, uint32_t r, uint32_t g, uint32_t bl) {
        refused(what, [=](std::vector<uint8_t>& b) {
            Put16(b, 14, static_cast<uint32_t>(bits));
            Put32(b, 16, 3);
            b.insert(b.begin() + 40, 12, 0);
            Put32(b, 40, r);
            Put32(b, 44, g);
            Put32(b, 48, bl);
        });
    };
    masks("all masks empty", 16, 0, 0, 0);
    masks("broken mask", 16, 0xF0F0, 0x0F00, 0x000F);
    masks("mask beyond 16 bits", 16, 0x1F0000, 0x07E0, 0x001F);
    masks("broken 32-bit mask", 32, 0xFF00FF, 0x00FF00, 0);
}

TEST(DibBuild, V5HeaderCarriesTheAlphaAndReadsBack) {
    Pixels argb(3, 2, fmt::k32ARGB);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) WriteStored(argb.view, x, y, 0x10203040u * static_cast<uint32_t>(x + 1) + static_cast<uint32_t>(y));
    DibImage v5;
    ASSERT_TRUE(BuildDibV5(argb.view, &v5));
    ASSERT_EQ(v5.bytes.size(), 124u + 3 * 2 * 4);
    const uint8_t* h = v5.bytes.data();
    EXPECT_EQ(Get32(h), 124u);
    EXPECT_EQ(static_cast<int32_t>(Get32(h + 8)), 2);  // bottom-up
    EXPECT_EQ(Get32(h + 16), 3u);                      // bit fields
    EXPECT_EQ(Get32(h + 52), 0xFF000000u);
    EXPECT_EQ(Get32(h + 124), 0x10203040u * 1 + 1);     // the bottom row is stored first
    DibLayout d;
    ASSERT_TRUE(ReadDib(v5.bytes.data(), v5.bytes.size(), &d));
    EXPECT_EQ(d.alphaMask, 0xFF000000u);
    Pixels back(3, 2, fmt::k32RGB);
    ASSERT_TRUE(CopyDibRows(v5.bytes.data(), d, back.view));
    EXPECT_EQ(back.bytes, argb.bytes);
    Pixels rgb(3, 2, fmt::k32RGB);
    EXPECT_FALSE(BuildDibV5(rgb.view, &v5));
}

TEST(DibRead, CopyRefusesAViewThatDoesNotFit) {
    std::vector<uint8_t> b = Valid8x8();
    DibLayout d;
    ASSERT_TRUE(ReadDib(b.data(), b.size(), &d));
    Pixels wrongSize(7, 8, fmt::k32RGB), wrongFormat(8, 8, fmt::k24RGB), fits(8, 8, fmt::k32RGB);
    EXPECT_FALSE(CopyDibRows(b.data(), d, wrongSize.view));
    EXPECT_FALSE(CopyDibRows(b.data(), d, wrongFormat.view));
    Pixels narrow(8, 8, fmt::k32RGB);
    narrow.view.stride = 16;
    EXPECT_FALSE(CopyDibRows(b.data(), d, narrow.view));
    ASSERT_TRUE(CopyDibRows(b.data(), d, fits.view));
    EXPECT_EQ(ReadStored(fits.view, 7, 7), 0x5A5A5A5Au);
}

}  // namespace
}  // namespace mirelo
