#include <gtest/gtest.h>

#include <cstring>

#include "image/file_format.h"
#include "image/pixel_format.h"
#include "image/pixel_view.h"

namespace mirelo {
namespace {

struct Expected {
    PixelFormat format;
    int bpp;
    bool indexed, alpha, premultiplied, extended;
    const char16_t* name;
};

TEST(PixelFormatTable, PropertiesAndNamesOfEveryFormat) {
    const Expected rows[] = {
        {0x30101, 1, true, false, false, false, u"1-Index"},
        {0x30402, 4, true, false, false, false, u"4-Index"},
        {0x30803, 8, true, false, false, false, u"8-Index"},
        {0x101004, 16, false, false, false, true, u"16-GrayScale"},
        {0x21005, 16, false, false, false, false, u"16-R5G5B5"},
        {0x21006, 16, false, false, false, false, u"16-R5G6B5"},
        {0x61007, 16, false, true, false, false, u"16-A1R5G5B5"},
        {0x21808, 24, false, false, false, false, u"24-R8G8B8"},
        {0x22009, 32, false, false, false, false, u"32-R8G8B8"},
        {0x26200A, 32, false, true, false, false, u"32-A8R8G8B8"},
        {0xE200B, 32, false, true, true, false, u"32-A8R8G8B8(前乗算あり)"},
        {0x10300C, 48, false, false, false, true, u"48-R16G16B16"},
        {0x34400D, 64, false, true, false, true, u"64-A16R16G16B16"},
        {0x1C400E, 64, false, true, true, true, u"64-A16R16G16B16(前乗算あり)"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.format);
        EXPECT_EQ(BitsPerPixel(r.format), r.bpp);
        EXPECT_EQ(IsIndexed(r.format), r.indexed);
        EXPECT_EQ(HasAlpha(r.format), r.alpha);
        EXPECT_EQ(IsPremultiplied(r.format), r.premultiplied);
        EXPECT_EQ(IsExtended(r.format), r.extended);
        EXPECT_EQ(PixelFormatNameOf(r.format), TextView(r.name));
    }
    size_t n = 0;
    const PixelFormatInfo* table = PixelFormatTable(&n);
    EXPECT_EQ(n, 15u);
    EXPECT_EQ(table[14].format, fmt::kMax);
}

TEST(PixelFormatTable, UnknownValuesAndMax) {
    EXPECT_EQ(PixelFormatNameOf(15), TextView(u"Max"));
    EXPECT_EQ(PixelFormatNameOf(0), TextView(u"?-?"));
    EXPECT_EQ(PixelFormatNameOf(0x26200B), TextView(u"?-?"));
}

TEST(PixelFormatTable, NameIntoBufferCountsTerminator) {
    char16_t buf[64];
    EXPECT_EQ(PixelFormatName(fmt::k24RGB, buf, 64), 10u);
    EXPECT_EQ(Text(buf), u"24-R8G8B8");
    EXPECT_EQ(PixelFormatName(0x1234, buf, 64), 4u);
    EXPECT_EQ(Text(buf), u"?-?");
    // A short buffer is never overrun and stays terminated.
    char16_t small[4] = {1, 1, 1, 1};
    EXPECT_EQ(PixelFormatName(fmt::k32ARGB, small, 4), 4u);
    EXPECT_EQ(Text(small), u"32-");
    EXPECT_EQ(PixelFormatName(fmt::k32ARGB, nullptr, 0), 0u);
}

TEST(PixelPacking, Rgb555BitPlacement) {
    // red 0xF8, green 0x80, blue 0x08, word 0xBBGGRRAA
    uint32_t colour = 0x0880F8FFu;
    uint32_t stored = PackPixel(colour, fmt::k16RGB555);
    EXPECT_EQ(stored, (0x1Fu << 10) | (0x10u << 5) | 0x01u);
    EXPECT_EQ(stored & 0x8000u, 0u);
    EXPECT_EQ(UnpackPixel(stored, fmt::k16RGB555), 0x0880F8FFu);
    EXPECT_EQ(UnpackPixel(0x8000u | stored, fmt::k16RGB555) & 0xFF, 0xFFu);
}

TEST(PixelPacking, Rgb565BitPlacement) {
    uint32_t colour = 0x08FCF8FFu;  // blue 0x08, green 0xFC, red 0xF8
    uint32_t stored = PackPixel(colour, fmt::k16RGB565);
    EXPECT_EQ(stored, (0x1Fu << 11) | (0x3Fu << 5) | 0x01u);
    EXPECT_EQ(UnpackPixel(stored, fmt::k16RGB565), 0x08FCF8FFu);
    EXPECT_EQ(UnpackPixel(0x07E0, fmt::k16RGB565), 0x00FC00FFu);  // green only
    EXPECT_EQ(UnpackPixel(0xF800, fmt::k16RGB565), 0x0000F8FFu);  // red only
    EXPECT_EQ(UnpackPixel(0x001F, fmt::k16RGB565), 0xF80000FFu);  // blue only
}

TEST(PixelPacking, Argb1555AlphaBit) {
    EXPECT_EQ(PackPixel(0x00000001u, fmt::k16ARGB1555), 0x8000u);
    EXPECT_EQ(PackPixel(0xFFFFFF00u, fmt::k16ARGB1555), 0x7FFFu);
    EXPECT_EQ(UnpackPixel(0x8000u, fmt::k16ARGB1555), 0x000000FFu);
    EXPECT_EQ(UnpackPixel(0x7FFFu, fmt::k16ARGB1555), 0xF8F8F800u);
}

TEST(PixelPacking, RoundTripsKeepRepresentableColours) {
    for (uint32_t r = 0; r < 256; r += 8)
        for (uint32_t g = 0; g < 256; g += 4)
            for (uint32_t b = 0; b < 256; b += 8) {
                uint32_t c565 = (b << 24) | (g << 16) | (r << 8) | 0xFF;
                ASSERT_EQ(UnpackPixel(PackPixel(c565, fmt::k16RGB565), fmt::k16RGB565), c565);
                uint32_t c555 = (b << 24) | ((g & ~7u) << 16) | (r << 8) | 0xFF;
                ASSERT_EQ(UnpackPixel(PackPixel(c555, fmt::k16RGB555), fmt::k16RGB555), c555);
            }
    // Every stored 16-bit value survives unpack then pack.
    for (uint32_t v = 0; v < 0x10000; ++v) {
        ASSERT_EQ(PackPixel(UnpackPixel(v, fmt::k16RGB565), fmt::k16RGB565), v);
        ASSERT_EQ(PackPixel(UnpackPixel(v & 0x7FFF, fmt::k16RGB555), fmt::k16RGB555), v & 0x7FFF);
        ASSERT_EQ(PackPixel(UnpackPixel(v, fmt::k16ARGB1555), fmt::k16ARGB1555), v);
    }
}

TEST(PixelPacking, TwentyFourAndThirtyTwoBit) {
    // stored 0x00RRGGBB (bytes blue, green, red in memory)
    EXPECT_EQ(UnpackPixel(0x00123456u, fmt::k24RGB), 0x563412FFu);
    EXPECT_EQ(UnpackPixel(0xAB123456u, fmt::k32RGB), 0x563412FFu);
    EXPECT_EQ(PackPixel(0x56341200u, fmt::k24RGB), 0xFF123456u);
    EXPECT_EQ(PackPixel(0x56341200u, fmt::k32RGB), 0xFF123456u);
    EXPECT_EQ(UnpackPixel(0x80123456u, fmt::k32ARGB), 0x56341280u);
    EXPECT_EQ(PackPixel(0x56341280u, fmt::k32ARGB), 0x80123456u);
    EXPECT_EQ(PackPixel(0x56341280u, fmt::k32PARGB), 0x80123456u);
}

TEST(PixelPacking, OtherFormatsAreOpaqueBlackAndZero) {
    for (PixelFormat f : {fmt::k1Index, fmt::k8Index, fmt::k16Gray, fmt::k48RGB, fmt::k64ARGB, fmt::k64PARGB}) {
        EXPECT_EQ(UnpackPixel(0x12345678u, f), 0x000000FFu);
        EXPECT_EQ(PackPixel(0x12345678u, f), 0u);
    }
}

TEST(ColourForms, Conversions) {
    EXPECT_EQ(ArgbFromWin32(0), 0xFF000000u);
    EXPECT_EQ(ArgbFromWin32(0x00332211u), 0xFF112233u);
    EXPECT_EQ(ArgbFromWin32WithAlpha(0x00332211u, 0x40), 0x40112233u);
    EXPECT_EQ(KeepAlpha(0x80FFFFFFu, 0xFF123456u), 0x80123456u);
    EXPECT_EQ(Win32FromArgb(0x80112233u), 0x00332211u);
}

TEST(ColourForms, HexReaderSkipsOtherCharacters) {
    EXPECT_EQ(ReadHexColour(u"ff8000"), 0xFF8000u);
    EXPECT_EQ(ReadHexColour(u"#ff-80 00"), 0xFF8000u);
    // Upper-case letters are not hexadecimal digits here: they are skipped.
    EXPECT_EQ(ReadHexColour(u"FFab"), 0xABu);
    EXPECT_EQ(ReadHexColour(u"xyz"), 0u);
    EXPECT_EQ(HexColourText(0x00332211u), u"112233");
    EXPECT_EQ(ReadHexColour(HexColourText(0x00abcdefu)), 0xefcdabu);
}

TEST(FileFormats, NamesAndCodes) {
    EXPECT_EQ(RawFormatText(RawFormat::MemoryBmp), TextView(u"MemoryBMP"));
    EXPECT_EQ(RawFormatText(RawFormat::Undefined), TextView(u"-"));
    EXPECT_EQ(RawFormatText(RawFormat::Icon), TextView(u"ICON"));
    EXPECT_EQ(FileTypeCodeOf(RawFormat::Bmp), 1);
    EXPECT_EQ(FileTypeCodeOf(RawFormat::Gif), 2);
    EXPECT_EQ(FileTypeCodeOf(RawFormat::Icon), 3);
    EXPECT_EQ(FileTypeCodeOf(RawFormat::Jpeg), 4);
    EXPECT_EQ(FileTypeCodeOf(RawFormat::Png), 5);
    EXPECT_EQ(FileTypeCodeOf(RawFormat::Tiff), 6);
    for (RawFormat f : {RawFormat::MemoryBmp, RawFormat::Emf, RawFormat::Wmf, RawFormat::Exif, RawFormat::Undefined})
        EXPECT_EQ(FileTypeCodeOf(f), -1);
    EXPECT_TRUE(IsMemoryImageName(u"memorybmp"));
    EXPECT_FALSE(IsMemoryImageName(u"BMP"));
}

TEST(FileFormats, EncoderByExtension) {
    EXPECT_EQ(TextView(EncoderMimeForExtension(u"JPEG").mime), TextView(u"image/jpeg"));
    EXPECT_FALSE(EncoderMimeForExtension(u"JPEG").warnUnknownExtension);
    EXPECT_EQ(TextView(EncoderMimeForExtension(u"jpg").mime), TextView(u"image/jpeg"));
    EXPECT_EQ(TextView(EncoderMimeForExtension(u"Tif").mime), TextView(u"image/tiff"));
    EXPECT_EQ(TextView(EncoderMimeForExtension(u"png").mime), TextView(u"image/png"));
    EXPECT_EQ(TextView(EncoderMimeForExtension(u"GIF").mime), TextView(u"image/gif"));
    EXPECT_FALSE(EncoderMimeForExtension(u"bmp").warnUnknownExtension);
    EncoderChoice webp = EncoderMimeForExtension(u"webp");
    EXPECT_EQ(TextView(webp.mime), TextView(u"image/bmp"));
    EXPECT_TRUE(webp.warnUnknownExtension);
    EXPECT_TRUE(EncoderMimeForExtension(u"").warnUnknownExtension);
}

TEST(PixelViewAccess, SubByteAndWideFormatsWithNegativeStride) {
    uint8_t mem[2 * 4] = {};
    PixelView v;
    v.width = 10;
    v.height = 2;
    v.stride = -4;  // bottom-up: the top row is the last in memory
    v.format = fmt::k1Index;
    v.scan0 = mem + 4;
    WriteStored(v, 0, 0, 1);
    WriteStored(v, 9, 1, 1);
    EXPECT_EQ(mem[4], 0x80);
    EXPECT_EQ(mem[1], 0x40);
    EXPECT_EQ(ReadStored(v, 9, 1), 1u);
    EXPECT_EQ(ReadStored(v, 8, 1), 0u);

    uint8_t nib[4] = {};
    PixelView n{3, 1, 4, fmt::k4Index, nib};
    WriteStored(n, 1, 0, 0xA);
    WriteStored(n, 2, 0, 0x5);
    EXPECT_EQ(nib[0], 0x0A);
    EXPECT_EQ(nib[1], 0x50);

    uint8_t rgb[8] = {};
    PixelView c{2, 1, 8, fmt::k24RGB, rgb};
    WriteStored(c, 1, 0, 0x00123456u);
    EXPECT_EQ(rgb[3], 0x56);
    EXPECT_EQ(rgb[5], 0x12);
    EXPECT_EQ(rgb[6], 0x00);  // the fourth byte of the word is not written
    EXPECT_EQ(ReadStored(c, 1, 0), 0x123456u);
}

}  // namespace
}  // namespace mirelo

namespace mirelo {
namespace {

TEST(PixelViewAccess, FillSetsEveryPixelAndNoPadding) {
    uint8_t mem[2 * 12];
    std::memset(mem, 0xAA, sizeof mem);
    PixelView v{3, 2, 12, fmt::k24RGB, mem};
    FillStored(v, 0x00102030u);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(ReadStored(v, x, y), 0x102030u);
    EXPECT_EQ(mem[9], 0xAA);  // the row padding stays as it was
    uint32_t px[4] = {};
    PixelView w{2, 2, 8, fmt::k32ARGB, reinterpret_cast<uint8_t*>(px)};
    FillStored(w, 0xFFFFFFFFu);
    for (uint32_t p : px) EXPECT_EQ(p, 0xFFFFFFFFu);
}

}  // namespace
}  // namespace mirelo

#include "ui/disabled_look.h"

namespace mirelo {
namespace {

TEST(DisabledLook, GreyAtHalfOpacityStaysPremultiplied) {
    // B, G, R, A premultiplied: opaque red, half-transparent green, transparent.
    uint8_t px[] = {0, 0, 255, 255, 0, 128, 0, 128, 0, 0, 0, 0};
    FadeToGrey(PixelView{3, 1, 12, fmt::k32PARGB, px});
    const uint8_t expected[] = {38, 38, 38, 127, 37, 37, 37, 64, 0, 0, 0, 0};
    for (size_t i = 0; i < sizeof px; ++i) EXPECT_EQ(px[i], expected[i]) << i;
    for (size_t i = 0; i < sizeof px; i += 4) EXPECT_LE(px[i], px[i + 3]);  // colour never exceeds alpha
}

}  // namespace
}  // namespace mirelo
