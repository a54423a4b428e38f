#include "harness.h"
#include "app/commands.h"
#include "image/bitmap_access.h"
#include "image/image_set.h"
#include "image/new_image.h"
#include "res/resource.h"

namespace mirelo {
namespace {
using testing::EditorTest;
using testing::PixelAt;

class ImageSetTest : public EditorTest {
protected:
    // Runs command 40001 and lets `drive` work the dialog's controls before OK is pressed.
    void NewThroughDialog(const std::function<void(HWND)>& drive, int button = IDOK) {
        editor->dialogObserver = [&, button](HWND dlg, int id) {
            EXPECT_EQ(id, IDD_NEWIMAGE);
            dialogSeen = true;
            drive(dlg);
            PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dlg, button)));
        };
        SendMessageW(editor->frame.mainWindow, WM_COMMAND, cmd::kNew, 0);
        editor->dialogObserver = nullptr;
    }
    Text StatusText() {
        wchar_t buf[512] = {};
        SendMessageW(editor->frame.statusBar, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(buf));
        return FromW(buf);
    }
    int BarButtons() { return static_cast<int>(SendMessageW(editor->frame.imageBar, TB_BUTTONCOUNT, 0, 0)); }
    bool BarChecked(int id) { return SendMessageW(editor->frame.imageBar, TB_ISBUTTONCHECKED, id, 0) != 0; }
    static void SetEdit(HWND dlg, int id, const wchar_t* text) { SetDlgItemTextW(dlg, id, text); }
    static int Slider(HWND dlg, int id) { return static_cast<int>(SendDlgItemMessageW(dlg, id, TBM_GETPOS, 0, 0)); }
    static void DragSlider(HWND dlg, int id, int pos) {
        HWND s = GetDlgItem(dlg, id);
        SendMessageW(s, TBM_SETPOS, TRUE, pos);
        SendMessageW(dlg, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, pos), reinterpret_cast<LPARAM>(s));
    }
    static int EditValue(HWND dlg, int id) { return static_cast<int>(GetDlgItemInt(dlg, id, nullptr, FALSE)); }

    bool dialogSeen = false;
};

TEST_F(ImageSetTest, NewDialogMakesAnOpaqueWhiteImage) {
    OpenWindow();
    NewThroughDialog([](HWND dlg) {
        EXPECT_EQ(EditValue(dlg, IDC_NEW_WIDTH), 640);  // first values of the session
        EXPECT_EQ(EditValue(dlg, IDC_NEW_HEIGHT), 480);
        EXPECT_EQ(EditValue(dlg, IDC_NEW_DPIX), 96);
        EXPECT_EQ(IsDlgButtonChecked(dlg, IDC_NEW_SAME_RATIO), BST_CHECKED);
        EXPECT_EQ(SendDlgItemMessageW(dlg, IDC_NEW_WIDTH, EM_GETLIMITTEXT, 0, 0), 4);
        SetEdit(dlg, IDC_NEW_WIDTH, L"100");
        SetEdit(dlg, IDC_NEW_HEIGHT, L"100");
    });
    ASSERT_TRUE(dialogSeen);
    ImageSlot* s = editor->Current();
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(editor->images.current, 0);
    EXPECT_EQ(s->width, 100);
    EXPECT_EQ(s->height, 100);
    EXPECT_EQ(s->pixelFormat, fmt::k32ARGB);
    EXPECT_EQ(s->path, u"new1");
    EXPECT_EQ(s->tool, kToolSelect);
    EXPECT_EQ(s->fileType, -1);
    EXPECT_EQ(s->colours[0], 0xFFFFFFu);
    EXPECT_EQ(PixelAt(s->bitmap.get(), 0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(PixelAt(s->bitmap.get(), 99, 99), 0xFFFFFFFFu);
    EXPECT_EQ(s->dpiX, 96);
    EXPECT_EQ(s->byteSize, 40000);
    Text status = StatusText();
    EXPECT_EQ(status.rfind(u"new1   MemoryBMP   32-A8R8G8B8   100px x 100px   96dpi x 96dpi   39.0KB   ", 0), 0u)
        << testing::Narrow(status);
    EXPECT_EQ(BarButtons(), 1);
    EXPECT_TRUE(BarChecked(10000));
    EXPECT_TRUE(shown.empty());
    // The dialog remembers the values for the next time.
    NewThroughDialog([](HWND dlg) { EXPECT_EQ(EditValue(dlg, IDC_NEW_WIDTH), 100); }, IDCANCEL);
    EXPECT_EQ(editor->images.Occupied(), 1);
}

TEST_F(ImageSetTest, NewDialogTransparentAndResolution) {
    OpenWindow();
    NewThroughDialog([](HWND dlg) {
        SetEdit(dlg, IDC_NEW_WIDTH, L"20");
        SetEdit(dlg, IDC_NEW_HEIGHT, L"10");
        SetFocus(GetDlgItem(dlg, IDC_NEW_DPIX));
        SetEdit(dlg, IDC_NEW_DPIX, L"300");  // linked: the vertical resolution follows
        EXPECT_EQ(EditValue(dlg, IDC_NEW_DPIY), 300);
        EXPECT_EQ(Slider(dlg, IDC_NEW_SLIDER_DPIY), 300);
        SendDlgItemMessageW(dlg, IDC_NEW_TRANSPARENT, BM_CLICK, 0, 0);
    });
    ImageSlot* s = editor->Current();
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(PixelAt(s->bitmap.get(), 5, 5), 0x00000000u);
    EXPECT_EQ(s->dpiX, 300);
    EXPECT_EQ(s->dpiY, 300);
    EXPECT_NE(StatusText().find(u"300dpi x 300dpi"), Text::npos);
    EXPECT_NE(StatusText().find(u"透明可"), Text::npos);
}

TEST_F(ImageSetTest, NewDialogSlidersSnapAndDefaultsResolution) {
    OpenWindow();
    NewThroughDialog([](HWND dlg) {
        DragSlider(dlg, IDC_NEW_SLIDER_WIDTH, 100);
        EXPECT_EQ(Slider(dlg, IDC_NEW_SLIDER_WIDTH), 96);
        EXPECT_EQ(EditValue(dlg, IDC_NEW_WIDTH), 96);
        DragSlider(dlg, IDC_NEW_SLIDER_HEIGHT, 70);
        EXPECT_EQ(EditValue(dlg, IDC_NEW_HEIGHT), 64);
        EXPECT_EQ(EditValue(dlg, IDC_NEW_WIDTH), 96);  // width and height are never linked
        DragSlider(dlg, IDC_NEW_SLIDER_DPIX, 200);
        EXPECT_EQ(EditValue(dlg, IDC_NEW_DPIX), 192);
        EXPECT_EQ(EditValue(dlg, IDC_NEW_DPIY), 192);
        EXPECT_EQ(Slider(dlg, IDC_NEW_SLIDER_DPIY), 192);
        // Unlinked, the other resolution stays.
        SendDlgItemMessageW(dlg, IDC_NEW_SAME_RATIO, BM_CLICK, 0, 0);
        DragSlider(dlg, IDC_NEW_SLIDER_DPIY, 72);
        EXPECT_EQ(EditValue(dlg, IDC_NEW_DPIY), 64);
        EXPECT_EQ(EditValue(dlg, IDC_NEW_DPIX), 192);
        SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDC_NEW_DEFAULT, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dlg, IDC_NEW_DEFAULT)));
        EXPECT_EQ(EditValue(dlg, IDC_NEW_DPIX), 96);
        EXPECT_EQ(EditValue(dlg, IDC_NEW_DPIY), 96);
        // A spin step moves the slider with the value.
        NMUPDOWN n{};
        n.hdr.hwndFrom = GetDlgItem(dlg, IDC_NEW_SPIN_WIDTH);
        n.hdr.idFrom = IDC_NEW_SPIN_WIDTH;
        n.hdr.code = UDN_DELTAPOS;
        n.iPos = 96;
        n.iDelta = 1;
        SendMessageW(dlg, WM_NOTIFY, IDC_NEW_SPIN_WIDTH, reinterpret_cast<LPARAM>(&n));
        EXPECT_EQ(Slider(dlg, IDC_NEW_SLIDER_WIDTH), 97);
    });
    ImageSlot* s = editor->Current();
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->width, 96);
    EXPECT_EQ(s->height, 64);
    EXPECT_EQ(s->dpiX, 96);
}

TEST_F(ImageSetTest, ZeroSizeIsRefusedAndLeavesTheSlotFree) {
    OpenWindow();
    NewThroughDialog([](HWND dlg) { SetEdit(dlg, IDC_NEW_WIDTH, L"0"); });
    EXPECT_EQ(editor->Current(), nullptr);
    EXPECT_EQ(editor->images.Occupied(), 0);
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.back().text, u"Bmpを作成できません");
}

TEST_F(ImageSetTest, NamesFillGapsAndCloseCompacts) {
    OpenWindow();
    ASSERT_TRUE(testing::NewImage(*editor, 10, 10, 96, 96, false));
    ASSERT_TRUE(testing::NewImage(*editor, 20, 20, 96, 96, false));
    ASSERT_TRUE(testing::NewImage(*editor, 30, 30, 96, 96, false));
    EXPECT_EQ(editor->images.slots[2].path, u"new3");
    EXPECT_EQ(BarButtons(), 3);
    EXPECT_TRUE(BarChecked(10002));
    EXPECT_FALSE(BarChecked(10000));

    // Each image's paste objects and selected object move with it.
    PasteObject text;
    text.isText = true;
    editor->images.slots[2].pasteObjects.items.emplace_back();
    editor->images.slots[2].pasteObjects.items.push_back(std::move(text));
    editor->images.slots[2].pasteObjects.selected = 1;
    editor->images.slots[2].toolSettings[3] = 5;

    // Close slot 0 of three: the former slot 1 becomes slot 0 and current.
    SendMessageW(editor->frame.mainWindow, WM_COMMAND, 10000, 0);
    EXPECT_EQ(editor->images.current, 0);
    SendMessageW(editor->frame.mainWindow, WM_COMMAND, cmd::kClose, 0);
    EXPECT_TRUE(shown.empty());  // nothing to undo: no question
    EXPECT_EQ(editor->images.current, 0);
    EXPECT_EQ(editor->images.Occupied(), 2);
    EXPECT_EQ(editor->Current()->width, 20);
    EXPECT_EQ(editor->Current()->path, u"new2");
    EXPECT_EQ(editor->images.slots[1].path, u"new3");
    EXPECT_EQ(editor->images.slots[1].pasteObjects.Count(), 2);
    ASSERT_NE(editor->images.slots[1].pasteObjects.Selected(), nullptr);
    EXPECT_TRUE(editor->images.slots[1].pasteObjects.Selected()->isText);
    EXPECT_EQ(editor->images.PasteObjectTotal(), 2);
    editor->images.slots[1].pasteObjects.Clear();
    EXPECT_FALSE(editor->images.slots[2].occupied());
    EXPECT_TRUE(editor->images.slots[2].pasteObjects.Empty());
    EXPECT_EQ(editor->images.slots[1].toolSettings[3], 5);
    EXPECT_EQ(editor->images.slots[2].toolSettings, DefaultToolSettings());
    EXPECT_EQ(BarButtons(), 2);
    EXPECT_TRUE(BarChecked(10000));
    EXPECT_EQ(ImageList_GetImageCount(editor->frame.imageBarList), 2);

    // New takes the free name new1, and the options a new image starts with.
    ASSERT_TRUE(testing::NewImage(*editor, 40, 40, 0, 0, false));
    EXPECT_EQ(editor->Current()->path, u"new1");
    EXPECT_EQ(editor->Current()->toolSettings[1], 1);  // selections overlap by winding
    EXPECT_EQ(editor->Current()->toolSettings[58], 99);  // transform scale 1.00
    EXPECT_EQ(editor->images.current, 2);

    // Closing the last slot makes the one before it current.
    SendMessageW(editor->frame.mainWindow, WM_COMMAND, cmd::kClose, 0);
    EXPECT_EQ(editor->images.current, 1);
    EXPECT_TRUE(BarChecked(10001));

    // With an undoable step the close asks first; No keeps the image.
    editor->Current()->undo.position = 0;
    answer = IDNO;
    SendMessageW(editor->frame.mainWindow, WM_COMMAND, cmd::kClose, 0);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, u"この画像を閉じますか？");
    EXPECT_EQ(shown[0].type & 0xF, static_cast<UINT>(MB_YESNO));
    EXPECT_EQ(editor->images.Occupied(), 2);
    answer = IDYES;
    SendMessageW(editor->frame.mainWindow, WM_COMMAND, cmd::kClose, 0);
    EXPECT_EQ(editor->images.Occupied(), 1);

    SendMessageW(editor->frame.mainWindow, WM_COMMAND, cmd::kClose, 0);
    EXPECT_EQ(editor->images.current, -1);
    EXPECT_EQ(StatusText(), u"");
    EXPECT_EQ(BarButtons(), 0);
    EXPECT_EQ(GetMenuItemCount(GetSubMenu(editor->frame.menu, 6)), 1);
}

TEST_F(ImageSetTest, ImageSelectMenuListsSlotsInOrder) {
    OpenWindow();
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(testing::NewImage(*editor, 8 + i, 8, 96, 96, false));
    HMENU select = GetSubMenu(editor->frame.menu, 6);
    ASSERT_EQ(GetMenuItemCount(select), 3);
    wchar_t text[64];
    const wchar_t* expected[] = {L"new1", L"new2", L"new3"};
    for (int i = 0; i < 3; ++i) {
        GetMenuStringW(select, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
        EXPECT_STREQ(text, expected[i]);
        EXPECT_EQ(GetMenuItemID(select, i), static_cast<UINT>(40502 - i));
    }
    EXPECT_EQ(GetMenuState(editor->frame.menu, 40500, MF_BYCOMMAND) & MF_CHECKED, static_cast<UINT>(MF_CHECKED));
    // The first item selects slot 0 and checks its bar button.
    SendMessageW(editor->frame.mainWindow, WM_COMMAND, GetMenuItemID(select, 0), 0);
    EXPECT_EQ(editor->images.current, 0);
    EXPECT_TRUE(BarChecked(10000));
    EXPECT_EQ(GetMenuState(editor->frame.menu, 40502, MF_BYCOMMAND) & MF_CHECKED, static_cast<UINT>(MF_CHECKED));
}

TEST_F(ImageSetTest, ImageSelectMenuStaysExactWithAFullTable) {
    OpenWindow();
    for (int i = 0; i < kMaxImages; ++i) ASSERT_TRUE(testing::NewImage(*editor, 1, 1, 0, 0, false)) << i;
    HMENU select = GetSubMenu(editor->frame.menu, 6);
    auto itemsWithId = [&](UINT id) {
        int n = 0;
        for (int i = 0; i < GetMenuItemCount(select); ++i) n += GetMenuItemID(select, i) == id ? 1 : 0;
        return n;
    };
    ASSERT_EQ(GetMenuItemCount(select), kMaxImages);
    EXPECT_EQ(itemsWithId(cmd::kImageSelectLast), 1);  // slot 0 of 256
    testing::CloseCurrent(*editor);
    EXPECT_EQ(GetMenuItemCount(select), kMaxImages - 1);
    EXPECT_EQ(itemsWithId(cmd::kImageSelectLast), 0);
    ASSERT_TRUE(testing::NewImage(*editor, 1, 1, 0, 0, false));
    EXPECT_EQ(GetMenuItemCount(select), kMaxImages);
    EXPECT_EQ(itemsWithId(cmd::kImageSelectLast), 1);
}

TEST_F(ImageSetTest, The257thImageIsRefused) {
    // Without windows the table rules still hold (and the run stays fast).
    for (int i = 0; i < kMaxImages; ++i) ASSERT_TRUE(testing::NewImage(*editor, 1, 1, 0, 0, false)) << i;
    EXPECT_EQ(editor->images.slots[255].path, u"new256");
    EXPECT_TRUE(shown.empty());
    EXPECT_FALSE(testing::NewImage(*editor, 1, 1, 0, 0, false));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, u"画像数が 256 を超過したので、new257 は開けません");
    EXPECT_EQ(shown[0].title, u"Mirelo");
    EXPECT_TRUE(shown[0].type & MB_ICONWARNING);
    EXPECT_EQ(editor->images.current, 255);
}

}  // namespace
}  // namespace mirelo
