#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "files/bmp_file.h"

namespace mirelo {
namespace {

// Writes the view as a BMP file and reads it back.
::testing::AssertionResult RoundTrip(const PixelView& view, OwnedPixels* back, PixelFormat* format) {
    std::vector<uint8_t> file;
    if (!WriteBmp(view, &file)) return ::testing::AssertionFailure() << "not written";
    std::string error;
    if (!ReadBmp(file, back, format, &error)) return ::testing::AssertionFailure() << error;
    return ::testing::AssertionSuccess();
}

TEST(BmpFile, TwentyFourBitRoundTripReadsAsOpaqueArgb) {
    OwnedPixels src;
    src.Allocate(5, 3, fmt::k24RGB);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) WriteStored(src.view, x, y, static_cast<uint32_t>(0x010203 * (x + 1) + 0x100000 * y));
    std::vector<uint8_t> file;
    ASSERT_TRUE(WriteBmp(src.view, &file));
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    OwnedPixels back;
    PixelFormat format = 0;
    std::string error;
    ASSERT_TRUE(ReadBmp(file, &back, &format, &error)) << error;
    EXPECT_EQ(format, fmt::k24RGB);
    EXPECT_EQ(back.view.format, fmt::k32ARGB);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(ReadStored(back.view, x, y), 0xFF000000u | (0x010203u * (x + 1) + 0x100000u * y)) << x << "," << y;
}

TEST(BmpFile, ThirtyTwoBitFilesTakeTheFourthByteAsAlphaUnlessItIsAlwaysZero) {
    for (uint8_t firstAlpha : {uint8_t{0}, uint8_t{0x80}}) {
        OwnedPixels src;
        src.Allocate(2, 1, fmt::k32RGB);
        WriteStored(src.view, 0, 0, uint32_t{firstAlpha} << 24 | 0x102030u);
        WriteStored(src.view, 1, 0, 0x405060u);
        OwnedPixels back;
        PixelFormat format = 0;
        ASSERT_TRUE(RoundTrip(src.view, &back, &format));
        const uint32_t a0 = firstAlpha ? firstAlpha : 0xFF, a1 = firstAlpha ? 0 : 0xFF;
        EXPECT_EQ(ReadStored(back.view, 0, 0), a0 << 24 | 0x102030u) << int{firstAlpha};
        EXPECT_EQ(ReadStored(back.view, 1, 0), a1 << 24 | 0x405060u) << int{firstAlpha};
    }
}

TEST(BmpFile, IndexedFilesKeepTheirPalette) {
    OwnedPixels src;
    src.palette = {0xFF000000u, 0xFFFF0000u};
    src.Allocate(9, 2, fmt::k1Index);
    WriteStored(src.view, 8, 0, 1);
    WriteStored(src.view, 0, 1, 1);
    OwnedPixels back;
    PixelFormat format = 0;
    ASSERT_TRUE(RoundTrip(src.view, &back, &format));
    EXPECT_EQ(format, fmt::k1Index);
    EXPECT_EQ(ReadStored(back.view, 8, 0), 0xFFFF0000u);
    EXPECT_EQ(ReadStored(back.view, 7, 0), 0xFF000000u);
    EXPECT_EQ(ReadStored(back.view, 0, 1), 0xFFFF0000u);
}

TEST(BmpFile, StoredReadingKeepsIndicesPaletteAndBytes) {
    struct Case {
        PixelFormat format;
        uint32_t mask;  // the bits of a stored pixel
    };
    for (const Case& c : {Case{fmt::k1Index, 1}, Case{fmt::k4Index, 15}, Case{fmt::k8Index, 255}, Case{fmt::k24RGB, 0xFFFFFF},
                          Case{fmt::k32RGB, 0xFFFFFFFF}}) {
        OwnedPixels src;
        if (IsIndexed(c.format))
            for (uint32_t i = 0; i <= c.mask; ++i) src.palette.push_back(0xFF000000u | (i * 0x010305u));
        src.Allocate(5, 3, c.format);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x) WriteStored(src.view, x, y, static_cast<uint32_t>(x * 7 + y * 31) * 0x01020301u & c.mask);
        std::vector<uint8_t> file;
        ASSERT_TRUE(WriteBmp(src.view, &file));
        OwnedPixels back;
        std::string error;
        ASSERT_TRUE(ReadBmpStored(file, &back, &error)) << error;
        EXPECT_EQ(back.view.format, c.format);
        EXPECT_EQ(back.palette, src.palette);
        ASSERT_EQ(back.view.width, 5);
        ASSERT_EQ(back.view.height, 3);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x) EXPECT_EQ(ReadStored(back.view, x, y), ReadStored(src.view, x, y)) << c.format << " " << x << "," << y;
    }
    std::string error;
    OwnedPixels out;
    EXPECT_FALSE(ReadBmpStored(std::vector<uint8_t>(60, 'B'), &out, &error));
    EXPECT_FALSE(error.empty());
}

TEST(BmpFile, AFileFilledInPlaceIsTheFileWrittenFromThePixels) {
    for (PixelFormat f : {fmt::k1Index, fmt::k4Index, fmt::k8Index, fmt::k16RGB565, fmt::k24RGB, fmt::k32ARGB}) {
        OwnedPixels src;
        if (IsIndexed(f)) src.palette = {0xFF102030u, 0xFF405060u, 0xFF708090u};
        src.Allocate(7, 3, f);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 7; ++x) WriteStored(src.view, x, y, static_cast<uint32_t>(x + 2 * y) * 0x01234567u % 3);
        std::vector<uint8_t> written, started;
        ASSERT_TRUE(WriteBmp(src.view, &written));
        PixelView rows;
        ASSERT_TRUE(StartBmp(7, 3, f, src.palette, &started, &rows));
        ASSERT_EQ(rows.width, 7);
        ASSERT_EQ(rows.height, 3);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 7; ++x) WriteStored(rows, x, y, ReadStored(src.view, x, y));
        EXPECT_EQ(started, written) << f;
        // Laid out in the caller's memory whatever it held before: the same file.
        for (uint8_t before : {uint8_t{0}, uint8_t{0xA5}, uint8_t{0xFF}}) {
            std::vector<uint8_t> memory(BmpFileSize(7, 3, f), before);
            ASSERT_EQ(memory.size(), written.size());
            PixelView own;
            ASSERT_TRUE(StartBmp(memory.data(), memory.size(), 7, 3, f, src.palette, &own));
            for (int y = 0; y < 3; ++y)
                for (int x = 0; x < 7; ++x) WriteStored(own, x, y, ReadStored(src.view, x, y));
            EXPECT_EQ(memory, written) << f << " " << int{before};
            EXPECT_FALSE(StartBmp(memory.data(), memory.size() - 1, 7, 3, f, src.palette, &own));
        }
        // Read back in place: the same pixels, in the file's own rows.
        OwnedPixels back, kept;
        std::string error;
        ASSERT_TRUE(ReadBmpStored(started.data(), started.size(), &back, &error)) << error;
        EXPECT_TRUE(back.bytes.empty());
        EXPECT_EQ(back.view.scan0, rows.scan0);
        const uint8_t* const bufferStart = started.data();
        ASSERT_TRUE(ReadBmpStored(std::move(started), &kept, &error)) << error;
        EXPECT_EQ(kept.bytes.data(), bufferStart);  // moved in, not copied
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 7; ++x) {
                EXPECT_EQ(ReadStored(back.view, x, y), ReadStored(src.view, x, y)) << f;
                EXPECT_EQ(ReadStored(kept.view, x, y), ReadStored(src.view, x, y)) << f;
            }
    }
    std::vector<uint8_t> file;
    PixelView rows;
    EXPECT_FALSE(StartBmp(0, 3, fmt::k24RGB, {}, &file, &rows));
    EXPECT_FALSE(StartBmp(3, 3, fmt::k48RGB, {}, &file, &rows));
    EXPECT_EQ(BmpFileSize(3, 3, fmt::k48RGB), 0u);
    EXPECT_EQ(BmpFileSize(65535, 65535, fmt::k32ARGB), 0u);  // more than a BMP's 32-bit sizes
}

TEST(BmpFile, BadFilesGiveAReason) {
    OwnedPixels out;
    PixelFormat format = 0;
    std::string error;
    EXPECT_FALSE(ReadBmp({}, &out, &format, &error));
    EXPECT_FALSE(error.empty());
    std::vector<uint8_t> notBmp(100, 'x');
    EXPECT_FALSE(ReadBmp(notBmp, &out, &format, &error));
    OwnedPixels src;
    src.Allocate(4, 4, fmt::k24RGB);
    std::vector<uint8_t> file;
    ASSERT_TRUE(WriteBmp(src.view, &file));
    file.resize(file.size() - 5);  // truncated rows
    error.clear();
    EXPECT_FALSE(ReadBmp(file, &out, &format, &error));
    EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace mirelo
