// The selection tool and the user paths driven through the view's mouse messages and the menu.
#include <algorithm>

#include "app/command_registry.h"
#include "app/commands.h"
#include "app/menu_state.h"
#include "edit/undo_history.h"
#include "ui/canvas.h"
#include "harness.h"
#include "image/bitmap_access.h"
#include "image/new_image.h"
#include "select/paths.h"
#include "select/selection.h"
#include "res/resource.h"
#include "ui/option_bands.h"

namespace mirelo {
namespace {

using testing::PixelAt;

class SelectionTest : public testing::EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        OpenWindow();
        ASSERT_TRUE(testing::NewImage(*editor, 40, 30, 96, 96, false));
        SetZoom(*editor, 200);
    }
    ImageSlot& Slot() { return *editor->Current(); }
    LPARAM At(int x, int y) {  // the middle of image pixel (x, y) on the view at 200 %
        return MAKELPARAM(Slot().originX - editor->viewState.scrollX + 2 * x + 1, Slot().originY - editor->viewState.scrollY + 2 * y + 1);
    }
    void Drag(IntPoint from, IntPoint to, WPARAM keys = 0) {
        SendMessageW(editor->frame.view, WM_LBUTTONDOWN, MK_LBUTTON | keys, At(from.x, from.y));
        SendMessageW(editor->frame.view, WM_MOUSEMOVE, MK_LBUTTON | keys, At((from.x + to.x) / 2, (from.y + to.y) / 2));
        SendMessageW(editor->frame.view, WM_MOUSEMOVE, MK_LBUTTON | keys, At(to.x, to.y));
        SendMessageW(editor->frame.view, WM_LBUTTONUP, keys, At(to.x, to.y));
        ReleaseCapture();
    }
    void Click(IntPoint p) {
        SendMessageW(editor->frame.view, WM_LBUTTONDOWN, MK_LBUTTON, At(p.x, p.y));
        SendMessageW(editor->frame.view, WM_LBUTTONUP, 0, At(p.x, p.y));
        ReleaseCapture();
    }
    void DoubleClick(IntPoint p) {
        Click(p);
        SendMessageW(editor->frame.view, WM_LBUTTONDBLCLK, MK_LBUTTON, At(p.x, p.y));
        SendMessageW(editor->frame.view, WM_LBUTTONUP, 0, At(p.x, p.y));
        ReleaseCapture();
    }
    std::vector<uint8_t> Mask() {
        std::vector<uint8_t> m;
        EXPECT_TRUE(SelectionMask(*editor, Slot().selectionPath, SelectionFillMode(Slot()), IntRect{0, 0, 40, 30}, &m));
        return m;
    }
    static int Count(const std::vector<uint8_t>& m) { return static_cast<int>(std::count(m.begin(), m.end(), uint8_t{255})); }
    static bool In(const std::vector<uint8_t>& m, int x, int y) { return m[static_cast<size_t>(y * 40 + x)] == 255; }
    bool Enabled(int id) { return ComputeAvailability(*editor).Enabled(id); }
    // The entry the option bar's list of a shape tool option shows.
    LRESULT Shown(int option) {
        const std::vector<OptionControl>& controls = OptionControls();
        for (size_t i = 0; i < controls.size(); ++i)
            if (OptionFor(controls[i], kToolShape) == option) return SendMessageW(editor->frame.optionLists[i], CB_GETCURSEL, 0, 0);
        return -2;
    }
};

TEST_F(SelectionTest, GesturesAddFiguresThatTheMaskCovers) {
    Drag({5, 4}, {14, 8});  // a rectangle of 10 × 5 pixels
    ASSERT_TRUE(Slot().selectionPath);
    std::vector<uint8_t> m = Mask();
    EXPECT_EQ(Count(m), 50);
    EXPECT_TRUE(In(m, 5, 4));
    EXPECT_TRUE(In(m, 14, 8));
    EXPECT_FALSE(In(m, 15, 8));

    // A second rectangle overlapping the first: by winding the union, by alternate the
    // intersection drops out.
    Drag({10, 6}, {19, 12});
    EXPECT_EQ(Slot().selectionPath->size(), 8u);
    EXPECT_TRUE(In(Mask(), 12, 7));
    Slot().toolSettings[kSelectionOverlapOption] = 0;
    m = Mask();
    EXPECT_FALSE(In(m, 12, 7));
    EXPECT_TRUE(In(m, 6, 5));
    EXPECT_TRUE(In(m, 18, 11));

    // Select all, then a rectangle inside by alternate: the selection is inverted.
    SendMessageW(editor->frame.mainWindow, WM_KEYDOWN, 'A', 0);  // without Ctrl: nothing
    Send(cmd::kSelectAll);
    Drag({10, 10}, {19, 19});
    m = Mask();
    EXPECT_EQ(Count(m), 40 * 30 - 8 * 8);  // the inner outline stays selected
    EXPECT_FALSE(In(m, 15, 15));
    EXPECT_FALSE(In(m, 11, 11));
    EXPECT_TRUE(In(m, 10, 10));
    EXPECT_TRUE(In(m, 0, 0));
    EXPECT_TRUE(In(m, 39, 29));

    // Esc deselects; a click without moving adds nothing and leaves no selection.
    SendMessageW(editor->frame.mainWindow, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_FALSE(Slot().selectionPath);
    Click({3, 3});
    EXPECT_FALSE(Slot().selectionPath);

    // An ellipse dragged up and to the left, and a circle with Shift.
    Slot().toolSettings[kSelectionShapeOption] = kSelectEllipse;
    Drag({30, 20}, {10, 4});
    m = Mask();
    EXPECT_TRUE(In(m, 20, 12));
    EXPECT_FALSE(In(m, 10, 4));
    EXPECT_FALSE(In(m, 30, 20));
    Send(cmd::kSelectNone);
    Drag({2, 2}, {22, 12}, MK_SHIFT);
    const IntRect b = Slot().selectionPath->BoundsI();
    EXPECT_EQ(b.width, 10);
    EXPECT_EQ(b.height, 10);
}

TEST_F(SelectionTest, PolygonClicksCloseOnDoubleClickAndTheirPointsCanBeTakenBack) {
    Slot().toolSettings[kSelectionShapeOption] = kSelectPolygon;
    Click({5, 5});
    Click({30, 5});
    EXPECT_TRUE(Slot().selectionAnchor.set());
    EXPECT_TRUE(Enabled(cmd::kPathClose));
    EXPECT_TRUE(Enabled(cmd::kPathDeletePoint));
    Click({30, 25});
    Click({20, 10});
    Send(cmd::kPathDeletePoint);  // takes back (20, 10)
    EXPECT_EQ(Slot().selectionAnchor.x, 30);
    EXPECT_EQ(Slot().selectionAnchor.y, 25);
    EXPECT_EQ(Slot().selectionPath->size(), 3u);
    DoubleClick({5, 25});
    EXPECT_FALSE(Slot().selectionAnchor.set());
    EXPECT_TRUE(Slot().selectionPath->LastFigureClosed());
    EXPECT_FALSE(Enabled(cmd::kPathClose));
    const std::vector<uint8_t> m = Mask();
    EXPECT_EQ(Count(m), 26 * 21);  // the rectangle (5, 5) to (30, 25)

    // Two clicks closed: fewer than 3 points, the selection goes.
    Send(cmd::kSelectNone);
    Click({5, 5});
    DoubleClick({6, 5});
    EXPECT_FALSE(Slot().selectionPath);
    Send(cmd::kSelectNone);
    Click({5, 5});
    Send(cmd::kPathClose);
    EXPECT_FALSE(Slot().selectionPath);
}

TEST_F(SelectionTest, OutlineShowsOnTheViewFollowingPixelEdgesWhenZoomed) {
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) gp::GdipBitmapSetPixel(Slot().bitmap.get(), x, y, 0xFF000000u);
    GpBitmapOwner buffer;
    // One selected pixel at 400 %: a small square around pixel (5, 5), drawn white and blue.
    SetZoom(*editor, 400);
    Slot().selectionPath.emplace();
    Slot().selectionPath->AddRectangle(5, 5, 0.1f, 0.1f);
    ASSERT_TRUE(RenderView(*editor, buffer));
    const int x0 = Slot().originX + 20 - editor->viewState.scrollX, y0 = Slot().originY + 20 - editor->viewState.scrollY;
    int outline = 0, inside = 0;
    for (int d = 0; d <= 4; ++d)
        for (auto [x, y] : {std::pair{x0 + d, y0}, {x0 + d, y0 + 4}, {x0, y0 + d}, {x0 + 4, y0 + d}}) {
            const uint32_t c = PixelAt(buffer.get(), x, y) & 0xFFFFFF;
            outline += c == 0x0000FF || c == 0xFFFFFF;
            inside += c == 0x0000FF;
        }
    EXPECT_GE(outline, 16);
    EXPECT_GT(inside, 0);  // the blue dashes
    // Nothing is drawn across the pixel or beside it.
    EXPECT_EQ(PixelAt(buffer.get(), x0 + 2, y0 + 2) & 0xFFFFFF, 0u);
    EXPECT_EQ(PixelAt(buffer.get(), x0 + 8, y0 + 2) & 0xFFFFFF, 0u);
    // The dash moves on with the march timer.
    const int before = editor->viewState.marchPhase;
    SendMessageW(editor->frame.view, WM_TIMER, 2, 0);
    EXPECT_NE(editor->viewState.marchPhase, before);
}

TEST_F(SelectionTest, CopyOfASelectionPastesAsTheSelectedArea) {
    // A picture whose every pixel differs.
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) gp::GdipBitmapSetPixel(Slot().bitmap.get(), x, y, 0xFF000000u | static_cast<uint32_t>(x * 5 << 16 | y * 7 << 8 | 0x40));
    Slot().toolSettings[kSelectionShapeOption] = kSelectEllipse;
    Drag({10, 5}, {29, 24});
    ImageSlot& source = Slot();
    Send(cmd::kCopy);
    ASSERT_TRUE(shown.empty());
    Send(cmd::kPasteNew);
    ASSERT_EQ(editor->images.Occupied(), 2);
    ImageSlot& pasted = Slot();
    ASSERT_NE(&pasted, &source);
    EXPECT_EQ(pasted.width, 20);
    EXPECT_EQ(pasted.height, 20);
    EXPECT_EQ(pasted.pixelFormat, fmt::k32ARGB);  // the corners outside the ellipse need alpha
    EXPECT_EQ(PixelAt(pasted.bitmap.get(), 10, 10), PixelAt(editor->images.slots[0].bitmap.get(), 20, 15));
    EXPECT_EQ(PixelAt(pasted.bitmap.get(), 0, 0) >> 24, 0u);
    // The outline came along, placed on the new image.
    ASSERT_TRUE(pasted.selectionPath);
    const IntRect b = pasted.selectionPath->BoundsI();
    EXPECT_EQ(b.x, 0);
    EXPECT_EQ(b.y, 0);
    EXPECT_EQ(b.width, 19);
}

TEST_F(SelectionTest, CollectedShapePathIsGuardedCopiedAndDrawn) {
    Send(cmd::kToolShape);
    Slot().toolSettings[kShapeKindOption] = kShapeKindPath;
    Slot().toolSettings[kPathPartOption] = kPartLine;
    Slot().toolSettings[kLineWidthOption] = 3;
    Click({5, 5});
    Click({30, 5});
    EXPECT_TRUE(Slot().drawPath);
    EXPECT_TRUE(Enabled(cmd::kPathDeletePoint));
    DoubleClick({30, 20});
    EXPECT_FALSE(Slot().drawPath);
    ASSERT_TRUE(Slot().otherPath);
    EXPECT_TRUE(Enabled(cmd::kPathDraw));
    EXPECT_FALSE(Enabled(cmd::kPathDeletePoint));

    // Leaving for the selection tool asks first; Cancel keeps the shape tool and the path.
    answer = IDCANCEL;
    Send(cmd::kToolSelect);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, u"編集中のパスを描画しますか？");
    EXPECT_EQ(Slot().tool, kToolShape);
    EXPECT_TRUE(Slot().otherPath);
    SendMessageW(editor->frame.mainWindow, WM_CLOSE, 0, 0);  // the close box asks too
    EXPECT_EQ(shown.size(), 2u);
    EXPECT_TRUE(IsWindow(editor->frame.mainWindow));

    // Moving the collected path: a press inside it drags it along.
    Slot().toolSettings[kPathPartOption] = kPartRectangle;
    Drag({2, 2}, {12, 12});
    ASSERT_EQ(Slot().otherPath->size(), 7u);
    const float before = Slot().otherPath->points[3].x;
    Drag({7, 7}, {17, 9});
    EXPECT_FLOAT_EQ(Slot().otherPath->points[3].x, before + 10);

    // Yes draws it into the image with an undo step, then the tool changes.
    shown.clear();
    answer = IDYES;
    Send(cmd::kToolSelect);
    EXPECT_EQ(Slot().tool, kToolSelect);
    EXPECT_FALSE(Slot().otherPath);
    EXPECT_TRUE(Slot().undo.canUndo);
    EXPECT_EQ(PixelAt(Slot().bitmap.get(), 20, 5), 0xFFFFFFFFu);  // white on white: the colours start white
    // From a selection to the shape path and back.
    Drag({4, 4}, {20, 20});
    Send(cmd::kPathCopyOther);
    EXPECT_EQ(Slot().tool, kToolShape);
    EXPECT_EQ(Slot().toolSettings[kShapeKindOption], kShapeKindPath);
    EXPECT_EQ(Slot().toolSettings[kPathPartOption], kPartFreehand);
    EXPECT_EQ(Shown(kShapeKindOption), kShapeKindPath);  // and the bar shows them
    EXPECT_EQ(Shown(kPathPartOption), kPartFreehand);
    ASSERT_TRUE(Slot().otherPath);
    EXPECT_EQ(Slot().otherPath->points, Slot().selectionPath->points);
    Send(cmd::kPathDeleteAll);
    EXPECT_FALSE(Slot().otherPath);
    EXPECT_TRUE(Slot().selectionPath);  // the selection stays
}

}  // namespace
}  // namespace mirelo

namespace mirelo {
namespace {

TEST_F(SelectionTest, TextFigureAsksForTheTextAndAddsItsOutlines) {
    Send(cmd::kToolShape);
    Slot().toolSettings[kShapeKindOption] = kShapeKindPath;
    Slot().toolSettings[kPathPartOption] = kPartText;
    const wchar_t* typed = L"";
    int asked = 0;
    editor->dialogObserver = [&](HWND dlg, int id) {
        ++asked;
        EXPECT_EQ(id, IDD_TEXT_EDIT);
        EXPECT_EQ(SendDlgItemMessageW(dlg, IDC_TEXT_EDIT, EM_GETLIMITTEXT, 0, 0), 4096);
        wchar_t title[64] = {};
        GetWindowTextW(dlg, title, 64);
        EXPECT_EQ(FromW(title), u"テキストの編集");
        SetDlgItemTextW(dlg, IDC_TEXT_EDIT, typed);
        PostMessageW(dlg, WM_COMMAND, IDOK, 0);
    };
    Drag({2, 2}, {30, 20});  // an empty text adds nothing
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(Slot().otherPath);
    typed = L"Ab字";
    Drag({2, 2}, {38, 28});
    EXPECT_EQ(asked, 2);
    ASSERT_TRUE(Slot().otherPath);
    EXPECT_GT(Slot().otherPath->size(), 8u);
    const IntRect b = Slot().otherPath->BoundsI();
    EXPECT_GE(b.x, 1);  // laid out in the dragged box
    EXPECT_LT(b.x, 12);
    EXPECT_GE(b.y, 1);
    EXPECT_LE(b.x + b.width, 40);
    editor->dialogObserver = nullptr;
}

}  // namespace
}  // namespace mirelo
