// The image bar's reduction: alpha-weighted averages of spread samples, in every readable format.
#include <gtest/gtest.h>

#include <vector>

#include "image/thumbnail.h"

namespace mirelo {
namespace {

struct Case {
    const char* name;
    PixelFormat format;
    std::vector<uint8_t> row;  // one row of two pixels in the format
    std::vector<uint32_t> palette;
    uint32_t expected;  // the 1 × 1 reduction, ARGB
};

TEST(Thumbnail, ReducesToTheAlphaWeightedAverage) {
    const Case cases[] = {
        {"24-bit, two colours", fmt::k24RGB, {0, 0, 200, 100, 0, 0}, {}, 0xFF640032},
        {"32-bit ARGB, a clear pixel adds no colour", fmt::k32ARGB, {255, 0, 0, 255, 0, 0, 255, 0}, {}, 0x800000FF},
        {"32-bit PARGB, half covered", fmt::k32PARGB, {0, 0, 128, 128, 0, 0, 128, 128}, {}, 0x80FF0000},
        {"8-bit indexed", fmt::k8Index, {1, 1}, {0xFF000000, 0xFF10E030}, 0xFF10E030},
        {"1-bit indexed", fmt::k1Index, {0x40}, {0xFF000000, 0xFFFFFFFF}, 0xFF808080},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> row = c.row;
        row.resize(8);
        const PixelView in{2, 1, 8, c.format, row.data(), c.palette.data(), static_cast<int>(c.palette.size())};
        std::vector<uint32_t> out;
        ASSERT_TRUE(ReduceForThumbnail(in, 1, 1, &out)) << c.name;
        ASSERT_EQ(out.size(), 1u);
        EXPECT_EQ(out[0], c.expected) << c.name << std::hex << " got " << out[0];
    }
}

// A large picture is read at a few spread samples per pixel of the reduction, each from its own
// part: a picture whose left and right halves differ keeps them apart.
TEST(Thumbnail, EachPixelComesFromItsOwnPart) {
    const int w = 3000, h = 900;
    std::vector<uint8_t> pixels(static_cast<size_t>(w) * h * 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) pixels[(static_cast<size_t>(y) * w + x) * 3 + 2] = x < w / 2 ? 255 : 0;
    const PixelView in{w, h, w * 3, fmt::k24RGB, pixels.data()};
    const ThumbPlacement t = PlaceThumbnail(w, h);
    std::vector<uint32_t> out;
    ASSERT_TRUE(ReduceForThumbnail(in, t.width, t.height, &out));
    ASSERT_EQ(out.size(), static_cast<size_t>(t.width * t.height));
    for (int y = 0; y < t.height; ++y)
        for (int x = 0; x < t.width; ++x)
            EXPECT_EQ(out[static_cast<size_t>(y * t.width + x)], x < t.width / 2 ? 0xFFFF0000u : 0xFF000000u) << x << "," << y;
    EXPECT_FALSE(ReduceForThumbnail(PixelView{2, 2, 12, fmt::k48RGB, pixels.data()}, 1, 1, &out));
}

}  // namespace
}  // namespace mirelo
