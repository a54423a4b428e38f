#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "colour/quantize.h"
#include "quantize_reference.h"

namespace mirelo {
namespace {

uint32_t Rgb(int r, int g, int b, int a = 255) {
    return uint32_t(a) << 24 | uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b);
}

// A 32-bit ARGB working image (B, G, R, A bytes), optionally with extra row padding.
struct Image {
    int width = 0, height = 0, stride = 0;
    std::vector<uint8_t> bytes;
    Image(int w, int h, int padding = 0) : width(w), height(h), stride(w * 4 + padding) {
        bytes.assign(static_cast<size_t>(stride) * std::max(h, 1), 0xCD);
    }
    PixelView View() {
        PixelView v;
        v.width = width;
        v.height = height;
        v.stride = stride;
        v.format = fmt::k32ARGB;
        v.scan0 = bytes.data();
        return v;
    }
    void Set(int x, int y, uint32_t argb) { std::memcpy(&bytes[static_cast<size_t>(y) * stride + x * 4], &argb, 4); }
    uint32_t Get(int x, int y) const {
        uint32_t c;
        std::memcpy(&c, &bytes[static_cast<size_t>(y) * stride + x * 4], 4);
        return c;
    }
    void Fill(uint32_t argb) {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) Set(x, y, argb);
    }
};

QuantizeRequest MakeRequest(Image& image, int mode, bool dither, PixelFormat source = fmt::k32ARGB) {
    QuantizeRequest q{};
    q.pixels = image.View();
    q.sourceFormat = source;
    q.mode = mode;
    q.dither = dither;
    return q;
}

QuantizeResult Convert(Image& image, int mode, bool dither, PixelFormat source = fmt::k32ARGB) {
    QuantizeRequest q = MakeRequest(image, mode, dither, source);
    return Quantize(q);
}

// Runs the fast and the plain implementation on copies of the image and checks that palette,
// flags, indices and the diffused working pixels agree exactly.
void ExpectSameAsReference(const Image& image, int mode, bool dither, const std::string& what,
                           PixelFormat source = fmt::k32ARGB, const std::vector<uint32_t>* loaded = nullptr,
                           std::vector<uint32_t> targetDefault = {}, int threads = 0) {
    Image fast = image, plain = image;
    QuantizeRequest qf = MakeRequest(fast, mode, dither, source);
    QuantizeRequest qp = MakeRequest(plain, mode, dither, source);
    qf.loadedFixedPalette = qp.loadedFixedPalette = loaded;
    qf.targetDefaultPalette = qp.targetDefaultPalette = targetDefault;
    qf.threads = threads;
    QuantizeResult a = Quantize(qf);
    QuantizeResult b = QuantizeReference(qp);
    SCOPED_TRACE(what + " mode " + std::to_string(mode) + (dither ? " dither" : " plain") + " threads " +
                 std::to_string(threads));
    ASSERT_EQ(a.status, b.status);
    ASSERT_EQ(a.palette, b.palette);
    ASSERT_EQ(a.paletteFlags, b.paletteFlags);
    ASSERT_EQ(a.indices.size(), static_cast<size_t>(image.width) * image.height);
    ASSERT_EQ(a.indices, b.indices);
    ASSERT_EQ(fast.bytes, plain.bytes);
    for (uint8_t index : a.indices) ASSERT_LT(index, a.palette.size());
    if (mode <= 4) {
        ASSERT_EQ(a.palette.size(), 2u);
    } else {
        ASSERT_LE(a.palette.size(), mode <= 8 ? 16u : 256u);
    }
}

using Generator = std::function<uint32_t(int x, int y)>;

Image Make(int w, int h, const Generator& g, int padding = 0) {
    Image image(w, h, padding);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) image.Set(x, y, g(x, y));
    return image;
}

struct Named {
    std::string name;
    Image image;
};

std::vector<Named> GeneratedImages(unsigned seed) {
    std::mt19937 rng(seed);
    auto byte = [&rng]() { return static_cast<int>(rng() & 0xFF); };
    std::vector<Named> out;
    int w = 7 + static_cast<int>(rng() % 60), h = 5 + static_cast<int>(rng() % 50);
    out.push_back({"random", Make(w, h, [&](int, int) { return Rgb(byte(), byte(), byte()); }, 4)});
    out.push_back({"random alpha", Make(w, h, [&](int, int) {
                       static const int kAlpha[3] = {0, 128, 255};
                       return Rgb(byte(), byte(), byte(), kAlpha[rng() % 3]);
                   })});
    out.push_back({"gradient", Make(w + 40, h, [&](int x, int y) { return Rgb(x * 3 % 256, y * 5 % 256, (x + y) % 256); })});
    out.push_back({"grey ramp", Make(w, h, [&](int x, int y) { int v = (x * 255) / std::max(w - 1, 1); return Rgb(v, v, (v + y) & 0xFF); })});
    for (int k : {1, 2, 3, 5, 15, 16, 17, 40, 255, 256, 257, 600, 1024, 1025}) {
        std::vector<uint32_t> colours;
        for (int i = 0; i < k; ++i) colours.push_back(Rgb(byte(), byte(), byte(), rng() % 5 == 0 ? 0 : 255));
        int side = k > 200 ? 48 : 20;
        Image image = Make(side, side + 3, [&](int x, int y) {
            int i = (x + y * side) < k ? (x + y * side) : static_cast<int>(rng() % k);
            return colours[i];
        });
        out.push_back({"few " + std::to_string(k), std::move(image)});
    }
    // Many colours, few 15-bit codes (low bits only vary).
    std::vector<uint32_t> bases;
    for (int i = 0; i < 6; ++i) bases.push_back(Rgb(byte() & 0xF8, byte() & 0xF8, byte() & 0xF8));
    out.push_back({"low bits", Make(40, 30, [&](int, int) {
                       uint32_t c = bases[rng() % bases.size()];
                       return c | (rng() & 0x070707);
                   })});
    // Same colours with different alpha, and colours differing only in blue's lowest bit.
    out.push_back({"alpha twins", Make(30, 30, [&](int, int) {
                       int v = static_cast<int>(rng() % 300);
                       return Rgb(v & 0xFF, (v * 7) & 0xFF, 40, (rng() & 1) ? 255 : 0);
                   })});
    out.push_back({"blue bit", Make(33, 31, [&](int, int) {
                       int v = static_cast<int>(rng() % 40);
                       return Rgb(100, 50 + (v >> 1), 80 + (v & 1) + (v & 0x1C) * 2);
                   })});
    // More than 1024 colours that collapse to few samples (short list of keys).
    out.push_back({"collapsing", Make(70, 60, [&](int x, int y) {
                       int base = ((x / 10) * 36 + (y / 10) * 4) & 0xFC;
                       return Rgb(base | (rng() & 3), (base * 3 & 0xFC) | (rng() & 3), 17 | (rng() & 3));
                   })});
    out.push_back({"one pixel", Make(1, 1, [&](int, int) { return Rgb(byte(), byte(), byte()); })});
    out.push_back({"one column", Make(1, 37, [&](int, int) { return Rgb(byte(), byte(), byte()); })});
    out.push_back({"one row", Make(53, 1, [&](int, int) { return Rgb(byte(), byte(), byte()); })});
    return out;
}

TEST(Quantize, MatchesReferenceOnGeneratedImages) {
    for (unsigned seed = 1; seed <= 4; ++seed) {
        for (const Named& n : GeneratedImages(seed)) {
            for (int mode = 1; mode <= 12; ++mode) {
                for (bool dither : {false, true}) {
                    ExpectSameAsReference(n.image, mode, dither, n.name + " seed " + std::to_string(seed));
                    if (HasFatalFailure()) return;
                }
            }
        }
    }
}

TEST(Quantize, MatchesReferenceWithoutSourceAlpha) {
    std::vector<Named> images = GeneratedImages(9);
    for (const Named& n : images) {
        for (int mode : {5, 8, 9, 12}) {
            ExpectSameAsReference(n.image, mode, false, n.name, fmt::k32RGB);
            if (HasFatalFailure()) return;
        }
    }
}

TEST(Quantize, MatchesReferenceOnLargerImages) {
    std::mt19937 rng(77);
    // 300 × 200: more than 1024 colours, sampled list, search range 112 (whole palette).
    Image random = Make(300, 200, [&](int, int) { return rng() | 0xFF000000u; });
    Image smooth = Make(300, 200, [](int x, int y) { return Rgb(x * 255 / 299, y * 255 / 199, (x + y) * 255 / 498); });
    for (int mode = 1; mode <= 12; ++mode) {
        for (bool dither : {false, true}) {
            // The plain histogram search is quadratic in the number of 15-bit codes; median cut
            // on many random codes is compared on the smaller image below.
            if (QuantizeMethod(mode) != quantize_method::kMedianCut || mode <= 4)
                ExpectSameAsReference(random, mode, dither, "random 300x200");
            ExpectSameAsReference(smooth, mode, dither, "smooth 300x200");
            if (HasFatalFailure()) return;
        }
    }
}

TEST(Quantize, MedianCutMatchesReferenceOnManyCodes) {
    std::mt19937 rng(78);
    Image random = Make(100, 80, [&](int, int) { return rng() | 0xFF000000u; });
    for (int mode : {8, 12})
        for (bool dither : {false, true}) ExpectSameAsReference(random, mode, dither, "random 100x80");
}

TEST(Quantize, MedianCutMatchesReferenceOnAnImageCountedInHalves) {
    // Large enough for the codes to be counted in two halves at once: one code covers more than
    // 65535 pixels in both halves (its count stops there), some codes first appear in the lower
    // half, and the low bits vary so that the colours do not fit a palette.
    std::mt19937 rng(41);
    const Image image = Make(640, 420, [&](int x, int y) {
        const uint32_t noise = rng() & 0x070707;
        if (x < 320 && y < 300) return Rgb(200, 40, 88) | noise;
        return Rgb((x / 20) * 8, (y / 20) * 8, ((x + y) / 40) * 8) | noise;
    });
    for (int mode : {8, 12})
        for (bool dither : {false, true}) ExpectSameAsReference(image, mode, dither, "counted in halves 640x420");
}

TEST(Quantize, MatchesReferenceWithNarrowSearchWindow) {
    // 500 × 500: search range (255 − 62) / 2 = 96, below 100, so the window applies.
    EXPECT_EQ(UniformSearchRange(500, 500), 96);
    Image image = Make(500, 500, [](int x, int y) { return Rgb((x * 7 + y) & 0xFF, (y * 3) & 0xFF, (x ^ y) & 0xFF); });
    for (bool dither : {false, true}) ExpectSameAsReference(image, 9, dither, "500x500");
}

TEST(Quantize, MatchesReferenceOnAMillionPixels) {
    // Search range (255 − 262) / 2 = −3, raised to 30; 2^20 pixels use the table over all colours.
    EXPECT_EQ(UniformSearchRange(1024, 1024), -3);
    Image image = Make(1024, 1024, [](int x, int y) { return Rgb((x / 4) & 0xFF, (y / 4) & 0xFF, ((x + y) / 8) & 0xFF); });
    ExpectSameAsReference(image, 9, true, "1024x1024");
    ExpectSameAsReference(image, 6, true, "1024x1024");
}

TEST(Quantize, MatchesReferenceWhenRowsAreSharedAmongThreads) {
    // 640 × 480 is large enough for the rows to be shared among threads; the noise makes every
    // pixel's error reach its neighbours in both rows.
    std::mt19937 rng(31);
    Image image = Make(640, 480, [&](int x, int y) {
        int n = static_cast<int>(rng() % 48) - 24;
        return Rgb(std::clamp(x * 255 / 639 + n, 0, 255), std::clamp(y * 255 / 479 - n, 0, 255), (x * y / 97 + n) & 0xFF);
    });
    for (int mode : {1, 5, 7, 9, 10}) {
        ExpectSameAsReference(image, mode, true, "noisy 640x480");
        if (HasFatalFailure()) return;
    }
}

// Smooth shading, fine texture and hard edges in all three channels, as in a photograph: every
// small cell of the colour cube holds many colours, and dithering keeps moving them across cells.
Image PhotoLike(int w, int h, unsigned seed) {
    std::mt19937 rng(seed);
    return Make(w, h, [&](int x, int y) {
        const int edge = ((x / 37 + y / 23) % 5 == 0) ? 40 : 0;
        auto channel = [&](double v) { return std::clamp(static_cast<int>(v) + static_cast<int>(rng() % 21) - 10 + edge, 0, 255); };
        return Rgb(channel(128 + 90 * std::sin(x * 0.05 + y * 0.013)), channel(120 + 80 * std::sin(y * 0.04 - x * 0.02)),
                   channel(110 + 100 * std::cos((x + y) * 0.03)));
    });
}

TEST(Quantize, MatchesReferenceOnPhotoLikeImages) {
    // Four threads: the bands and their waits (one thread gives the same, as checked below).
    const Image photo = PhotoLike(160, 120, 4);
    for (int mode = 1; mode <= 12; ++mode) {
        for (bool dither : {false, true}) {
            ExpectSameAsReference(photo, mode, dither, "photo-like 160x120", fmt::k32ARGB, nullptr, {}, 4);
            if (HasFatalFailure()) return;
        }
    }
    // 600 × 400: search range (255 − 60) / 2 = 97, so uniform division searches windows of the
    // palette that follow the dominant channel.
    ASSERT_EQ(UniformSearchRange(600, 400), 97);
    const Image large = PhotoLike(600, 400, 5);
    ExpectSameAsReference(large, 9, true, "photo-like 600x400");
}

// Converts copies of `image` with one thread and with each of `counts`, and checks that all agree.
void ExpectSameForThreadCounts(const Image& image, int mode, bool dither, std::initializer_list<int> counts) {
    Image one = image;
    QuantizeRequest q1 = MakeRequest(one, mode, dither);
    q1.threads = 1;
    const QuantizeResult expected = Quantize(q1);
    for (int threads : counts) {
        SCOPED_TRACE(std::to_string(image.width) + "x" + std::to_string(image.height) + " mode " + std::to_string(mode) +
                     (dither ? " dither" : " plain") + " threads " + std::to_string(threads));
        Image many = image;
        QuantizeRequest q = MakeRequest(many, mode, dither);
        q.threads = threads;
        const QuantizeResult r = Quantize(q);
        ASSERT_EQ(r.status, 0);
        ASSERT_EQ(r.palette, expected.palette);
        ASSERT_EQ(r.indices, expected.indices);
        ASSERT_EQ(many.bytes, one.bytes);
    }
}

TEST(Quantize, ThreadCountsGiveTheSameResult) {
    // A last band of one, two or three rows; eight threads on a machine with fewer cores are
    // taken off their cores while others wait for them, so the threads below stop waiting and
    // the rest goes to fewer threads.
    for (int height : {100, 101, 103}) {
        const Image photo = PhotoLike(200, height, static_cast<unsigned>(height));
        for (int mode : {1, 5, 9, 10, 12})
            for (bool dither : {false, true}) ExpectSameForThreadCounts(photo, mode, dither, {2, 3, 8});
    }
    // Large enough for the conversion to choose threads itself.
    const Image large = PhotoLike(640, 410, 7);
    for (int mode : {9, 12}) ExpectSameForThreadCounts(large, mode, true, {0});
}

TEST(Quantize, KeptPixelsAndIndexRowsGiveTheSameResult) {
    // Taller than the ring of working rows, so rows are copied into slots that earlier bands used;
    // the index rows are padded, and a 4-bit mode leaves them aside for the list.
    const Image photo = PhotoLike(150, 157, 21);
    for (int mode : {5, 9, 10, 11, 12}) {
        for (bool dither : {false, true}) {
            for (int threads : {1, 3}) {
                SCOPED_TRACE("mode " + std::to_string(mode) + (dither ? " dither" : " plain") + " threads " + std::to_string(threads));
                Image worked = photo, kept = photo;
                QuantizeRequest q1 = MakeRequest(worked, mode, dither);
                q1.threads = threads;
                const QuantizeResult expected = Quantize(q1);
                Image rows(photo.width / 4 + 1, photo.height, 3);
                rows.Fill(0xCDCDCDCDu);
                QuantizeRequest q2 = MakeRequest(kept, mode, dither);
                q2.threads = threads;
                q2.keepPixels = true;
                q2.indexRows = rows.View();
                q2.indexRows.width = photo.width;
                q2.indexRows.format = fmt::k8Index;
                const QuantizeResult r = Quantize(q2);
                ASSERT_EQ(r.status, 0);
                ASSERT_EQ(r.palette, expected.palette);
                ASSERT_EQ(kept.bytes, photo.bytes);
                std::vector<uint8_t> indices = r.indices;
                if (mode >= 9) {
                    ASSERT_TRUE(indices.empty());
                    for (int y = 0; y < photo.height; ++y)
                        indices.insert(indices.end(), &rows.bytes[static_cast<size_t>(y) * rows.stride],
                                       &rows.bytes[static_cast<size_t>(y) * rows.stride + photo.width]);
                    for (int y = 0; y < photo.height; ++y)  // the padding after each row is left alone
                        ASSERT_EQ(rows.bytes[static_cast<size_t>(y) * rows.stride + photo.width], 0xCD);
                }
                ASSERT_EQ(indices, expected.indices);
            }
        }
    }
}

TEST(Quantize, CrowdedAndTiedPalettesMatchReference) {
    // Palettes whose entries crowd one corner of the cube (cells with more than 64 candidates),
    // repeat one another, or stand at equal distances from the image's colours: the first entry
    // in palette order among the nearest must win every time.
    std::mt19937 rng(12);
    std::vector<uint32_t> crowded, repeated, around;
    for (int i = 0; i < 256; ++i) crowded.push_back(Rgb(120 + rng() % 12, 130 + rng() % 12, 140 + rng() % 12));
    for (int i = 0; i < 256; ++i) repeated.push_back(crowded[static_cast<size_t>((i * 7) % 16)]);
    for (int d : {24, 16, 8})
        for (int sign : {1, -1})
            for (int channel = 2; channel >= 0; --channel) {
                int c[3] = {126, 136, 146};
                c[channel] += sign * d;
                around.push_back(Rgb(c[0], c[1], c[2]));
            }
    around.push_back(around[4]);
    const Image image = Make(96, 64, [&](int x, int y) {
        const int n = static_cast<int>(rng() % 9) - 4;
        return Rgb(126 + ((x + y) % 3 == 0 ? 0 : n), 136 + (x % 4 == 0 ? 0 : n), 146 + (y % 5 == 0 ? 0 : n));
    });
    const struct {
        const char* name;
        const std::vector<uint32_t>* palette;
        int mode;
    } cases[] = {{"crowded", &crowded, 10}, {"repeated", &repeated, 10}, {"around", &around, 10}};
    for (const auto& c : cases) {
        for (int threads : {1, 3}) {
            for (bool dither : {false, true}) {
                ExpectSameAsReference(image, c.mode, dither, c.name, fmt::k32ARGB, c.palette, {}, threads);
                if (HasFatalFailure()) return;
            }
        }
    }
}

TEST(Quantize, FixedMatchesReferenceWithLoadedAndDefaultPalettes) {
    std::mt19937 rng(5);
    std::vector<uint32_t> loaded16, loaded256;
    for (int i = 0; i < 16; ++i) loaded16.push_back(Rgb(rng() & 0xFF, rng() & 0xFF, rng() & 0xFF));
    loaded16[9] = loaded16[3];  // duplicate entries: the lower index wins
    for (int i = 0; i < 200; ++i) loaded256.push_back(Rgb(rng() & 0xFF, rng() & 0xFF, rng() & 0xFF));
    std::vector<uint32_t> defaults{0xFF000000, 0xFF808080, 0xFFFFFFFF, 0xFFFF0000};
    for (const Named& n : GeneratedImages(11)) {
        for (bool dither : {false, true}) {
            ExpectSameAsReference(n.image, 6, dither, n.name + " loaded16", fmt::k32ARGB, &loaded16);
            ExpectSameAsReference(n.image, 10, dither, n.name + " loaded200", fmt::k32ARGB, &loaded256);
            ExpectSameAsReference(n.image, 6, dither, n.name + " default4", fmt::k32ARGB, nullptr, defaults);
            ExpectSameAsReference(n.image, 10, dither, n.name + " builtin", fmt::k32ARGB, nullptr, {});
            if (HasFatalFailure()) return;
        }
    }
}

// ---- Two-colour rule ----

TEST(Quantize, OneBitUniformImages) {
    struct Case {
        uint32_t colour;
        uint8_t index;
    } cases[] = {{Rgb(0, 0, 0), 0}, {Rgb(255, 255, 255), 1}, {Rgb(127, 127, 127), 0}, {Rgb(128, 128, 128), 1}};
    for (const Case& c : cases) {
        for (int mode = 1; mode <= 4; ++mode) {
            Image image(5, 3);
            image.Fill(c.colour);
            QuantizeResult r = Convert(image, mode, false);
            ASSERT_EQ(r.status, 0);
            EXPECT_EQ(r.palette, (std::vector<uint32_t>{0xFF000000u, 0xFFFFFFFFu}));
            EXPECT_EQ(r.paletteFlags, 0u);
            for (uint8_t i : r.indices) EXPECT_EQ(i, c.index) << std::hex << c.colour;
        }
    }
}

TEST(Quantize, OneBitThresholdIsMidwayBetweenDarkestAndLightest) {
    // Greys 100 and 200: threshold 150; 150 is black, 151 white.
    Image image(4, 1);
    image.Set(0, 0, Rgb(100, 100, 100));
    image.Set(1, 0, Rgb(200, 200, 200));
    image.Set(2, 0, Rgb(150, 150, 150));
    image.Set(3, 0, Rgb(151, 151, 151));
    QuantizeResult r = Convert(image, 1, false);
    EXPECT_EQ(r.indices, (std::vector<uint8_t>{0, 1, 0, 1}));
}

TEST(Dither, HalfGreyBecomesAPatternAveragingGrey) {
    Image plain(64, 64), dithered(64, 64);
    plain.Fill(Rgb(128, 128, 128));
    dithered.Fill(Rgb(128, 128, 128));
    QuantizeResult flat = Convert(plain, 1, false);
    QuantizeResult pattern = Convert(dithered, 1, true);
    std::set<uint8_t> flatIndices(flat.indices.begin(), flat.indices.end());
    EXPECT_EQ(flatIndices.size(), 1u);
    size_t white = std::count(pattern.indices.begin(), pattern.indices.end(), 1);
    size_t black = std::count(pattern.indices.begin(), pattern.indices.end(), 0);
    EXPECT_GT(white, 0u);
    EXPECT_GT(black, 0u);
    double average = 255.0 * white / pattern.indices.size();
    EXPECT_NEAR(average, 128.0, 6.0);
}

TEST(Dither, DiffusionWeightsTruncateTowardZero) {
    Image image(3, 2);
    image.Fill(Rgb(100, 100, 100));
    image.Set(1, 0, Rgb(115, 85, 100));  // errors against (100,100,100): R +15, G −15, B 0
    DiffuseError(image.View(), 1, 0, 100, 100, 100);
    // Right: 7 × 15 / 16 = 6, 7 × −15 / 16 = −6.
    EXPECT_EQ(image.Get(2, 0), Rgb(106, 94, 100));
    EXPECT_EQ(image.Get(1, 1), Rgb(104, 96, 100));  // below: 5 × 15 / 16 = 4
    EXPECT_EQ(image.Get(2, 1), Rgb(100, 100, 100)); // below right: 15 / 16 = 0
    EXPECT_EQ(image.Get(0, 1), Rgb(102, 98, 100));  // below left: 45 / 16 = 2
    EXPECT_EQ(image.Get(0, 0), Rgb(100, 100, 100));
}

TEST(Dither, DiffusionClampsAndKeepsAlpha) {
    Image image(2, 2);
    image.Fill(Rgb(250, 5, 0, 77));
    image.Set(0, 0, Rgb(255, 0, 0, 77));
    DiffuseError(image.View(), 0, 0, 0, 255, 0);  // errors R +255, G −255
    EXPECT_EQ(image.Get(1, 0), Rgb(255, 0, 0, 77));
    EXPECT_EQ(image.Get(0, 1), Rgb(255, 0, 0, 77));
    EXPECT_EQ(image.Get(1, 1), Rgb(255, 0, 0, 77));  // 250 + 15, 5 − 15, clamped
}

TEST(Dither, LastColumnAndRowSendNothingOutward) {
    Image image(2, 2);
    image.Fill(Rgb(10, 10, 10));
    DiffuseError(image.View(), 1, 1, 0, 0, 0);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x) EXPECT_EQ(image.Get(x, y), Rgb(10, 10, 10));
    DiffuseError(image.View(), 1, 0, 0, 0, 0);  // last column: only down and down-left
    EXPECT_EQ(image.Get(0, 0), Rgb(10, 10, 10));
    EXPECT_EQ(image.Get(1, 1), Rgb(13, 13, 13));
    EXPECT_EQ(image.Get(0, 1), Rgb(11, 11, 11));
}

TEST(Dither, ColourDistance) {
    EXPECT_EQ(ColourDistance(0, 0, 0, 10, 20, 30), 30 + 30);
    EXPECT_EQ(ColourDistance(10, 20, 30, 0, 0, 0), 60);
    EXPECT_EQ(ColourDistance(5, 5, 5, 5, 5, 5), 0);
    EXPECT_EQ(ColourDistance(0, 0, 0, 1, 0, 0), 1);   // (1 >> 1) + 1
    EXPECT_EQ(ColourDistance(0, 0, 0, 1, 1, 1), 2);   // (3 >> 1) + 1
}

// ---- Exact palette ----

TEST(Palette, ExactPaletteIsInDescendingSignedOrder) {
    Image image(4, 2);
    uint32_t colours[4] = {0xFF102030u, 0x00FFFFFFu, 0x7F000000u, 0x80FFFFFFu};
    for (int x = 0; x < 4; ++x) {
        image.Set(x, 0, colours[x]);
        image.Set(3 - x, 1, colours[x]);
    }
    for (int mode : {5, 8, 9, 12}) {
        Image copy = image;
        QuantizeResult r = Convert(copy, mode, true);
        ASSERT_EQ(r.status, 0);
        EXPECT_EQ(r.palette, (std::vector<uint32_t>{0x7F000000u, 0x00FFFFFFu, 0xFF102030u, 0x80FFFFFFu}));
        EXPECT_EQ(r.paletteFlags, palette_flags::kHasAlpha);
        EXPECT_EQ(r.indices, (std::vector<uint8_t>{2, 1, 0, 3, 3, 0, 1, 2}));
        EXPECT_EQ(copy.bytes, image.bytes) << "no diffusion on the exact palette";
        copy = image;
        QuantizeResult opaque = Convert(copy, mode, false, fmt::k32RGB);
        EXPECT_EQ(opaque.paletteFlags, 0u) << "the source has no alpha channel";
    }
}

TEST(Palette, ExactPaletteAlphaFlagNeedsFullyTransparentColour) {
    Image image(2, 1);
    image.Set(0, 0, Rgb(1, 2, 3, 1));
    image.Set(1, 0, Rgb(1, 2, 3, 255));
    EXPECT_EQ(Convert(image, 12, false).paletteFlags, 0u);
}

// ---- Monotone ----

TEST(Palette, MonotoneFiveColoursAtFourBits) {
    Image image(5, 1);
    for (int x = 0; x < 5; ++x) image.Set(x, 0, Rgb(x * 60, x * 60, x * 60));
    QuantizeResult r = Convert(image, 7, false);
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(r.paletteFlags, palette_flags::kGreyScale);
    EXPECT_EQ(r.palette, (std::vector<uint32_t>{0xFF000000u, 0xFF3F3F3Fu, 0xFF7F7F7Fu, 0xFFBFBFBFu, 0xFFFFFFFFu}));
    // Y / 255 × 4 + 0.5: 0 → 0, 60 → 1, 120 → 2, 180 → 3, 240 → 4.
    EXPECT_EQ(r.indices, (std::vector<uint8_t>{0, 1, 2, 3, 4}));
}

TEST(Palette, MonotoneTwoAndOneColours) {
    Image two(3, 3);
    two.Fill(Rgb(255, 0, 0));
    two.Set(1, 1, Rgb(0, 0, 255));
    QuantizeResult r = Convert(two, 11, false);
    EXPECT_EQ(r.palette, (std::vector<uint32_t>{0xFF000000u, 0xFFFFFFFFu}));
    EXPECT_EQ(r.paletteFlags, palette_flags::kGreyScale);
    Image one(4, 4);
    one.Fill(Rgb(200, 200, 200));
    QuantizeResult single = Convert(one, 11, false);
    EXPECT_EQ(single.palette, (std::vector<uint32_t>{0xFF000000u, 0xFFFFFFFFu}));
    for (uint8_t i : single.indices) EXPECT_EQ(i, 1);
}

TEST(Palette, MonotoneManyColoursUsesFullCapacity) {
    Image image(20, 20);
    for (int i = 0; i < 400; ++i) image.Set(i % 20, i / 20, Rgb(i % 256, (i * 3) % 256, 9));
    QuantizeResult r = Convert(image, 7, false);
    ASSERT_EQ(r.palette.size(), 16u);
    EXPECT_EQ(r.palette[1], 0xFF111111u);  // 255 / 15 = 17
    EXPECT_EQ(r.palette[15], 0xFFFFFFFFu);
}

// ---- Median cut ----

TEST(Palette, MedianCutWithFewCodesGivesFewerEntries) {
    // 24 distinct colours, all within three 15-bit codes.
    Image image(8, 5);
    const uint32_t bases[3] = {Rgb(0x10, 0x20, 0x30), Rgb(0x80, 0x88, 0x90), Rgb(0xF0, 0x08, 0x40)};
    for (int i = 0; i < 40; ++i) image.Set(i % 8, i / 8, bases[i % 3] | static_cast<uint32_t>((i / 3) & 7) * 0x010101u);
    for (bool dither : {false, true}) {
        Image copy = image;
        QuantizeResult r = Convert(copy, 8, dither);
        ASSERT_EQ(r.status, 0);
        ASSERT_EQ(r.palette.size(), 3u);
        std::set<uint32_t> entries(r.palette.begin(), r.palette.end());
        for (uint32_t base : bases) EXPECT_TRUE(entries.count(base)) << std::hex << base;
        EXPECT_EQ(r.paletteFlags, 0u);
    }
}

TEST(Palette, MedianCutWhiteStaysAtMost248) {
    std::mt19937 rng(3);
    Image image(40, 40);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) image.Set(x, y, x < 20 ? Rgb(255, 255, 255) : (rng() | 0xFF000000u));
    for (int mode : {8, 12}) {
        Image copy = image;
        QuantizeResult r = Convert(copy, mode, false);
        ASSERT_EQ(r.status, 0);
        ASSERT_EQ(r.palette.size(), mode == 8 ? 16u : 256u);
        for (uint32_t c : r.palette) {
            EXPECT_LE((c >> 16) & 0xFF, 248u);
            EXPECT_LE((c >> 8) & 0xFF, 248u);
            EXPECT_LE(c & 0xFF, 248u);
        }
    }
    // A white area whose box holds nothing else comes out as (248, 248, 248).
    Image few(10, 10);
    for (int i = 0; i < 100; ++i) {
        uint32_t base = i % 2 ? Rgb(0x20, 0x40, 0x60) : Rgb(0x80, 0x10, 0x08);
        uint32_t noise = uint32_t(i & 7) << 16 | uint32_t((i >> 3) & 7) << 8 | uint32_t((i / 5) & 7);
        few.Set(i % 10, i / 10, i < 10 ? Rgb(255, 255, 255) : base | noise);
    }
    QuantizeResult r = Convert(few, 8, false);
    ASSERT_EQ(r.palette.size(), 3u);
    EXPECT_EQ(r.palette[r.indices[0]], 0xFFF8F8F8u);
}

TEST(Palette, MedianCutWithoutDitherMapsByCode) {
    std::mt19937 rng(21);
    Image image(50, 40);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 50; ++x) image.Set(x, y, rng() | 0xFF000000u);
    QuantizeResult r = Convert(image, 8, false);
    ASSERT_EQ(r.palette.size(), 16u);
    std::vector<int> indexOfCode(32768, -1);
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 50; ++x) {
            uint32_t c = image.Get(x, y);
            int code = ((c & 0xFF) >> 3) << 10 | (((c >> 8) & 0xFF) >> 3) << 5 | (((c >> 16) & 0xFF) >> 3);
            int index = r.indices[static_cast<size_t>(y) * 50 + x];
            if (indexOfCode[code] < 0) indexOfCode[code] = index;
            EXPECT_EQ(indexOfCode[code], index);
        }
    }
}

// ---- Uniform division ----

TEST(Palette, UniformParameters) {
    EXPECT_EQ(UniformSearchRange(1000, 1000), 2);  // raised to 30 by the generator
    EXPECT_EQ(UniformSearchRange(100, 100), 126);
    EXPECT_EQ(UniformSearchRange(1, 1), 127);
    EXPECT_EQ(UniformSampleStep(49), 0);
    EXPECT_EQ(UniformSampleStep(100), 2);
    EXPECT_EQ(UniformSampleStep(1000), 20);
}

TEST(Palette, UniformWithShortSampleListRepeatsFirstKey) {
    // More than 1024 distinct colours (alpha varies), but their top six bits of R, G, B differ in 3 ways.
    std::mt19937 rng(8);
    Image image(60, 60);
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 60; ++x) {
            int band = x / 20;  // red 0x40, 0x80, 0xC0
            image.Set(x, y, Rgb(0x40 * (band + 1) | (rng() & 3), 0x10 | (rng() & 3), 0x20 | (rng() & 3), rng() & 0xFF));
        }
    QuantizeResult r = Convert(image, 9, false);
    ASSERT_EQ(r.status, 0);
    ASSERT_EQ(r.palette.size(), 256u);
    EXPECT_EQ(r.paletteFlags, 0u);
    EXPECT_EQ(r.palette[0], Rgb(0xC0, 0x10, 0x20));
    EXPECT_EQ(r.palette[1], Rgb(0x80, 0x10, 0x20));
    EXPECT_EQ(r.palette[2], Rgb(0x40, 0x10, 0x20));
    for (int i = 3; i < 256; ++i) EXPECT_EQ(r.palette[i], r.palette[0]);
    for (int x = 0; x < 60; ++x) EXPECT_EQ(r.indices[x], 2 - x / 20);
}

TEST(Palette, UniformGroupsTakeTheFirstKeyOfEachGroup) {
    // 20 distinct blue levels (dominant B), 16 groups: q = 1, r = 4, b = 15 / 4 = 3, so groups
    // 0, 3, 6, 9 hold two keys.
    Image image(20, 1);
    for (int x = 0; x < 20; ++x) image.Set(x, 0, Rgb(0, 0, x * 10));
    QuantizeResult r = Convert(image, 5, false);
    ASSERT_EQ(r.palette.size(), 16u);
    std::vector<int> levels;
    for (uint32_t c : r.palette) levels.push_back(static_cast<int>(c & 0xFF));
    EXPECT_EQ(levels, (std::vector<int>{190, 170, 160, 150, 130, 120, 110, 90, 80, 70, 50, 40, 30, 20, 10, 0}));
}

// ---- Fixed ----

TEST(Palette, FixedLoadedPaletteTooLargeIsRefusedAndDiscarded) {
    std::vector<uint32_t> loaded = DefaultPalette(256);
    Image image(4, 4);
    image.Fill(Rgb(1, 2, 3));
    QuantizeRequest q = MakeRequest(image, 6, false);
    q.loadedFixedPalette = &loaded;
    QuantizeResult r = Quantize(q);
    EXPECT_NE(r.status, 0);
    ASSERT_NE(r.message, nullptr);
    EXPECT_EQ(std::u16string(r.message), u"パレットを設定できません");
    EXPECT_TRUE(r.discardLoadedFixed);
    // The same palette fits an 8-bit target.
    QuantizeRequest q8 = MakeRequest(image, 10, false);
    q8.loadedFixedPalette = &loaded;
    QuantizeResult ok = Quantize(q8);
    EXPECT_EQ(ok.status, 0);
    EXPECT_FALSE(ok.discardLoadedFixed);
    EXPECT_EQ(ok.palette, loaded);
}

TEST(Palette, FixedPrefersLoadedThenTargetThenBuiltIn) {
    Image image(2, 1);
    image.Set(0, 0, Rgb(250, 10, 10));
    image.Set(1, 0, Rgb(10, 10, 250));
    std::vector<uint32_t> loaded{Rgb(0, 0, 255), Rgb(255, 0, 0)};
    QuantizeRequest q = MakeRequest(image, 6, false);
    q.loadedFixedPalette = &loaded;
    q.loadedFixedFlags = 1;
    q.targetDefaultPalette = {Rgb(0, 0, 0)};
    QuantizeResult r = Quantize(q);
    EXPECT_EQ(r.palette, loaded);
    EXPECT_EQ(r.paletteFlags, 1u);
    EXPECT_EQ(r.indices, (std::vector<uint8_t>{1, 0}));
    q.loadedFixedPalette = nullptr;
    r = Quantize(q);
    EXPECT_EQ(r.palette, std::vector<uint32_t>{Rgb(0, 0, 0)});
    q.targetDefaultPalette.clear();
    r = Quantize(q);
    EXPECT_EQ(r.palette, DefaultPalette(16));
    EXPECT_EQ(r.indices, (std::vector<uint8_t>{4, 2}));  // red, blue of the 16-colour list
}

TEST(Palette, DefaultPalettes) {
    std::vector<uint32_t> big = DefaultPalette(256);
    ASSERT_EQ(big.size(), 256u);
    EXPECT_EQ(big.front(), 0xFF000000u);
    EXPECT_EQ(big[9], Rgb(166, 202, 240));
    EXPECT_EQ(big[10], Rgb(0, 128, 255));  // first of the 0/128/255 run that is no system colour
    EXPECT_EQ(big[22], Rgb(0, 0, 51));     // first of the 6-level cube
    EXPECT_EQ(big[230], Rgb(15, 15, 15));  // first grey
    EXPECT_EQ(big[245], Rgb(240, 240, 240));
    EXPECT_EQ(big[246], Rgb(255, 251, 240));
    EXPECT_EQ(big.back(), 0xFFFFFFFFu);
    EXPECT_EQ(std::set<uint32_t>(big.begin(), big.end()).size(), 256u);
    std::vector<uint32_t> small = DefaultPalette(16);
    ASSERT_EQ(small.size(), 16u);
    EXPECT_EQ(small.front(), 0xFFFFFFFFu);
    EXPECT_EQ(small.back(), 0xFF800080u);
    EXPECT_EQ(DefaultPalette(2), (std::vector<uint32_t>{0xFFFFFFFFu, 0xFF000000u}));
}

TEST(Quantize, RejectsModesOutsideTheTable) {
    Image image(1, 1);
    image.Fill(Rgb(0, 0, 0));
    for (int mode : {0, 13, -1}) {
        QuantizeResult r = Convert(image, mode, false);
        EXPECT_EQ(r.status, 1);
        ASSERT_NE(r.message, nullptr);
        EXPECT_EQ(std::u16string(r.message), u"出力フォーマットがパレットカラーではありません");
    }
}

TEST(Quantize, RefusesATargetThatDoesNotFitTheMode) {
    Image image(2, 2);
    image.Fill(Rgb(10, 20, 30));
    struct Case {
        int mode;
        PixelFormat target;
        const char16_t* message;
    };
    const Case cases[] = {
        {1, fmt::k24RGB, u"出力フォーマットが1bitパレットカラーではありません"},
        {9, fmt::k32ARGB, u"出力フォーマットがパレットカラーではありません"},
        {2, fmt::k8Index, u"2色のみに対応しています"},
        {12, fmt::k4Index, u"出力フォーマットがパレットカラーではありません"},
    };
    for (const Case& c : cases) {
        QuantizeRequest q = MakeRequest(image, c.mode, false);
        q.targetFormat = c.target;
        QuantizeResult r = Quantize(q);
        EXPECT_EQ(r.status, 1) << c.mode;
        ASSERT_NE(r.message, nullptr);
        EXPECT_EQ(std::u16string(r.message), c.message);
        EXPECT_TRUE(r.indices.empty());
    }
    // The fitting target converts.
    QuantizeRequest q = MakeRequest(image, 6, false);
    q.targetFormat = fmt::k4Index;
    EXPECT_EQ(Quantize(q).status, 0);
}

// ---- Index packing ----

TEST(Quantize, PacksOneBitRowOfNinePixels) {
    std::vector<uint8_t> indices{1, 0, 1, 1, 0, 0, 0, 1, 1};
    std::vector<uint8_t> row(4, 0xAA);
    PixelView target;
    target.width = 9;
    target.height = 1;
    target.stride = static_cast<int>(DwordStride(9, 1));
    target.format = fmt::k1Index;
    target.scan0 = row.data();
    ASSERT_EQ(target.stride, 4);
    PackIndices(indices, target);
    EXPECT_EQ(row[0], 0xB1);
    EXPECT_EQ(row[1], 0x80);  // pixel 8 is bit 7 of the second byte
}

TEST(Quantize, PacksFourAndEightBitRows) {
    std::vector<uint8_t> indices{0x1, 0xF, 0x7, 0x3, 0x2, 0x9, 0xA};  // 7 × 1 then 7 × ... two rows
    indices.insert(indices.end(), indices.rbegin(), indices.rend());
    std::vector<uint8_t> rows(8, 0xEE);
    PixelView target;
    target.width = 7;
    target.height = 2;
    target.stride = static_cast<int>(DwordStride(7, 4));
    target.format = fmt::k4Index;
    target.scan0 = rows.data();
    PackIndices(indices, target);
    EXPECT_EQ(std::vector<uint8_t>(rows.begin(), rows.begin() + 4), (std::vector<uint8_t>{0x1F, 0x73, 0x29, 0xA0}));
    EXPECT_EQ(std::vector<uint8_t>(rows.begin() + 4, rows.end()), (std::vector<uint8_t>{0xA9, 0x23, 0x7F, 0x10}));
    std::vector<uint8_t> bytes(16, 0);
    target.stride = 8;
    target.format = fmt::k8Index;
    target.scan0 = bytes.data();
    PackIndices(indices, target);
    EXPECT_EQ(bytes[0], 0x1);
    EXPECT_EQ(bytes[6], 0xA);
    EXPECT_EQ(bytes[8], 0xA);
    EXPECT_EQ(bytes[14], 0x1);
}

}  // namespace
}  // namespace mirelo
