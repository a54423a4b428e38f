// The effects dialog driven through its controls, and the colour-matrix effects.
#include <functional>

#include "app/commands.h"
#include "edit/undo_history.h"
#include "harness.h"
#include "image/bitmap_access.h"
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
    // The preview as drawn in its control, in the left quarter of the picture.
    static uint32_t PreviewPixel(HWND dlg) {
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
        const COLORREF c = GetPixel(memory, r.right / 8, r.bottom / 2);  // inside the left quarter
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

}  // namespace
}  // namespace mirelo
