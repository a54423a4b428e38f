// The fill tool and the magic wand driven with the view's mouse messages: each fill mode against
// the core's rule on a copy of the picture, the question before filling with a transparent colour
// on an image without alpha, the palette path of indexed images, the wand's outline and mask,
// its size limit, and undo.
#include <functional>
#include <vector>

#include "app/commands.h"
#include "draw/pens.h"
#include "ui/canvas.h"
#include "harness.h"
#include "image/bitmap_access.h"
#include "ops/flood_fill.h"
#include "select/magic_wand.h"
#include "select/selection.h"

namespace mirelo {
namespace {

using testing::PixelAt;

constexpr uint32_t kWhite = 0xFFFFFFFF, kBlack = 0xFF000000, kRed = 0xFFFF0000;

class FillToolTest : public testing::EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        OpenWindow();
    }
    // A w × h image of `format` whose pixels `argb` gives, made current with the fill tool.
    void MakeImage(int w, int h, PixelFormat format, const std::function<uint32_t(int, int)>& argb) {
        GpBitmapOwner bmp;
        ASSERT_TRUE(CreateGpBitmap(bmp, w, h, format));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) gp::GdipBitmapSetPixel(bmp.get(), x, y, argb(x, y));
        ASSERT_GE(testing::Add(*editor, std::move(bmp), u"fill"), 0);
        Slot().tool = kToolFill;
        Slot().colours = {0x0000FF, 0x000000};  // current red
        Slot().colourTransparency = {0, 0};
    }
    ImageSlot& Slot() { return *editor->Current(); }
    LPARAM At(IntPoint p) {
        return MAKELPARAM(Slot().originX - editor->viewState.scrollX + p.x, Slot().originY - editor->viewState.scrollY + p.y);
    }
    void Click(IntPoint p) {
        SendMessageW(editor->frame.view, WM_LBUTTONDOWN, MK_LBUTTON, At(p));
        SendMessageW(editor->frame.view, WM_LBUTTONUP, 0, At(p));
        ReleaseCapture();
    }
    void Undo() { SendMessageW(editor->frame.mainWindow, WM_COMMAND, cmd::kUndo, 0); }
    std::vector<uint32_t> Pixels() { return testing::AllPixels(Slot().bitmap.get(), Slot().width, Slot().height); }
    // The picture with `mask`'s pixels in `colour`.
    static std::vector<uint32_t> With(std::vector<uint32_t> pixels, const std::vector<uint8_t>& mask, uint32_t colour) {
        for (size_t i = 0; i < pixels.size(); ++i)
            if (mask[i]) pixels[i] = colour;
        return pixels;
    }
    static PixelView ViewOf(std::vector<uint32_t>& p, int w, int h) {
        return PixelView{w, h, w * 4, fmt::k32ARGB, reinterpret_cast<uint8_t*>(p.data())};
    }
};

// A ring of black in white, a second black square apart, and a diagonal of grey steps.
uint32_t Rings(int x, int y) {
    if ((x == 5 || x == 15) && y >= 5 && y <= 15) return kBlack;
    if ((y == 5 || y == 15) && x >= 5 && x <= 15) return kBlack;
    if (x >= 25 && x <= 28 && y >= 3 && y <= 6) return kBlack;
    if (x == y + 10 && y > 15) return 0xFF000000u | static_cast<uint32_t>(0x10101 * (120 + 3 * (y % 3)));
    return kWhite;
}

TEST_F(FillToolTest, AreaFillTakesTheRegionOfTheClickAndUndoes) {
    MakeImage(40, 30, fmt::k24RGB, Rings);
    const std::vector<uint32_t> before = Pixels();
    struct Case {
        IntPoint at;
        int toleranceIndex;
    };
    for (const Case& c : {Case{{10, 10}, 0}, Case{{0, 0}, 0}, Case{{5, 7}, 0}, Case{{32, 24}, 2}, Case{{30, 20}, 1}}) {
        SCOPED_TRACE(::testing::Message() << c.at.x << "," << c.at.y);
        for (int o = 0; o < 4; ++o) Slot().toolSettings[kAlphaToleranceOption + o] = c.toleranceIndex;
        Slot().toolSettings[kFillModeOption] = fill_mode::kArea;
        std::vector<uint32_t> copy = before;
        std::vector<uint8_t> mask(copy.size(), 0);
        const uint32_t reference = copy[static_cast<size_t>(c.at.y) * 40 + c.at.x];
        ASSERT_TRUE(FindFillRegion(ViewOf(copy, 40, 30), c.at.x, c.at.y, reference, ToleranceFromIndices(c.toleranceIndex, c.toleranceIndex, c.toleranceIndex, c.toleranceIndex), mask.data()).ok());
        Click(c.at);
        EXPECT_TRUE(Slot().undo.HasUndoableStep());
        EXPECT_EQ(Pixels(), With(before, mask, kRed));
        Undo();
        EXPECT_EQ(Pixels(), before);
    }
    // Clicking a pixel already in the current colour changes nothing and records nothing.
    Slot().colours[0] = 0xFFFFFF;
    Click({0, 0});
    EXPECT_FALSE(Slot().undo.HasUndoableStep());
    EXPECT_TRUE(shown.empty());
}

TEST_F(FillToolTest, ColourReplacementsReachUnconnectedPixelsAndUndo) {
    MakeImage(40, 30, fmt::k32ARGB, [](int x, int y) { return x > 30 && y > 20 ? 0x80FF00FFu : Rings(x, y); });
    const std::vector<uint32_t> before = Pixels();
    struct Case {
        int mode;
        IntPoint at;
    };
    for (const Case& c : {Case{fill_mode::kColour, {5, 5}}, Case{fill_mode::kAlphaToColour, {35, 25}}, Case{fill_mode::kAlphaToColour, {0, 0}}}) {
        SCOPED_TRACE(c.mode);
        Slot().toolSettings[kFillModeOption] = c.mode;
        std::vector<uint32_t> copy = before;
        std::vector<uint8_t> mask(copy.size(), 0);
        ASSERT_TRUE(FindReplacedPixels(ViewOf(copy, 40, 30), {c.at.x, c.at.y, 0, {}, c.mode == fill_mode::kAlphaToColour}, mask.data()).ok());
        Click(c.at);
        const std::vector<uint32_t> after = Pixels();
        EXPECT_EQ(after, With(before, mask, kRed));
        // The black square is not joined to the clicked ring; only the half-transparent corner
        // keeps it from an opaque click of alpha to colour.
        EXPECT_EQ(after[static_cast<size_t>(4) * 40 + 26], c.at.x == 35 ? before[4 * 40 + 26] : kRed);
        Undo();
        EXPECT_EQ(Pixels(), before);
    }
}

TEST_F(FillToolTest, TransparentColourOnAnImageWithoutAlphaAsksFirst) {
    for (int answer : {IDNO, IDYES}) {
        MakeImage(10, 10, fmt::k24RGB, [](int, int) { return kWhite; });
        Slot().colourTransparency[0] = 128;
        shown.clear();
        this->answer = answer;
        Click({3, 3});
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].text, u"32-A8R8G8B8 に変更しますか？");
        EXPECT_EQ(shown[0].title, u"Mirelo");
        if (answer == IDNO) {
            EXPECT_EQ(Slot().pixelFormat, fmt::k24RGB);
            EXPECT_EQ(PixelAt(Slot().bitmap.get(), 9, 9), kRed);  // the colour's bytes only
        } else {
            EXPECT_EQ(Slot().pixelFormat, fmt::k32ARGB);
            EXPECT_EQ(PixelAt(Slot().bitmap.get(), 9, 9), 0x7FFF0000u);
        }
        Undo();
        EXPECT_EQ(PixelAt(Slot().bitmap.get(), 9, 9), kWhite);
    }
}

TEST_F(FillToolTest, ShapeFillCoversTheSelectionOrTheWholeImage) {
    MakeImage(40, 30, fmt::k32ARGB, [](int, int) { return kWhite; });
    Slot().toolSettings[kFillModeOption] = fill_mode::kShape;
    Click({3, 3});  // no selection: the whole image
    for (IntPoint p : {IntPoint{0, 0}, IntPoint{39, 29}, IntPoint{20, 15}}) EXPECT_EQ(PixelAt(Slot().bitmap.get(), p.x, p.y), kRed);
    EXPECT_FALSE(Slot().selectionPath);
    Undo();
    EXPECT_EQ(PixelAt(Slot().bitmap.get(), 20, 15), kWhite);

    // A click outside the selection under 重複 塗らない fills everything but the selection, and the
    // whole-image rectangle stays in it.
    Slot().selectionPath.emplace();
    Slot().selectionPath->AddRectangle(10, 10, 10, 10);
    Slot().toolSettings[kFillOverlapOption] = 0;
    Click({2, 2});
    EXPECT_EQ(PixelAt(Slot().bitmap.get(), 2, 2), kRed);
    EXPECT_EQ(PixelAt(Slot().bitmap.get(), 35, 25), kRed);
    EXPECT_EQ(PixelAt(Slot().bitmap.get(), 15, 15), kWhite);
    EXPECT_EQ(Slot().selectionPath->size(), 8u);
    Undo();
    EXPECT_EQ(PixelAt(Slot().bitmap.get(), 2, 2), kWhite);
    // A click inside fills the selection only.
    Slot().selectionPath.emplace();
    Slot().selectionPath->AddRectangle(10, 10, 10, 10);
    Click({15, 15});
    EXPECT_EQ(PixelAt(Slot().bitmap.get(), 15, 15), kRed);
    EXPECT_EQ(PixelAt(Slot().bitmap.get(), 2, 2), kWhite);
    Undo();

    MakeImage(10, 10, fmt::k16ARGB1555, [](int, int) { return kWhite; });
    Slot().toolSettings[kFillModeOption] = fill_mode::kShape;
    Click({3, 3});
    EXPECT_TRUE(Shown(u"16-A1R5G5B5は、「図形塗り」ができません"));
    EXPECT_EQ(PixelAt(Slot().bitmap.get(), 3, 3), kWhite);
}

TEST_F(FillToolTest, SixteenBitImagesAreFilledPixelByPixel) {
    MakeImage(20, 10, fmt::k16RGB565, [](int x, int) { return x == 10 ? kBlack : kWhite; });
    Click({2, 2});
    EXPECT_EQ(PixelAt(Slot().bitmap.get(), 9, 9), kRed);
    EXPECT_EQ(PixelAt(Slot().bitmap.get(), 10, 9), kBlack);
    EXPECT_EQ(PixelAt(Slot().bitmap.get(), 11, 9), kWhite);
    Undo();
    EXPECT_EQ(PixelAt(Slot().bitmap.get(), 9, 9), kWhite);
}

// A fill that cannot be made (here: the picture is locked elsewhere, so it cannot be read)
// records no undo step: the step comes only with a fill that is written. Once the picture is free
// the same click fills, as one undo step.
TEST_F(FillToolTest, AFillThatFailsRecordsNoUndoStep) {
    const struct {
        PixelFormat format;
        int mode;
    } cases[] = {
        {fmt::k24RGB, fill_mode::kArea},
        {fmt::k32ARGB, fill_mode::kColour},
        {fmt::k32PARGB, fill_mode::kAlphaToColour},
        {fmt::k16RGB565, fill_mode::kArea},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "format " << c.format << " mode " << c.mode);
        // A column of another colour, and with alpha another alpha, that no mode fills.
        const uint32_t mark = HasAlpha(c.format) ? 0x80000000u : kBlack;
        MakeImage(20, 10, c.format, [&](int x, int) { return x == 10 ? mark : kWhite; });
        Slot().toolSettings[kFillModeOption] = c.mode;
        shown.clear();
        Gdiplus::GpRect all{0, 0, 20, 10};
        Gdiplus::BitmapData data{};
        ASSERT_EQ(gp::GdipBitmapLockBits(Slot().bitmap.get(), &all, Gdiplus::ImageLockModeRead, fmt::k32ARGB, &data), Gdiplus::Ok);
        Click({2, 2});
        gp::GdipBitmapUnlockBits(Slot().bitmap.get(), &data);
        ASSERT_FALSE(shown.empty());
        EXPECT_EQ(shown[0].text, u"Bmpをロックできません");
        EXPECT_FALSE(Slot().undo.HasUndoableStep());
        EXPECT_EQ(PixelAt(Slot().bitmap.get(), 2, 2), kWhite);
        Click({2, 2});
        EXPECT_EQ(PixelAt(Slot().bitmap.get(), 2, 2), kRed);
        EXPECT_EQ(PixelAt(Slot().bitmap.get(), 10, 2), mark);
        EXPECT_TRUE(Slot().undo.HasUndoableStep());
    }
}

TEST_F(FillToolTest, IndexedImagesChangeTheirPalette) {
    GpBitmapOwner bmp;
    ASSERT_TRUE(CreateGpBitmap(bmp, 8, 8, fmt::k8Index));
    ASSERT_GE(testing::Add(*editor, std::move(bmp), u"indexed"), 0);
    Slot().tool = kToolFill;
    Slot().colours = {0x00FF00, 0x000000};
    std::vector<uint32_t> palette;
    ASSERT_TRUE(ReadPaletteEntries(Slot().bitmap.get(), &palette));
    const uint32_t clicked = PixelAt(Slot().bitmap.get(), 4, 4);
    // With the palette's transparency on, the new entry is transparent.
    for (uint32_t flags : {0u, 1u}) {
        Slot().flags = flags;
        const uint32_t green = flags ? 0x0000FF00u : 0xFF00FF00u;
        Click({4, 4});
        EXPECT_EQ(PixelAt(Slot().bitmap.get(), 4, 4), green);
        std::vector<uint32_t> after;
        ASSERT_TRUE(ReadPaletteEntries(Slot().bitmap.get(), &after));
        ASSERT_EQ(after.size(), palette.size());
        for (size_t i = 0; i < after.size(); ++i) EXPECT_EQ(after[i], palette[i] == clicked ? green : palette[i] | 0xFF000000u);
        Undo();
        EXPECT_EQ(PixelAt(Slot().bitmap.get(), 4, 4), clicked);
    }
}

TEST_F(FillToolTest, WandAddsTheOutlineAsASelection) {
    MakeImage(40, 30, fmt::k24RGB, Rings);
    Slot().tool = kToolSelect;
    Slot().toolSettings[kSelectionShapeOption] = kSelectWand;
    Slot().toolSettings[kSelectionInvertOption] = 0;
    std::vector<uint32_t> copy = Pixels();
    std::vector<IntPoint> expected;
    ASSERT_TRUE(FindWandOutline(ViewOf(copy, 40, 30), {26, 4, {}, false}, &expected).ok());
    ASSERT_GE(expected.size(), 3u);
    Click({26, 4});
    ASSERT_TRUE(Slot().selectionPath);
    ASSERT_EQ(Slot().selectionPath->size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(Slot().selectionPath->points[i].x, static_cast<float>(expected[i].x));
        EXPECT_EQ(Slot().selectionPath->points[i].y, static_cast<float>(expected[i].y));
    }
    EXPECT_TRUE(Slot().selectionPath->LastFigureClosed());
    // The mask of the outline of the square's cells (25..28, 3..6) as a polygon through their
    // corners: inside the square, not outside it.
    std::vector<uint8_t> mask;
    ASSERT_TRUE(SelectionMask(*editor, Slot().selectionPath, SelectionFillMode(Slot()), IntRect{0, 0, 40, 30}, &mask));
    EXPECT_EQ(mask[static_cast<size_t>(4) * 40 + 26], 255);
    EXPECT_EQ(mask[static_cast<size_t>(1) * 40 + 26], 0);
    EXPECT_EQ(mask[static_cast<size_t>(20) * 40 + 10], 0);
    EXPECT_FALSE(Slot().undo.HasUndoableStep());  // the image is unchanged

    // A uniform area gives fewer than 3 points: an empty selection is deleted, an existing one kept.
    Slot().selectionPath.reset();
    MakeImage(10, 10, fmt::k24RGB, [](int, int) { return kWhite; });
    Slot().tool = kToolSelect;
    Slot().toolSettings[kSelectionShapeOption] = kSelectWand;
    Click({5, 5});
    EXPECT_FALSE(Slot().selectionPath);
}

TEST_F(FillToolTest, WandRefusesImagesAboveItsLimit) {
    for (int w : {1281, 1280}) {
        GpBitmapOwner bmp;
        ASSERT_TRUE(CreateGpBitmap(bmp, w, 1280, fmt::k24RGB));
        ASSERT_GE(testing::Add(*editor, std::move(bmp), u"big"), 0);
        Slot().tool = kToolSelect;
        Slot().toolSettings[kSelectionShapeOption] = kSelectWand;
        shown.clear();
        Click({3, 3});
        EXPECT_EQ(Shown(u"画像サイズが大き過ぎます"), w == 1281);
        if (w == 1281) {
            EXPECT_EQ(shown[0].title, u"Mirelo");
        }
        EXPECT_FALSE(Slot().selectionPath);
    }
}

}  // namespace
}  // namespace mirelo
