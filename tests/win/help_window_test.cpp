// The help command and F1 in a dialog: HTML Help's window opens on mirelo.chm beside the program
// (built into the build folder by the help target); a missing file is told with the message.
#include "harness.h"

#include "app/help.h"
#include "common/file.h"
#include "res/resource.h"

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

namespace mirelo::testing {
namespace {

HWND HelpWindow() { return FindWindowW(L"HH Parent", nullptr); }

// The contents tree of the help window: the first tree view among its descendants.
HWND ContentsTree(HWND help) {
    HWND found = nullptr;
    EnumChildWindows(
        help,
        [](HWND w, LPARAM lp) -> BOOL {
            wchar_t cls[64] = {};
            GetClassNameW(w, cls, 64);
            if (std::wstring(cls) != WC_TREEVIEWW) return TRUE;
            *reinterpret_cast<HWND*>(lp) = w;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

Text ItemText(HWND tree, HTREEITEM item) {
    wchar_t buf[256] = {};
    TVITEMW tv{};
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = buf;
    tv.cchTextMax = 256;
    SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
    return FromW(buf);
}

// The names of the tree's top level, in order.
std::vector<Text> TopLevel(HWND tree) {
    std::vector<Text> names;
    auto item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    for (; item; item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item))))
        names.push_back(ItemText(tree, item));
    return names;
}

// True when the window and every parent up to `top` are visible.
bool ShowsUpTo(HWND w, HWND top) {
    for (; w && w != top; w = GetParent(w))
        if (!(GetWindowLongW(w, GWL_STYLE) & WS_VISIBLE)) return false;
    return w == top;
}

class HelpTest : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        OpenWindow();
        answer = IDOK;
    }
    void TearDown() override {
        EndHelp(*editor);
        EXPECT_EQ(HelpWindow(), nullptr) << "the help windows close with the program";
        EditorTest::TearDown();
    }
    // The grid dialog needs an open image.
    void OpenPicture() {
        Text file = MakeTempDir(L"help") + u"\\picture.png";
        ASSERT_TRUE(WritePicture(file, 40, 30, 0xFF336699));
        DropFiles(editor->frame.mainWindow, {file});
        DrainMessages();
        ASSERT_GE(editor->images.current, 0);
    }
    bool ShownStartingWith(TextView prefix) const {
        for (const auto& m : shown)
            if (TextView(m.text).substr(0, prefix.size()) == prefix) return true;
        return false;
    }
};

TEST_F(HelpTest, ContentsOpenTheHelpFileBesideTheProgramInAnHtmlHelpWindow) {
    ASSERT_TRUE(FileExists(HelpFilePath())) << "build the help file first: cmake --build build/win --target mirelo_help";
    ASSERT_EQ(HelpWindow(), nullptr);
    Send(40084);
    DrainMessages();
    HWND window = HelpWindow();
    ASSERT_NE(window, nullptr) << "no window of class \"HH Parent\"";
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_TRUE(shown.empty()) << Narrow(shown.front().text);
    EXPECT_EQ(editor->help.shown, HelpFilePath());

    // The contents stand beside the page, in Japanese: a tree wide enough to read, in a shown
    // navigation pane, whose entries are those of the file's contents (read in code page 932).
    HWND tree = ContentsTree(window);
    ASSERT_NE(tree, nullptr) << "the help window has no contents tree";
    EXPECT_TRUE(ShowsUpTo(tree, window)) << "the contents tree is hidden";
    RECT r{};
    GetClientRect(tree, &r);
    EXPECT_GE(r.right - r.left, 150) << "the navigation pane is too narrow to show the contents";
    EXPECT_GE(r.bottom - r.top, 150);
    EXPECT_GE(SendMessageW(tree, TVM_GETCOUNT, 0, 0), 30);
    std::vector<Text> top = TopLevel(tree);
    ASSERT_GE(top.size(), 5u);
    EXPECT_EQ(Narrow(top[0]), "Mirelo ヘルプ");
    EXPECT_EQ(Narrow(top[1]), "はじめに");
    for (const char16_t* name : {u"キー操作", u"メニュー", u"ツール", u"ダイアログ"})
        EXPECT_NE(std::find(top.begin(), top.end(), Text(name)), top.end()) << Narrow(name);

    // Asked again, the same window comes to the front instead of a second one.
    Send(40084);
    DrainMessages();
    EXPECT_EQ(HelpWindow(), window);
}

TEST_F(HelpTest, AMissingHelpFileIsToldAndNoWindowOpens) {
    editor->help.file = MakeTempDir(L"help") + u"\\mirelo.chm";
    Send(40084);
    DrainMessages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_TRUE(ShownStartingWith(u"ヘルプファイルが見つかりません\n")) << Narrow(shown.front().text);
    EXPECT_NE(shown.front().text.find(editor->help.file), Text::npos) << "the message names the file";
    EXPECT_EQ(HelpWindow(), nullptr);
}

TEST_F(HelpTest, F1InADialogOpensThatDialogsPage) {
    ASSERT_TRUE(FileExists(HelpFilePath()));
    OpenPicture();
    int seen = 0;
    editor->dialogObserver = [&](HWND dlg, int id) {
        if (id != IDD_GRID) return;
        ++seen;
        // F1 as the system sends it from the focused control.
        HELPINFO info{sizeof info, HELPINFO_WINDOW, IDC_GRID_OFFSET_X, GetDlgItem(dlg, IDC_GRID_OFFSET_X), 0, {}};
        SendMessageW(dlg, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
        PostMessageW(dlg, WM_COMMAND, IDCANCEL, 0);
    };
    Send(40079);
    editor->dialogObserver = nullptr;
    ASSERT_EQ(seen, 1);
    EXPECT_EQ(editor->help.shown, HelpFilePath() + u"::/dlg_grid.html");
    EXPECT_NE(HelpWindow(), nullptr);
    EXPECT_TRUE(shown.empty());
}

TEST_F(HelpTest, F1WithoutTheFileIsToldInsideTheDialog) {
    editor->help.file = MakeTempDir(L"help") + u"\\mirelo.chm";
    OpenPicture();
    editor->dialogObserver = [&](HWND dlg, int id) {
        if (id != IDD_GRID) return;
        HELPINFO info{sizeof info, HELPINFO_WINDOW, 0, dlg, 0, {}};
        SendMessageW(dlg, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
        PostMessageW(dlg, WM_COMMAND, IDCANCEL, 0);
    };
    Send(40079);
    editor->dialogObserver = nullptr;
    EXPECT_TRUE(ShownStartingWith(u"ヘルプファイルが見つかりません\n"));
    EXPECT_EQ(HelpWindow(), nullptr);
}

TEST(DialogHelpPages, EveryDialogOfTheProgramHasAPage) {
    for (int id : {IDD_COLOUR, IDD_ICON, IDD_POINTER, IDD_POINTER_OPTIONS, IDD_HOTSPOT, IDD_EFFECTS, IDD_JPEG_QUALITY,
                   IDD_JPEG_TRANSFORM, IDD_NEWIMAGE, IDD_PALETTE, IDD_FIXED_PALETTE, IDD_RESIZE, IDD_TEXT_EDIT,
                   IDD_METAFILE_SIZE, IDD_ARROW, IDD_GRID, IDD_TRANSPARENCY, IDD_RESOLUTION, IDD_PROPERTIES,
                   IDD_PROPERTY_SETTINGS}) {
        TextView page = DialogHelpPage(id);
        EXPECT_EQ(page.substr(0, 4), u"dlg_") << id;
        EXPECT_EQ(page.substr(page.size() - 5), u".html") << id;
    }
    EXPECT_TRUE(DialogHelpPage(40084).empty());
}

}  // namespace
}  // namespace mirelo::testing
