// Paste objects end to end: pasted from the clipboard, moved and skewed with the mouse, turned
// and scaled, reordered, merged (against the same transform drawn through GDI+ directly), cut,
// and text objects placed with the text tool.
#include <algorithm>
#include <cmath>
#include <vector>

#include "app/commands.h"
#include "clipboard/clipboard.h"
#include "files/file_names.h"
#include "files/save_image.h"
#include "ui/canvas.h"
#include "harness.h"
#include "image/bitmap_access.h"
#include "image/format_change.h"
#include "image/new_image.h"
#include "paste/paste_objects.h"
#include "paste/text_dialog.h"
#include "paste/text_objects.h"
#include "res/resource.h"
#include "select/selection.h"
#include "ui/option_bands.h"

namespace mirelo {
namespace {

using testing::PixelAt;

constexpr uint32_t kWhite = 0xFFFFFFFF, kRed = 0xFFFF0000, kBlue = 0xFF0000FF;

class PasteTest : public testing::EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        OpenWindow();
        ASSERT_TRUE(testing::NewImage(*editor, 60, 40, 96, 96, false));
        Clear(Slot().bitmap, kWhite);
        SetZoom(*editor, 100);
    }
    ImageSlot& Slot() { return *editor->Current(); }
    static void Clear(GpBitmapOwner& b, uint32_t colour) {
        GpGraphicsOwner g;
        gp::GdipGetImageGraphicsContext(b.get(), g.put());
        gp::GdipGraphicsClear(g.get(), colour);
    }
    LPARAM At(int x, int y) { return MAKELPARAM(Slot().originX - editor->viewState.scrollX + x, Slot().originY - editor->viewState.scrollY + y); }
    void Drag(IntPoint from, IntPoint to) {
        SendMessageW(editor->frame.view, WM_MOUSEMOVE, 0, At(from.x, from.y));
        SendMessageW(editor->frame.view, WM_LBUTTONDOWN, MK_LBUTTON, At(from.x, from.y));
        SendMessageW(editor->frame.view, WM_MOUSEMOVE, MK_LBUTTON, At(to.x, to.y));
        SendMessageW(editor->frame.view, WM_LBUTTONUP, 0, At(to.x, to.y));
        ReleaseCapture();
    }
    // A 10 × 8 picture on the clipboard: red, its top row blue.
    void PutPicture(int w = 10, int h = 8) {
        GpBitmapOwner b;
        ASSERT_TRUE(CreateGpBitmap(b, w, h, fmt::k32ARGB));
        Clear(b, kRed);
        for (int x = 0; x < w; ++x) gp::GdipBitmapSetPixel(b.get(), x, 0, kBlue);
        ASSERT_TRUE(CopyImageToClipboard(editor->messages, editor->frame.view, b));
    }
    PasteObject& Object() { return *Slot().pasteObjects.Selected(); }
    // A text object typed with the text tool at image pixel (x, y).
    void TypeText(int x, int y, const wchar_t* text) {
        const int tool = Slot().tool;
        Slot().tool = kToolText;
        editor->dialogObserver = [text](HWND dlg, int id) {
            if (id != IDD_TEXT_EDIT) return;
            SetDlgItemTextW(dlg, 1016, text);
            PostMessageW(dlg, WM_COMMAND, IDOK, 0);
        };
        SendMessageW(editor->frame.view, WM_LBUTTONDOWN, MK_LBUTTON, At(x, y));
        SendMessageW(editor->frame.view, WM_LBUTTONUP, 0, At(x, y));
        ReleaseCapture();
        editor->dialogObserver = nullptr;
        Slot().tool = tool;
        testing::Refresh(*editor);
    }
    GpBitmapOwner Copy() {
        GpBitmapOwner copy;
        EXPECT_TRUE(CopyBitmapArea(editor->messages, Slot().bitmap, 0, 0, Slot().width, Slot().height, copy));
        return copy;
    }
};

TEST_F(PasteTest, PastedObjectMovesSkewsAndMergesLikeGdiplus) {
    PutPicture();
    Send(cmd::kPaste);
    ASSERT_EQ(Slot().pasteObjects.Count(), 1);
    EXPECT_EQ(Object().x, 0);
    EXPECT_EQ(Object().width, 10);
    EXPECT_EQ(Object().skewX, 10);
    // Dragged with the selection tool by (15, 10).
    Drag({5, 4}, {20, 14});
    EXPECT_EQ(Object().x, 15);
    EXPECT_EQ(Object().y, 10);
    EXPECT_EQ(Object().skewX, 25);
    EXPECT_FALSE(Slot().selectionPath.has_value());  // the drag moved the object, it did not select
    // The skew handle (its lower-left corner at (25, 10)) dragged 4 to the left.
    Drag({27, 8}, {23, 8});
    EXPECT_EQ(Object().skewX, 21);
    EXPECT_EQ(Object().skewY, 10);
    // Turned 30 degrees and 1.5 wide, 0.75 high, merged into the image.
    Object().rotationIndex = 30;
    Object().widthIndex = 149;
    Object().heightIndex = 74;
    GpBitmapOwner expected = Copy();
    {
        GpBitmapOwner picture;
        ASSERT_TRUE(CopyBitmapArea(editor->messages, Object().bitmap, 0, 0, 10, 8, picture));
        GpGraphicsOwner g;
        gp::GdipGetImageGraphicsContext(expected.get(), g.put());
        gp::GdipSetInterpolationMode(g.get(), static_cast<Gdiplus::InterpolationMode>(Object().interpolation));
        // Placed at (15, 10), turned and scaled about its centre (5, 4).
        gp::GdipTranslateWorldTransform(g.get(), 20, 14, Gdiplus::MatrixOrderPrepend);
        gp::GdipRotateWorldTransform(g.get(), 30, Gdiplus::MatrixOrderPrepend);
        gp::GdipScaleWorldTransform(g.get(), 1.5f, 0.75f, Gdiplus::MatrixOrderPrepend);
        gp::GdipTranslateWorldTransform(g.get(), -5, -4, Gdiplus::MatrixOrderPrepend);
        const Gdiplus::GpPointF points[3] = {{-4, 0}, {6, 0}, {0, 8}};  // the top edge 4 to the left
        gp::GdipDrawImagePointsRect(g.get(), picture.get(), points, 3, 0, 0, 10, 8, Gdiplus::UnitPixel, nullptr, nullptr, nullptr);
    }
    Send(cmd::kObjMerge);
    EXPECT_TRUE(Slot().pasteObjects.Empty());
    EXPECT_EQ(testing::DifferentPixels(Slot().bitmap.get(), expected.get(), 0), 0.0);
    EXPECT_EQ(PixelAt(Slot().bitmap.get(), 20, 15), kRed);
    EXPECT_EQ(PixelAt(Slot().bitmap.get(), 50, 35), kWhite);
    Send(cmd::kUndo);  // the image before the merge, without the object
    EXPECT_EQ(PixelAt(Slot().bitmap.get(), 20, 15), kWhite);
    EXPECT_TRUE(Slot().pasteObjects.Empty());
    EXPECT_TRUE(shown.empty());
}

TEST_F(PasteTest, UnmergedObjectsAskBeforeClosingAndQuitting) {
    // Pasting and typing record no undoable step; the objects alone are work that closing loses.
    enum class Make { Picture, Text, PictureSavedWithoutMerging };
    struct Case {
        const char* name;
        Make make;
        bool quit;
    };
    const Case cases[] = {
        {"pasted picture, close", Make::Picture, false},
        {"typed text, close", Make::Text, false},
        {"pasted picture, quit", Make::Picture, true},
        {"typed text, quit", Make::Text, true},
        {"saved answering no to merging, close", Make::PictureSavedWithoutMerging, false},
        {"saved answering no to merging, quit", Make::PictureSavedWithoutMerging, true},
    };
    const Text dir = testing::MakeTempDir(L"unmerged");
    int serial = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(testing::NewImage(*editor, 60, 40, 96, 96, false));
        if (c.make == Make::Text) {
            TypeText(2, 2, L"文字");
        } else {
            PutPicture();
            Send(cmd::kPaste);
        }
        ASSERT_EQ(Slot().pasteObjects.Count(), 1);
        ASSERT_FALSE(Slot().undo.HasUndoableStep());
        shown.clear();
        answer = IDNO;
        if (c.make == Make::PictureSavedWithoutMerging) {
            editor->saveName = dir + u"\\saved" + ToText(++serial) + u".png";
            editor->saveFileType = save_type::kPng;
            ASSERT_TRUE(SaveCurrent(*editor));
            ASSERT_EQ(shown.size(), 1u);
            EXPECT_EQ(shown[0].text, u"貼紙をマージしますか？");
            ASSERT_EQ(Slot().pasteObjects.Count(), 1);
            shown.clear();
        }
        const int images = editor->images.Occupied();
        if (c.quit)
            SendMessageW(editor->frame.mainWindow, WM_CLOSE, 0, 0);
        else
            Send(cmd::kClose);
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].text, c.quit ? u"Mirelo を終了しますか？" : u"この画像を閉じますか？");
        // No keeps the image, its object and the program.
        EXPECT_EQ(editor->images.Occupied(), images);
        EXPECT_EQ(Slot().pasteObjects.Count(), 1);
        ASSERT_TRUE(IsWindow(editor->frame.mainWindow));
        answer = IDYES;
        Send(cmd::kClose);
        EXPECT_EQ(editor->images.Occupied(), images - 1);
    }
}

TEST_F(PasteTest, MergeKeepsAnObjectItCannotDraw) {
    // An object that cannot be drawn (a picture without pixels, a text without characters) stays
    // an object; the merge says so and records nothing unless another object was drawn.
    auto broken = [](bool text) {
        PasteObject o;
        o.isText = text;
        o.width = 10;
        o.height = 8;
        o.outline.AddRectangle(0, 0, 10, 8);
        return o;
    };
    struct Case {
        const char* name;
        bool text;
        bool withGoodPicture;  // a drawable picture lies behind the broken object
        int command;
    };
    const Case cases[] = {
        {"picture without pixels, merge", false, false, cmd::kObjMerge},
        {"text without characters, merge", true, false, cmd::kObjMerge},
        {"picture without pixels, merge all", false, false, cmd::kObjMergeAll},
        {"good picture and broken text, merge all", true, true, cmd::kObjMergeAll},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Slot().pasteObjects.Clear();
        Slot().undo.Reset();
        Clear(Slot().bitmap, kWhite);
        if (c.withGoodPicture) {
            PutPicture();
            Send(cmd::kPaste);
        }
        Slot().pasteObjects.items.push_back(broken(c.text));
        Slot().pasteObjects.selected = Slot().pasteObjects.Count() - 1;
        testing::Refresh(*editor);
        shown.clear();
        Send(c.command);
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].text, u"貼紙をマージできません");
        ASSERT_EQ(Slot().pasteObjects.Count(), 1);
        EXPECT_EQ(Object().isText, c.text);
        EXPECT_FALSE(Object().bitmap);
        EXPECT_EQ(Slot().undo.HasUndoableStep(), c.withGoodPicture);
        EXPECT_EQ(PixelAt(Slot().bitmap.get(), 3, 4), c.withGoodPicture ? kRed : kWhite);
    }
}

TEST_F(PasteTest, FlippingAPictureObjectMirrorsItsOutlineAndPicking) {
    // A 20 × 10 picture whose outline is the triangle of its top-left corner, at (10, 10).
    struct Case {
        int command;
        IntPoint inside, outside;  // image pixels picked, and not picked, after the flip
    };
    const Case cases[] = {
        {cmd::kFlipH, {27, 12}, {12, 12}},  // the triangle now in the top-right corner
        {cmd::kFlipV, {12, 18}, {12, 11}},  // … in the bottom-left corner
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        Slot().pasteObjects.Clear();
        PasteObject o;
        ASSERT_TRUE(CreateGpBitmap(o.bitmap, 20, 10, fmt::k32ARGB));
        o.x = o.y = 10;
        o.width = 20;
        o.height = 10;
        o.skewX = 30;
        o.skewY = 10;
        const PointF corner[3] = {{0, 0}, {10, 0}, {0, 10}};
        o.outline.AddPolygon(corner, 3);
        Slot().pasteObjects.items.push_back(std::move(o));
        Slot().pasteObjects.selected = 0;
        testing::Refresh(*editor);
        Send(c.command);
        float left = 0, top = 0, right = 0, bottom = 0;
        Object().outline.Bounds(&left, &top, &right, &bottom);
        EXPECT_EQ(c.command == cmd::kFlipH ? left : top, c.command == cmd::kFlipH ? 10.0f : 0.0f);
        EXPECT_EQ(c.command == cmd::kFlipH ? right : bottom, c.command == cmd::kFlipH ? 20.0f : 10.0f);
        // A click picks the object only where its mirrored outline lies.
        for (const auto& [point, picked] : {std::pair{c.outside, false}, std::pair{c.inside, true}}) {
            Slot().pasteObjects.selected = -1;
            Drag(point, point);
            EXPECT_EQ(Slot().pasteObjects.selected, picked ? 0 : -1) << point.x << "," << point.y;
        }
    }
}

TEST_F(PasteTest, ObjectCursorsOnlyForTheToolsThatPickObjects) {
    // A selected picture at (20, 20); its skew handle covers image pixels 30..39 × 10..19.
    PutPicture();
    Send(cmd::kPaste);
    Object().x = Object().y = 20;
    Object().skewX = 30;
    Object().skewY = 20;
    const ViewState& v = editor->viewState;
    const HCURSOR hand = v.Cursor(CursorId::Hand), skew = v.Cursor(CursorId::Skew);
    auto own = [&v](int tool) { return v.toolCursors[static_cast<size_t>(tool)]; };
    const HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);
    struct Case {
        int tool;
        HCURSOR body, handle, elsewhere;
    };
    const Case cases[] = {
        {kToolSelect, hand, skew, arrow},
        {kToolText, hand, skew, own(kToolText)},
        {kToolFill, own(kToolFill), own(kToolFill), own(kToolFill)},
        {kToolEyedropper, own(kToolEyedropper), own(kToolEyedropper), own(kToolEyedropper)},
        {kToolShape, own(kToolShape), own(kToolShape), own(kToolShape)},
    };
    auto moveTo = [&](int x, int y) {
        SendMessageW(editor->frame.view, WM_MOUSEMOVE, 0, At(x, y));
        return GetCursor();
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tool);
        Slot().tool = c.tool;
        testing::Refresh(*editor);
        // The view holds the mouse from the first move on: the cursor follows the hover anyway.
        EXPECT_EQ(moveTo(50, 35), c.elsewhere);
        EXPECT_EQ(GetCapture(), editor->frame.view);
        EXPECT_EQ(moveTo(25, 24), c.body);
        EXPECT_EQ(moveTo(33, 15), c.handle);
        EXPECT_EQ(moveTo(50, 35), c.elsewhere);
    }
    ReleaseCapture();
}

TEST_F(PasteTest, OptionBarShowsTheCurrentImagesObject) {
    // A text without a frame typed with a layout that adds no-wrap (6, 折返禁止 縦1): the list
    // offers the four directions and shows its own, 縦1.
    HWND layout = nullptr;
    for (size_t i = 0; i < OptionControls().size(); ++i)
        if (OptionFor(OptionControls()[i], kToolText) == kTextLayoutOption) layout = editor->frame.optionLists[i];
    ASSERT_NE(layout, nullptr);
    Slot().toolSettings[kTextLayoutOption] = 6;
    TypeText(2, 2, L"縦");
    ASSERT_TRUE(Object().isText);
    ASSERT_FALSE(Object().inFrame);
    Slot().tool = kToolText;
    testing::Refresh(*editor);
    EXPECT_EQ(SendMessageW(layout, CB_GETCOUNT, 0, 0), 4);
    EXPECT_EQ(SendMessageW(layout, CB_GETCURSEL, 0, 0), 2);
    // A picture made half transparent; another image without objects shows none of it.
    Slot().tool = kToolSelect;
    PutPicture();
    Send(cmd::kPaste);
    SendMessageW(editor->frame.objectAlphaSlider, TBM_SETPOS, TRUE, 200);
    SendMessageW(editor->frame.mainWindow, WM_HSCROLL, SB_THUMBPOSITION, reinterpret_cast<LPARAM>(editor->frame.objectAlphaSlider));
    ASSERT_EQ(Object().transparency, 200);
    ASSERT_TRUE(testing::NewImage(*editor, 20, 20, 96, 96, false));
    EXPECT_EQ(SendMessageW(editor->frame.objectAlphaSlider, TBM_GETPOS, 0, 0), 0);
    EXPECT_EQ(testing::Narrow(WindowText(editor->frame.objectAlphaEdit)), "0");
    testing::Select(*editor, 0);
    EXPECT_EQ(SendMessageW(editor->frame.objectAlphaSlider, TBM_GETPOS, 0, 0), 200);
}

TEST_F(PasteTest, ATextObjectShowsAndTakesTheColoursChosen) {
    Slot().colours = {0x000000, 0xFFFFFF};  // black text
    TypeText(2, 2, L"色");
    ASSERT_TRUE(Object().isText);
    // Another colour chosen while nothing is selected stays with the image; picking the text
    // again shows the text's colours.
    Slot().pasteObjects.selected = -1;
    Slot().colours[0] = 0x00FF00;
    Drag({4, 6}, {4, 6});
    ASSERT_EQ(Slot().pasteObjects.selected, 0);
    EXPECT_EQ(Slot().colours[0], 0x000000u);
    // Colours chosen while it is selected go to it: the eyedropper's, and the colour panel's
    // transparency.
    gp::GdipBitmapSetPixel(Slot().bitmap.get(), 50, 35, 0xFF0000FF);
    Slot().tool = kToolEyedropper;
    Drag({50, 35}, {50, 35});
    EXPECT_EQ(Object().colours[0], 0xFF0000u);  // blue in Win32 form
    SetWindowTextW(GetDlgItem(editor->frame.colourPanel, IDC_PANEL_ALPHA_EDIT), L"100");
    EXPECT_EQ(Object().colourTransparency[0], 100);
    EXPECT_EQ(Slot().pasteObjects.selected, 0);
}

TEST_F(PasteTest, TurnsReorderingAndMergeAllOrder) {
    PutPicture();
    Send(cmd::kPaste);
    Send(cmd::kRotate90);  // the object turns, not the image
    EXPECT_EQ(Object().rotationIndex, 90);
    EXPECT_EQ(Slot().width, 60);
    Send(cmd::kObjReset);
    EXPECT_EQ(Object().rotationIndex, 0);
    // The arrow keys on the rotation list go round from 0 to 360 and back.
    HWND rotation = nullptr;
    for (size_t i = 0; i < OptionControls().size(); ++i)
        if (OptionControls()[i].band == 27 && OptionControls()[i].option.shape == kTransformRotationOption) rotation = editor->frame.optionLists[i];
    ASSERT_NE(rotation, nullptr);
    SendMessageW(rotation, WM_KEYDOWN, VK_UP, 0);
    EXPECT_EQ(Object().rotationIndex, 360);
    SendMessageW(rotation, WM_KEYDOWN, VK_RIGHT, 0);
    EXPECT_EQ(Object().rotationIndex, 0);
    Send(cmd::kFlipV);  // mirrors the object's own pixels: the blue row goes to the bottom
    EXPECT_EQ(PixelAt(Object().bitmap.get(), 3, 7), kBlue);
    // A second object over the first, then the first brought to the front: a click picks it.
    Send(cmd::kPaste);
    ASSERT_EQ(Slot().pasteObjects.Count(), 2);
    Slot().pasteObjects.selected = 0;
    Send(cmd::kObjForward);
    EXPECT_EQ(Slot().pasteObjects.selected, 1);
    EXPECT_EQ(PixelAt(Slot().pasteObjects.items[1].bitmap.get(), 3, 7), kBlue);
    Send(cmd::kObjBackward);
    EXPECT_EQ(Slot().pasteObjects.selected, 0);
    EXPECT_EQ(PixelAt(Slot().pasteObjects.items[0].bitmap.get(), 3, 7), kBlue);
    Slot().pasteObjects.selected = -1;
    Drag({3, 7}, {3, 7});
    EXPECT_EQ(Slot().pasteObjects.selected, 1);  // the one in front
    // Merge all draws back to front: the front object's top row (blue) ends on top.
    Send(cmd::kObjMergeAll);
    EXPECT_TRUE(Slot().pasteObjects.Empty());
    EXPECT_EQ(PixelAt(Slot().bitmap.get(), 3, 0), kBlue);
    EXPECT_EQ(PixelAt(Slot().bitmap.get(), 3, 7), kRed);
    // Front and back without a selected object: the commands are not available, and the
    // operation itself says so when reached.
    Send(cmd::kObjForward);
    EXPECT_TRUE(shown.empty());
    BringToFront(*editor);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, u"画像が選択されていません");
}

TEST_F(PasteTest, TransparencyControl) {
    PutPicture();
    Send(cmd::kPaste);
    Send(cmd::kPaste);
    // The back object made invisible with the slider of "透明", the front one with the number.
    Slot().pasteObjects.selected = 0;
    SendMessageW(editor->frame.objectAlphaSlider, TBM_SETPOS, TRUE, 255);
    SendMessageW(editor->frame.mainWindow, WM_HSCROLL, SB_THUMBPOSITION, reinterpret_cast<LPARAM>(editor->frame.objectAlphaSlider));
    EXPECT_EQ(Slot().pasteObjects.items[0].transparency, 255);
    EXPECT_EQ(testing::Narrow(WindowText(editor->frame.objectAlphaEdit)), "255");
    Slot().pasteObjects.selected = 1;
    TakeTransformOf(*editor);
    testing::Refresh(*editor);
    EXPECT_EQ(SendMessageW(editor->frame.objectAlphaSlider, TBM_GETPOS, 0, 0), 0);
    SetWindowTextW(editor->frame.objectAlphaEdit, L"128");
    EXPECT_EQ(Slot().pasteObjects.items[1].transparency, 128);
    Send(cmd::kObjMergeAll);
    EXPECT_TRUE(Slot().pasteObjects.Empty());
    // Only the front object shows, at half strength over white.
    const uint32_t top = PixelAt(Slot().bitmap.get(), 3, 0), body = PixelAt(Slot().bitmap.get(), 3, 7);
    EXPECT_NEAR(static_cast<int>(top & 0xFF), 255, 2);
    EXPECT_NEAR(static_cast<int>((top >> 16) & 0xFF), 127, 3);
    EXPECT_NEAR(static_cast<int>(body & 0xFF), 127, 3);
    EXPECT_EQ((body >> 16) & 0xFF, 255u);
}

TEST_F(PasteTest, CutMaskedPasteLimitAndIndexedImages) {
    // Cut a rectangle: the area turns white, the clipboard takes it with its mask and outline.
    Clear(Slot().bitmap, kBlue);
    Slot().selectionPath.emplace();
    Slot().selectionPath->AddEllipse(10, 10, 20, 16);
    Send(cmd::kCut);
    EXPECT_EQ(PixelAt(Slot().bitmap.get(), 20, 18), kWhite);
    EXPECT_EQ(PixelAt(Slot().bitmap.get(), 11, 11), kBlue);  // outside the ellipse
    Send(cmd::kUndo);
    EXPECT_EQ(PixelAt(Slot().bitmap.get(), 20, 18), kBlue);
    // Pasted back as an object: outside the ellipse transparent, the frame follows the outline.
    Send(cmd::kPaste);
    ASSERT_EQ(Slot().pasteObjects.Count(), 1);
    EXPECT_EQ(PixelAt(Object().bitmap.get(), 1, 1) >> 24, 0u);
    EXPECT_EQ(PixelAt(Object().bitmap.get(), 10, 8), kBlue);
    EXPECT_GT(Object().outline.size(), 5u);  // an ellipse, not the rectangle
    // The table holds 256 objects in all images together.
    for (int i = 1; i < kMaxPasteObjects; ++i) Slot().pasteObjects.items.emplace_back();
    Send(cmd::kPaste);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, u"これ以上は、貼り付けられません");
    EXPECT_EQ(Slot().pasteObjects.Count(), kMaxPasteObjects);
    Slot().pasteObjects.Clear();
    // An indexed image asks first; No leaves everything as it was.
    shown.clear();
    Send(cmd::k8Index);
    ASSERT_TRUE(IsIndexed(Slot().pixelFormat));
    answer = IDNO;
    Send(cmd::kPaste);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, u"画像を貼り付けるためにはフォーマットを変更する必要があります。\r\n変更しますか？");
    EXPECT_TRUE(Slot().pasteObjects.Empty());
    EXPECT_TRUE(IsIndexed(Slot().pixelFormat));
    answer = IDYES;
    Send(cmd::kPaste);
    EXPECT_EQ(Slot().pixelFormat, fmt::k32ARGB);
    EXPECT_EQ(Slot().pasteObjects.Count(), 1);
    // Delete asks, and the menu 貼紙 goes grey with the last object.
    Send(cmd::kObjDelete);
    EXPECT_EQ(shown.back().text, u"この貼紙を削除しますか？");
    EXPECT_TRUE(Slot().pasteObjects.Empty());
    EXPECT_EQ(Slot().pasteObjects.selected, -1);
}

TEST_F(PasteTest, TextObjectsHorizontalAndVertical) {
    ASSERT_TRUE(testing::NewImage(*editor, 120, 80, 96, 96, false));
    Clear(Slot().bitmap, kWhite);
    Slot().tool = kToolText;
    Slot().colours = {0x000000, 0xFFFFFF};  // black text
    Slot().toolSettings[kTextSizeOption] = 12;  // 20 pixels
    int asked = 0;
    editor->dialogObserver = [&](HWND dlg, int id) {
        if (id != IDD_TEXT_EDIT) return;
        ++asked;
        SetDlgItemTextW(dlg, 1016, L"日本語");
        PostMessageW(dlg, WM_COMMAND, IDOK, 0);
    };
    // A click without a frame: laid out unbounded.
    SendMessageW(editor->frame.view, WM_LBUTTONDOWN, MK_LBUTTON, At(2, 2));
    SendMessageW(editor->frame.view, WM_LBUTTONUP, 0, At(2, 2));
    ReleaseCapture();
    ASSERT_EQ(asked, 1);
    ASSERT_EQ(Slot().pasteObjects.Count(), 1);
    const PasteObject& horizontal = Object();
    EXPECT_TRUE(horizontal.isText);
    EXPECT_FALSE(horizontal.inFrame);
    // Without a frame the layout list offers 横1, 横2, 縦1 and 縦2 only.
    for (size_t i = 0; i < OptionControls().size(); ++i) {
        if (OptionFor(OptionControls()[i], kToolText) == kTextLayoutOption) {
            EXPECT_EQ(SendMessageW(editor->frame.optionLists[i], CB_GETCOUNT, 0, 0), 4);
        }
    }
    EXPECT_EQ(horizontal.fontSize, 20.0f);
    EXPECT_GT(horizontal.textWidth, 2 * horizontal.textHeight);
    // 縦1 stacks the same text in a column.
    Slot().pasteObjects.selected = -1;
    Slot().toolSettings[29] = 2;
    SendMessageW(editor->frame.view, WM_LBUTTONDOWN, MK_LBUTTON, At(95, 2));
    SendMessageW(editor->frame.view, WM_LBUTTONUP, 0, At(95, 2));
    ReleaseCapture();
    ASSERT_EQ(Slot().pasteObjects.Count(), 2);
    EXPECT_GT(Object().textHeight, 2 * Object().textWidth);
    Send(cmd::kObjMergeAll);
    EXPECT_TRUE(Slot().pasteObjects.Empty());
    // Black glyph pixels in both places, white far from them.
    auto dark = [this](int x0, int y0, int x1, int y1) {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) n += (PixelAt(Slot().bitmap.get(), x, y) & 0xFF) < 128;
        return n;
    };
    EXPECT_GT(dark(2, 2, 80, 26), 20);
    EXPECT_GT(dark(95, 2, 120, 80), 20);
    EXPECT_EQ(dark(2, 40, 80, 80), 0);
    // Three different glyphs, not three equal boxes: the thirds of the horizontal line's ink
    // differ in many pixels.
    int left = 80, right = 0;
    for (int y = 2; y < 26; ++y)
        for (int x = 2; x < 80; ++x)
            if ((PixelAt(Slot().bitmap.get(), x, y) & 0xFF) < 128) left = std::min(left, x), right = std::max(right, x);
    ASSERT_GT(right - left, 30);
    const int cell = (right - left + 1) / 3;
    auto differ = [&](int a, int b) {
        int n = 0;
        for (int y = 2; y < 26; ++y)
            for (int x = 0; x < cell; ++x)
                n += ((PixelAt(Slot().bitmap.get(), left + a * cell + x, y) & 0xFF) < 128) !=
                     ((PixelAt(Slot().bitmap.get(), left + b * cell + x, y) & 0xFF) < 128);
        return n;
    };
    EXPECT_GT(differ(0, 1), 25);
    EXPECT_GT(differ(1, 2), 25);
    EXPECT_GT(differ(0, 2), 25);
}

}  // namespace
}  // namespace mirelo
