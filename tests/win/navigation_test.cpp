// Moving around a large picture with the wheel, the keys and panning drags, sent as the system
// sends them to the view and the main window.
#include "app/commands.h"
#include "harness.h"
#include "res/resource.h"
#include "select/selection.h"
#include "ui/canvas.h"
#include "edit/viewport.h"

namespace mirelo {
namespace {
using testing::EditorTest;

class NavigationTest : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        HWND w = OpenWindow(SW_SHOWNOACTIVATE);
        SetWindowPos(w, nullptr, 0, 0, 900, 700, SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
        UpdateWindow(w);
        ASSERT_TRUE(testing::NewImage(*editor, 2560, 1600, 96, 96, false));
        SetZoom(*editor, 100);
        ScrollViewTo(*editor, 0, 0);
    }
    // A wheel message as the system sends it: the pointer in screen coordinates.
    void Wheel(HWND target, UINT msg, int delta, WORD keys, POINT client) {
        ClientToScreen(editor->frame.view, &client);
        SendMessageW(target, msg, MAKEWPARAM(keys, static_cast<WORD>(static_cast<short>(delta))), MAKELPARAM(client.x, client.y));
    }
    void Mouse(UINT msg, WPARAM keys, POINT p) { SendMessageW(editor->frame.view, msg, keys, MAKELPARAM(p.x, p.y)); }
    int Zoom() { return editor->Current()->zoom; }
    POINT Scroll() { return POINT{editor->viewState.scrollX, editor->viewState.scrollY}; }
};

// Ctrl+wheel zooms a step at a time about the pointer: the pixel under it stays under it, in and
// out, also when the steps come as a touchpad's fine deltas; the zoom box follows.
TEST_F(NavigationTest, CtrlWheelZoomsAboutThePointer) {
    const POINT p{300, 200};
    const IntPoint pixel = editor->View().ToImage(p.x, p.y);
    const struct Step {
        int delta, times, zoom;
    } steps[] = {{120, 1, 150}, {120, 1, 200}, {40, 3, 300}, {-120, 2, 150}, {120, 1, 200}};
    for (const Step& s : steps) {
        for (int i = 0; i < s.times; ++i) Wheel(editor->frame.view, WM_MOUSEWHEEL, s.delta, MK_CONTROL, p);
        ASSERT_EQ(Zoom(), s.zoom);
        EXPECT_EQ(WindowText(editor->frame.zoomEdit), ToText(s.zoom));
        // The pixel under the pointer is the same one (a screen pixel off at most).
        const IntPoint now = editor->View().ToImage(p.x, p.y);
        const IntPoint left = editor->View().ToImage(p.x - 1, p.y - 1), right = editor->View().ToImage(p.x + 1, p.y + 1);
        EXPECT_TRUE(left.x <= pixel.x && pixel.x <= right.x) << s.zoom << ": " << now.x << " for " << pixel.x;
        EXPECT_TRUE(left.y <= pixel.y && pixel.y <= right.y) << s.zoom << ": " << now.y << " for " << pixel.y;
    }
}

// The wheel scrolls down, Shift+wheel and the tilt wheel sideways; a wheel message that reached
// the main window (which holds the focus) scrolls the view under the pointer.
TEST_F(NavigationTest, WheelScrollsTheView) {
    const POINT p{300, 200};
    Wheel(editor->frame.view, WM_MOUSEWHEEL, -120, 0, p);
    const POINT down = Scroll();
    EXPECT_EQ(down.x, 0);
    EXPECT_GT(down.y, 0);
    Wheel(editor->frame.mainWindow, WM_MOUSEWHEEL, -120, 0, p);
    EXPECT_EQ(Scroll().y, 2 * down.y);
    Wheel(editor->frame.view, WM_MOUSEWHEEL, 120, 0, p);
    EXPECT_EQ(Scroll().y, down.y);
    Wheel(editor->frame.view, WM_MOUSEWHEEL, -120, MK_SHIFT, p);
    EXPECT_GT(Scroll().x, 0);
    const int x = Scroll().x;
    Wheel(editor->frame.view, WM_MOUSEHWHEEL, 120, 0, p);
    EXPECT_GT(Scroll().x, x);
    EXPECT_EQ(Scroll().y, down.y);
    // At the end of the picture the wheel stops.
    for (int i = 0; i < 200; ++i) Wheel(editor->frame.view, WM_MOUSEWHEEL, -120, 0, p);
    const int bottom = Scroll().y;
    EXPECT_EQ(bottom, editor->Current()->zoomedHeight + 1 - editor->viewState.clientHeight + 1);
}

// Keys with the focus on the main window: Ctrl++ and Ctrl+− step the zoom, Ctrl+0 fits the window,
// Ctrl+1 shows 100 %; arrows and Page Down scroll, Home goes back to the top.
TEST_F(NavigationTest, KeysZoomAndScroll) {
    BYTE keys[256];
    GetKeyboardState(keys);
    BYTE ctrl[256];
    std::copy(std::begin(keys), std::end(keys), ctrl);
    ctrl[VK_CONTROL] = 0x80;
    const auto Key = [&](WPARAM vk, bool withCtrl) {
        SetKeyboardState(withCtrl ? ctrl : keys);
        SendMessageW(editor->frame.mainWindow, WM_KEYDOWN, vk, 0);
        SetKeyboardState(keys);
    };
    Key(VK_ADD, true);
    EXPECT_EQ(Zoom(), 150);
    Key(VK_OEM_MINUS, true);
    Key(VK_OEM_MINUS, true);
    EXPECT_EQ(Zoom(), 67);
    Key('0', true);
    EXPECT_LT(Zoom(), 67);  // the whole picture in the window
    Key('1', true);
    EXPECT_EQ(Zoom(), 100);
    Key('1', false);  // a digit alone does nothing
    EXPECT_EQ(Zoom(), 100);
    const POINT start = Scroll();
    Key(VK_DOWN, false);
    Key(VK_RIGHT, false);
    const POINT line = Scroll();
    EXPECT_GT(line.x, start.x);
    EXPECT_EQ(line.y - start.y, line.x - start.x);
    Key(VK_NEXT, false);
    EXPECT_GT(Scroll().y, line.y + editor->viewState.clientHeight / 2);
    Key(VK_HOME, false);
    EXPECT_EQ(Scroll().y, 0);
    EXPECT_EQ(Scroll().x, line.x);
}

// A middle-button drag, or a drag with Space held, moves the picture with the hand; the polygon
// being clicked keeps its points, and no tool sees the drag.
TEST_F(NavigationTest, PanningLeavesTheToolAlone) {
    Send(cmd::kToolSelect);
    editor->Current()->toolSettings[kSelectionShapeOption] = kSelectPolygon;
    for (POINT p : {POINT{100, 100}, POINT{300, 120}}) {
        Mouse(WM_LBUTTONDOWN, MK_LBUTTON, p);
        Mouse(WM_LBUTTONUP, 0, p);
    }
    ASSERT_TRUE(editor->Current()->selectionPath);
    const size_t points = editor->Current()->selectionPath->size();
    ScrollViewTo(*editor, 500, 400);

    Mouse(WM_MBUTTONDOWN, MK_MBUTTON, POINT{400, 300});
    Mouse(WM_MOUSEMOVE, MK_MBUTTON, POINT{350, 320});
    Mouse(WM_MOUSEMOVE, MK_MBUTTON, POINT{300, 340});
    Mouse(WM_MBUTTONUP, 0, POINT{300, 340});
    EXPECT_EQ(Scroll().x, 600);
    EXPECT_EQ(Scroll().y, 360);

    BYTE keys[256];
    GetKeyboardState(keys);
    BYTE space[256];
    std::copy(std::begin(keys), std::end(keys), space);
    space[VK_SPACE] = 0x80;
    SetKeyboardState(space);
    Mouse(WM_LBUTTONDOWN, MK_LBUTTON, POINT{300, 300});
    Mouse(WM_MOUSEMOVE, MK_LBUTTON, POINT{320, 250});
    Mouse(WM_LBUTTONUP, 0, POINT{320, 250});
    SetKeyboardState(keys);
    ReleaseCapture();
    EXPECT_EQ(Scroll().x, 580);
    EXPECT_EQ(Scroll().y, 410);
    ASSERT_TRUE(editor->Current()->selectionPath);
    EXPECT_EQ(editor->Current()->selectionPath->size(), points);
    EXPECT_FALSE(editor->viewState.panning);
}

// Transparent pixels show over grey and white squares; 表示's check item turns them off for the
// plain background, and its check mark follows.
TEST_F(NavigationTest, TransparencyShowsAsACheckerboardUntilTurnedOff) {
    ASSERT_TRUE(testing::NewImage(*editor, 64, 64, 96, 96, true));
    SetZoom(*editor, 100);
    const IntPoint c = editor->View().ToClient(20, 20);
    auto shown = [&](int dx) {
        GpBitmapOwner frame;
        EXPECT_TRUE(RenderView(*editor, frame));
        return testing::PixelAt(frame.get(), c.x + dx, c.y) & 0xFFFFFF;
    };
    const uint32_t a = shown(0), b = shown(8);
    EXPECT_NE(a, b);
    for (uint32_t v : {a, b}) EXPECT_TRUE(v == 0xCCCCCC || v == 0xFFFFFF) << std::hex << v;
    EXPECT_EQ(GetMenuState(editor->frame.menu, cmd::kCheckerboard, MF_BYCOMMAND) & MF_CHECKED, MF_CHECKED);
    Send(cmd::kCheckerboard);
    const uint32_t plain = ArgbFromWin32(GetSysColor(COLOR_BTNFACE)) & 0xFFFFFF;
    EXPECT_EQ(shown(0), plain);
    EXPECT_EQ(shown(8), plain);
    EXPECT_EQ(GetMenuState(editor->frame.menu, cmd::kCheckerboard, MF_BYCOMMAND) & MF_CHECKED, 0u);
}

}  // namespace
}  // namespace mirelo
