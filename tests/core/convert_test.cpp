#include <gtest/gtest.h>

#include <cstring>
#include <vector>
#include <utility>

#include "image/convert.h"

namespace mirelo {
namespace {

struct Pixels {
    std::vector<uint8_t> bytes;
    PixelView view;
    Pixels(int w, int h, PixelFormat f) {
        int stride = static_cast<int>(DwordStride(w, BitsPerPixel(f)));
        bytes.assign(static_cast<size_t>(stride) * h, 0);
        view = PixelView{w, h, stride, f, bytes.data()};
    }
};

std::vector<uint8_t> Convert(const PixelView& from, PixelFormat to, bool keep, Pixels* out) {
    std::vector<uint8_t> bgra;
    EXPECT_TRUE(DecodeToBgra(from, bgra));
    *out = Pixels(from.width, from.height, to);
    EXPECT_TRUE(EncodeFromBgra(bgra, out->view, keep, IsPremultiplied(from.format)));
    return bgra;
}

TEST(FormatConversion, TwentyFourToArgbIsOpaque) {
    Pixels src(3, 2, fmt::k24RGB);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) WriteStored(src.view, x, y, 0x102030u * (x + 1) + y);
    Pixels dst(1, 1, fmt::k32ARGB);
    Convert(src.view, fmt::k32ARGB, false, &dst);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(ReadStored(dst.view, x, y), 0xFF000000u | (0x102030u * (x + 1) + y));
}

TEST(FormatConversion, ArgbToRgb32KeepsTheFourthByteOnlyWhenAsked) {
    Pixels src(2, 1, fmt::k32ARGB);
    WriteStored(src.view, 0, 0, 0x40112233u);
    WriteStored(src.view, 1, 0, 0x00445566u);
    Pixels dst(1, 1, fmt::k32RGB);
    Convert(src.view, fmt::k32RGB, false, &dst);
    EXPECT_EQ(ReadStored(dst.view, 0, 0), 0xFF112233u);
    EXPECT_EQ(ReadStored(dst.view, 1, 0), 0xFF445566u);
    Convert(src.view, fmt::k32RGB, true, &dst);
    EXPECT_EQ(ReadStored(dst.view, 0, 0), 0x40112233u);
    EXPECT_EQ(ReadStored(dst.view, 1, 0), 0x00445566u);
}

TEST(FormatConversion, Rgb32WithoutFourthBytesIsOpaque) {
    // A 32-R8G8B8 image whose fourth bytes are all 0 (a pasted screenshot) shows opaque, and
    // stays so in every target with alpha; a fourth byte set anywhere is alpha and kept.
    struct Case {
        PixelFormat target;
        uint32_t first, second;  // the two pixels after conversion to the target
    };
    const Case cases[] = {
        {fmt::k32ARGB, 0xFF112233u, 0xFF445566u},
        {fmt::k32PARGB, 0xFF112233u, 0xFF445566u},
        {fmt::k16ARGB1555, 0x8000u | (0x11u >> 3) << 10 | (0x22u >> 3) << 5 | 0x33u >> 3,
         0x8000u | (0x44u >> 3) << 10 | (0x55u >> 3) << 5 | 0x66u >> 3},
    };
    Pixels src(2, 1, fmt::k32RGB);
    WriteStored(src.view, 0, 0, 0x00112233u);
    WriteStored(src.view, 1, 0, 0x00445566u);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.target);
        Pixels dst(1, 1, c.target);
        Convert(src.view, c.target, false, &dst);
        EXPECT_EQ(ReadStored(dst.view, 0, 0), c.first);
        EXPECT_EQ(ReadStored(dst.view, 1, 0), c.second);
    }
    WriteStored(src.view, 1, 0, 0x80445566u);
    Pixels dst(1, 1, fmt::k32ARGB);
    Convert(src.view, fmt::k32ARGB, false, &dst);
    EXPECT_EQ(ReadStored(dst.view, 0, 0), 0x00112233u);
    EXPECT_EQ(ReadStored(dst.view, 1, 0), 0x80445566u);
}

TEST(FormatConversion, FourBitPaletteTo565) {
    uint32_t palette[16];
    for (int i = 0; i < 16; ++i) palette[i] = 0xFF000000u | static_cast<uint32_t>(i * 0x0F1E2D);
    Pixels src(16, 1, fmt::k4Index);
    for (int i = 0; i < 16; ++i) WriteStored(src.view, i, 0, static_cast<uint32_t>(i));
    src.view.palette = palette;
    src.view.paletteCount = 16;
    Pixels dst(1, 1, fmt::k16RGB565);
    Convert(src.view, fmt::k16RGB565, false, &dst);
    for (int i = 0; i < 16; ++i) {
        uint32_t c = palette[i];
        uint32_t r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, b = c & 0xFF;
        uint32_t expected = ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3);
        EXPECT_EQ(ReadStored(dst.view, i, 0), expected) << i;
    }
}

TEST(FormatConversion, OneBitRowsAndSixteenBitSources) {
    uint32_t palette[2] = {0xFF000000u, 0xFFFFFFFFu};
    Pixels src(10, 2, fmt::k1Index);
    WriteStored(src.view, 9, 0, 1);
    WriteStored(src.view, 0, 1, 1);
    src.view.palette = palette;
    src.view.paletteCount = 2;
    Pixels dst(1, 1, fmt::k24RGB);
    Convert(src.view, fmt::k24RGB, false, &dst);
    EXPECT_EQ(ReadStored(dst.view, 9, 0), 0xFFFFFFu);
    EXPECT_EQ(ReadStored(dst.view, 8, 0), 0u);
    EXPECT_EQ(ReadStored(dst.view, 0, 1), 0xFFFFFFu);

    Pixels s555(2, 1, fmt::k16ARGB1555);
    WriteStored(s555.view, 0, 0, 0x8000u | (0x1Fu << 10));
    WriteStored(s555.view, 1, 0, 0x001Fu);  // transparent blue
    Pixels out(1, 1, fmt::k32ARGB);
    Convert(s555.view, fmt::k32ARGB, false, &out);
    EXPECT_EQ(ReadStored(out.view, 0, 0), 0xFFF80000u);
    EXPECT_EQ(ReadStored(out.view, 1, 0), 0x000000F8u);
    // A palette index without an entry decodes as opaque black instead of reading past the palette.
    Pixels idx(1, 1, fmt::k8Index);
    WriteStored(idx.view, 0, 0, 200);
    idx.view.palette = palette;
    idx.view.paletteCount = 2;
    Convert(idx.view, fmt::k32ARGB, false, &out);
    EXPECT_EQ(ReadStored(out.view, 0, 0), 0xFF000000u);
}

TEST(FormatConversion, PremultipliedTargetsAndSources) {
    Pixels src(1, 1, fmt::k32ARGB);
    WriteStored(src.view, 0, 0, 0x80FF4020u);
    Pixels p(1, 1, fmt::k32PARGB);
    Convert(src.view, fmt::k32PARGB, false, &p);
    EXPECT_EQ(ReadStored(p.view, 0, 0), 0x80802010u);
    Pixels back(1, 1, fmt::k32ARGB);
    Convert(p.view, fmt::k32ARGB, false, &back);
    EXPECT_EQ(ReadStored(back.view, 0, 0), 0x80FF4020u);
    Pixels rgb(1, 1, fmt::k24RGB);
    Convert(p.view, fmt::k24RGB, false, &rgb);
    EXPECT_EQ(ReadStored(rgb.view, 0, 0), 0xFF4020u);
}

TEST(FormatConversion, DecodingIntoAViewGivesTheBufferInAnyRowOrder) {
    struct Case {
        PixelFormat format;
        int width;
        uint32_t fourth;  // the fourth byte of 32-bit pixels (0: every one is 0)
    };
    for (const Case& c : {Case{fmt::k24RGB, 1, 0}, Case{fmt::k24RGB, 2, 0}, Case{fmt::k24RGB, 5, 0}, Case{fmt::k24RGB, 8, 0},
                          Case{fmt::k32RGB, 3, 0}, Case{fmt::k32RGB, 3, 0x7F}, Case{fmt::k32ARGB, 3, 0x7F}}) {
        Pixels src(c.width, 3, c.format);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < c.width; ++x)
                WriteStored(src.view, x, y, (0x0A0B0Cu * (x + 1) + 0x100000u * y) | (c.fourth * (x & 1)) << 24);
        std::vector<uint8_t> bgra;
        ASSERT_TRUE(DecodeToBgra(src.view, bgra));
        // A bottom-up target full of other bytes, and for 32 bits the source itself.
        std::vector<uint8_t> memory(static_cast<size_t>(c.width) * 4 * 3, 0xCD);
        PixelView target{c.width, 3, -c.width * 4, fmt::k32ARGB, memory.data() + c.width * 4 * 2};
        ASSERT_TRUE(DecodeToBgra(src.view, target));
        if (BitsPerPixel(c.format) == 32) {
            PixelView inPlace = src.view;
            inPlace.format = fmt::k32ARGB;
            ASSERT_TRUE(DecodeToBgra(src.view, inPlace));
        }
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < c.width; ++x) {
                uint32_t expected = 0;
                std::memcpy(&expected, &bgra[(static_cast<size_t>(y) * c.width + x) * 4], 4);
                EXPECT_EQ(ReadStored(target, x, y), expected) << c.format << " " << c.width << " " << x << "," << y;
                if (BitsPerPixel(c.format) == 32) {
                    EXPECT_EQ(ReadStored(src.view, x, y), expected) << c.format << " in place";
                }
            }
    }
    Pixels src(2, 2, fmt::k24RGB), small(1, 2, fmt::k32ARGB), rgb(2, 2, fmt::k24RGB);
    EXPECT_FALSE(DecodeToBgra(src.view, small.view));
    EXPECT_FALSE(DecodeToBgra(src.view, rgb.view));
}

// The conversion works a band of rows at a time, on two threads for a large picture; a picture
// of several bands converts as one decoded whole and encoded again would (the fourth-byte rule
// decided for the whole picture).
TEST(FormatConversion, BandsGiveWhatTheWholeBufferGives) {
    for (const auto& [w, h] : {std::pair{37, 70}, std::pair{530, 499}}) {
        const uint32_t palette[4] = {0xFF102030, 0x80405060, 0x00FFFFFF, 0xFFABCDEF};
        const PixelFormat targets[] = {fmt::k16RGB555, fmt::k16RGB565, fmt::k16ARGB1555, fmt::k24RGB,
                                       fmt::k32RGB,    fmt::k32ARGB,    fmt::k32PARGB};
        for (PixelFormat from : {fmt::k8Index, fmt::k16RGB565, fmt::k24RGB, fmt::k32RGB, fmt::k32ARGB, fmt::k32PARGB}) {
            const int stride = static_cast<int>(DwordStride(w, BitsPerPixel(from)));
            std::vector<uint8_t> pixels(static_cast<size_t>(stride) * h);
            uint32_t seed = 7;
            for (uint8_t& b : pixels) b = static_cast<uint8_t>((seed = seed * 1103515245 + 12345) >> 16);
            if (from == fmt::k8Index)
                for (uint8_t& b : pixels) b &= 3;
            if (from == fmt::k32RGB)  // the fourth bytes set only in the last band
                for (int y = 0; y < h - 5; ++y)
                    for (int x = 0; x < w; ++x) pixels[static_cast<size_t>(y) * stride + x * 4 + 3] = 0;
            const PixelView in{w, h, stride, from, pixels.data(), palette, 4};
            for (PixelFormat to : targets)
                for (bool keep : {false, true}) {
                    const int outStride = static_cast<int>(DwordStride(w, BitsPerPixel(to)));
                    std::vector<uint8_t> banded(static_cast<size_t>(outStride) * h), whole(banded.size());
                    ASSERT_TRUE(ConvertPixels(in, PixelView{w, h, outStride, to, banded.data()}, ConvertParams{keep}).ok());
                    std::vector<uint8_t> bgra;
                    ASSERT_TRUE(DecodeToBgra(in, bgra));
                    ASSERT_TRUE(EncodeFromBgra(bgra, PixelView{w, h, outStride, to, whole.data()}, BitsPerPixel(to) == 32 && keep,
                                               IsPremultiplied(from)));
                    EXPECT_EQ(banded, whole) << std::hex << from << " to " << to << " keep " << keep << std::dec << " width " << w;
                }
        }
    }
}

TEST(FormatConversion, RefusesWhatItCannotDo) {
    Pixels wide(1, 1, fmt::k64ARGB);
    std::vector<uint8_t> bgra;
    EXPECT_FALSE(DecodeToBgra(wide.view, bgra));
    Pixels src(1, 1, fmt::k24RGB);
    ASSERT_TRUE(DecodeToBgra(src.view, bgra));
    Pixels idx(1, 1, fmt::k8Index);
    EXPECT_FALSE(EncodeFromBgra(bgra, idx.view, false, false));
    Pixels big(2, 2, fmt::k24RGB);
    EXPECT_FALSE(EncodeFromBgra(bgra, big.view, false, false));  // the buffer is too small
}

TEST(FormatConversion, CommandTableAndIndexedCodes) {
    FormatCommandInfo info{};
    ASSERT_TRUE(FormatCommandTarget(40056, &info));
    EXPECT_EQ(info.target, fmt::k16RGB565);
    EXPECT_EQ(TextView(info.failureText), TextView(u"16bppRGB565を作成できません"));
    ASSERT_TRUE(FormatCommandTarget(40064, &info));
    EXPECT_EQ(info.target, fmt::k64PARGB);
    EXPECT_FALSE(FormatCommandTarget(40053, &info));
    EXPECT_EQ(IndexedConversionCode(1, 40047), 1);
    EXPECT_EQ(IndexedConversionCode(5, 40048), 6);
    EXPECT_EQ(IndexedConversionCode(9, 40049), 11);
    EXPECT_EQ(IndexedConversionCode(9, 40046), 12);
}

}  // namespace
}  // namespace mirelo
