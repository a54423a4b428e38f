#include "harness.h"
#include "app/commands.h"
#include "image/new_image.h"
#include "res/resource.h"

namespace mirelo {
namespace {
using namespace mirelo::testing;

class IndexedTest : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        OpenWindow();
        ASSERT_TRUE(testing::NewImage(*editor, 6, 4, 96, 96, false));
        // Three colours: white, red on the left column, blue at one pixel.
        for (int y = 0; y < 4; ++y) gp::GdipBitmapSetPixel(Slot().bitmap.get(), 0, y, 0xFFFF0000);
        gp::GdipBitmapSetPixel(Slot().bitmap.get(), 5, 3, 0xFF0000FF);
    }
    ImageSlot& Slot() { return *editor->Current(); }
};

TEST_F(IndexedTest, EightBitMedianCutKeepsFewColoursExactly) {
    Send(cmd::k8Index);
    ASSERT_EQ(Slot().pixelFormat, fmt::k8Index);
    EXPECT_EQ(PixelAt(Slot().bitmap.get(), 0, 2), 0xFFFF0000u);
    EXPECT_EQ(PixelAt(Slot().bitmap.get(), 5, 3), 0xFF0000FFu);
    EXPECT_EQ(PixelAt(Slot().bitmap.get(), 3, 1), 0xFFFFFFFFu);
    INT size = 0;
    ASSERT_EQ(gp::GdipGetImagePaletteSize(Slot().bitmap.get(), &size), Gdiplus::Ok);
    std::vector<uint8_t> buf(static_cast<size_t>(size));
    auto* pal = reinterpret_cast<Gdiplus::ColorPalette*>(buf.data());
    ASSERT_EQ(gp::GdipGetImagePalette(Slot().bitmap.get(), pal, size), Gdiplus::Ok);
    EXPECT_EQ(pal->Count, 3u);  // the exact palette: only the image's colours
    EXPECT_TRUE(shown.empty());
    EXPECT_TRUE((GetMenuState(editor->frame.menu, cmd::k8Index, MF_BYCOMMAND) & MF_CHECKED) != 0);
    // Undo brings back the 32-bit image.
    Send(cmd::kUndo);
    EXPECT_EQ(Slot().pixelFormat, fmt::k32ARGB);
    EXPECT_EQ(PixelAt(Slot().bitmap.get(), 5, 3), 0xFF0000FFu);
}

TEST_F(IndexedTest, OneBitUsesBlackAndWhite) {
    Send(cmd::k1Index);
    ASSERT_EQ(Slot().pixelFormat, fmt::k1Index);
    EXPECT_EQ(PixelAt(Slot().bitmap.get(), 3, 1), 0xFFFFFFFFu);
    EXPECT_EQ(PixelAt(Slot().bitmap.get(), 5, 3), 0xFF000000u);
    EXPECT_EQ(Slot().tool, kToolSelect);
}

TEST_F(IndexedTest, PasteObjectsRefuseTheConversion) {
    Slot().pasteObjects.items.resize(1);
    Send(cmd::k4Index);
    EXPECT_EQ(Slot().pixelFormat, fmt::k32ARGB);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, u"貼紙を削除、またはマージして下さい");
    EXPECT_FALSE(Slot().undo.HasUndoableStep());
    Slot().pasteObjects.Clear();
}

TEST_F(IndexedTest, FixedPaletteFromAnotherIndexedImage) {
    Send(cmd::k4Index);  // slot 0 becomes a 4-bit image with the three colours
    ASSERT_TRUE(testing::NewImage(*editor, 2, 2, 96, 96, false));
    gp::GdipBitmapSetPixel(Slot().bitmap.get(), 0, 0, 0xFFF00000);  // close to red
    int lines = 0;
    editor->dialogObserver = [&](HWND dlg, int id) {
        ASSERT_EQ(id, IDD_FIXED_PALETTE);
        HWND list = GetDlgItem(dlg, IDC_FIXED_LIST);
        lines = static_cast<int>(SendMessageW(list, CB_GETCOUNT, 0, 0));
        wchar_t text[32] = {};
        SendMessageW(list, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(text));
        EXPECT_STREQ(text, L"ﾃﾞﾌｫﾙﾄ");
        SendMessageW(list, CB_GETLBTEXT, 1, reinterpret_cast<LPARAM>(text));
        EXPECT_STREQ(text, L"new1");
        SendMessageW(list, CB_SETCURSEL, 1, 0);
        SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDC_FIXED_LIST, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
        PostMessageW(dlg, WM_COMMAND, IDOK, 0);
    };
    Send(cmd::kLoadFixedPalette);
    editor->dialogObserver = nullptr;
    EXPECT_EQ(lines, 2);
    ASSERT_TRUE(editor->fixedPalette.loaded);
    Send(cmd::kPaletteFixed);
    Send(cmd::kDither);  // dithering off
    Send(cmd::k4Index);
    ASSERT_EQ(Slot().pixelFormat, fmt::k4Index);
    EXPECT_EQ(PixelAt(Slot().bitmap.get(), 0, 0), 0xFFFF0000u);  // nearest entry of the loaded palette
    EXPECT_EQ(PixelAt(Slot().bitmap.get(), 1, 1), 0xFFFFFFFFu);
    EXPECT_TRUE(shown.empty());
}

}  // namespace
}  // namespace mirelo
