// The effects dialog driven through its controls, and the colour-matrix effects.
#include <algorithm>
#include <functional>

#include "app/commands.h"
#include "edit/undo_history.h"
#include "harness.h"
#include "image/bitmap_access.h"
#include "image/format_change.h"
#include "image/new_image.h"
#include "ops/apply_effect.h"
#include "ops/effects.h"
#include "res/resource.h"
#include "select/selection.h"

namespace mirelo {
namespace {

using testing::PixelAt;

class EffectsTest : public testing::EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        OpenWindow();
        ASSERT_TRUE(testing::NewImage(*editor, 40, 20, 96, 96, false));
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 40; ++x) gp::GdipBitmapSetPixel(Slot().bitmap.get(), x, y, 0xFF000000u | static_cast<uint32_t>(x * 6 << 16 | y * 12 << 8 | 0x55));
    }
    ImageSlot& Slot() { return *editor->Current(); }
    // Runs the dialog; `drive` works its controls, then OK or Cancel ends it.
    void RunDialog(const std::function<void(HWND)>& drive, int end) {
        int seen = 0;
        editor->dialogObserver = [&](HWND dlg, int id) {
            if (id != IDD_EFFECTS) return;
            ++seen;
            drive(dlg);
            PostMessageW(dlg, WM_COMMAND, static_cast<WPARAM>(end), 0);
        };
        SendMessageW(editor->frame.mainWindow, WM_COMMAND, cmd::kEffects, 0);
        editor->dialogObserver = nullptr;
        EXPECT_EQ(seen, 1);
    }
    static void Choose(HWND dlg, int effect) {
        SendDlgItemMessageW(dlg, IDC_EFFECT_LIST, LB_SETCURSEL, static_cast<WPARAM>(effect), 0);
        SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDC_EFFECT_LIST, LBN_SELCHANGE), reinterpret_cast<LPARAM>(GetDlgItem(dlg, IDC_EFFECT_LIST)));
    }
    static void Slide(HWND dlg, int value) {
        HWND slider = GetDlgItem(dlg, IDC_EFFECT_SLIDER);
        SendMessageW(slider, TBM_SETPOS, TRUE, value);
        SendMessageW(dlg, WM_HSCROLL, MAKEWPARAM(TB_ENDTRACK, 0), reinterpret_cast<LPARAM>(slider));
    }
    static void Press(HWND dlg, int button) { SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dlg, button))); }
    // The preview as drawn in its control, by default in the left quarter of the picture, else at
    // the given eighths of the area.
    static uint32_t PreviewPixel(HWND dlg, int eighthsX = 1, int eighthsY = 4) {
        HWND preview = GetDlgItem(dlg, IDC_EFFECT_PREVIEW);
        UpdateWindow(preview);
        HDC dc = GetDC(preview);
        RECT r;
        GetClientRect(preview, &r);
        HDC memory = CreateCompatibleDC(dc);
        HBITMAP bitmap = CreateCompatibleBitmap(dc, r.right, r.bottom);
        HGDIOBJ old = SelectObject(memory, bitmap);
        DRAWITEMSTRUCT item{ODT_STATIC, IDC_EFFECT_PREVIEW, 0, ODA_DRAWENTIRE, 0, preview, memory, r, 0};
        SendMessageW(GetParent(preview), WM_DRAWITEM, IDC_EFFECT_PREVIEW, reinterpret_cast<LPARAM>(&item));
        const COLORREF c = GetPixel(memory, r.right * eighthsX / 8, std::min<LONG>(r.bottom - 1, r.bottom * eighthsY / 8));
        SelectObject(memory, old);
        DeleteObject(bitmap);
        DeleteDC(memory);
        ReleaseDC(preview, dc);
        return c;
    }
};

TEST_F(EffectsTest, DialogPreviewsStacksAndAppliesWithinTheSelection) {
    Slot().selectionPath.emplace();
    Slot().selectionPath->AddRectangle(0, 0, 9, 19);  // the left ten columns
    const uint32_t inside = PixelAt(Slot().bitmap.get(), 5, 10), outside = PixelAt(Slot().bitmap.get(), 30, 10);
    RunDialog(
        [&](HWND dlg) {
            EXPECT_EQ(SendDlgItemMessageW(dlg, IDC_EFFECT_LIST, LB_GETCOUNT, 0, 0), kEffectCount);
            wchar_t name[64] = {};
            SendDlgItemMessageW(dlg, IDC_EFFECT_LIST, LB_GETTEXT, 9, reinterpret_cast<LPARAM>(name));
            EXPECT_EQ(FromW(name), u"ぼかす");
            HWND slider = GetDlgItem(dlg, IDC_EFFECT_SLIDER);
            EXPECT_EQ(SendMessageW(slider, TBM_GETRANGEMAX, 0, 0), 200);
            EXPECT_EQ(SendMessageW(slider, TBM_GETPOS, 0, 0), 100);
            EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, IDC_EFFECT_BACK)));
            const uint32_t before = PreviewPixel(dlg);
            Choose(dlg, effect::kInvertMono);
            EXPECT_EQ(SendMessageW(slider, TBM_GETRANGEMAX, 0, 0), 6);
            Press(dlg, IDC_EFFECT_APPLY);  // at the default: nothing stacked
            EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, IDC_EFFECT_BACK)));
            Slide(dlg, 1);  // inverted colours
            const uint32_t inverted = PreviewPixel(dlg);
            EXPECT_NE(inverted, before);
            Press(dlg, IDC_EFFECT_APPLY);
            EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg, IDC_EFFECT_BACK)));
            EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, IDC_EFFECT_FORWARD)));
            Press(dlg, IDC_EFFECT_BACK);
            EXPECT_EQ(PreviewPixel(dlg), before);
            EXPECT_EQ(SendMessageW(slider, TBM_GETPOS, 0, 0), 0);  // back at the default
            Press(dlg, IDC_EFFECT_FORWARD);
            EXPECT_EQ(PreviewPixel(dlg), inverted);
            // A second effect stacked and taken back again is not applied.
            Choose(dlg, effect::kPosterise);
            Slide(dlg, 254);
            Press(dlg, IDC_EFFECT_APPLY);
            Press(dlg, IDC_EFFECT_BACK);
        },
        IDOK);
    EXPECT_EQ(Slot().pixelFormat, fmt::k32ARGB);
    EXPECT_EQ(PixelAt(Slot().bitmap.get(), 5, 10), 0xFF000000u | (~inside & 0xFFFFFF));
    EXPECT_EQ(PixelAt(Slot().bitmap.get(), 30, 10), outside);
    SendMessageW(editor->frame.mainWindow, WM_COMMAND, cmd::kUndo, 0);
    EXPECT_EQ(PixelAt(Slot().bitmap.get(), 5, 10), inside);

    // Cancel changes nothing, whatever was stacked.
    RunDialog(
        [&](HWND dlg) {
            Choose(dlg, effect::kInvertMono);
            Slide(dlg, 1);
            Press(dlg, IDC_EFFECT_APPLY);
        },
        IDCANCEL);
    EXPECT_EQ(PixelAt(Slot().bitmap.get(), 5, 10), inside);
    EXPECT_TRUE(shown.empty());
}

TEST_F(EffectsTest, TheStackHoldsTwoHundredFiftyFiveApplications) {
    RunDialog(
        [&](HWND dlg) {
            Choose(dlg, effect::kPosterise);
            for (int i = 0; i < 255; ++i) {
                Slide(dlg, 10 + i % 2);
                Press(dlg, IDC_EFFECT_APPLY);
            }
            EXPECT_TRUE(shown.empty());
            Slide(dlg, 40);
            Press(dlg, IDC_EFFECT_APPLY);
            ASSERT_EQ(shown.size(), 1u);
            EXPECT_EQ(shown[0].text, u"効果は、これ以上、重ねられません");
            EXPECT_EQ(shown[0].title, u"Mirelo");
        },
        IDCANCEL);
}

TEST_F(EffectsTest, ColourMatricesAndRefusals) {
    GpBitmapOwner image;
    ASSERT_TRUE(CreateGpBitmap(image, 4, 4, fmt::k32ARGB));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) gp::GdipBitmapSetPixel(image.get(), x, y, 0xFF204060u);
    GpBitmapOwner out;
    ASSERT_TRUE(CreateGpBitmap(out, 4, 4, fmt::k32ARGB));
    ASSERT_TRUE(ApplyEffect(*editor, true, image, out, EffectSelection{}, effect::kShiftRed, 100));
    EXPECT_EQ(PixelAt(out.get(), 1, 1), 0xFFFF4060u);  // red moved up by the whole range
    ASSERT_TRUE(ApplyEffect(*editor, true, image, out, EffectSelection{}, effect::kRotateBlue, 180));
    EXPECT_EQ(PixelAt(out.get(), 1, 1) & 0xFFFF00u, 0u);  // red and green turned negative: 0
    // Within a clip path only the inside changes.
    EditPath left;
    left.AddRectangle(0, 0, 2, 4);
    ASSERT_TRUE(ApplyEffect(*editor, true, image, out, EffectSelection{nullptr, &left}, effect::kShiftGreen, 100));
    EXPECT_EQ(PixelAt(out.get(), 0, 1), 0xFF20FF60u);
    EXPECT_EQ(PixelAt(out.get(), 3, 1), 0xFF204060u);

    GpBitmapOwner rgb;
    ASSERT_TRUE(CreateGpBitmap(rgb, 4, 4, fmt::k24RGB));
    EXPECT_FALSE(ApplyEffect(*editor, true, rgb, rgb, EffectSelection{}, effect::kBrightness, 150));
    GpBitmapOwner small;
    ASSERT_TRUE(CreateGpBitmap(small, 2, 2, fmt::k32ARGB));
    EXPECT_FALSE(ApplyEffect(*editor, true, image, small, EffectSelection{}, effect::kBrightness, 150));
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].text, u"フォーマットが対応していません");
    EXPECT_EQ(shown[0].title, u"");
    EXPECT_EQ(shown[1].text, u"読み書きのBMPオブジェクトの大きさとフォーマットが異なります");
}

// OK applies what the preview shows: a moved slider without 適用 counts; with nothing to apply the
// image, its format and its history stay as they were.
TEST_F(EffectsTest, OkAppliesThePreviewedSliderAndNothingWithoutAChange) {
    // A 24-bit picture, so that a needless conversion shows.
    ASSERT_EQ(ChangeFormat(*editor, fmt::k24RGB, u"", false, false), Gdiplus::Ok);
    ASSERT_EQ(Slot().pixelFormat, fmt::k24RGB);
    ASSERT_FALSE(Slot().undo.HasUndoableStep());
    const PixelFormat format = Slot().pixelFormat;
    gp::GdipBitmapSetPixel(Slot().bitmap.get(), 20, 10, 0xFFFFFFFFu);  // a white dot the blur spreads
    const uint32_t dot = PixelAt(Slot().bitmap.get(), 20, 10), beside = PixelAt(Slot().bitmap.get(), 21, 10);
    struct Case {
        const char* what;
        std::function<void(HWND)> drive;
    };
    const Case unchanged[] = {
        {"OK at once", [](HWND) {}},
        {"an effect chosen, its slider untouched", [](HWND dlg) { Choose(dlg, effect::kBlur); }},
        {"a slider moved and reset",
         [](HWND dlg) {
             Choose(dlg, effect::kBlur);
             Slide(dlg, 2);
             Press(dlg, IDC_EFFECT_RESET);
         }},
        {"an entry stacked and taken back",
         [](HWND dlg) {
             Choose(dlg, effect::kInvertMono);
             Slide(dlg, 1);
             Press(dlg, IDC_EFFECT_APPLY);
             Press(dlg, IDC_EFFECT_BACK);
         }},
    };
    for (const Case& c : unchanged) {
        RunDialog(c.drive, IDOK);
        EXPECT_EQ(Slot().pixelFormat, format) << c.what;
        EXPECT_FALSE(Slot().undo.HasUndoableStep()) << c.what;
        EXPECT_EQ(PixelAt(Slot().bitmap.get(), 20, 10), dot) << c.what;
    }
    RunDialog(
        [](HWND dlg) {
            Choose(dlg, effect::kBlur);
            Slide(dlg, 1);  // previewed, not stacked
        },
        IDOK);
    EXPECT_EQ(Slot().pixelFormat, fmt::k32ARGB);
    EXPECT_NE(PixelAt(Slot().bitmap.get(), 20, 10), dot);
    EXPECT_NE(PixelAt(Slot().bitmap.get(), 21, 10), beside);
    ASSERT_TRUE(Slot().undo.HasUndoableStep());
    SendMessageW(editor->frame.mainWindow, WM_COMMAND, cmd::kUndo, 0);
    EXPECT_EQ(PixelAt(Slot().bitmap.get(), 20, 10), dot);
    EXPECT_TRUE(shown.empty());
}

// Without a preview copy (here: the picture cannot be drawn while it is locked) OK changes nothing;
// it used to apply an empty stack entry, brightness at 0, which blackened the picture.
TEST_F(EffectsTest, WithoutAPreviewOkChangesNothing) {
    const uint32_t before = PixelAt(Slot().bitmap.get(), 5, 5);
    Gdiplus::GpRect all{0, 0, 40, 20};
    Gdiplus::BitmapData data{};
    ASSERT_EQ(gp::GdipBitmapLockBits(Slot().bitmap.get(), &all, Gdiplus::ImageLockModeRead, fmt::k32ARGB, &data), Gdiplus::Ok);
    bool locked = true;
    RunDialog(
        [&](HWND dlg) {
            gp::GdipBitmapUnlockBits(Slot().bitmap.get(), &data);
            locked = false;
            Choose(dlg, effect::kBlur);
            Slide(dlg, 1);
            Press(dlg, IDC_EFFECT_APPLY);
        },
        IDOK);
    if (locked) gp::GdipBitmapUnlockBits(Slot().bitmap.get(), &data);
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown[0].text, u"Bmp_Copyに描画できません");
    EXPECT_EQ(PixelAt(Slot().bitmap.get(), 5, 5), before);
    EXPECT_FALSE(Slot().undo.HasUndoableStep());
}

// A square picture is fitted inside the preview area: it fills the height and leaves the sides to
// the button face.
TEST_F(EffectsTest, ASquarePictureFitsInsideThePreview) {
    ASSERT_TRUE(CreateNewImage(*editor, 30, 30, 96, 96, false));
    {
        GpGraphicsOwner g;
        gp::GdipGetImageGraphicsContext(Slot().bitmap.get(), g.put());
        gp::GdipGraphicsClear(g.get(), 0xFF102030u);
    }
    const COLORREF face = GetSysColor(COLOR_BTNFACE), picture = RGB(0x10, 0x20, 0x30);
    RunDialog(
        [&](HWND dlg) {
            EXPECT_EQ(PreviewPixel(dlg, 0, 4), face);       // left edge, middle
            EXPECT_EQ(PreviewPixel(dlg, 4, 0), picture);    // top edge, centre
            EXPECT_EQ(PreviewPixel(dlg, 4, 8), picture);    // bottom edge, centre
            EXPECT_EQ(PreviewPixel(dlg, 4, 4), picture);
        },
        IDCANCEL);
}

// Stacked noise entries draw on from one generator: the second does not hit the pixels the first
// hit. On grey 200, noise 30 blackens about 30 %; noise 31 after it turns about 31 % (black ones
// white, grey ones black), leaving about 42 % black. The same draws twice would turn the first
// 30 % back to white and leave about 1 % black.
TEST_F(EffectsTest, StackedNoiseEntriesDrawFromOneGenerator) {
    ASSERT_TRUE(CreateNewImage(*editor, 100, 100, 96, 96, false));
    {
        GpGraphicsOwner g;
        gp::GdipGetImageGraphicsContext(Slot().bitmap.get(), g.put());
        gp::GdipGraphicsClear(g.get(), 0xFFC8C8C8u);
    }
    RunDialog(
        [](HWND dlg) {
            Choose(dlg, effect::kNoise);
            Slide(dlg, 30);
            Press(dlg, IDC_EFFECT_APPLY);
            Slide(dlg, 31);
            Press(dlg, IDC_EFFECT_APPLY);
        },
        IDOK);
    int black = 0, white = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x) {
            const uint32_t p = PixelAt(Slot().bitmap.get(), x, y);
            black += p == 0xFF000000u;
            white += p == 0xFFFFFFFFu;
        }
    EXPECT_GT(black, 3000);
    EXPECT_LT(white, 2000);
}

// A colour-matrix effect whose selection cannot be made into a clip says so and draws nothing,
// neither in place nor into a copy.
TEST_F(EffectsTest, AColourMatrixWithoutAClipLeavesThePicture) {
    GpBitmapOwner image, out;
    ASSERT_TRUE(CreateGpBitmap(image, 4, 4, fmt::k32ARGB));
    ASSERT_TRUE(CreateGpBitmap(out, 4, 4, fmt::k32ARGB));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) gp::GdipBitmapSetPixel(image.get(), x, y, 0xFF204060u);
    // A Bézier segment short of its points: no clip can be made of it.
    EditPath broken;
    broken.points = {{0, 0}, {2, 0}, {2, 2}};
    broken.types = {0, 3, 3};
    for (int effect = effect::kRotateRed; effect < kEffectCount; ++effect) {
        shown.clear();
        EXPECT_FALSE(ApplyEffect(*editor, false, image, image, EffectSelection{nullptr, &broken}, effect, 50)) << effect;
        EXPECT_EQ(PixelAt(image.get(), 1, 1), 0xFF204060u) << effect;
        ASSERT_EQ(shown.size(), 1u) << effect;
        EXPECT_EQ(shown[0].text, kSelectionClipFailed);
        EXPECT_EQ(shown[0].title, u"");
    }
    gp::GdipBitmapSetPixel(out.get(), 1, 1, 0xFF010203u);
    EXPECT_FALSE(ApplyEffect(*editor, true, image, out, EffectSelection{nullptr, &broken}, effect::kShiftRed, 100));
    EXPECT_NE(PixelAt(out.get(), 1, 1), 0xFFFF4060u);
}

}  // namespace
}  // namespace mirelo
