// Image properties (dialogs 126 and 127) and the resolution dialog (125).
#include "harness.h"

#include <commctrl.h>

#include <fstream>

#include "app/commands.h"
#include "files/file_names.h"
#include "files/open_image.h"
#include "image/properties.h"
#include "files/property_dialogs.h"
#include "image/new_image.h"
#include "res/resource.h"

namespace mirelo {
namespace {
using namespace mirelo::testing;

bool RunningUnderWine() { return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr; }

class PropertiesTest : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        OpenWindow();
        dir = MakeTempDir(L"properties");
    }
    ImageSlot& Slot() { return *editor->Current(); }
    Text OpenPngWithAuthor(const std::string& author) {
        Text path = dir + u"\\author.png";
        std::vector<uint8_t> bytes = PngWithText(editor->messages, "Author", author);
        std::ofstream out(std::wstring(W(path)).c_str(), std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        out.close();
        EXPECT_TRUE(testing::Open(*editor, path));
        return path;
    }
    Text dir;
};

TEST_F(PropertiesTest, PropertiesDialogShowsWhatWasReadAtOpening) {
    OpenPngWithAuthor("Yamada");
    ASSERT_EQ(Slot().properties[1], u"Yamada");
    Slot().properties[3] = u"コメントです";
    Text shownTitle, shownAuthor, shownComment;
    bool onlyOk = false;
    editor->dialogObserver = [&](HWND dlg, int id) {
        if (id != IDD_PROPERTIES) return;
        shownTitle = WindowText(GetDlgItem(dlg, IDC_PROP_TITLE));
        shownAuthor = WindowText(GetDlgItem(dlg, IDC_PROP_AUTHOR));
        shownComment = WindowText(GetDlgItem(dlg, IDC_PROP_COMMENT));
        onlyOk = GetDlgItem(dlg, IDOK) && !GetDlgItem(dlg, IDCANCEL);
        PostMessageW(dlg, WM_COMMAND, IDOK, 0);
    };
    Send(cmd::kProperties);
    EXPECT_EQ(shownTitle, u"");
    EXPECT_EQ(shownAuthor, u"Yamada");
    EXPECT_EQ(shownComment, u"コメントです");
    EXPECT_TRUE(onlyOk);
}

TEST_F(PropertiesTest, SettingsDialogFollowsTheSaveType) {
    OpenPngWithAuthor("Sato");
    const int edits[4] = {IDC_PROP_TITLE, IDC_PROP_AUTHOR, IDC_PROP_RIGHTS, IDC_PROP_COMMENT};
    for (int type = 1; type <= save_type::kCount; ++type) {
        SCOPED_TRACE(type);
        unsigned enabled = 0;
        Text author = u"?";
        editor->dialogObserver = [&](HWND dlg, int id) {
            if (id != IDD_PROPERTY_SETTINGS) return;
            for (int i = 0; i < 4; ++i)
                if (IsWindowEnabled(GetDlgItem(dlg, edits[i]))) enabled |= 1u << i;
            author = WindowText(GetDlgItem(dlg, IDC_PROP_AUTHOR));
            EXPECT_EQ(SendDlgItemMessageW(dlg, IDC_PROP_TITLE, EM_GETLIMITTEXT, 0, 0), 255);
            PostMessageW(dlg, WM_COMMAND, IDCANCEL, 0);
        };
        PropertySettingsDialog(*editor, type, nullptr);
        EXPECT_EQ(enabled, EditablePropertyMask(type));
        // The author read from the bitmap shows where the type can carry it; elsewhere the edit is empty.
        EXPECT_EQ(author, (EditablePropertyMask(type) & 2u) ? u"Sato" : u"");
    }
}

TEST_F(PropertiesTest, SettingsDialogWithoutAnImageDisablesEverything) {
    unsigned enabled = 0;
    editor->dialogObserver = [&](HWND dlg, int id) {
        if (id != IDD_PROPERTY_SETTINGS) return;
        for (int c : {IDC_PROP_TITLE, IDC_PROP_AUTHOR, IDC_PROP_RIGHTS, IDC_PROP_COMMENT})
            if (IsWindowEnabled(GetDlgItem(dlg, c))) ++enabled;
        PostMessageW(dlg, WM_COMMAND, IDOK, 0);
    };
    PropertySettingsDialog(*editor, save_type::kPng, nullptr);
    EXPECT_EQ(enabled, 0u);
}

TEST_F(PropertiesTest, SettingsDialogWritesTheItemsInCodePage932) {
    ASSERT_TRUE(testing::NewImage(*editor, 4, 4, 96, 96, false));
    editor->dialogObserver = [&](HWND dlg, int id) {
        if (id != IDD_PROPERTY_SETTINGS) return;
        SetDlgItemTextW(dlg, IDC_PROP_TITLE, L"題名テスト");
        SetDlgItemTextW(dlg, IDC_PROP_AUTHOR, L"作者");
        SetDlgItemTextW(dlg, IDC_PROP_RIGHTS, L"(c) 2026");
        SetDlgItemTextW(dlg, IDC_PROP_COMMENT, L"メモ");
        PostMessageW(dlg, WM_COMMAND, IDOK, 0);
    };
    PropertySettingsDialog(*editor, save_type::kPng, nullptr);
    Text title;
    if (!ReadProperty(Slot().bitmap.get(), 270, &title) && RunningUnderWine())
        GTEST_SKIP() << "Wine's GDI+ accepts GdipSetPropertyItem but does not store the item";
    EXPECT_EQ(title, u"題名テスト");
    Text comment;
    ASSERT_TRUE(ReadProperty(Slot().bitmap.get(), 37510, &comment));
    EXPECT_EQ(comment, u"メモ");
}

class ResolutionTest : public PropertiesTest {
protected:
    // Runs the dialog; `drive` works its controls before OK.
    void Run(const std::function<void(HWND)>& drive) {
        editor->dialogObserver = [&](HWND dlg, int id) {
            if (id != IDD_RESOLUTION) return;
            drive(dlg);
            PostMessageW(dlg, WM_COMMAND, IDOK, 0);
        };
        Send(cmd::kResolution);
    }
    static int Value(HWND dlg, int id) { return static_cast<int>(GetDlgItemInt(dlg, id, nullptr, FALSE)); }
    static int SliderPos(HWND dlg, int id) { return static_cast<int>(SendDlgItemMessageW(dlg, id, TBM_GETPOS, 0, 0)); }
};

TEST_F(ResolutionTest, SlidersSnapAndTheAspectLockLinksBothDirections) {
    ASSERT_TRUE(testing::NewImage(*editor, 4, 4, 96, 96, false));
    Run([&](HWND dlg) {
        EXPECT_EQ(Value(dlg, IDC_RES_X), 96);
        EXPECT_EQ(IsDlgButtonChecked(dlg, IDC_RES_SAME_RATIO), BST_CHECKED);
        EXPECT_EQ(SendDlgItemMessageW(dlg, IDC_RES_SLIDER_X, TBM_GETRANGEMAX, 0, 0), 960);
        EXPECT_EQ(SendDlgItemMessageW(dlg, IDC_RES_SLIDER_X, TBM_GETLINESIZE, 0, 0), 32);
        EXPECT_EQ(SendDlgItemMessageW(dlg, IDC_RES_X, EM_GETLIMITTEXT, 0, 0), 4);
        // A slider position snaps down to a multiple of 32; the other direction follows.
        HWND slider = GetDlgItem(dlg, IDC_RES_SLIDER_X);
        SendMessageW(slider, TBM_SETPOS, TRUE, 300);
        SendMessageW(dlg, WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, 300), reinterpret_cast<LPARAM>(slider));
        EXPECT_EQ(SliderPos(dlg, IDC_RES_SLIDER_X), 288);
        EXPECT_EQ(Value(dlg, IDC_RES_X), 288);
        EXPECT_EQ(Value(dlg, IDC_RES_Y), 288);
        EXPECT_EQ(SliderPos(dlg, IDC_RES_SLIDER_Y), 288);
        // Without the lock, typing changes one direction only.
        CheckDlgButton(dlg, IDC_RES_SAME_RATIO, BST_UNCHECKED);
        SetFocus(GetDlgItem(dlg, IDC_RES_Y));
        SetDlgItemTextW(dlg, IDC_RES_Y, L"150");
        EXPECT_EQ(SliderPos(dlg, IDC_RES_SLIDER_Y), 150);
        EXPECT_EQ(Value(dlg, IDC_RES_X), 288);
    });
    EXPECT_EQ(Slot().dpiX, 288);
    EXPECT_EQ(Slot().dpiY, 150);
    Gdiplus::REAL dx = 0, dy = 0;
    gp::GdipGetImageHorizontalResolution(Slot().bitmap.get(), &dx);
    gp::GdipGetImageVerticalResolution(Slot().bitmap.get(), &dy);
    EXPECT_NEAR(dx, 288, 0.01);
    EXPECT_NEAR(dy, 150, 0.01);
    // An image made in memory records no undo step.
    EXPECT_FALSE(Slot().undo.HasUndoableStep());
    // "デフォルト" gives 96 × 96.
    Run([&](HWND dlg) { SendMessageW(dlg, WM_COMMAND, IDC_RES_DEFAULT, 0); });
    EXPECT_EQ(Slot().dpiX, 96);
    EXPECT_EQ(Slot().dpiY, 96);
}

TEST_F(ResolutionTest, ZeroLeavesTheBitmapAndTheStatusLineShowsItsValues) {
    ASSERT_TRUE(testing::NewImage(*editor, 4, 4, 120, 120, false));
    ASSERT_EQ(Slot().dpiX, 120);
    Run([&](HWND dlg) {
        CheckDlgButton(dlg, IDC_RES_SAME_RATIO, BST_UNCHECKED);
        SetDlgItemTextW(dlg, IDC_RES_X, L"0");
        SetDlgItemTextW(dlg, IDC_RES_Y, L"72");
    });
    // The status line is rebuilt from the bitmap, which kept 120 × 120.
    EXPECT_EQ(Slot().dpiX, 120);
    EXPECT_EQ(Slot().dpiY, 120);
    wchar_t status[512] = {};
    SendMessageW(editor->frame.statusBar, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(status));
    EXPECT_NE(FromW(status).find(u"120dpi x 120dpi"), Text::npos) << Narrow(FromW(status));
}

TEST_F(ResolutionTest, AnOpenedImageRecordsAnUndoStep) {
    Text path = dir + u"\\photo.png";
    ASSERT_TRUE(WritePicture(path, 5, 5, 0xFF808080));
    ASSERT_TRUE(testing::Open(*editor, path));
    ASSERT_EQ(Slot().rawFormatName, u"PNG");
    const int before = Slot().dpiX;
    Run([&](HWND dlg) { SetDlgItemTextW(dlg, IDC_RES_X, L"200"); SetDlgItemTextW(dlg, IDC_RES_Y, L"200"); });
    EXPECT_EQ(Slot().dpiX, 200);
    ASSERT_TRUE(Slot().undo.HasUndoableStep());
    Send(cmd::kUndo);
    EXPECT_EQ(Slot().dpiX, before);
    // Unchanged values record nothing more.
    Send(cmd::kRedo);
    ASSERT_EQ(Slot().dpiX, 200);
    const int position = Slot().undo.position;
    Run([](HWND) {});
    EXPECT_EQ(Slot().undo.position, position);
}

}  // namespace
}  // namespace mirelo
