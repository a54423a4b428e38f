// The canvas view: layout and zoom, mapping, the back buffer with its grid, cursor coordinates
// and the unsaved-work reminder.
#include "harness.h"

#include <algorithm>
#include <set>
#include <string>

#include "app/tool.h"
#include "app/commands.h"
#include "ui/canvas.h"
#include "ui/option_bands.h"
#include "image/new_image.h"
#include "res/resource.h"
#include "edit/viewport.h"

namespace mirelo {
namespace {
using namespace mirelo::testing;

class ViewTest : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        HWND w = OpenWindow();
        SetWindowPos(w, nullptr, 0, 0, 900, 700, SWP_NOZORDER | SWP_NOMOVE);
    }
    SCROLLINFO Scroll(int bar) {
        SCROLLINFO si{sizeof si, SIF_ALL};
        GetScrollInfo(editor->frame.view, bar, &si);
        return si;
    }
    // Fills the current image: left half black, right half white.
    void HalfDarkHalfLight() {
        ImageSlot* s = editor->Current();
        GpGraphicsOwner g;
        gp::GdipGetImageGraphicsContext(s->bitmap.get(), g.put());
        GpBrushOwner black;
        gp::GdipCreateSolidFill(0xFF000000, reinterpret_cast<Gdiplus::GpSolidFill**>(black.put()));
        gp::GdipGraphicsClear(g.get(), 0xFFFFFFFF);
        gp::GdipFillRectangleI(g.get(), black.get(), 0, 0, s->width / 2, s->height);
    }
    void SendSpin(int delta) {
        NMUPDOWN n{};
        n.hdr.hwndFrom = editor->frame.zoomSpin;
        n.hdr.code = UDN_DELTAPOS;
        n.iPos = editor->Current()->zoom;
        n.iDelta = delta;
        SendMessageW(editor->frame.mainWindow, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&n));
    }
};

TEST_F(ViewTest, SmallImageIsCentredAtActualSizeWithoutScrolling) {
    ASSERT_TRUE(testing::NewImage(*editor, 100, 50, 96, 96, false));
    ImageSlot* s = editor->Current();
    EXPECT_EQ(s->zoom, 100);  // opening never enlarges
    int cw = editor->viewState.clientWidth, ch = editor->viewState.clientHeight;
    ASSERT_GT(cw, 300);
    EXPECT_EQ(s->originX, (cw - 100 + 1) / 2);
    EXPECT_EQ(s->originY, (ch - 50 + 1) / 2);
    SCROLLINFO h = Scroll(SB_HORZ);
    EXPECT_EQ(h.nMax, 101);
    EXPECT_EQ(static_cast<int>(h.nPage), std::min(cw, 102));  // the system caps the page at the range
    EXPECT_EQ(h.nPos, 0);
    EXPECT_EQ(FromW(std::wstring(L"100")), WindowText(editor->frame.zoomEdit));
    IntPoint p = editor->View().ToImage(s->originX + 5, s->originY + 6);
    EXPECT_EQ(p.x, 5);
    EXPECT_EQ(p.y, 6);
    EXPECT_TRUE(editor->View().InImage(s->originX, s->originY));
    EXPECT_FALSE(editor->View().InImage(s->originX - 1, s->originY));
}

TEST_F(ViewTest, LargeImageFitsAndZoomKeepsTheRelativePosition) {
    ASSERT_TRUE(testing::NewImage(*editor, 2000, 1500, 96, 96, false));
    ImageSlot* s = editor->Current();
    EXPECT_LT(s->zoom, 100);
    EXPECT_LE(s->zoomedWidth, editor->viewState.clientWidth);
    SendMessageW(editor->frame.mainWindow, WM_COMMAND, cmd::kActualSize, 0);
    EXPECT_EQ(s->zoom, 100);
    EXPECT_EQ(s->zoomedWidth, 2000);
    EXPECT_EQ(s->originX, 0);
    // Scroll to the middle, then zoom in: the view stays at the middle.
    SCROLLINFO h = Scroll(SB_HORZ);
    int middle = (h.nMax - static_cast<int>(h.nPage) + 1) / 2;
    ScrollViewTo(*editor, middle, 0);
    EXPECT_EQ(editor->viewState.scrollX, middle);
    SetZoom(*editor, 200);
    h = Scroll(SB_HORZ);
    double ratio = static_cast<double>(h.nPos) / (h.nMax - static_cast<int>(h.nPage) + 1);
    EXPECT_NEAR(ratio, 0.5, 0.01);
    EXPECT_EQ(editor->viewState.scrollX, h.nPos);
    // At 300 % the client point (originX + 7, originY + 7) is image pixel (2, 2) when unscrolled.
    SetZoom(*editor, 300);
    ScrollViewTo(*editor, 0, 0);
    IntPoint p = editor->View().ToImage(s->originX + 7, s->originY + 7);
    EXPECT_EQ(p.x, 2);
    EXPECT_EQ(p.y, 2);
    SendMessageW(editor->frame.mainWindow, WM_COMMAND, cmd::kFitWindow, 0);
    EXPECT_LT(s->zoom, 100);
}

TEST_F(ViewTest, SpinStepsFollowTheLadder) {
    ASSERT_TRUE(testing::NewImage(*editor, 20, 20, 96, 96, false));
    SetZoom(*editor, 80);
    std::vector<int> seen;
    for (int i = 0; i < 3; ++i) {
        SendSpin(1);
        seen.push_back(editor->Current()->zoom);
    }
    EXPECT_EQ(seen, (std::vector<int>{90, 100, 200}));
    SendSpin(-1);
    SendSpin(-1);
    EXPECT_EQ(editor->Current()->zoom, 90);
    EXPECT_EQ(WindowText(editor->frame.zoomEdit), u"90");
    EXPECT_EQ(SendMessageW(editor->frame.zoomSlider, TBM_GETPOS, 0, 0), 90);
    SetZoom(*editor, 150);
    SendSpin(-1);
    EXPECT_EQ(editor->Current()->zoom, 100);
    // The slider snaps to the ladder.
    SendMessageW(editor->frame.zoomSlider, TBM_SETPOS, TRUE, 1234);
    SendMessageW(editor->frame.mainWindow, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, 1234), reinterpret_cast<LPARAM>(editor->frame.zoomSlider));
    EXPECT_EQ(editor->Current()->zoom, 1200);
    EXPECT_EQ(SendMessageW(editor->frame.zoomSpin, UDM_GETPOS32, 0, 0), 1200);
}

TEST_F(ViewTest, GridAt300PercentContrastsWithTheImage) {
    ASSERT_TRUE(testing::NewImage(*editor, 60, 40, 96, 96, false));
    HalfDarkHalfLight();
    editor->settings.gridX = editor->settings.gridY = 10;
    SetZoom(*editor, 300);
    ImageSlot* s = editor->Current();
    GpBitmapOwner buffer;
    ASSERT_TRUE(RenderView(*editor, buffer));
    int ox = s->originX, oy = s->originY;
    // Vertical grid lines every 30 screen pixels from the image's corner.
    EXPECT_EQ(PixelAt(buffer.get(), ox + 30, oy + 5) & 0xFFFFFF, 0xFFFFFFu);   // over black: white
    EXPECT_EQ(PixelAt(buffer.get(), ox + 120, oy + 5) & 0xFFFFFF, 0x000000u);  // over white: black
    EXPECT_EQ(PixelAt(buffer.get(), ox + 45, oy + 30) & 0xFFFFFF, 0xFFFFFFu);  // horizontal line, dark half
    EXPECT_EQ(PixelAt(buffer.get(), ox + 31, oy + 5) & 0xFFFFFF, 0x000000u);   // off the lines: the image
    EXPECT_EQ(PixelAt(buffer.get(), ox + 121, oy + 5) & 0xFFFFFF, 0xFFFFFFu);
    // Outside the image: the button face.
    uint32_t face = ArgbFromWin32(GetSysColor(COLOR_BTNFACE)) & 0xFFFFFF;
    EXPECT_EQ(PixelAt(buffer.get(), ox - 3, oy + 5) & 0xFFFFFF, face);
    CaptureWindow(editor->frame.mainWindow, MakeTempDir(L"grid") + u"\\grid-300.png");

    // A 1-pixel grid is drawn only from 500 %.
    editor->settings.gridX = editor->settings.gridY = 1;
    SetZoom(*editor, 400);
    ASSERT_TRUE(RenderView(*editor, buffer));
    EXPECT_EQ(PixelAt(buffer.get(), s->originX + 4, s->originY + 1) & 0xFFFFFF, 0x000000u);
    SetZoom(*editor, 500);
    ASSERT_TRUE(RenderView(*editor, buffer));
    EXPECT_EQ(PixelAt(buffer.get(), s->originX + 5, s->originY + 1) & 0xFFFFFF, 0xFFFFFFu);
}

TEST_F(ViewTest, ObjectsLieUnderTheGridAndOutlinesAndStayInTheImage) {
    // A 40 × 30 white image with a 10-pixel grid, a selection, and a selected red 30 × 30 picture
    // object at (25, 15) that reaches past the image's right and bottom edges.
    ASSERT_TRUE(testing::NewImage(*editor, 40, 30, 96, 96, false));
    SetZoom(*editor, 100);
    ImageSlot* s = editor->Current();
    editor->settings.gridX = editor->settings.gridY = 10;
    PasteObject o;
    ASSERT_TRUE(CreateGpBitmap(o.bitmap, 30, 30, fmt::k32ARGB));
    {
        GpGraphicsOwner g;
        gp::GdipGetImageGraphicsContext(o.bitmap.get(), g.put());
        gp::GdipGraphicsClear(g.get(), 0xFFFF0000);
    }
    o.x = 25;
    o.y = 15;
    o.width = o.height = 30;
    o.skewX = 55;
    o.skewY = 15;
    o.outline.AddRectangle(0, 0, 30, 30);
    s->pasteObjects.items.push_back(std::move(o));
    s->pasteObjects.selected = 0;
    s->selectionPath.emplace();
    s->selectionPath->AddRectangle(27, 17, 6, 6);
    GpBitmapOwner buffer;
    ASSERT_TRUE(RenderView(*editor, buffer));
    const int ox = s->originX, oy = s->originY;
    const uint32_t face = ArgbFromWin32(GetSysColor(COLOR_BTNFACE)) & 0xFFFFFF;
    auto at = [&](int x, int y) { return PixelAt(buffer.get(), ox + x, oy + y) & 0xFFFFFF; };
    auto anyNot = [&](uint32_t colour, int x0, int x1, int y) {
        for (int x = x0; x <= x1; ++x)
            if (at(x, y) != colour) return true;
        return false;
    };
    EXPECT_EQ(at(36, 26), 0xFF0000u);  // the object, off every line
    EXPECT_NE(at(30, 26), 0xFF0000u);  // the grid line x = 30 over it
    EXPECT_TRUE(anyNot(0xFF0000u, 26, 28, 22));  // the selection's outline over it
    // Past the image's edge the object is not drawn …
    EXPECT_EQ(at(45, 26), face);
    EXPECT_EQ(at(36, 35), face);
    // … but its frame and its skew handle (lower-left corner at (55, 15)) are.
    EXPECT_TRUE(anyNot(face, 54, 56, 35));
    EXPECT_EQ(at(59, 10), 0xFFFFFFu);
}

TEST_F(ViewTest, ImagePixelsAreScaledNearestNeighbour) {
    ASSERT_TRUE(testing::NewImage(*editor, 3, 2, 96, 96, false));
    ImageSlot* s = editor->Current();
    gp::GdipBitmapSetPixel(s->bitmap.get(), 1, 0, 0xFFFF0000);
    gp::GdipBitmapSetPixel(s->bitmap.get(), 2, 1, 0xFF0000FF);
    SetZoom(*editor, 1000);
    GpBitmapOwner buffer;
    ASSERT_TRUE(RenderView(*editor, buffer));
    int ox = s->originX, oy = s->originY;
    for (int dy = 0; dy < 10; ++dy)
        for (int dx = 0; dx < 10; ++dx) {
            ASSERT_EQ(PixelAt(buffer.get(), ox + 10 + dx, oy + dy) & 0xFFFFFF, 0xFF0000u) << dx << "," << dy;
            ASSERT_EQ(PixelAt(buffer.get(), ox + 20 + dx, oy + 10 + dy) & 0xFFFFFF, 0x0000FFu) << dx << "," << dy;
            ASSERT_EQ(PixelAt(buffer.get(), ox + dx, oy + dy) & 0xFFFFFF, 0xFFFFFFu) << dx << "," << dy;
        }
}

TEST_F(ViewTest, CursorCoordinatesGoToTheStatusBar) {
    ASSERT_TRUE(testing::NewImage(*editor, 50, 50, 96, 96, false));
    SendMessageW(editor->frame.mainWindow, WM_COMMAND, cmd::kCursorCoords, 0);
    SetZoom(*editor, 200);
    ImageSlot* s = editor->Current();
    SendMessageW(editor->frame.view, WM_MOUSEMOVE, 0, MAKELPARAM(s->originX + 21, s->originY + 9));
    wchar_t buf[64] = {};
    SendMessageW(editor->frame.statusBar, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(buf));
    EXPECT_STREQ(buf, L" 10, 4");
    ReleaseCapture();
    // While the menu-dismissed flag is set, moves are ignored.
    editor->menuDismissed = true;
    SendMessageW(editor->frame.view, WM_MOUSEMOVE, 0, MAKELPARAM(s->originX + 1, s->originY + 1));
    SendMessageW(editor->frame.statusBar, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(buf));
    EXPECT_STREQ(buf, L" 10, 4");
    SendMessageW(editor->frame.view, WM_LBUTTONUP, 0, 0);
    EXPECT_FALSE(editor->menuDismissed);
}

TEST_F(ViewTest, ReminderMarqueeAfterThirtyMinutes) {
    uint64_t now = 5000;
    editor->clock = [&] { return now; };
    editor->reminder = SaveReminder(now);
    SendMessageW(editor->frame.view, WM_TIMER, 1, 0);
    EXPECT_EQ(WindowText(editor->frame.mainWindow), u"Mirelo");
    now += SaveReminder::kDelayMs + 1;
    for (int k = 0; k <= 20; ++k) {
        SendMessageW(editor->frame.view, WM_TIMER, 1, 0);
        now += 200;
    }
    EXPECT_EQ(WindowText(editor->frame.mainWindow), u"Mirelo　・・・　３０分間、保存が行われていません");
    for (int k = 21; k <= 30; ++k) {
        SendMessageW(editor->frame.view, WM_TIMER, 1, 0);
        now += 200;
    }
    EXPECT_EQ(WindowText(editor->frame.mainWindow), u"Mirelo");
}

TEST_F(ViewTest, EachImageKeepsItsZoom) {
    ASSERT_TRUE(testing::NewImage(*editor, 40, 40, 96, 96, false));
    SetZoom(*editor, 400);
    ASSERT_TRUE(testing::NewImage(*editor, 40, 40, 96, 96, false));
    EXPECT_EQ(editor->Current()->zoom, 100);
    SendMessageW(editor->frame.mainWindow, WM_COMMAND, 10000, 0);
    EXPECT_EQ(editor->Current()->zoom, 400);
    EXPECT_EQ(WindowText(editor->frame.zoomEdit), u"400");
    EXPECT_EQ(editor->Current()->zoomedWidth, 160);
}

TEST_F(ViewTest, GridDialogAppliesAtOnceAndCancelRestores) {
    ASSERT_TRUE(testing::NewImage(*editor, 40, 30, 96, 96, false));
    SendMessageW(editor->frame.mainWindow, WM_COMMAND, 40070, 0);  // 16 px
    int seen = 0;
    editor->dialogObserver = [&](HWND dlg, int id) {
        ASSERT_EQ(id, IDD_GRID);
        ++seen;
        EXPECT_EQ(GetDlgItemInt(dlg, IDC_GRID_SPACING_X, nullptr, FALSE), 16u);
        EXPECT_EQ(SendDlgItemMessageW(dlg, IDC_GRID_SPACING_X, EM_GETLIMITTEXT, 0, 0), 4);
        SetDlgItemTextW(dlg, IDC_GRID_SPACING_Y, L"8");
        EXPECT_EQ(editor->settings.gridY, 8);  // applied at once
        EXPECT_EQ(editor->settings.gridX, 16);
        SetDlgItemTextW(dlg, IDC_GRID_OFFSET_X, L"99");  // above the width: the width
        EXPECT_EQ(GetDlgItemInt(dlg, IDC_GRID_OFFSET_X, nullptr, FALSE), 40u);
        EXPECT_EQ(editor->settings.gridOffsetX, 40);
        EXPECT_TRUE((GetMenuState(editor->frame.menu, 40079, MF_BYCOMMAND) & MF_CHECKED) != 0);
        PostMessageW(dlg, WM_COMMAND, IDCANCEL, 0);
    };
    SendMessageW(editor->frame.mainWindow, WM_COMMAND, 40079, 0);
    EXPECT_EQ(seen, 1);
    EXPECT_EQ(editor->settings.gridY, 16);  // Cancel restores the values held at opening
    EXPECT_EQ(editor->settings.gridOffsetX, 0);
    EXPECT_TRUE((GetMenuState(editor->frame.menu, 40070, MF_BYCOMMAND) & MF_CHECKED) != 0);
    editor->dialogObserver = [&](HWND dlg, int) {
        SetDlgItemTextW(dlg, IDC_GRID_SPACING_X, L"5");
        PostMessageW(dlg, WM_COMMAND, IDOK, 0);
    };
    SendMessageW(editor->frame.mainWindow, WM_COMMAND, 40079, 0);
    EXPECT_EQ(editor->settings.gridX, 5);
    EXPECT_EQ(editor->settings.gridY, 16);
}

// Records what the view hands a tool; `takes` makes it keep events from the tools after it.
class RecordingTool : public Tool {
public:
    explicit RecordingTool(std::vector<std::string>& log, const char* name, bool takes) : log_(log), name_(name), takes_(takes) {}
    bool Press(Editor&, ImageSlot&, const ToolEvent& ev) override { return Note("press", ev); }
    bool Move(Editor&, ImageSlot&, const ToolEvent& ev) override { return Note("move", ev); }
    bool Release(Editor&, ImageSlot&, const ToolEvent& ev) override { return Note("release", ev); }
    bool DoubleClick(Editor&, ImageSlot&, const ToolEvent& ev) override { return Note("double", ev); }
    void DrawOverlay(Editor&, ImageSlot&, const OverlayTarget& t) override {
        if (t.graphics) log_.push_back(name_ + " overlay");
    }

private:
    bool Note(const char* what, const ToolEvent& ev) {
        log_.push_back(name_ + " " + what + " " + std::to_string(ev.image.x) + "," + std::to_string(ev.image.y));
        return takes_;
    }
    std::vector<std::string>& log_;
    std::string name_;
    bool takes_;
};

TEST_F(ViewTest, MouseEventsGoToThePasteObjectsFirstThenTheCurrentTool) {
    ASSERT_TRUE(testing::NewImage(*editor, 50, 40, 96, 96, false));
    SetZoom(*editor, 200);
    std::vector<std::string> log;
    editor->tools[kPasteObjectHandling] = std::make_unique<RecordingTool>(log, "objects", false);
    editor->tools[kToolFill] = std::make_unique<RecordingTool>(log, "fill", false);
    editor->Current()->tool = kToolFill;
    const ImageSlot* s = editor->Current();
    const LPARAM at = MAKELPARAM(s->originX + 21, s->originY + 9);  // pixel 10, 4
    SendMessageW(editor->frame.view, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(editor->frame.view, WM_MOUSEMOVE, MK_LBUTTON, at);
    SendMessageW(editor->frame.view, WM_LBUTTONUP, 0, at);
    SendMessageW(editor->frame.view, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    ReleaseCapture();
    const std::vector<std::string> expected = {"objects press 10,4",   "fill press 10,4",   "objects move 10,4", "fill move 10,4",
                                               "objects release 10,4", "fill release 10,4", "objects double 10,4",
                                               "fill double 10,4"};
    EXPECT_EQ(log, expected);

    // An object that takes the press keeps it from the tool; both draw above the image.
    log.clear();
    editor->tools[kPasteObjectHandling] = std::make_unique<RecordingTool>(log, "objects", true);
    SendMessageW(editor->frame.view, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ReleaseCapture();
    EXPECT_EQ(log, std::vector<std::string>{"objects press 10,4"});
    log.clear();
    GpBitmapOwner buffer;
    ASSERT_TRUE(RenderView(*editor, buffer));
    EXPECT_EQ(log, (std::vector<std::string>{"objects overlay", "fill overlay"}));
    // A press outside the image reaches nobody.
    log.clear();
    SendMessageW(editor->frame.view, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(s->originX - 3, s->originY));
    EXPECT_TRUE(log.empty());
}

TEST_F(ViewTest, ToolCursorsAreLoaded) {
    for (int id : {IDC_CURSOR_PEN, IDC_CURSOR_BUCKET, IDC_CURSOR_EYEDROPPER, IDC_CURSOR_TEXT, IDC_CURSOR_HAND, IDC_CURSOR_SKEW,
                   IDC_CURSOR_BRUSH, IDC_CURSOR_WAND}) {
        HCURSOR c = LoadCursorW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id));
        EXPECT_NE(c, nullptr) << id;
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(c, &info)) << id;
        EXPECT_FALSE(info.fIcon);
        if (info.hbmMask) DeleteObject(info.hbmMask);
        if (info.hbmColor) DeleteObject(info.hbmColor);
    }
    // The view loaded every tool's own cursor and the shared ones.
    for (const ToolDescriptor* tool : Tools()) {
        if (tool->cursor == 0) continue;
        EXPECT_NE(editor->viewState.toolCursors[static_cast<size_t>(tool->id)], nullptr) << tool->id;
    }
    for (CursorId id : {CursorId::Skew, CursorId::Wand, CursorId::Hand})
        EXPECT_NE(editor->viewState.Cursor(id), nullptr) << static_cast<int>(id);
}

// Every tool id has one registered tool, and each tool brings everything it needs: the tool
// itself, a button of the tool bar that chooses it and shows its image, a cursor (or the arrow)
// and a band rule of the option bar.
TEST_F(ViewTest, EveryToolIsRegisteredWhole) {
    size_t count = 0;
    const ToolBarButton* buttons = ToolButtons(&count);
    std::set<int> ids, commands;
    for (const ToolDescriptor* tool : Tools()) {
        SCOPED_TRACE(tool->id);
        EXPECT_TRUE(IsToolId(tool->id));
        EXPECT_TRUE(ids.insert(tool->id).second) << "registered twice";
        EXPECT_EQ(FindTool(tool->id), tool);
        EXPECT_EQ(FindToolByCommand(tool->command), tool);
        EXPECT_TRUE(commands.insert(tool->command).second);
        EXPECT_TRUE(std::any_of(buttons, buttons + count, [&](const ToolBarButton& b) { return b.command == tool->command; }));
        if (tool->paletteCommand != 0) {
            EXPECT_EQ(FindToolByCommand(tool->paletteCommand), tool);
            EXPECT_TRUE(commands.insert(tool->paletteCommand).second);
        }
        EXPECT_NE(tool->icon, nullptr);
        EXPECT_NE(editor->tools[static_cast<size_t>(tool->id)], nullptr);
        EXPECT_TRUE(HasBandRule(tool->id));
        // The tool bar shows its button and checks it while the tool is current.
        EXPECT_GE(SendMessageW(editor->frame.toolBar, TB_COMMANDTOINDEX, static_cast<WPARAM>(tool->command), 0), 0);
    }
    for (int id = kFirstTool; id <= kLastTool; ++id) EXPECT_NE(FindTool(id), nullptr) << id;
    EXPECT_EQ(ids.size(), count);
    EXPECT_EQ(FindToolByCommand(0), nullptr);
    EXPECT_FALSE(HasBandRule(0));
    EXPECT_FALSE(HasBandRule(kLastTool + 1));
}

}  // namespace
}  // namespace mirelo

namespace mirelo {
namespace {

// Timings of the view's back buffer for a large image; run with --gtest_also_run_disabled_tests.
TEST_F(ViewTest, DISABLED_RenderTimings) {
    DWORD t0 = GetTickCount();
    ASSERT_TRUE(testing::NewImage(*editor, 4096, 4096, 96, 96, false));
    printf("new 4096 x 4096 image (fill, thumbnail, fit): %lu ms\n", GetTickCount() - t0);
    auto time = [&](const char* what) {
        GpBitmapOwner buffer;
        LARGE_INTEGER f, a, b;
        QueryPerformanceFrequency(&f);
        QueryPerformanceCounter(&a);
        const int runs = 20;
        for (int i = 0; i < runs; ++i) ASSERT_TRUE(RenderView(*editor, buffer));
        QueryPerformanceCounter(&b);
        printf("%-28s zoom %4d: %.2f ms per frame\n", what, editor->Current()->zoom,
               1000.0 * static_cast<double>(b.QuadPart - a.QuadPart) / f.QuadPart / runs);
    };
    time("fitted");
    SetZoom(*editor, 5000);
    time("5000 %");
    ScrollViewTo(*editor, 100000, 80000);
    time("5000 %, scrolled");
    SetZoom(*editor, 100);
    time("100 %");
}

}  // namespace
}  // namespace mirelo
