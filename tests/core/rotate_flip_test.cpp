#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "app/commands.h"
#include "ops/rotate_flip.h"

namespace mirelo {
namespace {

constexpr PixelFormat kEveryDepth[] = {fmt::k1Index, fmt::k4Index, fmt::k8Index, fmt::k16RGB565, fmt::k24RGB,
                                       fmt::k32ARGB, fmt::k48RGB,   fmt::k64ARGB};

// Pixels of one format in their own memory, rows padded to four bytes; `bottomUp` lays the rows
// out from the end of the memory as a bottom-up bitmap does (negative stride).
struct Picture {
    std::vector<uint8_t> bytes;
    PixelView view;
    Picture(int w, int h, PixelFormat f, uint8_t fill = 0, bool bottomUp = false) {
        const int stride = static_cast<int>(DwordStride(w, BitsPerPixel(f)));
        bytes.assign(static_cast<size_t>(stride) * static_cast<size_t>(h), fill);
        view = PixelView{w, h, bottomUp ? -stride : stride, f, bytes.data() + (bottomUp ? static_cast<size_t>(stride) * (h - 1) : 0)};
    }
    size_t RowBytes() const { return (static_cast<size_t>(view.width) * BitsPerPixel(view.format) + 7) / 8; }
};

int Bytes(PixelFormat f) { return BitsPerPixel(f) / 8; }

// Every bit of one pixel, whatever the depth (ReadStored keeps only four bytes).
void SetAll(const PixelView& v, int x, int y) {
    if (BitsPerPixel(v.format) < 8)
        WriteStored(v, x, y, (1u << BitsPerPixel(v.format)) - 1);
    else
        std::memset(v.At(x, y), 0xFF, static_cast<size_t>(Bytes(v.format)));
}
bool AnySet(const PixelView& v, int x, int y) {
    if (BitsPerPixel(v.format) < 8) return ReadStored(v, x, y) != 0;
    for (int i = 0; i < Bytes(v.format); ++i)
        if (v.At(x, y)[i]) return true;
    return false;
}

// The plain mapping: where source pixel (x, y) of a w × h picture goes.
void Destination(int kind, int w, int h, int x, int y, int* dx, int* dy) {
    switch (kind) {
    case rotate_flip::kLeftRight: *dx = w - 1 - x, *dy = y; break;
    case rotate_flip::kTopBottom: *dx = x, *dy = h - 1 - y; break;
    case rotate_flip::kClockwise: *dx = h - 1 - y, *dy = x; break;
    case rotate_flip::kHalfTurn: *dx = w - 1 - x, *dy = h - 1 - y; break;
    default: *dx = y, *dy = w - 1 - x; break;
    }
}

// One pixel at a time, into memory that starts as zeros.
void OracleMove(const PixelView& in, const PixelView& out, int kind) {
    for (int y = 0; y < in.height; ++y)
        for (int x = 0; x < in.width; ++x) {
            int dx = 0, dy = 0;
            Destination(kind, in.width, in.height, x, y, &dx, &dy);
            if (BitsPerPixel(in.format) < 8)
                WriteStored(out, dx, dy, ReadStored(in, x, y));
            else
                std::memcpy(out.At(dx, dy), in.At(x, y), static_cast<size_t>(Bytes(in.format)));
        }
}

enum Corner { TL, TR, BL, BR };

// The corner table: where the source's top-left, top-right, bottom-left and bottom-right go.
struct CornerRow {
    int kind;
    bool swapsSides;
    Corner to[4];
};
constexpr CornerRow kCornerTable[] = {
    {rotate_flip::kLeftRight, false, {TR, TL, BR, BL}},
    {rotate_flip::kTopBottom, false, {BL, BR, TL, TR}},
    {rotate_flip::kClockwise, true, {TR, BR, TL, BL}},
    {rotate_flip::kHalfTurn, false, {BR, BL, TR, TL}},
    {rotate_flip::kAnticlockwise, true, {BL, TL, BR, TR}},
};

void CornerAt(Corner c, int w, int h, int* x, int* y) {
    *x = (c == TR || c == BR) ? w - 1 : 0;
    *y = (c == BL || c == BR) ? h - 1 : 0;
}

TEST(RotateFlip, EachCornerGoesWhereTheTableSaysAtEveryDepth) {
    const int w = 7, h = 3;  // odd sizes: 1- and 4-bit rows end inside a byte
    for (const CornerRow& row : kCornerTable) {
        for (PixelFormat f : kEveryDepth) {
            for (Corner from : {TL, TR, BL, BR}) {
                SCOPED_TRACE(testing::Message() << "kind " << row.kind << " format " << std::hex << f << " corner " << from);
                Picture in(w, h, f);
                int sx = 0, sy = 0;
                CornerAt(from, w, h, &sx, &sy);
                SetAll(in.view, sx, sy);
                const int ow = row.swapsSides ? h : w, oh = row.swapsSides ? w : h;
                Picture out(ow, oh, f, 0x5A);
                ASSERT_TRUE(RotateFlipPixels(in.view, out.view, {row.kind}).ok());
                int ex = 0, ey = 0;
                CornerAt(row.to[from], ow, oh, &ex, &ey);
                for (int y = 0; y < oh; ++y)
                    for (int x = 0; x < ow; ++x) EXPECT_EQ(AnySet(out.view, x, y), x == ex && y == ey) << x << "," << y;
            }
        }
    }
}

// a b c        clockwise   d a     anticlockwise   c f
// d e f                    e b                     b e
//                          f c                     a d
TEST(RotateFlip, QuarterTurnsOfThreeByTwo) {
    Picture in(3, 2, fmt::k8Index);
    const uint8_t abc[2][3] = {{'a', 'b', 'c'}, {'d', 'e', 'f'}};
    for (int y = 0; y < 2; ++y) std::memcpy(in.view.Row(y), abc[y], 3);
    struct Case {
        int kind;
        const char* rows[3];
    };
    const Case cases[] = {{rotate_flip::kClockwise, {"da", "eb", "fc"}}, {rotate_flip::kAnticlockwise, {"cf", "be", "ad"}}};
    for (const Case& c : cases) {
        Picture out(2, 3, fmt::k8Index);
        ASSERT_TRUE(RotateFlipPixels(in.view, out.view, {c.kind}).ok());
        for (int y = 0; y < 3; ++y) EXPECT_EQ(std::string(reinterpret_cast<char*>(out.view.Row(y)), 2), c.rows[y]) << c.kind;
    }
    // 90 degrees: the result's top-right pixel is the source's top-left.
    Picture out(2, 3, fmt::k8Index);
    RotateFlipPixels(in.view, out.view, {rotate_flip::kClockwise});
    EXPECT_EQ(out.view.Row(0)[1], 'a');
}

TEST(RotateFlip, FlipsAndHalfTurnOfThreeByTwoInTwentyFourBits) {
    Picture in(3, 2, fmt::k24RGB);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) WriteStored(in.view, x, y, 0x102030u * static_cast<uint32_t>(1 + x + 3 * y));
    struct Case {
        int kind;
        int order[6];  // source pixel numbers of the result, row by row
    };
    const Case cases[] = {{rotate_flip::kLeftRight, {2, 1, 0, 5, 4, 3}},
                          {rotate_flip::kTopBottom, {3, 4, 5, 0, 1, 2}},
                          {rotate_flip::kHalfTurn, {5, 4, 3, 2, 1, 0}}};
    for (const Case& c : cases) {
        Picture out(3, 2, fmt::k24RGB);
        ASSERT_TRUE(RotateFlipPixels(in.view, out.view, {c.kind}).ok());
        for (int i = 0; i < 6; ++i)
            EXPECT_EQ(ReadStored(out.view, i % 3, i / 3), 0x102030u * static_cast<uint32_t>(1 + c.order[i])) << c.kind << " " << i;
    }
}

TEST(RotateFlip, MatchesThePlainMappingOnRandomSizes) {
    std::mt19937 random(20240611);
    for (int round = 0; round < 12; ++round) {
        // Sizes across the tile edges of the quarter turns, including single rows and columns.
        const int w = 1 + static_cast<int>(random() % (round < 4 ? 9 : 97));
        const int h = 1 + static_cast<int>(random() % (round < 4 ? 9 : 83));
        for (PixelFormat f : kEveryDepth) {
            Picture in(w, h, f, 0, round % 2 == 1);
            for (uint8_t& b : in.bytes) b = static_cast<uint8_t>(random());
            for (const CornerRow& row : kCornerTable) {
                SCOPED_TRACE(testing::Message() << w << " x " << h << " kind " << row.kind << " format " << std::hex << f);
                const int ow = row.swapsSides ? h : w, oh = row.swapsSides ? w : h;
                Picture expected(ow, oh, f, 0), actual(ow, oh, f, 0xA5, round % 3 == 2);
                OracleMove(in.view, expected.view, row.kind);
                ASSERT_TRUE(RotateFlipPixels(in.view, actual.view, {row.kind}).ok());
                // Whole bytes of every row; below 8 bits the bits after the last pixel are zero.
                for (int y = 0; y < oh; ++y)
                    ASSERT_EQ(std::memcmp(expected.view.Row(y), actual.view.Row(y), expected.RowBytes()), 0) << "row " << y;
            }
        }
    }
}

// Whole tiles and partial ones, rows on 16-byte boundaries or not, in either direction; the
// largest is shared between two threads.
TEST(RotateFlip, LargerPicturesMatchThePlainMapping) {
    const int sizes[][2] = {{128, 64}, {64, 128}, {132, 68}, {130, 67}, {67, 130}, {65, 200}, {610, 451}};
    std::mt19937 random(99);
    for (const auto& size : sizes) {
        for (PixelFormat f : {fmt::k32ARGB, fmt::k24RGB, fmt::k8Index, fmt::k64ARGB}) {
            const int w = size[0], h = size[1];
            Picture in(w, h, f, 0, w % 2 == 1);
            for (uint8_t& b : in.bytes) b = static_cast<uint8_t>(random());
            for (int kind : {rotate_flip::kClockwise, rotate_flip::kAnticlockwise, rotate_flip::kLeftRight,
                             rotate_flip::kTopBottom, rotate_flip::kHalfTurn}) {
                SCOPED_TRACE(testing::Message() << w << " x " << h << " kind " << kind << " format " << std::hex << f);
                const bool swaps = SwapsSides(kind);
                const int rw = swaps ? h : w, rh = swaps ? w : h;
                Picture expected(rw, rh, f), actual(rw, rh, f, 0xA5, h % 3 == 0);
                OracleMove(in.view, expected.view, kind);
                ASSERT_TRUE(RotateFlipPixels(in.view, actual.view, {kind}).ok());
                for (int y = 0; y < rh; ++y)
                    ASSERT_EQ(std::memcmp(expected.view.Row(y), actual.view.Row(y), expected.RowBytes()), 0) << "row " << y;
            }
        }
    }
}

TEST(RotateFlip, QuarterAndHalfTurnsAddUpToAWholeTurn) {
    Picture in(45, 38, fmt::k4Index);
    std::mt19937 random(7);
    for (int y = 0; y < 38; ++y)
        for (int x = 0; x < 45; ++x) WriteStored(in.view, x, y, random() & 15);
    Picture a(38, 45, fmt::k4Index), b(38, 45, fmt::k4Index), c(45, 38, fmt::k4Index);
    ASSERT_TRUE(RotateFlipPixels(in.view, a.view, {rotate_flip::kClockwise}).ok());
    ASSERT_TRUE(RotateFlipPixels(a.view, b.view, {rotate_flip::kHalfTurn}).ok());
    ASSERT_TRUE(RotateFlipPixels(b.view, c.view, {rotate_flip::kClockwise}).ok());
    EXPECT_EQ(c.bytes, in.bytes);  // the padding bits were zero in the source too
    Picture d(45, 38, fmt::k4Index), e(45, 38, fmt::k4Index);
    ASSERT_TRUE(RotateFlipPixels(in.view, d.view, {rotate_flip::kLeftRight}).ok());
    ASSERT_TRUE(RotateFlipPixels(d.view, e.view, {rotate_flip::kLeftRight}).ok());
    EXPECT_EQ(e.bytes, in.bytes);
}

TEST(RotateFlip, RefusesWhatItCannotMove) {
    Picture in(4, 3, fmt::k32ARGB), same(4, 3, fmt::k32ARGB), turned(3, 4, fmt::k32ARGB), other(4, 3, fmt::k24RGB);
    EXPECT_EQ(RotateFlipPixels(in.view, same.view, {0}).code, rotate_flip::kBadKind);
    EXPECT_EQ(RotateFlipPixels(in.view, same.view, {6}).code, rotate_flip::kBadKind);
    EXPECT_EQ(RotateFlipPixels(in.view, same.view, {rotate_flip::kClockwise}).code, rotate_flip::kSizeOrFormat);
    EXPECT_EQ(RotateFlipPixels(in.view, turned.view, {rotate_flip::kLeftRight}).code, rotate_flip::kSizeOrFormat);
    EXPECT_EQ(RotateFlipPixels(in.view, other.view, {rotate_flip::kLeftRight}).code, rotate_flip::kSizeOrFormat);
    PixelView none = same.view;
    none.scan0 = nullptr;
    EXPECT_EQ(RotateFlipPixels(in.view, none, {rotate_flip::kLeftRight}).code, rotate_flip::kSizeOrFormat);
    EXPECT_TRUE(RotateFlipPixels(in.view, turned.view, {rotate_flip::kAnticlockwise}).ok());
}

TEST(RotateFlip, MenuCommandsAndKinds) {
    const std::pair<int, int> table[] = {{cmd::kFlipH, 1}, {cmd::kFlipV, 2}, {cmd::kRotate90, 3},
                                         {cmd::kRotate180, 4}, {cmd::kRotate270, 5}, {cmd::kResize, 0}};
    for (auto [command, kind] : table) EXPECT_EQ(RotateFlipKindOfCommand(command), kind) << command;
    for (int kind = 1; kind <= 5; ++kind) EXPECT_EQ(SwapsSides(kind), kind == 3 || kind == 5);
}

TEST(AngleRotation, WholeTurnsAndQuarterTurns) {
    using Route = AngleRotation::Route;
    struct Case {
        int angle;
        bool reverse;
        Route route;
        int kind;
    };
    const Case cases[] = {
        {0, false, Route::None, 0},          {360, false, Route::None, 0},      {720, true, Route::None, 0},
        {90, false, Route::QuarterTurn, 3},  {90, true, Route::QuarterTurn, 5}, {270, false, Route::QuarterTurn, 5},
        {270, true, Route::QuarterTurn, 3},  {180, false, Route::QuarterTurn, 4}, {180, true, Route::QuarterTurn, 4},
        {450, false, Route::QuarterTurn, 3}, {-90, false, Route::QuarterTurn, 3}, {-270, true, Route::QuarterTurn, 3},
        {45, false, Route::Draw, 0},         {-1, false, Route::Draw, 0},
    };
    for (const Case& c : cases) {
        const AngleRotation plan = PlanAngleRotation(c.angle, c.reverse, 100, 50, fmt::k24RGB);
        EXPECT_EQ(plan.route, c.route) << c.angle << " " << c.reverse;
        EXPECT_EQ(plan.kind, c.kind) << c.angle << " " << c.reverse;
    }
}

TEST(AngleRotation, TheSquareHoldsTheWholeTurnedPicture) {
    AngleRotation p = PlanAngleRotation(45, false, 100, 50, fmt::k32ARGB);
    // The diagonal sqrt(100² + 50²) = 111.8 rounded up to 112; the picture in the middle.
    EXPECT_EQ(p.side, 112);
    EXPECT_EQ(p.left, 6);
    EXPECT_EQ(p.top, 31);
    EXPECT_EQ(p.centreX, 56);
    EXPECT_EQ(p.centreY, 56);
    EXPECT_EQ(p.degrees, 45);
    EXPECT_EQ(p.format, fmt::k32ARGB);
    EXPECT_EQ(PlanAngleRotation(30, false, 7, 4, fmt::k24RGB).format, fmt::k24RGB);
    struct Case {
        int width, height, side;
    };
    // 1001 × 10: diagonal 1001.05, and the odd width puts the picture half a pixel off the
    // centre, so 1002 and 1003 leave a corner out. 3 × 1: diagonal 3.16; 4 and 5 leave one out.
    const Case cases[] = {{1001, 10, 1004}, {10, 1001, 1004}, {3, 1, 6}, {1, 3, 6}, {7, 4, 10}, {3, 4, 6}, {2, 1, 4}};
    for (const Case& c : cases) EXPECT_EQ(PlanAngleRotation(1, false, c.width, c.height, fmt::k24RGB).side, c.side) << c.width << "x" << c.height;
    // Every corner of the picture, turned about the centre by any angle, stays inside the square;
    // the side is never below the diagonal rounded up.
    for (int w = 1; w <= 40; w += 3)
        for (int h : {1, 2, 5, 10, 17, 64}) {
            if (w == h) continue;
            p = PlanAngleRotation(1, false, w, h, fmt::k24RGB);
            EXPECT_GE(static_cast<double>(p.side), std::ceil(std::hypot(w, h)) - 1e-9) << w << "x" << h;
            for (int degrees = 1; degrees < 360; ++degrees) {
                const double a = degrees * 3.14159265358979 / 180, c = std::cos(a), s = std::sin(a);
                for (int corner = 0; corner < 4; ++corner) {
                    const double dx = p.left + (corner & 1 ? w : 0) - p.centreX, dy = p.top + (corner & 2 ? h : 0) - p.centreY;
                    const double x = p.centreX + dx * c - dy * s, y = p.centreY + dx * s + dy * c;
                    ASSERT_TRUE(x > -1e-9 && y > -1e-9 && x < p.side + 1e-9 && y < p.side + 1e-9)
                        << w << "x" << h << " by " << degrees << ": corner " << corner << " at " << x << ", " << y;
                }
            }
        }
}

TEST(AngleRotation, SquareImagesKeepTheirSizeAndReverseTurnsBack) {
    AngleRotation p = PlanAngleRotation(390, true, 65, 65, fmt::k8Index);
    EXPECT_EQ(p.route, AngleRotation::Route::Draw);
    EXPECT_EQ(p.side, 65);
    EXPECT_EQ(p.left, 0);
    EXPECT_EQ(p.top, 0);
    EXPECT_EQ(p.centreX, 32);
    EXPECT_EQ(p.centreY, 32);
    EXPECT_EQ(p.degrees, -30);
    EXPECT_EQ(p.format, fmt::k32ARGB);  // indexed images are drawn into 32-bit ARGB
    EXPECT_EQ(PlanAngleRotation(-30, false, 8, 8, fmt::k48RGB).degrees, -30);
    EXPECT_EQ(PlanAngleRotation(-30, false, 8, 8, fmt::k48RGB).format, fmt::k48RGB);
}

}  // namespace
}  // namespace mirelo
