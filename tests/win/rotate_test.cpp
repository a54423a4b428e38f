#include <vector>

#include "harness.h"
#include "app/commands.h"
#include "app/menu_state.h"
#include "image/format_change.h"
#include "image/new_image.h"
#include "ops/alpha_dialog.h"
#include "ops/resize_image.h"
#include "ops/rotate_image.h"
#include "res/resource.h"
#include "select/selection.h"
#include "ui/frame_bars.h"

namespace mirelo {
namespace {
using namespace mirelo::testing;

constexpr uint32_t kTopLeft = 0xFFFF0000, kTopRight = 0xFF00FF00, kBottomLeft = 0xFF0000FF, kBottomRight = 0xFFFFFF00;
constexpr uint32_t kInside = 0xFF808080;

enum Corner { TL, TR, BL, BR };

// Where each menu command sends the source's top-left, top-right, bottom-left and bottom-right.
struct MoveRow {
    int command;
    bool swapsSides;
    Corner to[4];
};
constexpr MoveRow kMoves[] = {
    {cmd::kFlipH, false, {TR, TL, BR, BL}},   {cmd::kFlipV, false, {BL, BR, TL, TR}},
    {cmd::kRotate90, true, {TR, BR, TL, BL}}, {cmd::kRotate180, false, {BR, BL, TR, TL}},
    {cmd::kRotate270, true, {BL, TL, BR, TR}},
};

void CornerAt(Corner c, int w, int h, int* x, int* y) {
    *x = (c == TR || c == BR) ? w - 1 : 0;
    *y = (c == BL || c == BR) ? h - 1 : 0;
}

class RotateTest : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        OpenWindow();
    }
    ImageSlot& Slot() { return *editor->Current(); }
    void SetAngle(int degrees) { SendMessageW(editor->frame.angleSpin, UDM_SETPOS32, 0, degrees); }
    void SetSmoothing(bool on) { SendMessageW(editor->frame.smoothCheck, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0); }
    GpBitmapOwner Snapshot() {
        GpBitmapOwner copy;
        EXPECT_TRUE(CopyBitmapArea(editor->messages, Slot().bitmap, 0, 0, Slot().width, Slot().height, copy));
        return copy;
    }
    // A width × height 32-bit image with four coloured corners on grey.
    void MakeCornerImage(int w, int h) {
        ASSERT_TRUE(testing::NewImage(*editor, w, h, 96, 96, false));
        Fill(kInside);
        const uint32_t colours[4] = {kTopLeft, kTopRight, kBottomLeft, kBottomRight};
        for (Corner c : {TL, TR, BL, BR}) {
            int x = 0, y = 0;
            CornerAt(c, w, h, &x, &y);
            gp::GdipBitmapSetPixel(Slot().bitmap.get(), x, y, colours[c]);
        }
    }
    void Fill(uint32_t argb) {
        GpGraphicsOwner g;
        gp::GdipGetImageGraphicsContext(Slot().bitmap.get(), g.put());
        gp::GdipGraphicsClear(g.get(), argb);
    }
    // An indexed image whose pixel (x, y) holds index (3 + x + w·y) mod 2^bits, with its own palette.
    void MakeIndexedImage(int w, int h, PixelFormat format) {
        ASSERT_TRUE(testing::NewImage(*editor, w, h, 96, 96, false));
        const int entries = 1 << BitsPerPixel(format);
        GpBitmapOwner indexed;
        ASSERT_TRUE(CreateGpBitmap(indexed, w, h, format));
        std::vector<uint8_t> buf(sizeof(Gdiplus::ColorPalette) + (entries - 1) * sizeof(Gdiplus::ARGB));
        auto* pal = reinterpret_cast<Gdiplus::ColorPalette*>(buf.data());
        pal->Flags = 0;
        pal->Count = static_cast<UINT>(entries);
        for (int i = 0; i < entries; ++i) pal->Entries[i] = 0xFF000000u | static_cast<uint32_t>((i * 0x3A1F07) & 0xFFFFFF);
        ASSERT_EQ(gp::GdipSetImagePalette(indexed.get(), pal), Gdiplus::Ok);
        {
            BitmapLock lock(editor->messages, indexed, kLockWrite, format, BitmapRole::Destination);
            ASSERT_TRUE(lock.ok());
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) WriteStored(lock.view(), x, y, static_cast<uint32_t>((3 + x + w * y) % entries));
        }
        Slot().bitmap = std::move(indexed);
        ImageChanged(*editor, editor->images.current, kChangedBitmap);
        ASSERT_EQ(Slot().pixelFormat, format);
        ReadPaletteEntries(Slot().bitmap.get(), &palette);
    }
    std::vector<uint32_t> Indices() {
        std::vector<uint32_t> out;
        BitmapLock lock(editor->messages, Slot().bitmap, kLockRead, Slot().pixelFormat, BitmapRole::Source);
        EXPECT_TRUE(lock.ok());
        if (!lock.ok()) return out;
        for (int y = 0; y < Slot().height; ++y)
            for (int x = 0; x < Slot().width; ++x) out.push_back(ReadStored(lock.view(), x, y));
        return out;
    }

    std::vector<uint32_t> palette;
};

TEST_F(RotateTest, EachQuarterTurnAndFlipMovesTheCornersAndUndoes) {
    MakeCornerImage(5, 3);
    GpBitmapOwner before = Snapshot();
    const uint32_t colours[4] = {kTopLeft, kTopRight, kBottomLeft, kBottomRight};
    for (const MoveRow& row : kMoves) {
        SCOPED_TRACE(row.command);
        Send(row.command);
        const int w = row.swapsSides ? 3 : 5, h = row.swapsSides ? 5 : 3;
        ASSERT_EQ(Slot().width, w);
        ASSERT_EQ(Slot().height, h);
        EXPECT_EQ(Slot().pixelFormat, fmt::k32ARGB);
        for (Corner c : {TL, TR, BL, BR}) {
            int x = 0, y = 0;
            CornerAt(row.to[c], w, h, &x, &y);
            EXPECT_EQ(PixelAt(Slot().bitmap.get(), x, y), colours[c]) << c;
        }
        EXPECT_EQ(PixelAt(Slot().bitmap.get(), 1, 1), kInside);
        EXPECT_TRUE(Slot().undo.HasUndoableStep());
        Send(cmd::kUndo);
        EXPECT_EQ(Slot().width, 5);
        EXPECT_EQ(DifferentPixels(Slot().bitmap.get(), before.get(), 0), 0.0);
    }
    EXPECT_TRUE(shown.empty());
}

// 90度 on a 3 × 2 image gives a 2 × 3 image whose top-right pixel is the source's top-left.
TEST_F(RotateTest, QuarterTurnOfThreeByTwo) {
    MakeCornerImage(3, 2);
    Send(cmd::kRotate90);
    ASSERT_EQ(Slot().width, 2);
    ASSERT_EQ(Slot().height, 3);
    EXPECT_EQ(PixelAt(Slot().bitmap.get(), 1, 0), kTopLeft);
}

TEST_F(RotateTest, IndexedImagesKeepPaletteAndMoveTheirIndices) {
    // Every depth is the core's test; here the wiring, on a depth packed below a byte.
    for (PixelFormat format : {fmt::k4Index}) {
        SCOPED_TRACE(format);
        MakeIndexedImage(5, 3, format);
        const std::vector<uint32_t> source = Indices();
        for (const MoveRow& row : kMoves) {
            SCOPED_TRACE(row.command);
            Send(row.command);
            ASSERT_EQ(Slot().pixelFormat, format);
            std::vector<uint32_t> kept;
            ASSERT_TRUE(ReadPaletteEntries(Slot().bitmap.get(), &kept));
            EXPECT_EQ(kept, palette);
            const int w = row.swapsSides ? 3 : 5;
            const std::vector<uint32_t> moved = Indices();
            ASSERT_EQ(moved.size(), source.size());
            for (Corner c : {TL, TR, BL, BR}) {
                int sx = 0, sy = 0, dx = 0, dy = 0;
                CornerAt(c, 5, 3, &sx, &sy);
                CornerAt(row.to[c], w, row.swapsSides ? 5 : 3, &dx, &dy);
                EXPECT_EQ(moved[static_cast<size_t>(dy * w + dx)], source[static_cast<size_t>(sy * 5 + sx)]) << c;
            }
            Send(cmd::kUndo);
            EXPECT_EQ(Slot().pixelFormat, format);
            EXPECT_EQ(Indices(), source);
        }
        EXPECT_TRUE(shown.empty());
    }
}

// 45 degrees on 100 × 50: a square of the diagonal sqrt(100² + 50²) rounded up, 112, with
// transparent corners, turned clockwise by 右回転 and the other way by 左回転, with and without
// smoothing.
TEST_F(RotateTest, FortyFiveDegreesGiveASquareWithTransparentCorners) {
    ASSERT_TRUE(testing::NewImage(*editor, 100, 50, 96, 96, false));
    Fill(0xFFFF0000);
    {
        // The left edge blue: the left middle (5, 25) lies 45 pixels left of the centre.
        GpGraphicsOwner g;
        gp::GdipGetImageGraphicsContext(Slot().bitmap.get(), g.put());
        GpBrushOwner blue;
        gp::GdipCreateSolidFill(0xFF0000FF, reinterpret_cast<Gdiplus::GpSolidFill**>(blue.put()));
        gp::GdipFillRectangleI(g.get(), blue.get(), 0, 0, 10, 50);
    }
    GpBitmapOwner before = Snapshot();
    SetAngle(45);
    struct Case {
        int command;
        bool smoothing;
        int blueY, emptyY;  // turned clockwise the band near the left middle rises to (23, 23); the other way it sinks to (23, 87)
    };
    for (const Case& c : {Case{cmd::kRotateRight, false, 23, 87}, Case{cmd::kRotateLeft, false, 87, 23},
                          Case{cmd::kRotateRight, true, 23, 87}, Case{cmd::kRotateLeft, true, 87, 23}}) {
        SCOPED_TRACE(::testing::Message() << c.command << " smoothing " << c.smoothing);
        SetSmoothing(c.smoothing);
        Send(c.command);
        ASSERT_EQ(Slot().width, 112);
        ASSERT_EQ(Slot().height, 112);
        EXPECT_EQ(Slot().pixelFormat, fmt::k32ARGB);
        for (auto [x, y] : {std::pair{0, 0}, std::pair{111, 0}, std::pair{0, 111}, std::pair{111, 111}, std::pair{3, 55}})
            EXPECT_EQ(PixelAt(Slot().bitmap.get(), x, y) >> 24, 0u) << x << "," << y;
        EXPECT_EQ(PixelAt(Slot().bitmap.get(), 55, 55), 0xFFFF0000u);
        EXPECT_EQ(PixelAt(Slot().bitmap.get(), 23, c.blueY), 0xFF0000FFu);
        EXPECT_EQ(PixelAt(Slot().bitmap.get(), 23, c.emptyY) >> 24, 0u);
        Send(cmd::kUndo);
        ASSERT_EQ(Slot().width, 100);
        ASSERT_EQ(Slot().height, 50);
        EXPECT_EQ(DifferentPixels(Slot().bitmap.get(), before.get(), 0), 0.0);
    }
    EXPECT_TRUE(shown.empty());
}

TEST_F(RotateTest, WholeTurnsChangeNothingAndQuarterAnglesAreExact) {
    MakeCornerImage(5, 3);
    for (int angle : {0, 360}) {
        SetAngle(angle);
        Gdiplus::GpBitmap* was = Slot().bitmap.get();
        Send(cmd::kRotateRight);
        Send(cmd::kRotateLeft);
        EXPECT_EQ(Slot().bitmap.get(), was) << angle;
        EXPECT_FALSE(Slot().undo.HasUndoableStep()) << angle;
    }
    // 90 to the right and 270 to the left are the clockwise quarter turn; 180 the half turn.
    struct Case {
        int angle, command;
        Corner topLeftTo;
    };
    for (const Case& c : {Case{90, cmd::kRotateRight, TR}, Case{270, cmd::kRotateLeft, TR}, Case{90, cmd::kRotateLeft, BL},
                          Case{270, cmd::kRotateRight, BL}, Case{180, cmd::kRotateLeft, BR}}) {
        SCOPED_TRACE(::testing::Message() << c.angle << " " << c.command);
        SetAngle(c.angle);
        Send(c.command);
        const bool swapped = c.angle != 180;
        ASSERT_EQ(Slot().width, swapped ? 3 : 5);
        int x = 0, y = 0;
        CornerAt(c.topLeftTo, Slot().width, Slot().height, &x, &y);
        EXPECT_EQ(PixelAt(Slot().bitmap.get(), x, y), kTopLeft);
        Send(cmd::kUndo);
        EXPECT_EQ(PixelAt(Slot().bitmap.get(), 0, 0), kTopLeft);
    }
}

TEST_F(RotateTest, IndexedImagesTurnedByAnAngleBecomeThirtyTwoBitArgb) {
    MakeIndexedImage(20, 20, fmt::k8Index);
    SetAngle(30);
    SetSmoothing(false);
    Send(cmd::kRotateRight);
    EXPECT_EQ(Slot().pixelFormat, fmt::k32ARGB);
    EXPECT_EQ(Slot().width, 20);  // a square keeps its size
    EXPECT_EQ(PixelAt(Slot().bitmap.get(), 0, 0) >> 24, 0u);
    // The centre pixel turns about itself: (10, 10) holds index 3 + 10 + 200 of the palette.
    EXPECT_EQ(PixelAt(Slot().bitmap.get(), 10, 10), palette[213]);
    Send(cmd::kUndo);
    EXPECT_EQ(Slot().pixelFormat, fmt::k8Index);
}

TEST_F(RotateTest, TheCommandsNeedAnImage) {
    Refresh(*editor);
    auto buttonEnabled = [this](int id) {
        return (SendMessageW(editor->frame.mainToolBar, TB_GETSTATE, static_cast<WPARAM>(id), 0) & TBSTATE_ENABLED) != 0;
    };
    auto itemEnabled = [this](int id) { return (GetMenuState(editor->frame.menu, static_cast<UINT>(id), MF_BYCOMMAND) & MF_GRAYED) == 0; };
    for (int id : {cmd::kRotateRight, cmd::kRotateLeft}) EXPECT_FALSE(buttonEnabled(id)) << id;
    for (const MoveRow& row : kMoves) EXPECT_FALSE(itemEnabled(row.command)) << row.command;
    EXPECT_FALSE(IsWindowEnabled(editor->frame.smoothCheck));
    Send(cmd::kRotate90);  // nothing happens without an image
    Send(cmd::kRotateRight);
    EXPECT_TRUE(shown.empty());
    MakeCornerImage(4, 2);
    for (int id : {cmd::kRotateRight, cmd::kRotateLeft}) EXPECT_TRUE(buttonEnabled(id)) << id;
    for (const MoveRow& row : kMoves) EXPECT_TRUE(itemEnabled(row.command)) << row.command;
    EXPECT_TRUE(IsWindowEnabled(editor->frame.smoothCheck));
    EXPECT_TRUE(RotationSmoothing(*editor));  // on at the start
    // The angle box takes seven characters, a sign among them.
    EXPECT_EQ(SendMessageW(editor->frame.angleEdit, EM_GETLIMITTEXT, 0, 0), 7);
    SetWindowTextW(editor->frame.angleEdit, L"-450");
    EXPECT_EQ(RotationAngle(*editor), -450);
    Send(cmd::kRotateRight);  // −450 is −90: a quarter turn clockwise
    EXPECT_EQ(Slot().width, 2);
    EXPECT_EQ(PixelAt(Slot().bitmap.get(), 1, 0), kTopLeft);
}

// While a paste object is selected the commands are meant for it: the image stays as it is.
TEST_F(RotateTest, ASelectedPasteObjectKeepsTheImage) {
    MakeCornerImage(5, 3);
    Slot().pasteObjects.items.push_back(PasteObject{});
    Slot().pasteObjects.selected = 0;
    SetAngle(45);
    for (int id : {cmd::kRotate90, cmd::kFlipH, cmd::kRotateRight, cmd::kRotateLeft}) {
        Send(id);
        EXPECT_EQ(Slot().width, 5) << id;
        EXPECT_EQ(PixelAt(Slot().bitmap.get(), 0, 0), kTopLeft) << id;
    }
    EXPECT_FALSE(Slot().undo.HasUndoableStep());
    Slot().pasteObjects.Clear();
}

// The image size dialog driven through its controls: unit, aspect lock, smoothing buttons.
Text FieldText(HWND dlg, int id) { return WindowText(GetDlgItem(dlg, id)); }
void Choose(HWND dlg, int combo, int index) {
    SendDlgItemMessageW(dlg, combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(combo, CBN_SELCHANGE), reinterpret_cast<LPARAM>(GetDlgItem(dlg, combo)));
}
void Type(HWND dlg, int id, const wchar_t* text) {
    SetFocus(GetDlgItem(dlg, id));
    SetDlgItemTextW(dlg, id, text);
}

TEST_F(RotateTest, ResizeDialogInPixelsAndPercent) {
    MakeCornerImage(400, 300);
    SelectAll(Slot());
    int opened = 0;
    editor->dialogObserver = [&](HWND dlg, int id) {
        ASSERT_EQ(id, IDD_RESIZE);
        ++opened;
        EXPECT_FALSE(Slot().selectionPath.has_value());  // the paths no longer fit
        EXPECT_EQ(IsDlgButtonChecked(dlg, IDC_RESIZE_SAME_RATIO), BST_CHECKED);
        EXPECT_EQ(SendDlgItemMessageW(dlg, IDC_RESIZE_WIDTH, EM_GETLIMITTEXT, 0, 0), 5);
        if (opened == 1) {
            EXPECT_EQ(FieldText(dlg, IDC_RESIZE_WIDTH), u"400");
            EXPECT_EQ(IsDlgButtonChecked(dlg, IDC_RESIZE_SMOOTH_FIRST + 4), BST_CHECKED);  // high-quality bilinear
            Type(dlg, IDC_RESIZE_WIDTH, L"200");
            EXPECT_EQ(FieldText(dlg, IDC_RESIZE_HEIGHT), u"150");
            SendDlgItemMessageW(dlg, IDC_RESIZE_SMOOTH_FIRST, BM_CLICK, 0, 0);  // nearest neighbour
        } else {
            EXPECT_EQ(IsDlgButtonChecked(dlg, IDC_RESIZE_SMOOTH_FIRST), BST_CHECKED);  // remembered
            Choose(dlg, IDC_RESIZE_UNIT, 1);
            EXPECT_EQ(FieldText(dlg, IDC_RESIZE_WIDTH), u"100");
            int low = 0, high = 0;
            SendDlgItemMessageW(dlg, IDC_RESIZE_SPIN_HEIGHT, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&low),
                                reinterpret_cast<LPARAM>(&high));
            EXPECT_EQ(high, 5000);
            Type(dlg, IDC_RESIZE_HEIGHT, L"50");
            EXPECT_EQ(FieldText(dlg, IDC_RESIZE_WIDTH), u"50");
            CheckDlgButton(dlg, IDC_RESIZE_SAME_RATIO, BST_UNCHECKED);
            Type(dlg, IDC_RESIZE_HEIGHT, L"75");
            EXPECT_EQ(FieldText(dlg, IDC_RESIZE_WIDTH), u"50");
        }
        PostMessageW(dlg, WM_COMMAND, IDOK, 0);
    };
    Send(cmd::kResize);
    ASSERT_EQ(Slot().width, 200);
    ASSERT_EQ(Slot().height, 150);
    EXPECT_EQ(Slot().pixelFormat, fmt::k32ARGB);
    // Nearest neighbour blends nothing: the corner is one of the source's colours.
    const uint32_t corner = PixelAt(Slot().bitmap.get(), 199, 149);
    EXPECT_TRUE(corner == kBottomRight || corner == kInside) << std::hex << corner;
    Send(cmd::kResize);
    EXPECT_EQ(Slot().width, 100);  // 50 % of 200
    EXPECT_EQ(Slot().height, 112);  // 75 % of 150
    EXPECT_EQ(editor->resize.unit, 1);
    Send(cmd::kUndo);
    Send(cmd::kUndo);
    EXPECT_EQ(Slot().width, 400);
    EXPECT_TRUE(shown.empty());
    editor->resize = ResizeChoices{};
}

// Each smoothing mode gives the size asked for in the image's format; the limits are refused.
TEST_F(RotateTest, ResizeModesLimitsAndIndexedImages) {
    MakeCornerImage(101, 75);
    for (int button = 0; button < 5; ++button) {
        ASSERT_TRUE(ResizeCurrentImage(*editor, 50 + button, 37, SmoothingMode(button))) << button;
        EXPECT_EQ(Slot().width, 50 + button);
        EXPECT_EQ(Slot().height, 37);
        EXPECT_EQ(Slot().pixelFormat, fmt::k32ARGB);
        EXPECT_EQ(PixelAt(Slot().bitmap.get(), 20, 18), kInside) << button;
        Send(cmd::kUndo);
    }
    EXPECT_TRUE(shown.empty());
    for (auto [w, h] : {std::pair{4097, 10}, std::pair{0, 10}, std::pair{10, -1}}) {
        EXPECT_FALSE(ResizeCurrentImage(*editor, w, h, SmoothingMode(0)));
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].text, u"幅、または高さが0以下、または4096ピクセルを超えているため、サイズ変更できません");
        EXPECT_EQ(shown[0].title, u"Mirelo");
        shown.clear();
    }
    EXPECT_EQ(Slot().width, 101);
    EXPECT_FALSE(Slot().undo.HasUndoableStep());

    // An indexed image: Yes converts to 32-bit ARGB and scales; undo gives back the indexed image.
    MakeIndexedImage(6, 4, fmt::k8Index);
    answer = IDYES;
    ASSERT_TRUE(ResizeCurrentImage(*editor, 12, 8, SmoothingMode(0)));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, u"インデックスカラーはサイズ変更できません\n\n32-A8R8G8B8 に変更しますか？");
    EXPECT_EQ(Slot().pixelFormat, fmt::k32ARGB);
    EXPECT_EQ(Slot().width, 12);
    EXPECT_EQ(PixelAt(Slot().bitmap.get(), 1, 1), palette[3]);
    Send(cmd::kUndo);
    EXPECT_EQ(Slot().pixelFormat, fmt::k8Index);
    // Declined, it is tried in its own format; that fails and the second question comes.
    shown.clear();
    answer = IDNO;
    EXPECT_FALSE(ResizeCurrentImage(*editor, 12, 8, SmoothingMode(1)));
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.back().text, u"8-Indexはサイズ変更できません\n\n32-A8R8G8B8 に変更しますか？");
    EXPECT_EQ(Slot().pixelFormat, fmt::k8Index);
    EXPECT_EQ(Slot().width, 6);
}

// The transparency dialog: the lists, the controls each source offers, and the change on OK.
TEST_F(RotateTest, TransparencyDialogSourcesAndUndo) {
    ASSERT_TRUE(testing::NewImage(*editor, 2, 2, 96, 96, false));  // "new1", the other image
    Fill(0x80FFFFFF);
    MakeCornerImage(4, 3);
    GpBitmapOwner before = Snapshot();
    struct Step {
        int source, operation;
        const wchar_t* value;
        bool useAlpha;
    };
    Step step{};
    editor->dialogObserver = [&](HWND dlg, int id) {
        ASSERT_EQ(id, IDD_TRANSPARENCY);
        EXPECT_EQ(SendDlgItemMessageW(dlg, IDC_ALPHA_SOURCE, CB_GETCOUNT, 0, 0), 20);
        EXPECT_EQ(SendDlgItemMessageW(dlg, IDC_ALPHA_OPERATION, CB_GETCOUNT, 0, 0), 6);
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, IDC_ALPHA_USE_ALPHA)));
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg, IDC_ALPHA_VALUE)));
        Choose(dlg, IDC_ALPHA_OPERATION, step.operation);
        Choose(dlg, IDC_ALPHA_SOURCE, step.source);
        EXPECT_EQ(IsWindowEnabled(GetDlgItem(dlg, IDC_ALPHA_VALUE)) != 0, step.source == 0);
        EXPECT_EQ(IsWindowEnabled(GetDlgItem(dlg, IDC_ALPHA_OPERATION)) != 0, step.source != 1);
        EXPECT_EQ(IsWindowEnabled(GetDlgItem(dlg, IDC_ALPHA_USE_ALPHA)) != 0, step.source == 19);
        if (step.value) SetDlgItemTextW(dlg, IDC_ALPHA_VALUE, step.value);
        if (step.useAlpha) CheckDlgButton(dlg, IDC_ALPHA_USE_ALPHA, BST_CHECKED);
        PostMessageW(dlg, WM_COMMAND, IDOK, 0);
    };
    auto alpha = [this](int x, int y) { return PixelAt(Slot().bitmap.get(), x, y) >> 24; };
    // 一様 255 with 置換: fully transparent; the colours stay.
    step = {0, 0, L"255", false};
    Send(cmd::kTransparency);
    EXPECT_EQ(alpha(0, 0), 0u);
    EXPECT_EQ(alpha(3, 2), 0u);
    // 反転 (its operation is reset to 置換): back to opaque.
    step = {1, 2, nullptr, false};
    Send(cmd::kTransparency);
    EXPECT_EQ(PixelAt(Slot().bitmap.get(), 0, 0), kTopLeft);
    // The other image's alpha (0x80) over the top-left 2 × 2 only.
    step = {19, 0, nullptr, true};
    Send(cmd::kTransparency);
    EXPECT_EQ(alpha(1, 1), 0x80u);
    EXPECT_EQ(alpha(2, 0), 255u);
    EXPECT_EQ(alpha(0, 2), 255u);
    // Its luminance (white) with 平均: (0x80 + 255) >> 1.
    step = {19, 5, nullptr, false};
    Send(cmd::kTransparency);
    EXPECT_EQ(alpha(0, 0), (0x80u + 255u) >> 1);
    EXPECT_EQ(alpha(3, 0), 255u);
    for (int i = 0; i < 4; ++i) Send(cmd::kUndo);
    EXPECT_EQ(DifferentPixels(Slot().bitmap.get(), before.get(), 0), 0.0);
    EXPECT_TRUE(shown.empty());
}

// Gradients are painted as grey masks: "下" runs from opaque at the top to clear at the bottom,
// "円（外）" is opaque in the middle and clear in the corners. A 24-bit image becomes 32-bit ARGB.
TEST_F(RotateTest, TransparencyGradients) {
    MakeCornerImage(40, 40);
    ASSERT_EQ(ChangeFormat(*editor, fmt::k24RGB, u"", false, false), Gdiplus::Ok);
    ASSERT_TRUE(ChangeCurrentAlpha(*editor, AlphaChoice{2, 0, 0, -1, false}));
    EXPECT_EQ(Slot().pixelFormat, fmt::k32ARGB);
    uint32_t last = 256;
    for (int y = 0; y < 40; y += 3) {
        const uint32_t a = PixelAt(Slot().bitmap.get(), 20, y) >> 24;
        EXPECT_LE(a, last) << y;
        last = a;
    }
    EXPECT_GE(PixelAt(Slot().bitmap.get(), 20, 0) >> 24, 250u);
    EXPECT_LE(PixelAt(Slot().bitmap.get(), 20, 39) >> 24, 12u);
    ASSERT_TRUE(ChangeCurrentAlpha(*editor, AlphaChoice{16, 0, 0, -1, false}));
    EXPECT_GE(PixelAt(Slot().bitmap.get(), 20, 20) >> 24, 230u);
    EXPECT_EQ(PixelAt(Slot().bitmap.get(), 0, 0) >> 24, 0u);
    ASSERT_TRUE(ChangeCurrentAlpha(*editor, AlphaChoice{17, 0, 0, -1, false}));  // 円（内）: the reverse
    EXPECT_LE(PixelAt(Slot().bitmap.get(), 20, 20) >> 24, 25u);
    EXPECT_EQ(PixelAt(Slot().bitmap.get(), 0, 0) >> 24, 255u);
    EXPECT_TRUE(shown.empty());
    Send(cmd::kUndo);
    Send(cmd::kUndo);
    Send(cmd::kUndo);
    Send(cmd::kUndo);  // the conversion's own step
    EXPECT_EQ(Slot().pixelFormat, fmt::k24RGB);
}

TEST_F(RotateTest, MissingBitmapsAreReported) {
    GpBitmapOwner none, result;
    EXPECT_NE(RotateFlipImage(*editor, none, 3, result), Gdiplus::Ok);
    EXPECT_NE(RotateImageByAngle(*editor, none, 45, false, true, result), Gdiplus::Ok);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].text, u"Bmpがありません");
    EXPECT_EQ(shown[0].title, u"");
    EXPECT_FALSE(result);
}

}  // namespace
}  // namespace mirelo
