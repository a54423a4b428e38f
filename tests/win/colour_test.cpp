// The user's colours end to end: dialog 108 "色選択" driven through its fields, its hexadecimal
// text and its spectrum; dialog 117 "パレット" changing an indexed image's palette as one undo
// step; the eyedropper clicked on the view; the transparent-colour button of the palette panel;
// the colour panel's swatches and transparency, which the shape tool then draws with; and the
// right panel following the current image.
#include <functional>
#include <vector>

#include "app/commands.h"
#include "colour/colour_models.h"
#include "colour/palette_colours.h"
#include "draw/shape_geometry.h"
#include "ui/canvas.h"
#include "harness.h"
#include "image/bitmap_access.h"
#include "image/new_image.h"
#include "res/resource.h"
#include "select/paths.h"
#include "ui/custom_controls.h"

namespace mirelo {
namespace {

using testing::PixelAt;

class ColourTest : public testing::EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        OpenWindow();
    }
    ImageSlot& Slot() { return *editor->Current(); }

    // A w × h image in `format`; an indexed one gets `palette` (ARGB), every pixel index 0.
    void MakeImage(int w, int h, PixelFormat format, const std::vector<uint32_t>& palette = {}) {
        GpBitmapOwner bmp;
        ASSERT_TRUE(CreateGpBitmap(bmp, w, h, format));
        if (!palette.empty()) {
            ASSERT_TRUE(WritePaletteEntries(bmp.get(), palette, 0));
        } else if (!IsIndexed(format)) {
            GpGraphicsOwner g;
            gp::GdipGetImageGraphicsContext(bmp.get(), g.put());
            gp::GdipGraphicsClear(g.get(), 0xFFFFFFFFu);
        }
        ASSERT_GE(testing::Add(*editor, std::move(bmp), u"colours"), 0);
    }
    std::vector<uint32_t> Palette() {
        std::vector<uint32_t> p;
        EXPECT_TRUE(ReadPaletteEntries(Slot().bitmap.get(), &p));
        return p;
    }
    static std::vector<uint32_t> Greys(size_t n) {
        std::vector<uint32_t> p(n);
        for (size_t i = 0; i < n; ++i) p[i] = 0xFF000000u | static_cast<uint32_t>(0x010101u * i);
        return p;
    }

    // Sends `command`, drives dialog `dialogId` with `drive` and ends it with `end`; returns how
    // often the dialog was seen.
    int RunDialog(int command, int dialogId, const std::function<void(HWND)>& drive, int end) {
        return RunDialogOn([&] { Send(command); }, dialogId, drive, end);
    }
    int RunDialogOn(const std::function<void()>& open, int dialogId, const std::function<void(HWND)>& drive, int end) {
        int seen = 0;
        editor->dialogObserver = [&](HWND dlg, int id) {
            if (id != dialogId) return;
            ++seen;
            drive(dlg);
            PostMessageW(dlg, WM_COMMAND, static_cast<WPARAM>(end), 0);
        };
        open();
        editor->dialogObserver = nullptr;
        return seen;
    }

    // Typing into a field: it has the focus.
    static void Type(HWND dlg, int id, const wchar_t* text) {
        SetFocus(GetDlgItem(dlg, id));
        SetDlgItemTextW(dlg, id, text);
    }
    static int Int(HWND dlg, int id) { return static_cast<int>(GetDlgItemInt(dlg, id, nullptr, FALSE)); }
    static std::string Fields(HWND dlg, const int (&ids)[3]) {
        return std::to_string(Int(dlg, ids[0])) + "," + std::to_string(Int(dlg, ids[1])) + "," + std::to_string(Int(dlg, ids[2]));
    }
    static std::string RgbFields(HWND dlg) { return Fields(dlg, {IDC_COLOUR_RED, IDC_COLOUR_GREEN, IDC_COLOUR_BLUE}); }
    static std::string HlsFields(HWND dlg) { return Fields(dlg, {IDC_COLOUR_HUE, IDC_COLOUR_LIGHTNESS, IDC_COLOUR_SATURATION}); }
    static std::string Str(Rgb c) { return std::to_string(c.red) + "," + std::to_string(c.green) + "," + std::to_string(c.blue); }
    static void Press(HWND dlg, int id) {
        SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dlg, id)));
    }
    static SIZE ClientSize(HWND w) {
        RECT r;
        GetClientRect(w, &r);
        return SIZE{r.right, r.bottom};
    }
    static void Click(HWND control, int x, int y, bool twice = false) {
        SendMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        SendMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
        if (!twice) return;
        SendMessageW(control, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(x, y));
        SendMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    }
    static void ClickGrid(HWND grid, int index) {
        const SIZE s = ClientSize(grid);
        const SwatchRect r = GridSwatchRect(index, s.cx, s.cy);
        Click(grid, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
    }
    static void ClickCustom(HWND custom, int index, bool twice = false) {
        const SIZE s = ClientSize(custom);
        const SwatchRect r = CustomSwatchRect(index, s.cx, s.cy);
        Click(custom, (r.left + r.right) / 2, (r.top + r.bottom) / 2, twice);
    }
    // Shown within the frame (the test's main window itself stays hidden).
    static bool Shows(HWND w) { return (GetWindowLongW(w, GWL_STYLE) & WS_VISIBLE) != 0; }
    HWND PanelItem(bool palette, int id) { return GetDlgItem(palette ? editor->frame.palettePanel : editor->frame.colourPanel, id); }
    // A left click on image pixel p of the view.
    void ClickView(IntPoint p) {
        const LPARAM at = MAKELPARAM(Slot().originX - editor->viewState.scrollX + p.x, Slot().originY - editor->viewState.scrollY + p.y);
        SendMessageW(editor->frame.view, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageW(editor->frame.view, WM_LBUTTONUP, 0, at);
        ReleaseCapture();
    }
};

// Red, green and blue typed: the hexadecimal text and hue, lightness and saturation follow; OK
// takes the colour into the active drawing colour, Cancel takes nothing.
TEST_F(ColourTest, DialogFieldsFollowTypedRedGreenBlue) {
    MakeImage(10, 10, fmt::k32ARGB);
    Slot().tool = kToolShape;
    Slot().activeColour = 1;
    Slot().colours = {0xFFFFFFu, 0x123456u};
    struct Case {
        const wchar_t *red, *green, *blue;
        const char* hex;
        const char* hls;
    };
    const Case cases[] = {
        {L"255", L"0", L"0", "ff0000", "0,50,100"},
        {L"128", L"128", L"128", "808080", "0,50,0"},
        {L"0", L"0", L"128", "000080", "240,25,100"},
    };
    for (int end : {IDCANCEL, IDOK}) {
        EXPECT_EQ(RunDialog(cmd::kColourSelect, IDD_COLOUR, [&](HWND dlg) {
            EXPECT_EQ(RgbFields(dlg), "86,52,18");  // the active colour 0x123456
            for (const Case& c : cases) {
                Type(dlg, IDC_COLOUR_RED, c.red);
                Type(dlg, IDC_COLOUR_GREEN, c.green);
                Type(dlg, IDC_COLOUR_BLUE, c.blue);
                EXPECT_EQ(testing::Narrow(WindowText(GetDlgItem(dlg, IDC_COLOUR_RGB))), c.hex);
                EXPECT_EQ(HlsFields(dlg), c.hls);
            }
        }, end), 1);
        EXPECT_EQ(Slot().colours[1], end == IDOK ? 0x800000u : 0x123456u);
        EXPECT_EQ(Slot().colours[0], 0xFFFFFFu);
    }
}

// Hue, lightness and saturation typed with the focus on them give red, green and blue; the same
// text set while the focus is elsewhere changes nothing.
TEST_F(ColourTest, DialogHueLightnessSaturationTypedWithTheFocus) {
    MakeImage(10, 10, fmt::k32ARGB);
    Slot().tool = kToolShape;
    EXPECT_EQ(RunDialog(cmd::kColourSelect, IDD_COLOUR, [&](HWND dlg) {
        Type(dlg, IDC_COLOUR_HUE, L"120");
        Type(dlg, IDC_COLOUR_LIGHTNESS, L"50");
        Type(dlg, IDC_COLOUR_SATURATION, L"100");
        EXPECT_EQ(RgbFields(dlg), "0,255,0");
        EXPECT_EQ(testing::Narrow(WindowText(GetDlgItem(dlg, IDC_COLOUR_RGB))), "00ff00");
        SetFocus(GetDlgItem(dlg, IDC_COLOUR_RED));
        SetDlgItemTextW(dlg, IDC_COLOUR_HUE, L"240");
        EXPECT_EQ(RgbFields(dlg), "0,255,0");
    }, IDOK), 1);
    EXPECT_EQ(Slot().colours[0], 0x00FF00u);
}

// "適用" reads the last six characters of the text; upper-case digits read as 0.
TEST_F(ColourTest, DialogHexTextApplied) {
    MakeImage(10, 10, fmt::k32ARGB);
    Slot().tool = kToolShape;
    EXPECT_EQ(RunDialog(cmd::kColourSelect, IDD_COLOUR, [&](HWND dlg) {
        Type(dlg, IDC_COLOUR_RGB, L"00FF00");
        Press(dlg, IDC_COLOUR_APPLY);
        EXPECT_EQ(RgbFields(dlg), "0,0,0");
        Type(dlg, IDC_COLOUR_RGB, L"#00ff80");
        Press(dlg, IDC_COLOUR_APPLY);
        EXPECT_EQ(RgbFields(dlg), "0,255,128");
        EXPECT_EQ(HlsFields(dlg), "150,50,100");
        EXPECT_EQ(testing::Narrow(WindowText(GetDlgItem(dlg, IDC_COLOUR_RGB))), "00ff80");
    }, IDOK), 1);
    EXPECT_EQ(Slot().colours[0], 0x80FF00u);
}

// Pressing on the spectrum picks the colour under the cursor and captures the mouse; dragging
// picks on, also beyond the control's edge; the release lets the mouse go.
TEST_F(ColourTest, DialogSpectrumPickedByPressAndDrag) {
    MakeImage(10, 10, fmt::k32ARGB);
    Slot().tool = kToolShape;
    std::string last;
    EXPECT_EQ(RunDialog(cmd::kColourSelect, IDD_COLOUR, [&](HWND dlg) {
        HWND spectrum = GetDlgItem(dlg, IDC_COLOUR_SPECTRUM);
        const SIZE s = ClientSize(spectrum);
        ASSERT_GT(s.cx, 100);
        SendMessageW(spectrum, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(s.cx / 4, s.cy / 2));
        EXPECT_EQ(GetCapture(), spectrum);
        EXPECT_EQ(RgbFields(dlg), Str(SpectrumColourAt(s.cx / 4, s.cy / 2, s.cx, s.cy)));
        SendMessageW(spectrum, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(3 * s.cx / 4, s.cy / 3));
        EXPECT_EQ(RgbFields(dlg), Str(SpectrumColourAt(3 * s.cx / 4, s.cy / 3, s.cx, s.cy)));
        SendMessageW(spectrum, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(s.cx / 2, s.cy + 40));
        EXPECT_EQ(RgbFields(dlg), "0,0,0");  // the bottom row
        SendMessageW(spectrum, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(s.cx / 2, s.cy * 5 / 8));
        last = RgbFields(dlg);
        EXPECT_EQ(last, Str(SpectrumColourAt(s.cx / 2, s.cy * 5 / 8, s.cx, s.cy)));
        SendMessageW(spectrum, WM_LBUTTONUP, 0, MAKELPARAM(s.cx + 30, s.cy + 30));
        EXPECT_NE(GetCapture(), spectrum);
        const HCURSOR cross = LoadCursorW(nullptr, IDC_CROSS);
        SendMessageW(spectrum, WM_SETCURSOR, reinterpret_cast<WPARAM>(spectrum), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        EXPECT_EQ(GetCursor(), cross);
    }, IDOK), 1);
    EXPECT_EQ(Str(RgbFromWin32(Slot().colours[0])), last);
}

// Opened on the drawing colour, a custom colour clicked in the dialog and edited is the drawing
// colour too; opened from a custom swatch of the panel, only that swatch changes.
TEST_F(ColourTest, DialogCustomColoursAndTheirSlot) {
    MakeImage(10, 10, fmt::k32ARGB);
    Slot().tool = kToolShape;
    editor->colourSwatches.fill(0x7F7F7Fu);
    editor->colourSwatches[5] = 0x0A141Eu;
    EXPECT_EQ(RunDialog(cmd::kColourSelect, IDD_COLOUR, [&](HWND dlg) {
        ClickCustom(GetDlgItem(dlg, IDC_COLOUR_CUSTOM), 3);
        Type(dlg, IDC_COLOUR_RED, L"1");
        Type(dlg, IDC_COLOUR_GREEN, L"2");
        Type(dlg, IDC_COLOUR_BLUE, L"3");
    }, IDOK), 1);
    EXPECT_EQ(editor->colourSwatches[3], 0x030201u);
    EXPECT_EQ(Slot().colours[0], 0x030201u);

    Slot().tool = kToolSelect;  // the panel's swatches work whatever the tool
    EXPECT_EQ(RunDialogOn([&] { ClickCustom(PanelItem(false, IDC_PANEL_CUSTOM), 5, true); }, IDD_COLOUR, [&](HWND dlg) {
        EXPECT_EQ(RgbFields(dlg), "30,20,10");
        Type(dlg, IDC_COLOUR_BLUE, L"200");
    }, IDOK), 1);
    EXPECT_EQ(editor->colourSwatches[5], 0xC8141Eu);
    EXPECT_EQ(Slot().colours[0], 0x0A141Eu);  // the single click took swatch 5 before
}

// 40044 edits the palette panel's colour on an indexed image, the active colour on any other,
// and nothing with the selection tool.
TEST_F(ColourTest, ColourCommandFollowsTheImageAndTool) {
    MakeImage(10, 10, fmt::k32ARGB);
    Slot().tool = kToolSelect;
    EXPECT_EQ(RunDialog(cmd::kColourSelect, IDD_COLOUR, [](HWND) {}, IDOK), 0);
    MakeImage(8, 8, fmt::k8Index, Greys(256));
    Slot().tool = kToolSelect;
    Slot().activeColour = 1;
    Slot().colours = {0x0000FFu, 0x00FF00u};
    EXPECT_EQ(RunDialog(cmd::kColourSelect, IDD_COLOUR, [&](HWND dlg) {
        EXPECT_EQ(RgbFields(dlg), "255,0,0");
        Type(dlg, IDC_COLOUR_GREEN, L"16");
    }, IDOK), 1);
    EXPECT_EQ(Slot().colours[0], 0x0010FFu);
    EXPECT_EQ(Slot().colours[1], 0x00FF00u);
}

// 置換 gives the current colour to a palette entry; OK sets the palette as one undo step, which
// undo takes back. 取得 gives an entry to the selected custom colour. Cancel changes nothing.
TEST_F(ColourTest, PaletteDialogReplacesAnEntryAsOneUndoStep) {
    const std::vector<uint32_t> greys = Greys(256);
    MakeImage(8, 8, fmt::k8Index, greys);
    Slot().colours[0] = 0x0000FFu;
    auto replaceFirst = [&](HWND dlg) {
        EXPECT_EQ(IsDlgButtonChecked(dlg, IDC_PALETTE_TAKE), BST_CHECKED);
        CheckRadioButton(dlg, IDC_PALETTE_TAKE, IDC_PALETTE_REPLACE, IDC_PALETTE_REPLACE);
        ClickGrid(GetDlgItem(dlg, IDC_COLOUR_GRID), 0);
    };
    EXPECT_EQ(RunDialog(cmd::kPalDialog, IDD_PALETTE, replaceFirst, IDCANCEL), 1);
    EXPECT_EQ(Palette(), greys);
    EXPECT_FALSE(Slot().undo.HasUndoableStep());

    EXPECT_EQ(RunDialog(cmd::kPalDialog, IDD_PALETTE, [&](HWND dlg) {
        replaceFirst(dlg);
        CheckRadioButton(dlg, IDC_PALETTE_TAKE, IDC_PALETTE_REPLACE, IDC_PALETTE_TAKE);
        ClickCustom(GetDlgItem(dlg, IDC_COLOUR_CUSTOM), 2);
        ClickGrid(GetDlgItem(dlg, IDC_COLOUR_GRID), 9);
    }, IDOK), 1);
    std::vector<uint32_t> expected = greys;
    expected[0] = 0xFFFF0000u;
    EXPECT_EQ(Palette(), expected);
    EXPECT_EQ(PixelAt(Slot().bitmap.get(), 3, 3), 0xFFFF0000u);
    EXPECT_EQ(editor->colourSwatches[2], 0x090909u);
    EXPECT_EQ(Slot().colours[0], 0x0000FFu);
    ASSERT_TRUE(Slot().undo.HasUndoableStep());
    Send(cmd::kUndo);
    EXPECT_EQ(Palette(), greys);
    EXPECT_EQ(PixelAt(Slot().bitmap.get(), 3, 3), 0xFF000000u);
}

// A palette that cannot be written leaves the picture as it was: still the one read from its file
// (not detached), its palette unchanged, no undo step. Written, the same change is one undo step
// on a detached copy.
TEST_F(ColourTest, AFailedPaletteWriteLeavesThePictureAndItsHistory) {
    const std::vector<uint32_t> greys = Greys(16);
    const struct {
        uint32_t colour;  // the first drawing colour
        std::function<void()> change;
    } cases[] = {
        {0x0000FFu,
         [&] {
             RunDialog(cmd::kPalDialog, IDD_PALETTE, [&](HWND dlg) {
                 CheckRadioButton(dlg, IDC_PALETTE_TAKE, IDC_PALETTE_REPLACE, IDC_PALETTE_REPLACE);
                 ClickGrid(GetDlgItem(dlg, IDC_COLOUR_GRID), 0);
             }, IDOK);
         }},
        {0x000000u, [&] { SetTransparentColour(*editor, true); }},  // the button 透過色
    };
    for (const auto& c : cases) {
        MakeImage(8, 8, fmt::k8Index, greys);
        Slot().rawFormatName = u"GIF";  // as read from a file
        Slot().flags = 0;
        Slot().colours[0] = c.colour;
        shown.clear();
        editor->paletteWriter = [](Gdiplus::GpBitmap*, const std::vector<uint32_t>&, uint32_t) { return false; };
        Gdiplus::GpBitmap* const before = Slot().bitmap.get();
        c.change();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].text, u"パレットを変更できません");
        EXPECT_EQ(Slot().bitmap.get(), before);
        EXPECT_FALSE(Slot().undo.HasUndoableStep());
        EXPECT_EQ(Palette(), greys);

        editor->paletteWriter = nullptr;
        shown.clear();
        Slot().flags = 0;
        c.change();
        EXPECT_TRUE(shown.empty());
        EXPECT_NE(Slot().bitmap.get(), before);
        EXPECT_NE(Palette(), greys);
        ASSERT_TRUE(Slot().undo.HasUndoableStep());
        Send(cmd::kUndo);
        EXPECT_EQ(Palette(), greys);
    }
}

// 置換 on a white swatch beyond a 16-colour palette changes nothing, and an unchanged palette
// records no undo step.
TEST_F(ColourTest, PaletteDialogReplaceBeyondTheCountDoesNothing) {
    const std::vector<uint32_t> greys = Greys(16);
    MakeImage(8, 8, fmt::k4Index, greys);
    Slot().colours[0] = 0x0000FFu;
    EXPECT_EQ(RunDialog(cmd::kPalDialog, IDD_PALETTE, [&](HWND dlg) {
        CheckRadioButton(dlg, IDC_PALETTE_TAKE, IDC_PALETTE_REPLACE, IDC_PALETTE_REPLACE);
        ClickGrid(GetDlgItem(dlg, IDC_COLOUR_GRID), 200);
    }, IDOK), 1);
    EXPECT_EQ(Palette(), greys);
    EXPECT_FALSE(Slot().undo.HasUndoableStep());
}

// The eyedropper on the view: a direct-colour pixel gives the active colour and its transparency
// (shown by the panel), an indexed pixel its palette entry as the palette panel's colour.
TEST_F(ColourTest, EyedropperPicksTheClickedPixel) {
    MakeImage(10, 10, fmt::k32ARGB);
    gp::GdipBitmapSetPixel(Slot().bitmap.get(), 3, 4, 0x80336699u);
    Slot().tool = kToolEyedropper;
    Slot().activeColour = 1;
    ClickView({3, 4});
    EXPECT_EQ(Slot().colours[1], 0x996633u);
    EXPECT_EQ(Slot().colourTransparency[1], 127);
    EXPECT_EQ(Slot().colours[0], 0xFFFFFFu);
    EXPECT_EQ(testing::Narrow(WindowText(PanelItem(false, IDC_PANEL_ALPHA_EDIT))), "127");
    EXPECT_EQ(SendMessageW(PanelItem(false, IDC_PANEL_ALPHA_SLIDER), TBM_GETPOS, 0, 0), 127);

    std::vector<uint32_t> palette = Greys(256);
    palette[0] = 0xFF112233u;
    MakeImage(8, 8, fmt::k8Index, palette);
    Slot().tool = kToolEyedropper;
    Slot().activeColour = 1;
    ClickView({2, 2});
    EXPECT_EQ(Slot().colours[0], 0x332211u);
    EXPECT_EQ(Slot().colourTransparency[0], 0);
    EXPECT_EQ(testing::Narrow(WindowText(PanelItem(true, IDC_PANEL_PALETTE_HEX))), "112233");
    EXPECT_TRUE(shown.empty());
}

// 透過色 on: every entry of the first drawing colour becomes transparent, all others opaque, as
// one undo step; off makes it opaque again.
TEST_F(ColourTest, TransparentColourButtonMarksEveryEntryOfTheColour) {
    std::vector<uint32_t> palette = Greys(256);
    palette[3] = palette[7] = 0xFFFF0000u;
    palette[9] = 0x40808080u;
    MakeImage(8, 8, fmt::k8Index, palette);
    Slot().colours[0] = 0x0000FFu;
    HWND bar = editor->frame.paletteToolBar;
    ASSERT_TRUE(Shows(editor->frame.palettePanel));
    auto clickButton = [&] {
        RECT r{};
        ASSERT_TRUE(SendMessageW(bar, TB_GETRECT, cmd::kPalTransparent, reinterpret_cast<LPARAM>(&r)));
        const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        SendMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageW(bar, WM_LBUTTONUP, 0, at);
    };
    std::vector<uint32_t> opaque = palette;
    opaque[9] |= 0xFF000000u;
    std::vector<uint32_t> marked = opaque;
    marked[3] = marked[7] = 0x00FF0000u;

    clickButton();
    EXPECT_EQ(Slot().flags & 1u, 1u);
    EXPECT_TRUE(SendMessageW(bar, TB_ISBUTTONCHECKED, cmd::kPalTransparent, 0));
    EXPECT_EQ(Palette(), marked);
    EXPECT_TRUE(PaletteHasAlphaFlag(Slot().bitmap.get()));
    ASSERT_TRUE(Slot().undo.HasUndoableStep());
    Send(cmd::kUndo);
    EXPECT_EQ(Palette(), palette);

    clickButton();  // on
    clickButton();  // off
    EXPECT_EQ(Slot().flags & 1u, 0u);
    EXPECT_FALSE(SendMessageW(bar, TB_ISBUTTONCHECKED, cmd::kPalTransparent, 0));
    EXPECT_EQ(Palette(), opaque);
    EXPECT_FALSE(PaletteHasAlphaFlag(Slot().bitmap.get()));
    EXPECT_TRUE(shown.empty());
}

// The right panel follows the current image; the colour panel's swatch makes the second colour
// the active one, which the shape tool then draws with; its slider sets that colour's
// transparency; a custom swatch click takes the swatch; the palette panel's grid picks an entry.
TEST_F(ColourTest, PanelSwatchesSetTheColoursTheToolsUse) {
    ASSERT_TRUE(testing::NewImage(*editor, 40, 30, 96, 96, false));
    EXPECT_TRUE(editor->colourPanelVisible);
    EXPECT_TRUE(Shows(editor->frame.colourPanel));
    EXPECT_FALSE(Shows(editor->frame.palettePanel));
    Slot().colours = {0x000000u, 0x0000FFu};

    Click(PanelItem(false, IDC_PANEL_COLOUR_SECOND), 5, 5);
    EXPECT_EQ(Slot().activeColour, 1);
    HWND slider = PanelItem(false, IDC_PANEL_ALPHA_SLIDER);
    SendMessageW(slider, TBM_SETPOS, TRUE, 100);
    SendMessageW(editor->frame.colourPanel, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, 100), reinterpret_cast<LPARAM>(slider));
    EXPECT_EQ(Slot().colourTransparency[1], 100);
    EXPECT_EQ(testing::Narrow(WindowText(PanelItem(false, IDC_PANEL_ALPHA_EDIT))), "100");
    SetWindowTextW(PanelItem(false, IDC_PANEL_ALPHA_EDIT), L"0");
    EXPECT_EQ(Slot().colourTransparency[1], 0);
    EXPECT_EQ(SendMessageW(slider, TBM_GETPOS, 0, 0), 0);

    Slot().tool = kToolShape;
    Slot().toolSettings[kShapeKindOption] = kShapeRectangle;
    Slot().toolSettings[kShapeSmoothOption] = 0;
    auto at = [&](IntPoint p) { return MAKELPARAM(Slot().originX - editor->viewState.scrollX + p.x, Slot().originY - editor->viewState.scrollY + p.y); };
    SendMessageW(editor->frame.view, WM_LBUTTONDOWN, MK_LBUTTON, at({10, 8}));
    SendMessageW(editor->frame.view, WM_MOUSEMOVE, MK_LBUTTON, at({30, 20}));
    SendMessageW(editor->frame.view, WM_LBUTTONUP, 0, at({30, 20}));
    ReleaseCapture();
    EXPECT_EQ(PixelAt(Slot().bitmap.get(), 10, 13), 0xFFFF0000u);
    EXPECT_EQ(PixelAt(Slot().bitmap.get(), 19, 13), 0xFFFFFFFFu);

    editor->colourSwatches[4] = 0x00FF00u;
    ClickCustom(PanelItem(false, IDC_PANEL_CUSTOM), 4);
    EXPECT_EQ(Slot().colours[1], 0x00FF00u);
    EXPECT_EQ(Slot().colours[0], 0x000000u);

    std::vector<uint32_t> palette = Greys(256);
    palette[5] = 0xFF204060u;
    MakeImage(8, 8, fmt::k8Index, palette);
    EXPECT_TRUE(editor->palettePanelVisible);
    EXPECT_TRUE(Shows(editor->frame.palettePanel));
    EXPECT_FALSE(Shows(editor->frame.colourPanel));
    ClickGrid(PanelItem(true, IDC_PANEL_PALETTE_GRID), 5);
    EXPECT_EQ(Slot().colours[0], 0x604020u);
    Send(cmd::kPalEyedropper);
    EXPECT_EQ(Slot().tool, kToolEyedropper);
    EXPECT_TRUE(SendMessageW(editor->frame.paletteToolBar, TB_ISBUTTONCHECKED, cmd::kPalEyedropper, 0));

    testing::Select(*editor, 0);
    EXPECT_TRUE(Shows(editor->frame.colourPanel));
    EXPECT_FALSE(Shows(editor->frame.palettePanel));
}

}  // namespace
}  // namespace mirelo
