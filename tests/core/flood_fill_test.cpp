#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "fill_reference.h"
#include "ops/flood_fill.h"
#include "select/magic_wand.h"

namespace mirelo {
namespace {

// Small pictures drawn with letters, one string per row.
uint32_t ColourOf(char c) {
    switch (c) {
    case '.': return 0xFFFFFFFF;
    case '#': return 0xFF000000;
    case 'r': return 0xFF808080 + 0x030000;   // red exactly +3 from grey
    case 'R': return 0xFF808080 + 0x040000;   // red +4
    case 'g': return 0xFF808080;
    case 'b': return 0xFF808080 - 0x000003;   // blue exactly −3
    case 'B': return 0xFF808080 - 0x000004;   // blue −4
    case 'h': return 0x83808080;              // alpha 131 of grey
    case 'H': return 0x84808080;              // alpha 132
    case 'a': return 0x80808080;              // alpha 128 of grey
    case 'x': return 0x80FF0000;              // alpha 128 of red
    case 'z': return 0x00000000;
    default: return 0xFF00FF00 + static_cast<uint32_t>(c);
    }
}

struct Picture {
    int w = 0, h = 0;
    std::vector<uint32_t> argb;
    PixelView View() { return PixelView{w, h, w * 4, fmt::k32ARGB, reinterpret_cast<uint8_t*>(argb.data())}; }
};

Picture Draw(const std::vector<std::string>& rows) {
    Picture p;
    p.h = static_cast<int>(rows.size());
    p.w = static_cast<int>(rows[0].size());
    for (const std::string& r : rows)
        for (char c : r) p.argb.push_back(ColourOf(c));
    return p;
}

std::vector<std::string> MaskRows(const std::vector<uint8_t>& mask, int w, int h) {
    std::vector<std::string> rows;
    for (int y = 0; y < h; ++y) {
        std::string r;
        for (int x = 0; x < w; ++x) r += mask[static_cast<size_t>(y) * w + x] ? 'X' : '-';
        rows.push_back(r);
    }
    return rows;
}

// Hand-traced regions: the picture, the click, the tolerances (alpha, red, green, blue) and the
// pixels that the area fill takes.
struct FillCase {
    const char* name;
    std::vector<std::string> picture;
    int x, y;
    ColourTolerance tolerance;
    std::vector<std::string> region;
};

const FillCase kFillCases[] = {
    {"ring, click outside", {".....", ".###.", ".#.#.", ".###.", "....."}, 0, 0, {},
     {"XXXXX", "X---X", "X---X", "X---X", "XXXXX"}},
    {"ring, click the hole", {".....", ".###.", ".#.#.", ".###.", "....."}, 2, 2, {}, {"-----", "-----", "--X--", "-----", "-----"}},
    {"ring itself", {".....", ".###.", ".#.#.", ".###.", "....."}, 1, 1, {}, {"-----", "-XXX-", "-X-X-", "-XXX-", "-----"}},
    {"corridors joined only diagonally", {"#....", ".#...", "..#..", "...#.", "....#"}, 2, 2, {},
     {"-----", "-----", "--X--", "-----", "-----"}},
    {"diagonal corridor of the other colour, click above it", {"#....", ".#...", "..#..", "...#.", "....#"}, 4, 0, {},
     {"-XXXX", "--XXX", "---XX", "----X", "-----"}},
    {"checkerboard", {"#.#.", ".#.#", "#.#.", ".#.#"}, 1, 1, {}, {"----", "-X--", "----", "----"}},
    {"island in a lake", {"....", ".##.", ".##.", "...."}, 3, 3, {}, {"XXXX", "X--X", "X--X", "XXXX"}},
    {"snake reaching back", {"#####", "....#", "###.#", "#...#", "#####"}, 0, 1, {},
     {"-----", "XXXX-", "---X-", "-XXX-", "-----"}},
    {"red at the tolerance edge", {"gggR", "rggg", "Rrgg"}, 1, 1, {0, 3, 0, 0}, {"XXX-", "XXXX", "-XXX"}},
    {"red one past the edge", {"gggR", "rggg", "Rrgg"}, 1, 1, {0, 2, 0, 0}, {"XXX-", "-XXX", "--XX"}},
    {"blue below the reference", {"gbB", "ggg"}, 0, 1, {0, 0, 0, 3}, {"XX-", "XXX"}},
    {"alpha at the tolerance edge", {"ahH", "aaa"}, 0, 0, {3, 0, 0, 0}, {"XX-", "XXX"}},
    {"every tolerance 255 fills everything joined", {"#.r", "Hzx", "g#b"}, 1, 1, {255, 255, 255, 255},
     {"XXX", "XXX", "XXX"}},
    {"click on the right border", {"..#..", "..#..", "..#.."}, 4, 1, {}, {"---XX", "---XX", "---XX"}},
    {"click on the bottom-left corner", {"...", "#..", ".#."}, 0, 2, {}, {"---", "---", "X--"}},
};

TEST(FillRule, ToleranceIsIndexTimesThreeAndClamped) {
    const ColourTolerance t = ToleranceFromIndices(0, 1, 85, 90);
    EXPECT_EQ(t.alpha, 0);
    EXPECT_EQ(t.red, 3);
    EXPECT_EQ(t.green, 255);
    EXPECT_EQ(t.blue, 255);
    EXPECT_TRUE(ColourMatches(0xFFFE0000, 0xFFFC0000, {0, 3, 0, 0}));   // up to min(255, r + t)
    EXPECT_TRUE(ColourMatches(0xFF000000, 0xFF020000, {0, 3, 0, 0}));   // down to max(0, r − t)
    EXPECT_FALSE(ColourMatches(0xFF000001, 0xFF000000, {255, 255, 255, 0}));
}

TEST(FillCases, RegionsAsTraced) {
    for (const FillCase& c : kFillCases) {
        SCOPED_TRACE(c.name);
        Picture p = Draw(c.picture);
        const uint32_t reference = p.argb[static_cast<size_t>(c.y) * p.w + c.x];
        std::vector<uint8_t> mask(p.argb.size(), 0);
        ASSERT_TRUE(FindFillRegion(p.View(), c.x, c.y, reference, c.tolerance, mask.data()).ok());
        EXPECT_EQ(MaskRows(mask, p.w, p.h), c.region);
        EXPECT_EQ(MaskRows(ReferenceFill(p.argb, p.w, p.h, c.x, c.y, reference, c.tolerance), p.w, p.h), c.region);

        // The area fill writes the colour into exactly those pixels, without blending.
        Picture out = p;
        const uint32_t colour = 0x40123456;
        ASSERT_TRUE(AreaFill(p.View(), out.View(), {c.x, c.y, colour, c.tolerance}).ok());
        for (size_t i = 0; i < p.argb.size(); ++i)
            EXPECT_EQ(out.argb[i], mask[i] ? colour : p.argb[i]) << "pixel " << i;
    }
}

// Pixels in any layout the fill accepts, built from ARGB words.
struct Stored {
    std::vector<uint8_t> bytes;
    PixelView view;
    Stored(const std::vector<uint32_t>& argb, int w, int h, PixelFormat f, bool bottomUp) {
        const int bpp = BitsPerPixel(f) / 8;
        const int stride = static_cast<int>(DwordStride(w, BitsPerPixel(f)));
        bytes.assign(static_cast<size_t>(stride) * h, 0);
        view = PixelView{w, h, bottomUp ? -stride : stride, f, bytes.data() + (bottomUp ? static_cast<size_t>(stride) * (h - 1) : 0)};
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) std::memcpy(view.At(x, y), &argb[static_cast<size_t>(y) * w + x], static_cast<size_t>(bpp));
    }
    uint32_t At(int x, int y) const { return ReadArgbPixel(view, x, y); }
};

// The fast fill against the plain one on random pictures of few colours, in every layout.
TEST(FillCases, SameAsThePlainFillOnRandomPictures) {
    std::mt19937 rng(12345);
    const uint32_t palette[] = {0xFF102030, 0xFF112030, 0xFF102033, 0xFFFFFFFF, 0x80102030, 0x7E102030};
    for (int round = 0; round < 400; ++round) {
        const int w = 1 + static_cast<int>(rng() % 40), h = 1 + static_cast<int>(rng() % 12);
        const int colours = 2 + static_cast<int>(rng() % 5);
        std::vector<uint32_t> argb(static_cast<size_t>(w) * h);
        for (uint32_t& p : argb) p = palette[rng() % colours];
        if (round % 3 == 0)  // long stretches of one colour
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    if (rng() % 8) argb[static_cast<size_t>(y) * w + x] = palette[0];
        const int x = static_cast<int>(rng() % w), y = static_cast<int>(rng() % h);
        const ColourTolerance t{static_cast<int>(rng() % 3) * 2, static_cast<int>(rng() % 2), 0, static_cast<int>(rng() % 2) * 3};
        const int layout = round % 5;  // 32→32, 32 in place, 24→24 in place, 24→32, 32→24 (bottom-up)
        const PixelFormat inFormat = layout >= 2 && layout <= 3 ? fmt::k24RGB : fmt::k32ARGB;
        Stored in(argb, w, h, inFormat, layout == 4);
        std::vector<uint32_t> seen(argb.size());
        for (int py = 0; py < h; ++py)
            for (int px = 0; px < w; ++px) seen[static_cast<size_t>(py) * w + px] = in.At(px, py);
        const uint32_t reference = seen[static_cast<size_t>(y) * w + x];
        const std::vector<uint8_t> expected = ReferenceFill(seen, w, h, x, y, reference, t);
        const uint32_t colour = 0xC0ABCDEF;
        const bool inPlace = layout == 1 || layout == 2;
        const PixelFormat outFormat = layout == 3 || layout == 0 || layout == 1 ? fmt::k32ARGB : fmt::k24RGB;
        Stored outStore(std::vector<uint32_t>(argb.size(), 0x5A5A5A5A), w, h, outFormat, false);
        const PixelView& out = inPlace ? in.view : outStore.view;
        ASSERT_TRUE(AreaFill(in.view, out, {x, y, colour, t}).ok());
        const uint32_t written = inFormat == fmt::k32ARGB ? colour : colour | 0xFF000000u;
        for (int py = 0; py < h; ++py)
            for (int px = 0; px < w; ++px) {
                const size_t i = static_cast<size_t>(py) * w + px;
                const uint32_t want = expected[i] ? written : seen[i];
                const uint32_t got = ReadArgbPixel(out, px, py);
                const uint32_t mask = BitsPerPixel(out.format) == 24 ? 0xFFFFFFu : 0xFFFFFFFFu;
                ASSERT_EQ(got & mask, want & mask) << "round " << round << " at " << px << "," << py;
            }
    }
}

// The colour written through a mask: B, G, R in 24 bits, with alpha where the view has it, opaque
// in a 32-bit view without alpha; unmarked pixels keep theirs. Other formats are refused.
TEST(FillCases, MaskPaintedInEachFormat) {
    const struct {
        PixelFormat format;
        uint32_t written;
    } cases[] = {{fmt::k24RGB, 0xFF112233u}, {fmt::k32ARGB, 0x80112233u}, {fmt::k32RGB, 0xFF112233u}};
    const std::vector<uint8_t> mask = {1, 0, 1, 0, 0, 1};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.format);
        Stored in({0xFF0000FF, 0xFF0000FF, 0xFF00FF00, 0xFF00FF00, 0xFFFFFFFF, 0xFFFFFFFF}, 3, 2, c.format, c.format == fmt::k24RGB);
        ASSERT_TRUE(PaintMask(in.view, mask.data(), 0x80112233u).ok());
        for (int i = 0; i < 6; ++i) {
            const uint32_t before = i < 2 ? 0xFF0000FFu : i < 4 ? 0xFF00FF00u : 0xFFFFFFFFu;
            EXPECT_EQ(in.At(i % 3, i / 3) | (c.format == fmt::k32ARGB ? 0u : 0xFF000000u), mask[static_cast<size_t>(i)] ? c.written : before) << i;
        }
    }
    Picture p = Draw({".."});
    PixelView indexed = p.View();
    indexed.format = fmt::k8Index;
    EXPECT_EQ(PaintMask(indexed, mask.data(), 0).code, fill_status::kBadParams);
    EXPECT_EQ(PaintMask(p.View(), nullptr, 0).code, fill_status::kBadParams);
}

TEST(FillCases, ColourEqualToTheReferenceChangesNothing) {
    Picture p = Draw({"..#", "..#"});
    Picture out = Draw({"###", "###"});
    ASSERT_TRUE(AreaFill(p.View(), out.View(), {0, 0, 0xFFFFFFFF, {}}).ok());
    EXPECT_EQ(out.argb, p.argb);
}

TEST(FillCases, RefusesPointsOutsideAndOtherFormats) {
    Picture p = Draw({"..", ".."});
    const OpStatus outside = AreaFill(p.View(), p.View(), {2, 0, 0xFF000000, {}});
    EXPECT_EQ(outside.code, fill_status::kNoColour);
    EXPECT_EQ(std::u16string(outside.message), u"色を取得できません");
    PixelView indexed = p.View();
    indexed.format = fmt::k8Index;
    EXPECT_EQ(AreaFill(indexed, indexed, {0, 0, 0xFF000000, {}}).code, fill_status::kBadParams);
    EXPECT_EQ(std::u16string(kNoMemoryText), u"メモリが不足しています");
}

// A 24-bit image reads as opaque and keeps only the colour's B, G, R.
TEST(FillCases, TwentyFourBitImagesAreOpaque) {
    Stored in({0xFF0000FF, 0xFF0000FF, 0xFF00FF00}, 3, 1, fmt::k24RGB, false);
    ASSERT_TRUE(AreaFill(in.view, in.view, {0, 0, 0x80112233, {}}).ok());
    EXPECT_EQ(in.At(0, 0), 0xFF112233u);
    EXPECT_EQ(in.At(1, 0), 0xFF112233u);
    EXPECT_EQ(in.At(2, 0), 0xFF00FF00u);
}

// A 32-bit format without alpha reads as opaque whatever its fourth byte holds (here 0), so the
// clicked pixel matches its own colour and the fill is written opaque.
TEST(FillCases, ThirtyTwoBitImagesWithoutAlphaAreOpaque) {
    Stored in({0x000000FF, 0x000000FF, 0x0000FF00}, 3, 1, fmt::k32RGB, false);
    ASSERT_TRUE(AreaFill(in.view, in.view, {1, 0, 0x80112233, {}}).ok());
    EXPECT_EQ(in.At(0, 0), 0xFF112233u);
    EXPECT_EQ(in.At(1, 0), 0xFF112233u);
    EXPECT_EQ(in.At(2, 0), 0xFF00FF00u);
    EXPECT_EQ(in.view.At(0, 0)[3], 0xFF);
}

TEST(Replacement, EveryMatchingPixelConnectedOrNot) {
    Picture p = Draw({"g#r", "#R#", "b#B"});
    Picture out = p;
    ASSERT_TRUE(ReplaceColour(p.View(), out.View(), {0, 0, 0xFF123456, {0, 3, 0, 3}, false}).ok());
    EXPECT_EQ(MaskRows([&] {
                  std::vector<uint8_t> m;
                  for (uint32_t v : out.argb) m.push_back(v == 0xFF123456);
                  return m;
              }(), 3, 3),
              (std::vector<std::string>{"X-X", "---", "X--"}));
    // Alpha to colour: the alpha alone decides, whatever the tolerances.
    Picture q = Draw({"axh", "a#z"});
    Picture qOut = q;
    ASSERT_TRUE(ReplaceColour(q.View(), qOut.View(), {0, 0, 0xFF654321, {0, 0, 0, 0}, true}).ok());
    std::vector<uint8_t> m;
    for (uint32_t v : qOut.argb) m.push_back(v == 0xFF654321);
    EXPECT_EQ(MaskRows(m, 3, 2), (std::vector<std::string>{"XX-", "X--"}));
    std::vector<uint8_t> found(6, 7);
    ASSERT_TRUE(FindReplacedPixels(q.View(), {0, 0, 0, {}, true}, found.data()).ok());
    EXPECT_EQ(found, m);
}

// Hand-traced walks: the picture, the click, the tolerances, 反転, and the vertices in the order
// they enter the path.
struct WandCase {
    const char* name;
    std::vector<std::string> picture;
    int x, y;
    bool invert;
    std::vector<IntPoint> vertices;
};

const WandCase kWandCases[] = {
    {"background round a square: the cells beside it", {"....", ".##.", ".##.", "...."}, 0, 0, false,
     {{0, 1}, {1, 0}, {2, 0}, {3, 1}, {3, 2}, {2, 3}, {1, 3}, {0, 2}}},
    {"the square itself", {"....", ".##.", ".##.", "...."}, 1, 1, false, {{1, 2}, {2, 2}, {2, 1}, {1, 1}}},
    {"a one-pixel line: its middle cell is a bridge, walked a second time", {".....", ".###.", "....."}, 1, 1, false,
     {{2, 1}, {1, 1}, {3, 1}}},
    {"a single pixel of its own colour", {"...", ".#.", "..."}, 1, 1, false, {}},
    {"a uniform image", {"...", "...", "..."}, 2, 0, false, {}},
};

std::string Text(const std::vector<IntPoint>& v) {
    std::string s;
    for (const IntPoint& p : v) s += std::to_string(p.x) + "," + std::to_string(p.y) + " ";
    return s;
}

TEST(WandCases, OutlinesAsTraced) {
    for (const WandCase& c : kWandCases) {
        SCOPED_TRACE(c.name);
        Picture p = Draw(c.picture);
        std::vector<IntPoint> v;
        ASSERT_TRUE(FindWandOutline(p.View(), {c.x, c.y, {}, c.invert}, &v).ok());
        EXPECT_EQ(Text(v), Text(c.vertices));
    }
}

TEST(WandCases, SizeLimit) {
    EXPECT_TRUE(WandAcceptsSize(1280, 1280));
    EXPECT_FALSE(WandAcceptsSize(1281, 1280));
    std::vector<uint32_t> px(1281 * 1280, 0xFFFFFFFF);
    const PixelView big{1281, 1280, 1281 * 4, fmt::k32ARGB, reinterpret_cast<uint8_t*>(px.data())};
    std::vector<IntPoint> v;
    const OpStatus s = FindWandOutline(big, {0, 0, {}, false}, &v);
    EXPECT_EQ(s.code, wand_status::kTooLarge);
    EXPECT_EQ(std::u16string(s.message), u"画像サイズが大き過ぎます");
}

}  // namespace
}  // namespace mirelo
