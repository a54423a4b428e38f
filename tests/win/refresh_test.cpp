// The change channel end to end: what a feature changes is on screen when the message that changed
// it returns, and tools reach the view only through the viewport.
#include <cstring>

#include "app/commands.h"
#include "app/refresh.h"
#include "harness.h"
#include "image/bitmap_access.h"
#include "paste/text_dialog.h"
#include "res/resource.h"
#include "select/selection_view.h"
#include "ui/canvas.h"
#include "edit/viewport.h"

namespace mirelo {
namespace {
using testing::EditorTest;

class RefreshTest : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        HWND w = OpenWindow(SW_SHOWNOACTIVATE);
        SetWindowPos(w, nullptr, 0, 0, 900, 700, SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
        UpdateWindow(w);
    }
    static LPARAM At(IntPoint p) { return MAKELPARAM(p.x, p.y); }
    // Whether two 24-bit pictures of the same size hold the same pixels.
    bool SamePixels(GpBitmapOwner& a, GpBitmapOwner& b) {
        BitmapLock x(editor->messages, a, kLockRead, fmt::k24RGB, BitmapRole::Image);
        BitmapLock y(editor->messages, b, kLockRead, fmt::k24RGB, BitmapRole::Image);
        if (!x.ok() || !y.ok() || x.view().width != y.view().width || x.view().height != y.view().height) return false;
        for (int row = 0; row < x.view().height; ++row)
            if (std::memcmp(x.view().Row(row), y.view().Row(row), static_cast<size_t>(x.view().width) * 3) != 0) return false;
        return true;
    }
};

// A large picture with a selection; the text tool's dialog is answered with OK. When the click's
// message returns, nothing of the window waits to be painted: the dialog is gone, the option bar
// has its new row, and the view shows the text object and the outline where they now are.
TEST_F(RefreshTest, TextObjectIsOnScreenWhenTheClickReturns) {
    ASSERT_TRUE(testing::NewImage(*editor, 2560, 1600, 96, 96, false));
    Send(cmd::kSelectAll);
    Send(cmd::kToolText);
    HWND asked = nullptr;
    editor->dialogObserver = [&](HWND dlg, int id) {
        if (id != IDD_TEXT_EDIT) return;
        asked = dlg;
        SetDlgItemTextW(dlg, 1016, L"Mirelo");
        PostMessageW(dlg, WM_COMMAND, IDOK, 0);
    };
    const RECT before = editor->View().ScreenRect();
    const IntPoint click = editor->View().ToClient(400, 300);
    SendMessageW(editor->frame.view, WM_LBUTTONDOWN, MK_LBUTTON, At(click));
    SendMessageW(editor->frame.view, WM_LBUTTONUP, 0, At(click));
    ReleaseCapture();
    ASSERT_NE(asked, nullptr);
    EXPECT_FALSE(IsWindow(asked));
    ASSERT_EQ(editor->Current()->pasteObjects.Count(), 1);
    // The text bar's transform row moved the view down.
    EXPECT_GT(editor->View().ScreenRect().top, before.top);
    for (HWND w : {editor->frame.mainWindow, editor->frame.topRebar, editor->frame.view}) {
        RECT pending{};
        EXPECT_FALSE(GetUpdateRect(w, &pending, FALSE)) << pending.left << "," << pending.top << " " << pending.right << ","
                                                        << pending.bottom;
    }
    // What the view shows is the picture as it is now.
    GpBitmapOwner fresh;
    ASSERT_TRUE(RenderView(*editor, fresh));
    EXPECT_TRUE(SamePixels(fresh, editor->viewState.backBuffer));
}

// The outline's march repaints from the picture kept of the last whole frame; pixels a tool
// changed (through the viewport) make the picture again, march or not.
TEST_F(RefreshTest, TheMarchRepaintsFromTheKeptPictureUntilThePixelsChange) {
    ASSERT_TRUE(testing::NewImage(*editor, 300, 200, 96, 96, false));
    Send(cmd::kSelectAll);
    UpdateWindow(editor->frame.view);
    ViewState& vs = editor->viewState;
    ASSERT_TRUE(vs.pictureLayer);
    ASSERT_FALSE(vs.pictureStale);
    auto pixelAt = [&](GpBitmapOwner& b, int x, int y) {
        BitmapLock lock(editor->messages, b, kLockRead, fmt::k24RGB, BitmapRole::Image);
        const uint8_t* p = lock.view().Row(y) + x * 3;
        return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16;
    };
    auto paint = [&](GpBitmapOwner& b, int x0, int y0, int x1, int y1, uint8_t blue) {
        BitmapLock lock(editor->messages, b, kLockReadWrite, fmt::k24RGB, BitmapRole::Image);
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) {
                uint8_t* p = lock.view().Row(y) + x * 3;
                p[0] = blue, p[1] = 0, p[2] = 0;
            }
    };
    auto march = [&] {
        MarchSelection(*editor);
        ApplyChanges(*editor);
        UpdateWindow(editor->frame.view);
    };
    // A mark put into the kept picture shows after a march: the image was not composed again.
    const IntPoint inside = editor->View().ToClient(150, 100);
    paint(vs.pictureLayer, inside.x, inside.y, inside.x + 1, inside.y + 1, 0x77);
    march();
    EXPECT_EQ(pixelAt(vs.backBuffer, inside.x, inside.y), 0x77u);
    // A tool's pixels and their invalidation, then a march before the paint: the new pixels show.
    paint(editor->Current()->bitmap, 100, 50, 200, 150, 0xFF);
    editor->View().InvalidateImageArea(100, 50, 199, 149, 0);
    march();
    GpBitmapOwner fresh;
    ASSERT_TRUE(RenderView(*editor, fresh));
    EXPECT_TRUE(SamePixels(fresh, vs.backBuffer));
    EXPECT_EQ(pixelAt(vs.backBuffer, inside.x, inside.y), 0xFFu);
}

// The viewport maps image pixels to the view and back, and a tool's invalidation covers exactly
// the pixels it names (plus the antialiasing margin).
TEST_F(RefreshTest, ViewportMapsAndInvalidatesImagePixels) {
    ASSERT_TRUE(testing::NewImage(*editor, 100, 80, 96, 96, false));
    SetZoom(*editor, 300);
    UpdateWindow(editor->frame.view);
    const Viewport view = editor->View();
    EXPECT_EQ(view.Layout().zoom, 300);
    const IntPoint c = view.ToClient(10, 20);
    EXPECT_EQ(view.ToImage(c.x, c.y).x, 10);
    EXPECT_EQ(view.ToImage(c.x + 2, c.y + 2).y, 20);
    EXPECT_TRUE(view.InImage(c.x, c.y));
    const IntPoint origin = view.ToClient(0, 0);
    EXPECT_FALSE(view.InImage(origin.x - 1, origin.y));
    view.InvalidateImageArea(10, 20, 11, 20, 0);
    RECT r{};
    ASSERT_TRUE(GetUpdateRect(editor->frame.view, &r, FALSE));
    EXPECT_EQ(r.left, c.x - 1);
    EXPECT_EQ(r.top, c.y - 1);
    EXPECT_EQ(r.right, c.x + 6 + 1);
    EXPECT_EQ(r.bottom, c.y + 3 + 1);
}

}  // namespace
}  // namespace mirelo
