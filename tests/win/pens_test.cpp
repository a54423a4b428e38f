// Pens and brushes end to end: every pattern of the pen and fill lists draws what the same GDI+
// calls draw directly, caps and arrows follow the lists and the arrow settings, unreadable
// textures draw nothing, the texture dialog keeps its file, and the arrow window edits the arrow.
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "app/commands.h"
#include "app/menu_state.h"
#include "draw/pens.h"
#include "draw/texture_files.h"
#include "harness.h"
#include "image/bitmap_access.h"
#include "image/new_image.h"
#include "res/resource.h"
#include "select/paths.h"
#include "ui/option_bands.h"

namespace mirelo {
namespace {
using namespace mirelo::testing;

bool RunningUnderWine() { return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr; }

class PensTest : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        OpenWindow();
        ASSERT_TRUE(testing::NewImage(*editor, 40, 30, 96, 96, false));
        Slot().colours = {0x0000FF, 0xFF0000};  // red current, blue other (Win32 form)
        Slot().colourTransparency = {0, 40};
        dir = MakeTempDir(L"pens");
        texture = dir + u"\\tile.png";
        ASSERT_TRUE(WritePicture(texture, 3, 5, 0xFF20C040));
        for (size_t i = 0; i < editor->colourSwatches.size(); ++i) editor->colourSwatches[i] = 0x101010u * static_cast<uint32_t>(i);
    }
    ImageSlot& Slot() { return *editor->Current(); }
    void Set(int option, int value) { Slot().toolSettings[static_cast<size_t>(option)] = value; }
    // The option bar's list that edits `option` with `tool`.
    HWND ListFor(int option, int tool) {
        for (size_t i = 0; i < OptionControls().size(); ++i)
            if (OptionFor(OptionControls()[i], tool) == option) return editor->frame.optionLists[i];
        ADD_FAILURE() << "no list for option " << option;
        return nullptr;
    }
    void Choose(HWND list, int entry) {
        SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(entry), 0);
        SendMessageW(GetParent(list), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(list), CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    }
    // A white 48 × 48 canvas with `draw` done on it.
    static GpBitmapOwner Draw(const std::function<void(Gdiplus::GpGraphics*)>& draw) {
        GpBitmapOwner b;
        EXPECT_TRUE(CreateGpBitmap(b, 48, 48, fmt::k32ARGB));
        GpGraphicsOwner g;
        gp::GdipGetImageGraphicsContext(b.get(), g.put());
        gp::GdipGraphicsClear(g.get(), 0xFFFFFFFF);
        gp::GdipSetSmoothingMode(g.get(), Gdiplus::SmoothingModeAntiAlias);
        draw(g.get());
        return b;
    }
    static double Drawn(const GpBitmapOwner& b) {
        return DifferentPixels(b.get(), Draw([](Gdiplus::GpGraphics*) {}).get(), 0);
    }
    // The figures: an ellipse to fill, a zigzag to stroke.
    static GpPathOwner Figure(bool zigzag) {
        GpPathOwner p;
        gp::GdipCreatePath(Gdiplus::FillModeAlternate, p.put());
        const Gdiplus::GpPointF zig[] = {{6, 8}, {40, 14}, {8, 30}, {42, 40}};
        zigzag ? gp::GdipAddPathLine2(p.get(), zig, 4) : gp::GdipAddPathEllipseI(p.get(), 4, 6, 40, 36);
        return p;
    }
    Text dir, texture;
};

// Every entry of "ﾊﾟﾀｰﾝ(線)：" and of "ﾊﾟﾀｰﾝ(塗)：" of both tools draws without error exactly what the
// brush that the entry names draws when made directly with GDI+.
TEST_F(PensTest, EveryPatternDrawsAsTheSameBrushMadeDirectly) {
    for (int slot = 0; slot < kTextureSlotCount; ++slot) SetTextureFile(*editor, slot, texture);
    // The pen's style: width 5, dash-dot with triangle dash caps (◆), round joins, a start arrow
    // (40, 30, 10: 4.0 long, 3.0 wide, middle inset 1.0 in pen widths) and a round end (●).
    for (auto [o, v] : {std::pair{kLineWidthOption, 5}, {kDashOption, 3}, {kPenTipOption, 2}, {kJoinOption, 2}, {kStartCapOption, 4},
                        {kEndCapOption, 2}})
        Set(o, v);
    const IntRect r{3, 4, 42, 40};
    const Gdiplus::GpRect gr(r.x, r.y, r.width, r.height);
    const Gdiplus::ARGB cur = CurrentColour(Slot()), other = OtherColour(Slot());
    ASSERT_EQ(cur, 0xFFFF0000u);
    ASSERT_EQ(other, 0xD70000FFu);
    Gdiplus::GpAdjustableArrowCap* made = nullptr;
    gp::GdipCreateAdjustableArrowCap(4.0f, 3.0f, TRUE, &made);
    gp::GdipSetAdjustableArrowCapMiddleInset(made, 1.0f);
    GpCustomLineCapOwner arrow(made);
    for (int b : {kPenPatternOption, kShapeFillBase, kFillToolFillBase}) {
        const bool pen = b == kPenPatternOption, fillTool = b == kFillToolFillBase;
        const BrushUser user = fillTool ? BrushUser::FillTool : BrushUser::ShapeTool;
        const int count = static_cast<int>(SendMessageW(ListFor(b, fillTool ? kToolFill : kToolShape), CB_GETCOUNT, 0, 0));
        const int named = pen ? 6 : 9;
        ASSERT_EQ(count, named + 53);
        Set(b + kFillGamma, 1);  // for the pen: option 34; its texture repeats by option 37
        Set(kShapeFillBase + kFillWrap, 3);
        if (!pen)
            for (auto [o, v] : {std::pair{kFillWrap, 2}, {kFillCentre, 1}, {kFillFocusX, 4}, {kFillFocusY, 2}, {kFillColours, 2}}) Set(b + o, v);
        GpPathOwner shape = Figure(pen);
        for (int i = 0; i < count; ++i) {
            SCOPED_TRACE(std::to_string(b) + " entry " + std::to_string(i));
            Set(b, i);
            // The brush the entry names, made directly (none for the pen's ｿﾘｯﾄﾞ).
            GpBrushOwner direct;
            const bool twoClick = fillTool && i == 4;
            if (i >= named) {
                Gdiplus::GpHatch* h = nullptr;
                gp::GdipCreateHatchBrush(static_cast<Gdiplus::GpHatchStyle>(i - named), cur, other, &h);
                direct.reset(h);
            } else if (i == 0 && !pen) {
                Gdiplus::GpSolidFill* f = nullptr;
                gp::GdipCreateSolidFill(fillTool ? cur : other, &f);
                direct.reset(f);
            } else if (i == named - 1) {  // ﾃｸｽﾁｬ...
                GpBitmapOwner tile;
                gp::GdipCreateBitmapFromFile(W(texture), tile.put());
                Gdiplus::GpTexture* t = nullptr;
                gp::GdipCreateTexture(tile.get(), Gdiplus::WrapModeTile, &t);
                direct.reset(t);
                gp::GdipSetTextureWrapMode(t, pen ? Gdiplus::WrapModeTileFlipXY : Gdiplus::WrapModeTileFlipY);
            } else if (i >= 1 && i <= 4) {  // the four linear gradients
                Gdiplus::GpLineGradient* line = nullptr;
                const Gdiplus::GpPointF from(5, 7), to(40, 33);
                if (twoClick)
                    gp::GdipCreateLineBrush(&from, &to, cur, other, Gdiplus::WrapModeTile, &line);
                else
                    gp::GdipCreateLineBrushFromRectI(&gr, cur, other, static_cast<Gdiplus::LinearGradientMode>(i - 1), Gdiplus::WrapModeTile, &line);
                direct.reset(line);
                gp::GdipSetLineGammaCorrection(line, TRUE);
                gp::GdipSetLineWrapMode(line, pen ? Gdiplus::WrapModeTileFlipX : twoClick ? Gdiplus::WrapModeTileFlipY : Gdiplus::WrapModeTile);
            } else if (i >= 5 && i <= 7) {  // circular: plain, 中間色 (3 colours), 頂点色 (3 colours)
                Gdiplus::GpPathGradient* g = nullptr;
                ASSERT_EQ(gp::GdipCreatePathGradientFromPath(shape.get(), &g), Gdiplus::Ok);
                direct.reset(g);
                gp::GdipSetPathGradientGammaCorrection(g, TRUE);
                gp::GdipSetPathGradientFocusScales(g, 0.2f, 0.1f);
                INT n = 0;
                gp::GdipGetPathGradientPointCount(g, &n);
                std::vector<Gdiplus::ARGB> surround(static_cast<size_t>(n), cur);
                for (INT k = 0; i == 7 && k < n; ++k) surround[static_cast<size_t>(k)] = 0xFF000000u | 0x101010u * static_cast<uint32_t>(k % 3);
                gp::GdipSetPathGradientSurroundColorsWithCount(g, surround.data(), &n);
                const Gdiplus::ARGB blend[] = {cur, 0xF5000000, 0xEB101010, 0xE1202020, other};
                const float at[] = {0.0f, 0.25f, 0.5f, 0.75f, 1.0f};
                if (i == 6) gp::GdipSetPathGradientPresetBlend(g, blend, at, 5);
                gp::GdipSetPathGradientCenterColor(g, other);
                const Gdiplus::GpPointF clicked(40, 33);
                if (fillTool) gp::GdipSetPathGradientCenterPoint(g, &clicked);  // 中心点 指定
            }
            // The same figure drawn with the program's pen or brush and with the direct one.
            GpBitmapOwner made, expected;
            if (pen) {
                GpPenOwner main = MakeMainPen(*editor, Slot(), r);
                ASSERT_TRUE(main);
                EXPECT_EQ(main.lastStatus(), Gdiplus::Ok);
                Gdiplus::GpDashCap dashCap{};
                gp::GdipGetPenDashCap197819(main.get(), &dashCap);
                EXPECT_EQ(dashCap, Gdiplus::DashCapTriangle);  // not drawn by Wine's GDI+
                made = Draw([&](Gdiplus::GpGraphics* g) { gp::GdipDrawPath(g, main.get(), shape.get()); });
                GpPenOwner reference;
                gp::GdipCreatePen1(cur, 5, Gdiplus::UnitWorld, reference.put());
                gp::GdipSetPenDashStyle(reference.get(), Gdiplus::DashStyleDashDot);
                gp::GdipSetPenDashCap197819(reference.get(), Gdiplus::DashCapTriangle);
                gp::GdipSetPenLineJoin(reference.get(), Gdiplus::LineJoinRound);
                gp::GdipSetPenCustomStartCap(reference.get(), arrow.get());
                gp::GdipSetPenEndCap(reference.get(), Gdiplus::LineCapRoundAnchor);
                if (direct) gp::GdipSetPenBrushFill(reference.get(), direct.get());
                expected = Draw([&](Gdiplus::GpGraphics* g) { gp::GdipDrawPath(g, reference.get(), shape.get()); });
            } else {
                if (twoClick) {  // the first click only marks the start
                    EXPECT_FALSE(MakeFillBrushOrFallback(*editor, Slot(), user, r, {5, 7}, shape.get()));
                    EXPECT_TRUE(Slot().gradientStart.set());
                }
                BrushRecordPtr brush = MakeFillBrush(*editor, Slot(), user, r, {40, 33}, shape.get());
                ASSERT_TRUE(brush);
                EXPECT_EQ(brush->status(), Gdiplus::Ok);
                EXPECT_FALSE(Slot().gradientStart.set());
                made = Draw([&](Gdiplus::GpGraphics* g) { gp::GdipFillPath(g, brush->get(), shape.get()); });
                expected = Draw([&](Gdiplus::GpGraphics* g) { gp::GdipFillPath(g, direct.get(), shape.get()); });
            }
            EXPECT_EQ(DifferentPixels(made.get(), expected.get(), 0), 0.0);
            EXPECT_GT(Drawn(made), 0.05);
        }
    }
}

// A texture file that is not chosen, missing or damaged gives pens and brushes that draw nothing;
// without a path a circular gradient gives no brush and the callers fall back to a solid one.
TEST_F(PensTest, UnreadableTexturesDrawNothingAndCallersFallBack) {
    const Text damaged = dir + u"\\damaged.png";
    HANDLE f = CreateFileW(W(damaged), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(f, "\x89PNG\r\n\x1a\nbroken", 14, &written, nullptr);
    CloseHandle(f);
    for (auto [o, v] : {std::pair{kPenPatternOption, 5}, {kShapeFillBase, 8}, {kFillToolFillBase, 8}, {kLineWidthOption, 6}}) Set(o, v);
    GpPathOwner ellipse = Figure(false);
    for (const Text& path : {Text(), dir + u"\\missing.png", damaged}) {
        for (int slot = 0; slot < kTextureSlotCount; ++slot) SetTextureFile(*editor, slot, path);
        GpPenOwner pen = MakeMainPen(*editor, Slot());
        ASSERT_TRUE(pen);
        EXPECT_NE(pen.lastStatus(), Gdiplus::Ok);
        EXPECT_EQ(Drawn(Draw([&](Gdiplus::GpGraphics* g) { gp::GdipDrawPath(g, pen.get(), ellipse.get()); })), 0.0) << Narrow(path);
        for (BrushUser user : {BrushUser::ShapeTool, BrushUser::FillTool}) {
            BrushRecordPtr brush = MakeFillBrushOrFallback(*editor, Slot(), user, {0, 0, 40, 40}, {1, 1}, ellipse.get());
            ASSERT_TRUE(brush);
            EXPECT_NE(brush->status(), Gdiplus::Ok);
            EXPECT_EQ(Drawn(Draw([&](Gdiplus::GpGraphics* g) { gp::GdipFillPath(g, brush->get(), ellipse.get()); })), 0.0) << Narrow(path);
        }
    }
    EXPECT_TRUE(shown.empty());
    Set(kShapeFillBase, 7);
    Set(kFillToolFillBase, 5);
    EXPECT_FALSE(MakeFillBrush(*editor, Slot(), BrushUser::ShapeTool, {}, {0, 0}, nullptr));
    for (BrushUser user : {BrushUser::ShapeTool, BrushUser::FillTool}) {
        BrushRecordPtr fallback = MakeFillBrushOrFallback(*editor, Slot(), user, {}, {0, 0}, nullptr);
        ASSERT_TRUE(fallback);
        Gdiplus::ARGB colour = 0;
        gp::GdipGetSolidFillColor(reinterpret_cast<Gdiplus::GpSolidFill*>(fallback->get()), &colour);
        EXPECT_EQ(colour, user == BrushUser::ShapeTool ? OtherColour(Slot()) : CurrentColour(Slot()));
    }
}

// "ﾃｸｽﾁｬ..." in each pattern list opens the dialog preset to the list's file; OK keeps the chosen
// file, Cancel the old one. Keys moving through a dropped list pass over the entry; closing the
// list on it with a choice opens the dialog, dismissing it does not.
TEST_F(PensTest, TextureDialogKeepsTheChosenFile) {
    Text choose, preset;
    std::string filter;
    int seen = 0;
    editor->dialogObserver = [&](HWND dlg, int id) {
        if (id != kTextureDialogId) return;
        ++seen;
        wchar_t buf[MAX_PATH] = {};
        GetDlgItemTextW(dlg, 0x470, buf, MAX_PATH);
        filter = Narrow(FromW(buf));
        SendMessageW(dlg, CDM_GETFILEPATH, MAX_PATH, reinterpret_cast<LPARAM>(buf));
        preset = FromW(buf);
        if (!choose.empty()) SendMessageW(dlg, CDM_SETCONTROLTEXT, GetDlgItem(dlg, 0x47C) ? 0x47C : 0x480, reinterpret_cast<LPARAM>(W(choose)));
        PostMessageW(dlg, WM_COMMAND, choose.empty() ? IDCANCEL : IDOK, 0);
    };
    struct Case {
        int tool, option, entry, slot;
        std::vector<Text> choices;  // empty: Cancel
    };
    for (const Case& c : {Case{kToolShape, kPenPatternOption, 5, 0, {texture, Text()}}, Case{kToolShape, kShapeFillBase, 8, 1, {texture}},
                          Case{kToolFill, kFillToolFillBase, 8, 2, {texture}}, Case{kToolText, kTextPatternOption, 5, 3, {texture}}}) {
        Slot().tool = c.tool;
        for (const Text& chosen : c.choices) {
            Set(c.option, 0);
            choose = chosen;
            seen = 0;
            const Text before = editor->textureFiles[static_cast<size_t>(c.slot)].path;
            Choose(ListFor(c.option, c.tool), c.entry);
            EXPECT_EQ(seen, 1) << c.option;
            EXPECT_EQ(filter, "画像ファイル (*.bmp; gif; jpg; png; tif; ico; wmf; emf)");
            if (!before.empty()) {
                EXPECT_EQ(preset, before);
            }
            EXPECT_EQ(Slot().toolSettings[static_cast<size_t>(c.option)], c.entry);
            const TextureFile& kept = editor->textureFiles[static_cast<size_t>(c.slot)];
            EXPECT_EQ(kept.path, chosen.empty() ? before : chosen);
            EXPECT_EQ(kept.ansiPath, Narrow(kept.path));  // the test's paths are ASCII
        }
    }
    Slot().tool = kToolShape;
    HWND list = ListFor(kPenPatternOption, kToolShape);
    choose.clear();
    seen = 0;
    SendMessageW(list, CB_SHOWDROPDOWN, TRUE, 0);
    ASSERT_TRUE(SendMessageW(list, CB_GETDROPPEDSTATE, 0, 0));
    for (int entry : {4, 5, 6, 5}) Choose(list, entry);
    SendMessageW(list, CB_SHOWDROPDOWN, FALSE, 0);  // dismissed
    EXPECT_EQ(seen, 0);
    SendMessageW(list, CB_SHOWDROPDOWN, TRUE, 0);
    Choose(list, 5);
    SendMessageW(list, WM_KEYDOWN, VK_RETURN, 0);  // chosen
    DrainMessages();
    EXPECT_EQ(seen, 1);
    editor->dialogObserver = nullptr;
}

// 40080 shows and hides the arrow window; typing and the ratio box change the program's arrow.
TEST_F(PensTest, ArrowWindowEditsTheArrow) {
    Send(cmd::kToolShape);
    Set(kShapeKindOption, 1);
    Set(kEndCapOption, 4);
    EXPECT_TRUE(ComputeAvailability(*editor).Enabled(cmd::kArrowEdit));
    HWND arrow = editor->arrowWindow;
    ASSERT_TRUE(arrow);
    EXPECT_FALSE(IsWindowVisible(arrow));
    Send(cmd::kArrowEdit);
    ASSERT_TRUE(IsWindowVisible(arrow));
    auto checked = [&] { return (GetMenuState(editor->frame.menu, cmd::kArrowEdit, MF_BYCOMMAND) & MF_CHECKED) != 0; };
    EXPECT_TRUE(checked());
    RECT a, v;
    GetWindowRect(arrow, &a);
    GetWindowRect(editor->frame.view, &v);
    EXPECT_EQ(a.top, v.top);  // at the view's top right
    SendMessageW(arrow, WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_EQ(editor->activeDialog, arrow);  // the message loop hands it its keys

    // The preview: a black line 5 wide that widens into the arrow (3 pen widths at its base).
    RECT pr;
    GetClientRect(GetDlgItem(arrow, IDC_ARROW_PREVIEW), &pr);
    HDC screen = GetDC(nullptr), dc = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, pr.right, pr.bottom);
    HGDIOBJ old = SelectObject(dc, bmp);
    DRAWITEMSTRUCT d{ODT_STATIC, IDC_ARROW_PREVIEW, 0, ODA_DRAWENTIRE, 0, GetDlgItem(arrow, IDC_ARROW_PREVIEW), dc, pr, 0};
    SendMessageW(arrow, WM_DRAWITEM, IDC_ARROW_PREVIEW, reinterpret_cast<LPARAM>(&d));
    int grey = 0, head = 0;
    auto darkRows = [&](int x) {
        int rows = 0;
        for (int y = 0; y < pr.bottom; ++y) {
            const int red = GetRValue(GetPixel(dc, x, y));
            if (red < 64)
                ++rows;
            else if (red < 200)
                ++grey;
        }
        return rows;
    };
    const int shaft = darkRows(pr.right / 4);
    for (int x = pr.right / 2; x < pr.right; ++x) head = std::max(head, darkRows(x));
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    EXPECT_GE(shaft, 4);
    EXPECT_LE(shaft, 6);
    EXPECT_GE(head, shaft + 6);
    if (!RunningUnderWine()) {
        EXPECT_GT(grey, 0) << "antialiased";  // Wine's GDI+ draws these lines without it
    }

    auto text = [&](int id) {
        wchar_t buf[16] = {};
        GetDlgItemTextW(arrow, id, buf, 16);
        return Narrow(FromW(buf));
    };
    auto range = [&](int spin) {
        int low = 0, high = 0;
        SendDlgItemMessageW(arrow, spin, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&low), reinterpret_cast<LPARAM>(&high));
        return std::to_string(low) + ".." + std::to_string(high);
    };
    auto type = [&](int id, const char* keys) {
        HWND edit = GetDlgItem(arrow, id);
        SetFocus(edit);  // the field left before shows its stored value again
        SendMessageW(edit, EM_SETSEL, 0, -1);
        for (const char* k = keys; *k; ++k) SendMessageW(edit, WM_CHAR, static_cast<WPARAM>(*k), 0);
    };
    auto stored = [&] { return std::to_string(editor->arrow.height) + " " + std::to_string(editor->arrow.width) + " " + std::to_string(editor->arrow.shape); };
    EXPECT_EQ(text(IDC_ARROW_HEIGHT) + " " + text(IDC_ARROW_WIDTH) + " " + text(IDC_ARROW_SHAPE), "40 30 10");
    EXPECT_EQ(range(IDC_ARROW_SPIN_HEIGHT) + " " + range(IDC_ARROW_SPIN_WIDTH) + " " + range(IDC_ARROW_SPIN_SHAPE), "10..1000 10..1000 -1000..40");
    type(IDC_ARROW_HEIGHT, "60");
    type(IDC_ARROW_WIDTH, "5");
    EXPECT_EQ(stored() + " " + text(IDC_ARROW_WIDTH), "60 10 10 5");  // stored as 10 at once
    type(IDC_ARROW_SHAPE, "-30");
    EXPECT_EQ(stored() + " " + text(IDC_ARROW_WIDTH) + " " + range(IDC_ARROW_SPIN_SHAPE), "60 10 -30 10 -1000..60");
    type(IDC_ARROW_WIDTH, "30");
    // 縦横比同じ: r = 0.5 and s = −0.5 from now on; 形状 follows 高さ and is disabled.
    SendDlgItemMessageW(arrow, IDC_ARROW_SAME_RATIO, BM_CLICK, 0, 0);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(arrow, IDC_ARROW_SHAPE)) || IsWindowEnabled(GetDlgItem(arrow, IDC_ARROW_SPIN_SHAPE)));
    EXPECT_EQ(range(IDC_ARROW_SPIN_HEIGHT), "20..1000");
    type(IDC_ARROW_HEIGHT, "100");
    EXPECT_EQ(stored() + " " + text(IDC_ARROW_WIDTH) + " " + text(IDC_ARROW_SHAPE), "100 50 -50 50 -50");
    type(IDC_ARROW_WIDTH, "40");
    EXPECT_EQ(stored() + " " + text(IDC_ARROW_HEIGHT), "80 40 -50 80");
    SendDlgItemMessageW(arrow, IDC_ARROW_SAME_RATIO, BM_CLICK, 0, 0);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(arrow, IDC_ARROW_SHAPE)));
    EXPECT_EQ(range(IDC_ARROW_SPIN_HEIGHT), "10..1000");

    // The close box hides it; 40080 toggles; another image hides it; the arrow stays.
    SendMessageW(arrow, WM_CLOSE, 0, 0);
    DrainMessages();  // the close box's Cancel arrives as a posted command
    EXPECT_FALSE(IsWindowVisible(arrow) || checked());
    Send(cmd::kArrowEdit);
    EXPECT_TRUE(IsWindowVisible(arrow));
    EXPECT_EQ(text(IDC_ARROW_HEIGHT), "80");
    Send(cmd::kArrowEdit);
    EXPECT_FALSE(IsWindowVisible(arrow));
    Send(cmd::kArrowEdit);
    ASSERT_TRUE(testing::NewImage(*editor, 10, 10, 96, 96, false));
    EXPECT_FALSE(IsWindowVisible(arrow));
    EXPECT_EQ(stored(), "80 40 -50");

    // The next pen's "→" is that arrow: 8.0 long, 4.0 wide, middle inset −5.0.
    Slot().colours = {0x000000, 0xFFFFFF};
    Set(kLineWidthOption, 3);
    Set(kEndCapOption, 4);
    GpPenOwner pen = MakeMainPen(*editor, Slot()), direct;
    gp::GdipCreatePen1(CurrentColour(Slot()), 3, Gdiplus::UnitWorld, direct.put());
    gp::GdipSetPenStartCap(direct.get(), Gdiplus::LineCapNoAnchor);
    Gdiplus::GpAdjustableArrowCap* made = nullptr;
    gp::GdipCreateAdjustableArrowCap(8.0f, 4.0f, TRUE, &made);
    gp::GdipSetAdjustableArrowCapMiddleInset(made, -5.0f);
    GpCustomLineCapOwner cap(made);
    gp::GdipSetPenCustomEndCap(direct.get(), cap.get());
    GpPathOwner zigzag = Figure(true);
    GpBitmapOwner drawn = Draw([&](Gdiplus::GpGraphics* g) { gp::GdipDrawPath(g, pen.get(), zigzag.get()); });
    EXPECT_GT(Drawn(drawn), 0.05);
    EXPECT_EQ(DifferentPixels(drawn.get(), Draw([&](Gdiplus::GpGraphics* g) { gp::GdipDrawPath(g, direct.get(), zigzag.get()); }).get(), 0), 0.0);
}

}  // namespace
}  // namespace mirelo
