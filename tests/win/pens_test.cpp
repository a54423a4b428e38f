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
#include "select/selection.h"
#include "ui/option_bands.h"

namespace mirelo {
namespace {
using namespace mirelo::testing;

constexpr int kSize = 48;
bool RunningUnderWine() { return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr; }
constexpr uint32_t kRed = 0x0000FF, kBlue = 0xFF0000;  // Win32 form

class PensTest : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        OpenWindow();
        ASSERT_TRUE(CreateNewImage(*editor, 40, 30, 96, 96, false));
        Slot().colours = {kRed, kBlue};
        Slot().colourTransparency = {0, 40};
        dir = MakeTempDir(L"pens");
        texture = dir + u"\\tile.png";
        ASSERT_TRUE(WritePicture(texture, 3, 5, 0xFF20C040));
        for (size_t i = 0; i < editor->colourSwatches.size(); ++i) editor->colourSwatches[i] = 0x101010u * static_cast<uint32_t>(i);
    }
    ImageSlot& Slot() { return *editor->Current(); }
    void Send(int id) { SendMessageW(editor->frame.mainWindow, WM_COMMAND, static_cast<WPARAM>(id), 0); }
    // The option bar's list that edits `option` with `tool`.
    static size_t ListFor(int option, int tool) {
        size_t i = 0;
        while (i < OptionControls().size() && OptionFor(OptionControls()[i], tool) != option) ++i;
        EXPECT_LT(i, OptionControls().size()) << "no list for option " << option;
        return std::min(i, OptionControls().size() - 1);
    }
    void Set(int option, int value) { Slot().toolSettings[static_cast<size_t>(option)] = value; }

    // A white canvas with `draw` done on it.
    static GpBitmapOwner Draw(const std::function<void(Gdiplus::GpGraphics*)>& draw) {
        GpBitmapOwner b;
        EXPECT_TRUE(CreateGpBitmap(b, kSize, kSize, fmt::k32ARGB));
        GpGraphicsOwner g;
        gp::GdipGetImageGraphicsContext(b.get(), g.put());
        gp::GdipGraphicsClear(g.get(), 0xFFFFFFFF);
        gp::GdipSetSmoothingMode(g.get(), Gdiplus::SmoothingModeAntiAlias);
        draw(g.get());
        return b;
    }
    static GpBitmapOwner Blank() {
        return Draw([](Gdiplus::GpGraphics*) {});
    }
    // The figures: an ellipse to fill and a zigzag to stroke.
    static GpPathOwner Figure(bool line) {
        GpPathOwner p;
        gp::GdipCreatePath(Gdiplus::FillModeAlternate, p.put());
        if (line) {
            const Gdiplus::GpPointF zig[] = {{6, 8}, {40, 14}, {8, 30}, {42, 40}};
            gp::GdipAddPathLine2(p.get(), zig, 4);
        } else {
            gp::GdipAddPathEllipseI(p.get(), 4, 6, 40, 36);
        }
        return p;
    }
    static GpPenOwner PenFilledWith(Gdiplus::GpBrush* brush, Gdiplus::ARGB colour, float width) {
        GpPenOwner pen;
        gp::GdipCreatePen1(colour, width, Gdiplus::UnitWorld, pen.put());
        gp::GdipSetPenStartCap(pen.get(), Gdiplus::LineCapNoAnchor);
        gp::GdipSetPenEndCap(pen.get(), Gdiplus::LineCapNoAnchor);
        if (brush) gp::GdipSetPenBrushFill(pen.get(), brush);
        return pen;
    }
    Text dir, texture;
};

// Every entry of "ﾊﾟﾀｰﾝ(線)：" and of "ﾊﾟﾀｰﾝ(塗)：" for both tools draws without error exactly what
// the brush that the entry names draws when made directly.
TEST_F(PensTest, EveryPatternDrawsAsTheSameBrushMadeDirectly) {
    for (int slot = 0; slot < kTextureSlotCount; ++slot) SetTextureFile(*editor, slot, texture);
    Set(kLineWidthOption, 5);
    const IntRect r{3, 4, 42, 40};
    const Gdiplus::GpRect gr(r.x, r.y, r.width, r.height);
    const Gdiplus::ARGB cur = CurrentColour(Slot()), other = OtherColour(Slot());
    EXPECT_EQ(cur, 0xFFFF0000u);
    EXPECT_EQ(other, 0xD70000FFu);
    struct List {
        int option;
        BrushUser user;
        bool pen;
    };
    for (const List& list : {List{kPenPatternOption, BrushUser::ShapeTool, true}, List{kShapeFillBase, BrushUser::ShapeTool, false},
                             List{kFillToolFillBase, BrushUser::FillTool, false}}) {
        const int b = list.option;
        const std::vector<Text> entries = ListEntries(OptionControls()[ListFor(b, list.user == BrushUser::FillTool ? kToolFill : kToolShape)]);
        const int named = list.pen ? 6 : 9;
        ASSERT_EQ(entries.size(), static_cast<size_t>(named + 53));
        Set(b + kFillGamma, 1);  // the pen's gamma is option 34, and its texture repeats by option 37
        if (list.pen) {
            Set(kShapeFillBase + kFillWrap, 3);
        } else {
            Set(b + kFillWrap, 2);
            Set(b + kFillFocusX, 4);
            Set(b + kFillFocusY, 2);
            Set(b + kFillColours, 2);
        }
        GpPathOwner shape = Figure(list.pen);
        for (int i = 0; i < static_cast<int>(entries.size()); ++i) {
            const std::string text = Narrow(entries[static_cast<size_t>(i)]);
            SCOPED_TRACE(std::to_string(b) + " entry " + std::to_string(i) + " " + text);
            Set(b, i);
            // The brush the entry names, made directly.
            GpBrushOwner direct;
            bool twoClick = false;
            if (i >= named) {
                Gdiplus::GpHatch* hatch = nullptr;
                gp::GdipCreateHatchBrush(static_cast<Gdiplus::GpHatchStyle>(i - named), cur, other, &hatch);
                direct.reset(hatch);
            } else if (text == "ｿﾘｯﾄﾞ") {
                Gdiplus::GpSolidFill* solid = nullptr;
                if (!list.pen) gp::GdipCreateSolidFill(list.user == BrushUser::ShapeTool ? other : cur, &solid);
                direct.reset(solid);
            } else if (text == "ﾃｸｽﾁｬ...") {
                GpBitmapOwner tile;
                gp::GdipCreateBitmapFromFile(W(texture), tile.put());
                Gdiplus::GpTexture* t = nullptr;
                gp::GdipCreateTexture(tile.get(), Gdiplus::WrapModeTile, &t);
                direct.reset(t);
                gp::GdipSetTextureWrapMode(t, list.pen ? Gdiplus::WrapModeTileFlipXY : Gdiplus::WrapModeTileFlipY);
            } else if (text.rfind("ｸﾞﾗﾃﾞｰｼｮﾝ(", 0) == 0) {
                twoClick = list.user == BrushUser::FillTool && i == 4;
                Gdiplus::GpLineGradient* line = nullptr;
                const Gdiplus::GpPointF from(5, 7), to(40, 33);
                if (twoClick)
                    gp::GdipCreateLineBrush(&from, &to, cur, other, Gdiplus::WrapModeTile, &line);
                else
                    gp::GdipCreateLineBrushFromRectI(&gr, cur, other, static_cast<Gdiplus::LinearGradientMode>(i - 1), Gdiplus::WrapModeTile, &line);
                direct.reset(line);
                gp::GdipSetLineGammaCorrection(line, TRUE);
                gp::GdipSetLineWrapMode(line, list.pen ? Gdiplus::WrapModeTileFlipX : twoClick ? Gdiplus::WrapModeTileFlipY : Gdiplus::WrapModeTile);
            } else {  // the circular gradients over the figure
                Gdiplus::GpPathGradient* g = nullptr;
                ASSERT_EQ(gp::GdipCreatePathGradientFromPath(shape.get(), &g), Gdiplus::Ok);
                direct.reset(g);
                gp::GdipSetPathGradientGammaCorrection(g, TRUE);
                gp::GdipSetPathGradientFocusScales(g, 0.2f, 0.1f);
                INT n = 0;
                gp::GdipGetPathGradientPointCount(g, &n);
                std::vector<Gdiplus::ARGB> surround(static_cast<size_t>(n), cur);
                if (text == "円形ｸﾞﾗﾃﾞｰｼｮﾝ(頂点色)")
                    for (INT k = 0; k < n; ++k) surround[static_cast<size_t>(k)] = 0xFF000000u | 0x101010u * static_cast<uint32_t>(k % 3);
                gp::GdipSetPathGradientSurroundColorsWithCount(g, surround.data(), &n);
                if (text == "円形ｸﾞﾗﾃﾞｰｼｮﾝ(中間色)") {
                    const Gdiplus::ARGB blend[] = {cur, 0xF5000000, 0xEB101010, 0xE1202020, other};
                    const float at[] = {0.0f, 0.25f, 0.5f, 0.75f, 1.0f};
                    gp::GdipSetPathGradientPresetBlend(g, blend, at, 5);
                }
                gp::GdipSetPathGradientCenterColor(g, other);
            }
            // The same figure drawn with the program's pen or brush and with the direct one.
            GpBitmapOwner made, expected;
            if (list.pen) {
                GpPenOwner pen = MakeMainPen(*editor, Slot(), r);
                ASSERT_TRUE(pen);
                EXPECT_EQ(pen.lastStatus(), Gdiplus::Ok);
                made = Draw([&](Gdiplus::GpGraphics* g) { gp::GdipDrawPath(g, pen.get(), shape.get()); });
                GpPenOwner reference = PenFilledWith(direct.get(), cur, 5);
                expected = Draw([&](Gdiplus::GpGraphics* g) { gp::GdipDrawPath(g, reference.get(), shape.get()); });
            } else {
                if (twoClick) {
                    EXPECT_FALSE(MakeFillBrushOrFallback(*editor, Slot(), list.user, r, {5, 7}, shape.get()));  // only the start
                    EXPECT_EQ(Slot().gradientStart.x, 5);
                }
                BrushRecordPtr brush = MakeFillBrush(*editor, Slot(), list.user, r, {40, 33}, shape.get());
                ASSERT_TRUE(brush);
                EXPECT_EQ(brush->status(), Gdiplus::Ok);
                EXPECT_FALSE(Slot().gradientStart.set());
                made = Draw([&](Gdiplus::GpGraphics* g) { gp::GdipFillPath(g, brush->get(), shape.get()); });
                expected = Draw([&](Gdiplus::GpGraphics* g) { gp::GdipFillPath(g, direct.get(), shape.get()); });
                if (i >= named) {
                    Gdiplus::GpHatchStyle style{};
                    gp::GdipGetHatchStyle(reinterpret_cast<Gdiplus::GpHatch*>(brush->get()), &style);
                    EXPECT_EQ(style, i - named);
                }
            }
            EXPECT_EQ(DifferentPixels(made.get(), expected.get(), 0), 0.0);
            EXPECT_GT(DifferentPixels(made.get(), Blank().get(), 0), 0.05);
        }
    }
}

// Dash style, dash cap, join and caps from the shape bar; "→" is the arrow of the editor's settings.
TEST_F(PensTest, PenStylesCapsAndArrows) {
    struct Case {
        int width, dash, tip, join, start, end;
        ArrowSettings arrow;
        Gdiplus::GpDashCap dashCap;
        ArrowCapSize expected;  // of the one arrow end
    };
    const Case cases[] = {
        {6, 3, 2, 2, 4, 2, {40, 30, 10}, Gdiplus::DashCapTriangle, {4.0f, 3.0f, 1.0f}},  // 始点 "→" 40, 30, 10
        {4, 1, 1, 1, 1, 4, {60, 50, -20}, Gdiplus::DashCapRound, {6.0f, 5.0f, -2.0f}},
        {7, 0, 0, 0, 3, 0, {}, Gdiplus::DashCapFlat, {}},
    };
    GpPathOwner line = Figure(true);
    for (const Case& c : cases) {
        SCOPED_TRACE("width " + std::to_string(c.width));
        Set(kLineWidthOption, c.width);
        Set(kDashOption, c.dash);
        Set(kPenTipOption, c.tip);
        Set(kJoinOption, c.join);
        Set(kStartCapOption, c.start);
        Set(kEndCapOption, c.end);
        editor->arrow = c.arrow;
        GpPenOwner pen = MakeMainPen(*editor, Slot());
        ASSERT_TRUE(pen);
        EXPECT_EQ(pen.lastStatus(), Gdiplus::Ok);
        Gdiplus::GpUnit unit{};
        gp::GdipGetPenUnit(pen.get(), &unit);
        EXPECT_EQ(unit, Gdiplus::UnitWorld);
        GpPenOwner direct = PenFilledWith(nullptr, CurrentColour(Slot()), static_cast<float>(c.width));
        gp::GdipSetPenDashStyle(direct.get(), static_cast<Gdiplus::GpDashStyle>(c.dash));
        gp::GdipSetPenDashCap197819(direct.get(), c.dashCap);
        gp::GdipSetPenLineJoin(direct.get(), static_cast<Gdiplus::GpLineJoin>(c.join));
        Gdiplus::GpAdjustableArrowCap* arrow = nullptr;
        gp::GdipCreateAdjustableArrowCap(c.expected.height, c.expected.width, TRUE, &arrow);
        gp::GdipSetAdjustableArrowCapMiddleInset(arrow, c.expected.middleInset);
        GpCustomLineCapOwner cap(arrow);
        for (bool start : {true, false}) {
            const int index = start ? c.start : c.end;
            if (index == 4)
                start ? gp::GdipSetPenCustomStartCap(direct.get(), cap.get()) : gp::GdipSetPenCustomEndCap(direct.get(), cap.get());
            else
                start ? gp::GdipSetPenStartCap(direct.get(), static_cast<Gdiplus::GpLineCap>(16 + index))
                      : gp::GdipSetPenEndCap(direct.get(), static_cast<Gdiplus::GpLineCap>(16 + index));
        }
        GpBitmapOwner made = Draw([&](Gdiplus::GpGraphics* g) { gp::GdipDrawPath(g, pen.get(), line.get()); });
        GpBitmapOwner expected = Draw([&](Gdiplus::GpGraphics* g) { gp::GdipDrawPath(g, direct.get(), line.get()); });
        EXPECT_EQ(DifferentPixels(made.get(), expected.get(), 0), 0.0);
    }
}

// A texture file that is missing, not chosen or damaged gives brushes and pens that draw nothing.
TEST_F(PensTest, UnreadableTexturesDrawNothing) {
    const Text damaged = dir + u"\\damaged.png";
    HANDLE f = CreateFileW(W(damaged), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(f, "\x89PNG\r\n\x1a\nbroken", 14, &written, nullptr);
    CloseHandle(f);
    Set(kPenPatternOption, 5);
    Set(kShapeFillBase, 8);
    Set(kFillToolFillBase, 8);
    Set(kLineWidthOption, 6);
    GpPathOwner ellipse = Figure(false);
    for (const Text& path : {Text(), dir + u"\\missing.png", damaged}) {
        SCOPED_TRACE(Narrow(path));
        for (int slot = 0; slot < kTextureSlotCount; ++slot) SetTextureFile(*editor, slot, path);
        GpPenOwner pen = MakeMainPen(*editor, Slot());
        ASSERT_TRUE(pen);
        EXPECT_NE(pen.lastStatus(), Gdiplus::Ok);
        EXPECT_EQ(DifferentPixels(Draw([&](Gdiplus::GpGraphics* g) { gp::GdipDrawPath(g, pen.get(), ellipse.get()); }).get(), Blank().get(), 0), 0.0);
        for (BrushUser user : {BrushUser::ShapeTool, BrushUser::FillTool}) {
            BrushRecordPtr brush = MakeFillBrushOrFallback(*editor, Slot(), user, {0, 0, 40, 40}, {1, 1}, ellipse.get());
            ASSERT_TRUE(brush);
            EXPECT_NE(brush->status(), Gdiplus::Ok);
            GpBitmapOwner filled = Draw([&](Gdiplus::GpGraphics* g) { gp::GdipFillPath(g, brush->get(), ellipse.get()); });
            EXPECT_EQ(DifferentPixels(filled.get(), Blank().get(), 0), 0.0);
        }
    }
    EXPECT_TRUE(shown.empty());
}

// The circular gradients' colours reach GDI+; without a path the caller falls back to a solid brush.
TEST_F(PensTest, CircularGradientsTheirColoursCentreAndFallback) {
    GpPathOwner square;
    gp::GdipCreatePath(Gdiplus::FillModeAlternate, square.put());
    gp::GdipAddPathRectangleI(square.get(), 2, 2, 30, 20);
    Set(kFillToolFillBase, 7);  // 頂点色, 16 colours on 4 points: 4 swatches
    Set(kFillToolFillBase + kFillColours, 15);
    Set(kFillToolFillBase + kFillCentre, 1);  // 指定: the clicked point
    BrushRecordPtr brush = MakeFillBrush(*editor, Slot(), BrushUser::FillTool, {}, {9, 11}, square.get());
    ASSERT_TRUE(brush);
    auto* g = reinterpret_cast<Gdiplus::GpPathGradient*>(brush->get());
    Gdiplus::ARGB surround[4] = {};
    INT n = 4;
    EXPECT_EQ(gp::GdipGetPathGradientSurroundColorsWithCount(g, surround, &n), Gdiplus::Ok);
    for (INT i = 0; i < 4; ++i) EXPECT_EQ(surround[i], 0xFF000000u | 0x101010u * static_cast<uint32_t>(i));
    Gdiplus::GpPointF centre;
    gp::GdipGetPathGradientCenterPoint(g, &centre);
    EXPECT_FLOAT_EQ(centre.X, 9.0f);
    EXPECT_FLOAT_EQ(centre.Y, 11.0f);

    Set(kShapeFillBase, 6);  // 中間色 with 1 colour: current, swatch 0 at 0.5, other
    Set(kShapeFillBase + kFillColours, 0);
    Set(kShapeFillBase + kFillCentre, 1);  // not read for the shape tool
    brush = MakeFillBrush(*editor, Slot(), BrushUser::ShapeTool, {}, {9, 11}, square.get());
    ASSERT_TRUE(brush);
    g = reinterpret_cast<Gdiplus::GpPathGradient*>(brush->get());
    INT count = 0;
    gp::GdipGetPathGradientPresetBlendCount(g, &count);
    ASSERT_EQ(count, 3);
    Gdiplus::ARGB blend[3] = {};
    float at[3] = {};
    gp::GdipGetPathGradientPresetBlend(g, blend, at, 3);
    EXPECT_EQ(blend[0], CurrentColour(Slot()));
    EXPECT_EQ(blend[1], 0xEB000000u);  // swatch 0, alpha 255 − trunc(40 × 0.5) − 0
    EXPECT_EQ(blend[2], OtherColour(Slot()));
    EXPECT_FLOAT_EQ(at[1], 0.5f);
    gp::GdipGetPathGradientCenterPoint(g, &centre);
    EXPECT_NE(centre.X, 9.0f);

    // No path: no brush, and the callers' solid fallbacks.
    EXPECT_FALSE(MakeFillBrush(*editor, Slot(), BrushUser::ShapeTool, {}, {0, 0}, nullptr));
    for (BrushUser user : {BrushUser::ShapeTool, BrushUser::FillTool}) {
        BrushRecordPtr fallback = MakeFillBrushOrFallback(*editor, Slot(), user, {}, {0, 0}, nullptr);
        ASSERT_TRUE(fallback);
        Gdiplus::ARGB colour = 0;
        gp::GdipGetSolidFillColor(reinterpret_cast<Gdiplus::GpSolidFill*>(fallback->get()), &colour);
        EXPECT_EQ(colour, user == BrushUser::ShapeTool ? OtherColour(Slot()) : CurrentColour(Slot()));
    }
}

TEST_F(PensTest, ReferenceRectangleFromThePathsOrTheDragBox) {
    Set(kLineWidthOption, 4);
    auto expect = [&](IntRect want) {
        const IntRect r = ReferenceRect(Slot(), {10, 12, 6, 8});
        EXPECT_EQ(std::to_string(r.x) + " " + std::to_string(r.y) + " " + std::to_string(r.width) + " " + std::to_string(r.height),
                  std::to_string(want.x) + " " + std::to_string(want.y) + " " + std::to_string(want.width) + " " + std::to_string(want.height));
    };
    expect({8, 10, 10, 12});  // the drag box
    Slot().drawPath.emplace();
    expect({8, 10, 10, 12});  // a drawPath without points
    const PointF points[] = {{3, 4}, {20, 9}};
    Slot().drawPath->AddLines(points, 2);
    expect({1, 2, 21, 9});
    Slot().otherPath.emplace();
    Slot().otherPath->AddRectangle(30, 5, 4, 6);
    expect({28, 3, 8, 10});
}

// "ﾃｸｽﾁｬ..." in a pattern list opens the texture dialog preset to the slot's file; OK keeps the
// chosen file, Cancel the old one.
TEST_F(PensTest, TextureDialogKeepsTheChosenFile) {
    struct Case {
        int tool, option, entry, slot;
    };
    const Text other = dir + u"\\other.png";
    ASSERT_TRUE(WritePicture(other, 2, 2, 0xFF000000));
    for (const Case& c : {Case{kToolShape, kPenPatternOption, 5, 0}, Case{kToolShape, kShapeFillBase, 8, 1},
                          Case{kToolFill, kFillToolFillBase, 8, 2}, Case{kToolText, kTextPatternOption, 5, 3}}) {
        SCOPED_TRACE(c.option);
        Slot().tool = c.tool;
        HWND combo = editor->frame.optionLists[ListFor(c.option, c.tool)];
        // Every list once; the pen's list also with Cancel and a second file.
        const std::vector<Text> choices = c.slot == 0 ? std::vector<Text>{texture, Text(), other} : std::vector<Text>{texture};
        for (const Text& choose : choices) {
            Set(c.option, 0);
            std::string filter;
            Text preset;
            int seen = 0;
            editor->dialogObserver = [&](HWND dlg, int id) {
                if (id != kTextureDialogId) return;
                ++seen;
                wchar_t buf[MAX_PATH] = {};
                GetDlgItemTextW(dlg, 0x470, buf, MAX_PATH);
                filter = Narrow(FromW(buf));
                SendMessageW(dlg, CDM_GETFILEPATH, MAX_PATH, reinterpret_cast<LPARAM>(buf));
                preset = FromW(buf);
                if (choose.empty()) {
                    PostMessageW(dlg, WM_COMMAND, IDCANCEL, 0);
                } else {
                    SendMessageW(dlg, CDM_SETCONTROLTEXT, GetDlgItem(dlg, 0x47C) ? 0x47C : 0x480, reinterpret_cast<LPARAM>(W(choose)));
                    PostMessageW(dlg, WM_COMMAND, IDOK, 0);
                }
            };
            const Text before = editor->textureFiles[static_cast<size_t>(c.slot)].path;
            SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(c.entry), 0);
            SendMessageW(GetParent(combo), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
            editor->dialogObserver = nullptr;
            EXPECT_EQ(seen, 1);
            EXPECT_EQ(filter, "画像ファイル (*.bmp; gif; jpg; png; tif; ico; wmf; emf)");
            if (!before.empty()) {
                EXPECT_EQ(preset, before);
            }
            EXPECT_EQ(Slot().toolSettings[static_cast<size_t>(c.option)], c.entry);
            const TextureFile& kept = editor->textureFiles[static_cast<size_t>(c.slot)];
            EXPECT_EQ(kept.path, choose.empty() ? before : choose);
            EXPECT_EQ(kept.ansiPath, Narrow(kept.path));  // the test's paths are ASCII
        }
    }
}

// Moving through a dropped pattern list with the keys passes over "ﾃｸｽﾁｬ..."; the dialog opens when
// the list closes on it with a choice, not when it is dismissed.
TEST_F(PensTest, DroppedListOpensTheTextureDialogWhenClosedOnIt) {
    Slot().tool = kToolShape;
    HWND combo = editor->frame.optionLists[ListFor(kPenPatternOption, kToolShape)];
    int seen = 0;
    editor->dialogObserver = [&](HWND dlg, int id) {
        if (id != kTextureDialogId) return;
        ++seen;
        PostMessageW(dlg, WM_COMMAND, IDCANCEL, 0);
    };
    auto pass = [&](int entry) {
        SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(entry), 0);
        SendMessageW(GetParent(combo), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
    };
    SendMessageW(combo, CB_SHOWDROPDOWN, TRUE, 0);
    ASSERT_TRUE(SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0));
    for (int entry : {4, 5, 6, 5}) pass(entry);
    SendMessageW(combo, CB_SHOWDROPDOWN, FALSE, 0);  // dismissed
    EXPECT_EQ(seen, 0);
    SendMessageW(combo, CB_SHOWDROPDOWN, TRUE, 0);
    pass(5);
    SendMessageW(combo, WM_KEYDOWN, VK_RETURN, 0);  // chosen
    DrainMessages();
    editor->dialogObserver = nullptr;
    EXPECT_EQ(seen, 1);
    EXPECT_EQ(Slot().toolSettings[kPenPatternOption], 5);
}

// 40080 shows and hides the arrow window; typing and the ratio box change the program's arrow.
TEST_F(PensTest, ArrowWindowEditsTheArrow) {
    Send(cmd::kToolShape);
    Set(kShapeKindOption, 1);
    Set(kEndCapOption, 4);
    RefreshMenuState(*editor);
    EXPECT_TRUE(ComputeAvailability(*editor).Enabled(cmd::kArrowEdit));
    HWND arrow = editor->frame.arrowWindow;
    ASSERT_TRUE(arrow);
    EXPECT_FALSE(IsWindowVisible(arrow));
    Send(cmd::kArrowEdit);
    ASSERT_TRUE(IsWindowVisible(arrow));
    EXPECT_TRUE(GetMenuState(editor->frame.menu, cmd::kArrowEdit, MF_BYCOMMAND) & MF_CHECKED);
    RECT a, v;
    GetWindowRect(arrow, &a);
    GetWindowRect(editor->frame.view, &v);
    EXPECT_EQ(a.top, v.top);
    SendMessageW(arrow, WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_EQ(editor->activeDialog, arrow);  // the message loop hands it its keys

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
        SetFocus(edit);
        SendMessageW(edit, EM_SETSEL, 0, -1);
        for (const char* k = keys; *k; ++k) SendMessageW(edit, WM_CHAR, static_cast<WPARAM>(*k), 0);
    };
    auto stored = [&] {
        return std::to_string(editor->arrow.height) + " " + std::to_string(editor->arrow.width) + " " + std::to_string(editor->arrow.shape);
    };
    EXPECT_EQ(text(IDC_ARROW_HEIGHT) + " " + text(IDC_ARROW_WIDTH) + " " + text(IDC_ARROW_SHAPE), "40 30 10");
    EXPECT_EQ(range(IDC_ARROW_SPIN_HEIGHT) + " " + range(IDC_ARROW_SPIN_WIDTH) + " " + range(IDC_ARROW_SPIN_SHAPE), "10..1000 10..1000 -1000..40");
    // The preview: a black line 5 wide, antialiased, widening into the arrow at its right end.
    RECT pr;
    HWND preview = GetDlgItem(arrow, IDC_ARROW_PREVIEW);
    GetClientRect(preview, &pr);
    HDC screen = GetDC(nullptr), dc = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, pr.right, pr.bottom);
    HGDIOBJ old = SelectObject(dc, bmp);
    DRAWITEMSTRUCT d{};
    d.CtlType = ODT_STATIC;
    d.CtlID = IDC_ARROW_PREVIEW;
    d.hwndItem = preview;
    d.hDC = dc;
    d.rcItem = pr;
    SendMessageW(arrow, WM_DRAWITEM, IDC_ARROW_PREVIEW, reinterpret_cast<LPARAM>(&d));
    auto darkRows = [&](int x, int* grey) {
        int rows = 0;
        for (int y = 0; y < pr.bottom; ++y) {
            const COLORREF c = GetPixel(dc, x, y);
            if (GetRValue(c) < 64 && GetGValue(c) < 64 && GetBValue(c) < 64) ++rows;
            else if (GetRValue(c) < 200) ++*grey;
        }
        return rows;
    };
    int grey = 0, head = 0;
    const int shaft = darkRows(pr.right / 4, &grey);
    for (int x = pr.right / 2; x < pr.right; ++x) head = std::max(head, darkRows(x, &grey));
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    EXPECT_GE(shaft, 4);
    EXPECT_LE(shaft, 6);
    EXPECT_GE(head, shaft + 6);  // 3 pen widths across at its base
    if (!RunningUnderWine()) {
        EXPECT_GT(grey, 0);  // Wine's GDI+ draws these lines without antialiasing
    }

    type(IDC_ARROW_HEIGHT, "60");
    type(IDC_ARROW_WIDTH, "5");  // stored as 10 at once, shown so when the field is left
    EXPECT_EQ(stored(), "60 10 10");
    EXPECT_EQ(text(IDC_ARROW_WIDTH), "5");
    type(IDC_ARROW_SHAPE, "-30");
    EXPECT_EQ(text(IDC_ARROW_WIDTH), "10");
    EXPECT_EQ(stored(), "60 10 -30");
    EXPECT_EQ(range(IDC_ARROW_SPIN_SHAPE), "-1000..60");
    type(IDC_ARROW_WIDTH, "30");

    // 縦横比同じ: r = 0.5 and s = −0.5 from now on; 形状 follows 高さ and is disabled.
    SendDlgItemMessageW(arrow, IDC_ARROW_SAME_RATIO, BM_CLICK, 0, 0);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(arrow, IDC_ARROW_SHAPE)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(arrow, IDC_ARROW_SPIN_SHAPE)));
    EXPECT_EQ(range(IDC_ARROW_SPIN_HEIGHT), "20..1000");
    type(IDC_ARROW_HEIGHT, "100");
    EXPECT_EQ(stored(), "100 50 -50");
    EXPECT_EQ(text(IDC_ARROW_WIDTH) + " " + text(IDC_ARROW_SHAPE), "50 -50");
    type(IDC_ARROW_WIDTH, "40");
    EXPECT_EQ(stored(), "80 40 -50");
    EXPECT_EQ(text(IDC_ARROW_HEIGHT), "80");
    SendDlgItemMessageW(arrow, IDC_ARROW_SAME_RATIO, BM_CLICK, 0, 0);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(arrow, IDC_ARROW_SHAPE)));
    EXPECT_EQ(range(IDC_ARROW_SPIN_HEIGHT), "10..1000");

    // The close box hides it; 40080 toggles; another image hides it too.
    SendMessageW(arrow, WM_CLOSE, 0, 0);
    DrainMessages();  // the close box's Cancel arrives as a posted command
    EXPECT_FALSE(IsWindowVisible(arrow));
    EXPECT_FALSE(GetMenuState(editor->frame.menu, cmd::kArrowEdit, MF_BYCOMMAND) & MF_CHECKED);
    Send(cmd::kArrowEdit);
    EXPECT_TRUE(IsWindowVisible(arrow));
    EXPECT_EQ(text(IDC_ARROW_HEIGHT), "80");
    Send(cmd::kArrowEdit);
    EXPECT_FALSE(IsWindowVisible(arrow));
    Send(cmd::kArrowEdit);
    ASSERT_TRUE(CreateNewImage(*editor, 10, 10, 96, 96, false));
    EXPECT_FALSE(IsWindowVisible(arrow));
    EXPECT_EQ(stored(), "80 40 -50");
}

}  // namespace
}  // namespace mirelo
