// The retouch brush driven with the view's mouse messages: a stroke of every mode on 24- and
// 32-bit images against the core's stroke on a copy of the picture, hand-checked pixels, pixels
// away from the stroke unchanged, the stroke mask, the press stamp of 透明度, indexed images left
// alone, 16-bit images changed pixel by pixel, the option lists, the tip, the brush cursor, and
// undo.
#include <algorithm>
#include <functional>
#include <vector>

#include "app/commands.h"
#include "draw/retouch.h"
#include "draw/retouch_tip.h"
#include "draw/shape_geometry.h"
#include "ui/canvas.h"
#include "harness.h"
#include "image/bitmap_access.h"
#include "ui/option_bands.h"

namespace mirelo {
namespace {

using testing::PixelAt;

constexpr int kWidth = 48, kHeight = 32;

// A picture in which every pixel differs from its neighbours, alpha included.
uint32_t Pattern(int x, int y) {
    const uint32_t a = 120 + static_cast<uint32_t>(x * 2 + y);
    const uint32_t r = static_cast<uint32_t>(x * 5), g = static_cast<uint32_t>(y * 7), b = static_cast<uint32_t>((x + y) * 3);
    return a << 24 | r << 16 | g << 8 | b;
}
uint32_t Opaque(uint32_t argb) { return argb | 0xFF000000u; }

class RetouchToolTest : public testing::EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        HWND w = OpenWindow();
        SetWindowPos(w, nullptr, 0, 0, 1000, 700, SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
    }
    // A w × h image of `format` whose pixels `argb` gives, made current with the retouch brush.
    void MakeImage(PixelFormat format, const std::function<uint32_t(int, int)>& argb, int w = kWidth, int h = kHeight) {
        GpBitmapOwner bmp;
        ASSERT_TRUE(CreateGpBitmap(bmp, w, h, format));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) gp::GdipBitmapSetPixel(bmp.get(), x, y, argb(x, y));
        ASSERT_GE(testing::Add(*editor, std::move(bmp), u"retouch"), 0);
        SendMessageW(editor->frame.mainWindow, WM_COMMAND, cmd::kToolRetouch, 0);
        ASSERT_EQ(Slot().tool, kToolRetouch);
        Slot().colours = {0x0000FF, 0x000000};
        Slot().colourTransparency = {155, 0};  // the current colour's alpha is 100
        zoom_ = 100;
    }
    ImageSlot& Slot() { return *editor->Current(); }
    void Zoom(int zoom) {
        zoom_ = zoom;
        SetZoom(*editor, zoom);
    }
    void Options(int mode, int size, int strength, bool mask) {
        Slot().toolSettings[kRetouchModeOption] = mode;
        Slot().toolSettings[kRetouchSizeOption] = size;
        Slot().toolSettings[kRetouchStrengthOption] = strength;
        Slot().toolSettings[kRetouchMaskOption] = mask ? 1 : 0;
    }
    // The middle of image pixel p on the view.
    LPARAM At(IntPoint p) {
        const int f = zoom_ / 100;
        return MAKELPARAM(Slot().originX - editor->viewState.scrollX + f * p.x + f / 2,
                          Slot().originY - editor->viewState.scrollY + f * p.y + f / 2);
    }
    void Mouse(UINT msg, WPARAM keys, IntPoint p) { SendMessageW(editor->frame.view, msg, keys, At(p)); }
    // Pressed at the first point, moved with the button held through the others, released.
    void Drag(const std::vector<IntPoint>& points) {
        Mouse(WM_LBUTTONDOWN, MK_LBUTTON, points.front());
        for (size_t i = 1; i < points.size(); ++i) Mouse(WM_MOUSEMOVE, MK_LBUTTON, points[i]);
        Mouse(WM_LBUTTONUP, 0, points.back());
        ReleaseCapture();
    }
    void Undo() { SendMessageW(editor->frame.mainWindow, WM_COMMAND, cmd::kUndo, 0); }
    std::vector<uint32_t> Pixels() { return testing::AllPixels(Slot().bitmap.get(), Slot().width, Slot().height); }
    uint32_t Pixel(IntPoint p) { return PixelAt(Slot().bitmap.get(), p.x, p.y); }
    int zoom_ = 100;
};

// The stroke as the core makes it from the slot's options, on a copy of `before` in 24 or 32 bits:
// the press stamp of 透明度, then one step per move from the point before.
std::vector<uint32_t> CoreStroke(const std::vector<uint32_t>& before, int bits, const ImageSlot& s, uint8_t alpha,
                                 const std::vector<IntPoint>& drag) {
    const int bytes = bits / 8;
    std::vector<uint8_t> memory(before.size() * static_cast<size_t>(bytes));
    for (size_t i = 0; i < before.size(); ++i)
        for (int c = 0; c < bytes; ++c) memory[i * bytes + c] = static_cast<uint8_t>(before[i] >> (8 * c));
    const PixelView view{kWidth, kHeight, kWidth * bytes, bits == 32 ? fmt::k32ARGB : fmt::k24RGB, memory.data()};
    const int mode = s.toolSettings[kRetouchModeOption], size = s.toolSettings[kRetouchSizeOption];
    const bool masked = s.toolSettings[kRetouchMaskOption] != 0;
    RetouchTip tip;
    EXPECT_TRUE(tip.Update(size));
    if (mode == retouch_mode::kAlpha && bits == 32)
        WalkRetouchTip(kWidth, kHeight, tip.mask().data(), tip.side(), drag.front(),
                       [&](int x, int y) { memory[(static_cast<size_t>(y) * kWidth + x) * 4 + 3] = alpha; });
    std::vector<uint8_t> mask(before.size(), 0);
    for (size_t i = 1; i < drag.size(); ++i) {
        const std::vector<IntPoint> points = LinePointsFrom(drag[i - 1], drag[i]);
        RetouchStroke stroke;
        stroke.rule = MakeRetouchRule(mode, s.toolSettings[kRetouchStrengthOption], size, masked, alpha);
        stroke.tip = tip.mask().data();
        stroke.side = tip.side();
        stroke.points = points.data();
        stroke.pointCount = points.size();
        stroke.mask = masked ? mask.data() : nullptr;
        EXPECT_TRUE(RetouchStrokeStep(view, stroke).ok());
    }
    std::vector<uint32_t> after(before.size());
    for (size_t i = 0; i < before.size(); ++i) {
        uint32_t v = bits == 32 ? 0 : 0xFF000000u;
        for (int c = 0; c < bytes; ++c) v |= static_cast<uint32_t>(memory[i * bytes + c]) << (8 * c);
        after[i] = v;
    }
    return after;
}

const std::vector<IntPoint> kDrag = {{8, 10}, {20, 14}, {34, 18}};
// Pixels more than the brush's reach from the drag's segments.
bool FarFromDrag(int x, int y, int reach) {
    for (size_t i = 1; i < kDrag.size(); ++i) {
        const IntPoint a = kDrag[i - 1], b = kDrag[i];
        if (x >= std::min(a.x, b.x) - reach && x <= std::max(a.x, b.x) + reach && y >= std::min(a.y, b.y) - reach &&
            y <= std::max(a.y, b.y) + reach)
            return false;
    }
    return true;
}

// Every mode with and without the mask on a 24-bit and a 32-bit picture: the image is the core's
// stroke of the same points, pixels away from the stroke keep their colour, and undo brings the
// picture back.
TEST_F(RetouchToolTest, EveryModeStrokesLikeTheCoreOn24And32Bits) {
    for (PixelFormat format : {fmt::k24RGB, fmt::k32ARGB}) {
        const int bits = BitsPerPixel(format);
        MakeImage(format, [&](int x, int y) { return bits == 24 ? Opaque(Pattern(x, y)) : Pattern(x, y); });
        const std::vector<uint32_t> before = Pixels();
        for (int mode = 0; mode < retouch_mode::kCount; ++mode) {
            for (bool mask : {false, true}) {
                SCOPED_TRACE(::testing::Message() << bits << " bits, mode " << mode << (mask ? ", mask" : ""));
                Options(mode, 5, 4, mask);
                Drag(kDrag);
                ASSERT_EQ(Slot().pixelFormat, format);
                const std::vector<uint32_t> after = Pixels();
                EXPECT_EQ(after, CoreStroke(before, bits, Slot(), 100, kDrag));
                int changed = 0;
                for (int y = 0; y < kHeight; ++y)
                    for (int x = 0; x < kWidth; ++x) {
                        const size_t i = static_cast<size_t>(y) * kWidth + x;
                        if (after[i] != before[i]) ++changed;
                        if (FarFromDrag(x, y, 3)) {
                            EXPECT_EQ(after[i], before[i]) << x << "," << y;
                        }
                    }
                const bool alphaOnly = RetouchModeNeedsAlpha(mode);
                if (bits == 24 && alphaOnly)
                    EXPECT_EQ(changed, 0);
                else
                    EXPECT_GT(changed, 40);
                EXPECT_TRUE(Slot().undo.HasUndoableStep());
                Undo();
                EXPECT_EQ(Pixels(), before);
            }
        }
    }
    EXPECT_TRUE(shown.empty());
}

// A premultiplied picture is changed as straight ARGB, as its colours are: brightening or
// saturating a half-transparent red keeps every stored colour byte at or below alpha and gives
// the colour of the straight rule.
TEST_F(RetouchToolTest, PremultipliedPicturesAreChangedAsStraightArgb) {
    const struct {
        int mode;
        uint32_t expected;  // straight ARGB under the stroke
    } cases[] = {
        {retouch_mode::kLighten, 0x80FF8989u},    // + 127 once
        {retouch_mode::kSaturate, 0x80FF0000u},   // away from the grey 79 by 127 / 255
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        MakeImage(fmt::k32PARGB, [](int, int) { return 0x80F00A0Au; });
        Options(c.mode, 5, 4, true);
        Drag(kDrag);
        ASSERT_EQ(Slot().pixelFormat, fmt::k32PARGB);
        const uint32_t got = Pixel(kDrag[1]);
        for (int shift : {24, 16, 8, 0})
            EXPECT_NEAR(static_cast<int>(got >> shift & 0xFF), static_cast<int>(c.expected >> shift & 0xFF), 3) << shift;
        Gdiplus::GpRect all{0, 0, kWidth, kHeight};
        Gdiplus::BitmapData data{};
        ASSERT_EQ(gp::GdipBitmapLockBits(Slot().bitmap.get(), &all, Gdiplus::ImageLockModeRead, fmt::k32PARGB, &data), Gdiplus::Ok);
        int invalid = 0;
        for (int y = 0; y < kHeight; ++y) {
            const auto* row = static_cast<const uint8_t*>(data.Scan0) + static_cast<ptrdiff_t>(y) * data.Stride;
            for (int x = 0; x < kWidth; ++x)
                if (std::max({row[x * 4], row[x * 4 + 1], row[x * 4 + 2]}) > row[x * 4 + 3]) ++invalid;
        }
        gp::GdipBitmapUnlockBits(Slot().bitmap.get(), &data);
        EXPECT_EQ(invalid, 0);
        EXPECT_EQ(Pixel({1, 30}), Pixel({46, 1})) << "pixels away from the stroke keep their colour";
    }
    EXPECT_TRUE(shown.empty());
}

// Hand-checked: 明度（高） at 50 % with ﾏｽｸ あり adds 127 once to every pixel under the stroke,
// even where the stroke comes back over itself; 明度（低） takes it away; a second stroke starts
// with a fresh mask. At 300 % the mouse lands on the same image pixels.
TEST_F(RetouchToolTest, LightenWithTheMaskAddsOnceAndEachStrokeAgain) {
    MakeImage(fmt::k24RGB, [](int, int) { return 0xFF404040u; });
    Zoom(300);
    Options(retouch_mode::kLighten, 1, 4, true);
    const std::vector<IntPoint> there = {{4, 5}, {12, 5}, {4, 5}};  // out and back along row 5
    Drag(there);
    EXPECT_EQ(Pixel({4, 5}), 0xFF404040u + 0x7F7F7F);  // the press point is reached on the way back
    for (int x = 5; x <= 12; ++x) EXPECT_EQ(Pixel({x, 5}), 0xFFBFBFBFu) << x;
    EXPECT_EQ(Pixel({13, 5}), 0xFF404040u);
    EXPECT_EQ(Pixel({8, 4}), 0xFF404040u);
    EXPECT_EQ(Slot().retouch.mask, std::vector<uint8_t>(static_cast<size_t>(kWidth) * kHeight, 0));  // fresh after the stroke
    EXPECT_FALSE(Slot().retouch.active());
    Drag({{5, 5}, {8, 5}});
    EXPECT_EQ(Pixel({6, 5}), 0xFFFFFFFFu);  // 0xBF + 127 stops at 255
    Options(retouch_mode::kDarken, 1, 4, true);
    Drag({{30, 20}, {30, 25}});
    EXPECT_EQ(Pixel({30, 23}), 0xFF000000u);  // 0x40 − 127 stops at 0
    EXPECT_EQ(Pixel({30, 20}), 0xFF404040u);
    // Without the mask the change repeats for every point and follows the size: a 1-pixel brush
    // at 50 % adds trunc(5 / 51 × 255) = 25 for each time the line passes.
    Options(retouch_mode::kLighten, 1, 4, false);
    Drag({{20, 28}, {26, 28}, {20, 28}});
    EXPECT_EQ(Pixel({23, 28}), 0xFF404040u + 2 * 0x191919);
    EXPECT_TRUE(shown.empty());
}

// A stroke that never leaves its pixel changes nothing, except the press stamp of 透明度, which
// gives the tip's pixels the current colour's alpha and keeps their colour.
TEST_F(RetouchToolTest, AStrokeOnOnePixelChangesNothingButThePressStamp) {
    MakeImage(fmt::k32ARGB, Pattern);
    const std::vector<uint32_t> before = Pixels();
    const IntPoint p{20, 12};
    for (int mode = 0; mode < retouch_mode::kCount; ++mode) {
        SCOPED_TRACE(mode);
        Options(mode, 7, 8, false);
        Drag({p, p, p});
        if (mode != retouch_mode::kAlpha) {
            EXPECT_EQ(Pixels(), before);
            continue;
        }
        // The tip's pixels round the point keep their colour and take alpha 100.
        std::vector<uint32_t> expected = before;
        RetouchTip tip;
        ASSERT_TRUE(tip.Update(7));
        WalkRetouchTip(kWidth, kHeight, tip.mask().data(), tip.side(), p, [&](int x, int y) {
            uint32_t& v = expected[static_cast<size_t>(y) * kWidth + x];
            v = (v & 0x00FFFFFFu) | 100u << 24;
        });
        EXPECT_EQ(Pixels(), expected);
        EXPECT_EQ(Pixel(p), (Pattern(p.x, p.y) & 0x00FFFFFFu) | 100u << 24);
        EXPECT_EQ(Pixel({p.x - 3, p.y - 3}), Pattern(p.x - 3, p.y - 3));  // the tip's corner is not part of it
        EXPECT_EQ(Pixel({p.x + 4, p.y}), Pattern(p.x + 4, p.y));
        Undo();
        EXPECT_EQ(Pixels(), before);
    }
}

// A brush of size 1 is one pixel; from 2 on the tip is a disc.
TEST_F(RetouchToolTest, TheTipIsOnePixelOrADisc) {
    RetouchTip tip;
    ASSERT_TRUE(tip.Update(1));
    EXPECT_EQ(tip.side(), 1);
    EXPECT_EQ(tip.mask(), std::vector<uint8_t>{1});
    for (int size : {5, 9, 50, 100}) {
        SCOPED_TRACE(size);
        ASSERT_TRUE(tip.Update(size));
        ASSERT_EQ(tip.side(), size);
        const auto at = [&](int x, int y) { return tip.mask()[static_cast<size_t>(y) * size + x]; };
        // The ellipse (0, 0, size, size) through pixel centres at whole coordinates: the middle
        // column runs from the second row to the last.
        EXPECT_EQ(at(size / 2, size / 2), 1);
        EXPECT_EQ(at(size / 2, 1), 1);
        EXPECT_EQ(at(size / 2, size - 1), 1);
        EXPECT_EQ(at(0, 0), 0);
        EXPECT_EQ(at(size - 1, 0), 0);
        EXPECT_EQ(at(0, size - 1), 0);
        const double share = static_cast<double>(std::count(tip.mask().begin(), tip.mask().end(), 1)) / (size * size);
        if (size >= 9) {
            EXPECT_NEAR(share, 0.785, 0.1);  // π / 4
        }
    }
    // With the view: a 1-pixel brush changes only the line's pixels after the first.
    MakeImage(fmt::k24RGB, [](int, int) { return 0xFF000000u; });
    Options(retouch_mode::kLighten, 1, 8, true);
    Drag({{3, 3}, {13, 8}});
    const std::vector<IntPoint> line = LinePointsFrom({3, 3}, {13, 8});
    int changed = 0;
    for (uint32_t v : Pixels()) changed += v != 0xFF000000u ? 1 : 0;
    EXPECT_EQ(changed, static_cast<int>(line.size()) - 1);
    for (size_t i = 1; i < line.size(); ++i) EXPECT_EQ(Pixel(line[i]), 0xFFE5E5E5u);  // + trunc(9 × 25.5)
}

// Indexed images are left alone: no change, no undo step, no message.
TEST_F(RetouchToolTest, IndexedImagesAreLeftAlone) {
    MakeImage(fmt::k8Index, [](int x, int) { return x < 20 ? 0xFF000000u : 0xFFFFFFFFu; });
    const std::vector<uint32_t> before = Pixels();
    for (int mode = 0; mode < retouch_mode::kCount; ++mode) {
        Options(mode, 9, 8, mode % 2 == 0);
        Drag(kDrag);
    }
    EXPECT_EQ(Pixels(), before);
    EXPECT_FALSE(Slot().undo.HasUndoableStep());
    EXPECT_EQ(Slot().pixelFormat, fmt::k8Index);
    EXPECT_TRUE(shown.empty());
}

// Formats other than 24 and 32 bits go pixel by pixel through GDI+: on a 16-bit picture the
// stroke lightens (within the format's steps) and 透明度 sets the 1-bit alpha.
TEST_F(RetouchToolTest, SixteenBitImagesAreChangedPixelByPixel) {
    MakeImage(fmt::k16RGB565, [](int, int) { return 0xFF000000u; });
    Options(retouch_mode::kLighten, 3, 4, true);
    Drag(kDrag);
    EXPECT_EQ(Slot().pixelFormat, fmt::k16RGB565);
    for (size_t i = 1; i < kDrag.size(); ++i) {
        const std::vector<IntPoint> line = LinePointsFrom(kDrag[i - 1], kDrag[i]);
        for (size_t n = 1; n < line.size(); ++n) {
            const uint32_t v = Pixel(line[n]);
            for (int shift : {0, 8, 16}) EXPECT_NEAR(static_cast<int>((v >> shift) & 0xFF), 127, 8) << line[n].x << "," << line[n].y;
        }
    }
    EXPECT_EQ(Pixel({8, 20}), 0xFF000000u);
    EXPECT_EQ(Pixel({40, 5}), 0xFF000000u);
    Undo();
    EXPECT_EQ(Pixel({20, 14}), 0xFF000000u);

    MakeImage(fmt::k16ARGB1555, [](int, int) { return 0xFF0000FFu; });
    Slot().colourTransparency = {255, 0};  // alpha 0
    Options(retouch_mode::kAlpha, 3, 4, false);
    Drag({{10, 10}, {16, 10}});
    // Alpha 0 under the press stamp and under the tip at each later point of the line.
    RetouchTip tip;
    ASSERT_TRUE(tip.Update(3));
    std::vector<uint32_t> expected(static_cast<size_t>(kWidth) * kHeight, 0xFF0000FFu);
    for (const IntPoint& at : LinePointsFrom({10, 10}, {16, 10}))
        WalkRetouchTip(kWidth, kHeight, tip.mask().data(), tip.side(), at,
                       [&](int x, int y) { expected[static_cast<size_t>(y) * kWidth + x] = 0x000000FFu; });
    EXPECT_EQ(Pixels(), expected);
    EXPECT_EQ(Pixel({10, 10}), 0x000000FFu);
    EXPECT_EQ(Pixel({16, 10}), 0x000000FFu);
    EXPECT_EQ(Pixel({13, 13}), 0xFF0000FFu);
    EXPECT_EQ(Pixel({18, 10}), 0xFF0000FFu);
    EXPECT_TRUE(shown.empty());
}

// The option lists: にじみ（透明度のみ） and 透明度 convert an image without alpha to 32-bit ARGB at
// once, without a question and undoably; the other modes leave it; ﾏｽｸ makes and drops the mask.
TEST_F(RetouchToolTest, OptionListsConvertAndRenewTheMask) {
    const auto choose = [&](int option, int index) {
        const std::vector<OptionControl>& controls = OptionControls();
        for (size_t i = 0; i < controls.size(); ++i) {
            if (OptionFor(controls[i], kToolRetouch) != option) continue;
            HWND list = editor->frame.optionLists[i];
            SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
            SendMessageW(GetParent(list), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(list), CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
            return;
        }
        ADD_FAILURE() << "no list for option " << option;
    };
    for (int mode : {retouch_mode::kSmudgeAlpha, retouch_mode::kAlpha}) {
        SCOPED_TRACE(mode);
        MakeImage(fmt::k24RGB, [](int x, int y) { return Opaque(Pattern(x, y)); });
        const std::vector<uint32_t> before = Pixels();
        choose(kRetouchModeOption, retouch_mode::kLighten);
        EXPECT_EQ(Slot().pixelFormat, fmt::k24RGB);
        choose(kRetouchModeOption, mode);
        EXPECT_EQ(Slot().toolSettings[kRetouchModeOption], mode);
        EXPECT_EQ(Slot().pixelFormat, fmt::k32ARGB);
        EXPECT_EQ(Slot().tool, kToolRetouch);
        EXPECT_EQ(Pixels(), before);
        Undo();
        EXPECT_EQ(Slot().pixelFormat, fmt::k24RGB);
    }
    choose(kRetouchMaskOption, 1);
    EXPECT_EQ(Slot().retouch.mask.size(), static_cast<size_t>(kWidth) * kHeight);
    choose(kRetouchMaskOption, 0);
    EXPECT_TRUE(Slot().retouch.mask.empty());
    EXPECT_TRUE(shown.empty());
}

// The brush cursor: the tip's outline in yellow and black round the cursor, nothing further away,
// as a vector outline at 100 % and along the tip's pixel edges at 400 %.
TEST_F(RetouchToolTest, TheBrushCursorShowsTheTipsOutline) {
    MakeImage(fmt::k24RGB, [](int, int) { return 0xFF808080u; });
    Options(retouch_mode::kSmudge, 9, 4, false);
    for (int zoom : {100, 400}) {
        SCOPED_TRACE(zoom);
        Zoom(zoom);
        const IntPoint p{20, 14};
        Mouse(WM_MOUSEMOVE, 0, p);
        GpBitmapOwner buffer;
        ASSERT_TRUE(RenderView(*editor, buffer));
        const int f = zoom / 100;
        const int left = Slot().originX - editor->viewState.scrollX + f * (p.x - 4);
        const int top = Slot().originY - editor->viewState.scrollY + f * (p.y - 4);
        int yellow = 0, outside = 0;
        for (int y = top - 4 * f; y < top + 13 * f; ++y)
            for (int x = left - 4 * f; x < left + 13 * f; ++x) {
                const uint32_t c = PixelAt(buffer.get(), x, y) & 0xFFFFFF;
                const bool drawn = c == 0xFFFF00 || c == 0x000000;
                const bool inBox = x >= left - 1 && x <= left + 9 * f + 1 && y >= top - 1 && y <= top + 9 * f + 1;
                if (c == 0xFFFF00) ++yellow;
                if (drawn && !inBox) ++outside;
            }
        EXPECT_GT(yellow, 8);
        EXPECT_EQ(outside, 0);
        // The middle of the tip shows the picture.
        EXPECT_EQ(PixelAt(buffer.get(), left + f * 4 + f / 2, top + f * 4 + f / 2) & 0xFFFFFF, 0x808080u);
    }
}

// A move repaints only the part of the view that the stroke and the brush cursor touched.
TEST_F(RetouchToolTest, AMoveRepaintsOnlyWhatItTouched) {
    ShowWindow(editor->frame.mainWindow, SW_SHOWNOACTIVATE);
    MakeImage(fmt::k32ARGB, Pattern, 200, 150);
    UpdateWindow(editor->frame.view);
    Options(retouch_mode::kSmudge, 5, 4, false);
    Mouse(WM_MOUSEMOVE, 0, {20, 20});
    Mouse(WM_LBUTTONDOWN, MK_LBUTTON, {20, 20});
    UpdateWindow(editor->frame.view);
    ValidateRect(editor->frame.view, nullptr);
    Mouse(WM_MOUSEMOVE, MK_LBUTTON, {30, 24});
    RECT dirty{};
    ASSERT_TRUE(GetUpdateRect(editor->frame.view, &dirty, FALSE));
    const int x0 = Slot().originX - editor->viewState.scrollX, y0 = Slot().originY - editor->viewState.scrollY;
    EXPECT_LE(dirty.left, x0 + 20 - 2);
    EXPECT_GE(dirty.right, x0 + 30 + 3);
    EXPECT_LE(dirty.top, y0 + 20 - 2);
    EXPECT_GE(dirty.bottom, y0 + 24 + 3);
    EXPECT_LT(dirty.right - dirty.left, 60);
    EXPECT_LT(dirty.bottom - dirty.top, 60);
    Mouse(WM_LBUTTONUP, 0, {30, 24});
    ReleaseCapture();
}

}  // namespace
}  // namespace mirelo
