#include <gtest/gtest.h>

#include <vector>

#include "edit/view_math.h"

namespace mirelo {
namespace {

TEST(ViewLayoutMath, SmallImageIsCentred) {
    ViewLayout l = ComputeLayout(100, 51, 100, 401, 300);
    EXPECT_EQ(l.zoomedWidth, 100);
    EXPECT_EQ(l.originX, (401 - 100 + 1) / 2);
    EXPECT_EQ(l.originY, (300 - 51 + 1) / 2);
    ViewLayout big = ComputeLayout(1000, 1000, 100, 400, 300);
    EXPECT_EQ(big.originX, 0);
    EXPECT_EQ(big.originY, 0);
    EXPECT_EQ(ComputeLayout(333, 10, 150, 2000, 2000).zoomedWidth, 499);  // truncated
}

TEST(ViewLayoutMath, MappingAt300Percent) {
    ViewLayout l = ComputeLayout(50, 40, 300, 800, 600);
    IntPoint p = ClientToImage(l, 0, 0, l.originX + 7, l.originY + 7);
    EXPECT_EQ(p.x, 2);
    EXPECT_EQ(p.y, 2);
    IntPoint back = ImageToClient(l, 0, 0, 2, 2);
    EXPECT_EQ(back.x, l.originX + 6);
    // Scrolled: client 0 shows image pixel scroll × 100 ÷ zoom.
    ViewLayout s = ComputeLayout(1000, 1000, 300, 400, 300);
    EXPECT_EQ(ClientToImage(s, 30, 60, 0, 0).x, 10);
    EXPECT_EQ(ClientToImage(s, 30, 60, 0, 0).y, 20);
    EXPECT_EQ(ImageToClient(s, 30, 60, 10, 20).x, 0);
    EXPECT_TRUE(IsInImage(l, 800, 600, l.originX, l.originY));
    EXPECT_FALSE(IsInImage(l, 800, 600, l.originX - 1, l.originY));
    EXPECT_FALSE(IsInImage(l, 800, 600, l.originX + l.zoomedWidth, l.originY));
    EXPECT_TRUE(IsInImage(s, 400, 300, 399, 299));
    EXPECT_FALSE(IsInImage(s, 400, 300, 400, 0));
}

TEST(ZoomLadder, SpinSteps) {
    std::vector<int> up;
    for (int v = 80; v < 300; v = ZoomSpinStep(v, 1)) up.push_back(v);
    EXPECT_EQ(up, (std::vector<int>{80, 90, 100, 200}));
    EXPECT_EQ(ZoomSpinStep(200, -1), 100);
    EXPECT_EQ(ZoomSpinStep(100, -1), 90);
    EXPECT_EQ(ZoomSpinStep(90, -1), 80);
    EXPECT_EQ(ZoomSpinStep(150, -1), 100);
    EXPECT_EQ(ZoomSpinStep(150, 1), 200);
    EXPECT_EQ(ZoomSpinStep(85, -1), 80);
    EXPECT_EQ(ZoomSpinStep(85, 1), 90);
    EXPECT_EQ(ZoomSpinStep(10, -1), 10);
    EXPECT_EQ(ZoomSpinStep(5000, 1), 5000);
    EXPECT_EQ(ZoomSpinStep(4900, 1), 5000);
}

TEST(ZoomLadder, SliderSnapAndLineStep) {
    EXPECT_EQ(SnapZoomSlider(57), 50);
    EXPECT_EQ(SnapZoomSlider(100), 100);
    EXPECT_EQ(SnapZoomSlider(199), 100);
    EXPECT_EQ(SnapZoomSlider(4999), 4900);
    EXPECT_EQ(SnapZoomSlider(3), 10);
    EXPECT_EQ(ZoomSliderLineStep(90, false), 10);
    EXPECT_EQ(ZoomSliderLineStep(100, false), 100);
    EXPECT_EQ(ZoomSliderLineStep(100, true), 10);
    EXPECT_EQ(ZoomSliderLineStep(300, true), 100);
}

TEST(ZoomLadder, FitZoom) {
    EXPECT_EQ(FitZoomPercent(4096, 4096, 802, 602, false), 14);
    EXPECT_EQ(FitZoomPercent(100, 100, 802, 602, false), 600);
    EXPECT_EQ(FitZoomPercent(100, 100, 802, 602, true), 100);
    EXPECT_EQ(FitZoomPercent(0, 5, 100, 100, true), 100);
    EXPECT_EQ(FitZoomPercent(300, 200, 0, 0, true), 100);  // a view without room yet
}

TEST(ScrollMath, RatioKeepsTheRelativePosition) {
    // Zooming 100 % → 200 % keeps the visible part at the same relative position.
    int max1 = 1001, page = 400;
    double r = ScrollRatio(301, max1, page);
    EXPECT_NEAR(r, 0.5, 1e-9);
    EXPECT_EQ(ScrollPositionFromRatio(2001, page, r), 801);
    EXPECT_EQ(ScrollRatio(0, 100, 400), 0.5);  // fitted: zooming in centres
    EXPECT_EQ(ScrollRatio(5, 400, 400), 0.0);
    EXPECT_EQ(ScrollRatio(9999, 1001, 400), 1.0);
}

TEST(ScrollMath, KeptValuesAreWhatTheBarHolds) {
    struct Case {
        int max, page, pos;
        ScrollValues kept;
    };
    const Case cases[] = {
        {901, 1038, -68, {901, 902, 0}},  // a fitted picture: the page is cut to the range, the bar disabled
        {2001, 400, 801, {2001, 400, 801}},
        {2001, 400, 5000, {2001, 400, 1602}},  // the last position is max − page + 1
        {2001, 400, -3, {2001, 400, 0}},
        {0, 0, 0, {0, 0, 0}},  // no picture
        {0, 700, 12, {0, 1, 0}},
    };
    for (const Case& c : cases) EXPECT_EQ(KeptScrollValues(c.max, c.page, c.pos), c.kept) << c.max << " " << c.page << " " << c.pos;
}

TEST(GridMath, Thresholds) {
    EXPECT_FALSE(GridVisible(400, 1, 1));
    EXPECT_TRUE(GridVisible(500, 1, 1));
    EXPECT_FALSE(GridVisible(99, 10, 10));
    EXPECT_TRUE(GridVisible(100, 10, 10));
    EXPECT_FALSE(GridVisible(100, 10, 1));
    EXPECT_FALSE(GridVisible(5000, 0, 0));  // no grid chosen
}

struct Buffer {
    int w, h;
    std::vector<uint8_t> bytes;
    PixelView view;
    Buffer(int width, int height, uint8_t fill) : w(width), h(height), bytes(static_cast<size_t>(width * 3 + 3) / 4 * 4 * height, fill) {
        view.width = w;
        view.height = h;
        view.stride = (w * 3 + 3) / 4 * 4;
        view.format = fmt::k24RGB;
        view.scan0 = bytes.data();
    }
    uint8_t At(int x, int y) const { return bytes[static_cast<size_t>(y * view.stride + x * 3)]; }
};

TEST(GridMath, LinesAreSpacedByZoomAndContrastWithThePixel) {
    // 10 px grid at 300 %: lines every 30 screen pixels from the image's corner.
    Buffer dark(100, 70, 20);
    GridSettings g{10, 10, 0, 0};
    DrawGrid(dark.view, 5, 5, 90, 60, 300, 0, 0, g, 30, 20);
    EXPECT_EQ(dark.At(5, 20), 255);   // x = x0: a vertical line, white over dark
    EXPECT_EQ(dark.At(35, 20), 255);
    EXPECT_EQ(dark.At(36, 21), 20);   // between lines: untouched
    EXPECT_EQ(dark.At(50, 35), 255);  // y = 35: a horizontal line
    EXPECT_EQ(dark.At(4, 35), 20);    // outside the image area
    Buffer light(100, 70, 200);
    DrawGrid(light.view, 5, 5, 90, 60, 300, 0, 0, g, 30, 20);
    EXPECT_EQ(light.At(35, 21), 0);  // black over light

    // At 150 % r = 1: lines 10 screen pixels apart; scrolling and offsets shift them.
    Buffer b(60, 20, 0);
    DrawGrid(b.view, 0, 0, 60, 20, 150, 3, 0, GridSettings{10, 10, 2, 0}, 100, 100);
    std::vector<int> xs;
    for (int x = 0; x < 60; ++x)
        if (b.At(x, 5) == 255) xs.push_back(x);
    EXPECT_EQ(xs, (std::vector<int>{5, 15, 25, 35, 45, 55}));
}

TEST(SaveReminderMarquee, RunsAfterThirtyMinutesAndReturns) {
    SaveReminder r(1000);
    EXPECT_FALSE(r.Tick(1000 + SaveReminder::kDelayMs).has_value());
    uint64_t t = 1000 + SaveReminder::kDelayMs + 1;
    auto first = r.Tick(t);
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(*first, u"Mirelo　");
    Text last;
    for (int k = 1; k < 30; ++k) {
        auto title = r.Tick(t += 200);
        if (title) last = *title;
        if (k == 3) {
            EXPECT_EQ(*title, u"Mirelo　・・・");
        }
    }
    EXPECT_EQ(last, u"Mirelo　・・・　３０分間、保存が行われていません");
    auto back = r.Tick(t += 200);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(*back, u"Mirelo");
    EXPECT_FALSE(r.running());
    EXPECT_FALSE(r.Tick(t + 1000).has_value());  // the 30 minutes start again
    r.Restart(t);
    EXPECT_FALSE(r.Tick(t + SaveReminder::kDelayMs).has_value());
}

}  // namespace
}  // namespace mirelo

namespace mirelo {
namespace {

TEST(ComposeZoomedTest, NearestNeighbourWithTheViewMappingAndAlpha) {
    // A 2 × 1 image: opaque red, then half-transparent blue; at 300 %, scrolled by 1 pixel.
    uint8_t img[8] = {0, 0, 255, 255, 255, 0, 0, 128};
    PixelView src{2, 1, 8, fmt::k32ARGB, img};
    std::vector<uint8_t> buf(static_cast<size_t>(12 * 3), 100);
    PixelView dst{12, 1, 36, fmt::k24RGB, buf.data()};
    ViewLayout l = ComputeLayout(2, 1, 300, 12, 1);  // zoomed 6 × 3, centred at x 3
    ASSERT_EQ(l.originX, 3);
    SourceRect from = VisibleSource(l, 0, 0, l.originX, 0, 6, 1, 2, 1);
    EXPECT_EQ(from.left, 0);
    EXPECT_EQ(from.right, 2);
    ComposeZoomed(dst, l.originX, 0, 6, 1, src, from, l, 0, 0);
    auto red = [&](int x) { return buf[static_cast<size_t>(x * 3 + 2)]; };
    auto blue = [&](int x) { return buf[static_cast<size_t>(x * 3)]; };
    EXPECT_EQ(red(2), 100);  // outside the area: untouched
    for (int x = 3; x < 6; ++x) EXPECT_EQ(red(x), 255) << x;
    for (int x = 6; x < 9; ++x) {
        EXPECT_EQ(blue(x), (255 * 128 + 100 * 127 + 127) / 255) << x;
        EXPECT_EQ(red(x), (100 * 127 + 127) / 255) << x;
    }
    EXPECT_EQ(red(9), 100);
    // The same picture as 8-bit indices shows through its palette's colours and alpha.
    const uint32_t palette[2] = {0xFFFF0000, 0x800000FF};
    uint8_t indices[4] = {0, 1, 0, 0};
    std::vector<uint8_t> buf3(static_cast<size_t>(12 * 3), 100);
    ComposeZoomed(PixelView{12, 1, 36, fmt::k24RGB, buf3.data()}, l.originX, 0, 6, 1, PixelView{2, 1, 4, fmt::k8Index, indices, palette, 2},
                  from, l, 0, 0);
    EXPECT_EQ(buf3, buf);
    // Only part of the image locked: columns map relative to the locked rectangle.
    std::vector<uint8_t> buf2(static_cast<size_t>(12 * 3), 0);
    PixelView dst2{12, 1, 36, fmt::k24RGB, buf2.data()};
    PixelView right{1, 1, 4, fmt::k32ARGB, img + 4};
    ComposeZoomed(dst2, l.originX, 0, 6, 1, right, SourceRect{1, 0, 2, 1}, l, 0, 0);
    EXPECT_EQ(buf2[3 * 3 + 2], 0);  // image column 0 is not in the locked part
    EXPECT_EQ(buf2[6 * 3], (255 * 128 + 127) / 255);
}

TEST(ComposeZoomedTest, TransparencyShowsOverEightPixelSquares) {
    // A 10 × 10 picture: transparent, but for a half-transparent black pixel at (1, 1) and an
    // opaque one at (2, 1). At 400 % scrolled by 5 pixels, the squares stay 8 buffer pixels wide
    // and move with the picture; opaque pixels cover them.
    std::vector<uint8_t> img(10 * 10 * 4, 0);
    img[40 + 1 * 4 + 3] = 128;
    img[40 + 2 * 4 + 3] = 255;
    const PixelView src{10, 10, 40, fmt::k32ARGB, img.data()};
    const ViewLayout l = ComputeLayout(10, 10, 400, 16, 16);
    std::vector<uint8_t> buf(16 * 16 * 3, 7);
    const PixelView dst{16, 16, 48, fmt::k24RGB, buf.data()};
    ComposeZoomed(dst, 0, 0, 16, 16, src, SourceRect{0, 0, 10, 10}, l, 5, 5, true);
    auto at = [&](int x, int y) { return buf[static_cast<size_t>(y * 48 + x * 3)]; };
    // Buffer (x, y) is zoomed-picture pixel (x + 5, y + 5): squares change at buffer 3 and 11.
    EXPECT_EQ(at(0, 8), 0xFF);  // picture pixel (1, 3) transparent; square (0, 1)
    EXPECT_EQ(at(3, 8), 0xCC);  // square (1, 1)
    EXPECT_EQ(at(3, 15), 0xFF); // square (1, 2)
    EXPECT_EQ(at(11, 8), 0xFF);
    EXPECT_EQ(at(0, 0), (0xCC * 127 + 127) / 255);  // the half-transparent pixel over grey
    EXPECT_EQ(at(3, 0), 0);                         // opaque black
    // Without the squares, transparency shows what the buffer held.
    std::fill(buf.begin(), buf.end(), 7);
    ComposeZoomed(dst, 0, 0, 16, 16, src, SourceRect{0, 0, 10, 10}, l, 5, 5, false);
    EXPECT_EQ(at(0, 8), 7);
    EXPECT_EQ(at(0, 0), (7 * 127 + 127) / 255);
}

TEST(ComposeZoomedTest, RgbSourcesAreReadInPlaceAndOpaque) {
    // Red then blue, in 24-bit and in 32-bit RGB whose fourth byte means nothing.
    uint8_t rgb24[6] = {0, 0, 255, 255, 0, 0};
    uint8_t rgb32[8] = {0, 0, 255, 7, 255, 0, 0, 0};
    const ViewLayout l = ComputeLayout(2, 1, 300, 12, 1);
    for (const PixelView& src : {PixelView{2, 1, 6, fmt::k24RGB, rgb24}, PixelView{2, 1, 8, fmt::k32RGB, rgb32}}) {
        std::vector<uint8_t> buf(static_cast<size_t>(12 * 3), 100);
        ComposeZoomed(PixelView{12, 1, 36, fmt::k24RGB, buf.data()}, l.originX, 0, 6, 1, src, SourceRect{0, 0, 2, 1}, l, 0, 0);
        for (int x = 3; x < 6; ++x) EXPECT_EQ(buf[static_cast<size_t>(x * 3 + 2)], 255) << x;
        for (int x = 6; x < 9; ++x) EXPECT_EQ(buf[static_cast<size_t>(x * 3)], 255) << x;
        EXPECT_EQ(buf[9 * 3], 100);
    }
    // Other formats are converted by the caller first.
    EXPECT_FALSE(ComposableSource(fmt::k32PARGB));
    EXPECT_FALSE(ComposableSource(fmt::k4Index));
}

}  // namespace
}  // namespace mirelo
