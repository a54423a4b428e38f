#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

#include "clipboard/png_block.h"

namespace mirelo {
namespace {

void PutBig32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}

// Signature, IHDR of a w × h picture of the given depth and colour type, then IEND.
std::vector<uint8_t> Header(uint32_t w, uint32_t h, uint8_t depth = 8, uint8_t colourType = 6) {
    std::vector<uint8_t> b = {137, 80, 78, 71, 13, 10, 26, 10, 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    b.resize(16 + 13 + 4, 0);
    PutBig32(b, 16, w);
    PutBig32(b, 20, h);
    b[24] = depth;
    b[25] = colourType;
    PutBig32(b, 29, PngCrc(b.data() + 12, 17));
    const uint8_t end[] = {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82};
    b.insert(b.end(), end, end + sizeof end);
    return b;
}

TEST(PngBlock, CrcMatchesTheKnownValues) {
    const char check[] = "123456789";
    EXPECT_EQ(PngCrc(reinterpret_cast<const uint8_t*>(check), 9), 0xCBF43926u);
    EXPECT_EQ(PngCrc(reinterpret_cast<const uint8_t*>("IEND"), 4), 0xAE426082u);
}

TEST(PngBlock, SoundHeaderIsRead) {
    std::vector<uint8_t> b = Header(640, 480, 16, 6);
    PngHeader h;
    ASSERT_TRUE(ReadPngHeader(b.data(), b.size(), &h));
    EXPECT_EQ(h.width, 640u);
    EXPECT_EQ(h.height, 480u);
    EXPECT_EQ(h.bitDepth, 16);
    EXPECT_EQ(h.colourType, 6);
    b = Header(1u << 14, 1u << 14, 1, 3);  // exactly the pixel limit
    EXPECT_TRUE(ReadPngHeader(b.data(), b.size(), &h));
}

TEST(PngBlock, EveryBrokenHeaderIsRefused) {
    const struct {
        const char* what;
        std::function<void(std::vector<uint8_t>&)> breakIt;
    } cases[] = {
        {"signature", [](std::vector<uint8_t>& b) { b[1] = 'Q'; }},
        {"chunk length", [](std::vector<uint8_t>& b) { b[11] = 14; }},
        {"chunk type", [](std::vector<uint8_t>& b) { b[12] = 'i'; }},
        {"crc", [](std::vector<uint8_t>& b) { b[32] ^= 1; }},
        {"zero width", [](std::vector<uint8_t>& b) { b = Header(0, 5); }},
        {"zero height", [](std::vector<uint8_t>& b) { b = Header(5, 0); }},
        {"width above 2^31 - 1", [](std::vector<uint8_t>& b) { b = Header(0x80000000u, 1); }},
        {"too many pixels", [](std::vector<uint8_t>& b) { b = Header((1u << 14) + 1, 1u << 14); }},
        {"huge both ways", [](std::vector<uint8_t>& b) { b = Header(0x7FFFFFFF, 0x7FFFFFFF); }},
        {"depth of true colour", [](std::vector<uint8_t>& b) { b = Header(4, 4, 4, 2); }},
        {"depth of a palette", [](std::vector<uint8_t>& b) { b = Header(4, 4, 16, 3); }},
        {"colour type", [](std::vector<uint8_t>& b) { b = Header(4, 4, 8, 5); }},
        {"truncated", [](std::vector<uint8_t>& b) { b.resize(b.size() - 1); }},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> b = Header(4, 4);
        c.breakIt(b);
        PngHeader h;
        EXPECT_FALSE(ReadPngHeader(b.data(), b.size(), &h)) << c.what;
    }
    std::vector<uint8_t> b = Header(4, 4);
    for (int field : {26, 27, 28}) {  // compression, filter, interlace
        std::vector<uint8_t> bad = b;
        bad[field] = 2;
        PutBig32(bad, 29, PngCrc(bad.data() + 12, 17));
        PngHeader h;
        EXPECT_FALSE(ReadPngHeader(bad.data(), bad.size(), &h)) << field;
    }
    PngHeader h;
    EXPECT_FALSE(ReadPngHeader(nullptr, 100, &h));
}

}  // namespace
}  // namespace mirelo
