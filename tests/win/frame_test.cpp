// End-to-end tests of the main window: files from the command line, a second start and drops,
// the frame's layout rules, menu and tool-bar state, tool tips.
#include "harness.h"
#include "app/commands.h"
#include "app/menu_state.h"
#include "edit/view_math.h"
#include "image/new_image.h"
#include "ui/frame_bars.h"

namespace mirelo {
namespace {
using namespace mirelo::testing;

class FrameTest : public EditorTest {
protected:
    Text Picture(const Text& dir, const char16_t* name, int w, int h) {
        Text path = dir + u"\\" + name;
        EXPECT_TRUE(WritePicture(path, w, h, 0xFF336699)) << Narrow(path);
        return path;
    }
    Text StatusText() {
        wchar_t buf[512] = {};
        SendMessageW(editor->frame.statusBar, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(buf));
        return FromW(buf);
    }
    bool TopEnabled(int pos) {
        return !(GetMenuState(editor->frame.menu, static_cast<UINT>(pos), MF_BYPOSITION) & (MF_GRAYED | MF_DISABLED));
    }
    bool ItemEnabled(int id) {
        return !(GetMenuState(editor->frame.menu, static_cast<UINT>(id), MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED));
    }
    bool ItemChecked(int id) { return (GetMenuState(editor->frame.menu, static_cast<UINT>(id), MF_BYCOMMAND) & MF_CHECKED) != 0; }
    void InitPopup(int pos) {
        SendMessageW(editor->frame.mainWindow, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(GetSubMenu(editor->frame.menu, pos)), pos);
    }
    bool SubMenuEnabled(int top, const wchar_t* text) {
        HMENU pop = GetSubMenu(editor->frame.menu, top);
        wchar_t buf[64];
        for (int i = 0; i < GetMenuItemCount(pop); ++i) {
            GetMenuStringW(pop, static_cast<UINT>(i), buf, 64, MF_BYPOSITION);
            if (std::wstring(buf) == text) return !(GetMenuState(pop, static_cast<UINT>(i), MF_BYPOSITION) & MF_GRAYED);
        }
        ADD_FAILURE() << "no sub-menu";
        return false;
    }
    // A 1 × 1 bitmap left on the clipboard, as another program leaves one.
    bool PutBitmapOnClipboard() {
        if (!OpenClipboard(editor->frame.mainWindow)) return false;
        EmptyClipboard();
        HGLOBAL dib = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(BITMAPINFOHEADER) + 4);
        auto* h = static_cast<BITMAPINFOHEADER*>(GlobalLock(dib));
        h->biSize = sizeof *h;
        h->biWidth = h->biHeight = 1;
        h->biPlanes = 1;
        h->biBitCount = 32;
        GlobalUnlock(dib);
        SetClipboardData(CF_DIB, dib);
        return CloseClipboard() != 0;
    }
    bool ButtonEnabled(HWND bar, int id) { return SendMessageW(bar, TB_ISBUTTONENABLED, id, 0) != 0; }
    std::vector<Text> OpenPaths() {
        std::vector<Text> out;
        for (const auto& s : editor->images.slots)
            if (s.occupied()) out.push_back(s.path);
        return out;
    }
};

TEST_F(FrameTest, CommandLineFilesOpenInOrderAndTheLastIsCurrent) {
    Text dir = MakeTempDir(L"cmdline");
    Text a = Picture(dir, u"a.png", 10, 10), b = Picture(dir, u"b.png", 20, 30);
    editor->startupFiles = {a, b};
    OpenWindow(SW_SHOWNOACTIVATE);
    EXPECT_EQ(OpenPaths(), (std::vector<Text>{a, b}));
    EXPECT_EQ(editor->images.current, 1);
    EXPECT_EQ(editor->Current()->width, 20);
    EXPECT_EQ(editor->Current()->zoom, 100);  // small pictures open at actual size
    EXPECT_EQ(editor->images.slots[0].zoom, 100);
    EXPECT_EQ(StatusText().rfind(u"b.png   PNG   ", 0), 0u) << Narrow(StatusText());
    EXPECT_NE(StatusText().find(u"20px x 30px"), Text::npos);
    EXPECT_NE(StatusText().find(dir), Text::npos);
    EXPECT_EQ(SendMessageW(editor->frame.imageBar, TB_BUTTONCOUNT, 0, 0), 2);
    EXPECT_TRUE(editor->startupFiles.empty());
    // Later showings open nothing again.
    ShowWindow(editor->frame.mainWindow, SW_HIDE);
    ShowWindow(editor->frame.mainWindow, SW_SHOWNOACTIVATE);
    EXPECT_EQ(editor->images.Occupied(), 2);
    EXPECT_TRUE(shown.empty());
    CaptureWindow(editor->frame.mainWindow, dir + u"\\main-window.png");
}

TEST_F(FrameTest, UndecodableFileIsReported) {
    Text dir = MakeTempDir(L"bad");
    Text bad = dir + u"\\bad.png";
    HANDLE f = CreateFileW(W(bad), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(f, "not a picture", 13, &written, nullptr);
    CloseHandle(f);
    Text missing = dir + u"\\missing.png";
    editor->startupFiles = {bad, missing};
    OpenWindow(SW_SHOWNOACTIVATE);
    EXPECT_EQ(editor->images.Occupied(), 0);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].text, u"読み込みに失敗しました\n" + bad);
    EXPECT_EQ(shown[1].text, u"読み込みに失敗しました\n" + missing);
    EXPECT_EQ(shown[0].title, u"Mirelo");
}

TEST_F(FrameTest, SecondStartWithTwoPathsOpensTheSecondFirst) {
    Text dir = MakeTempDir(L"second");
    Text a = Picture(dir, u"a.png", 11, 11), b = Picture(dir, u"b.png", 12, 12);
    OpenWindow();
    int code = RunAndPump(BesideTests(L"Mirelo.exe"), a + u" " + b);
    EXPECT_EQ(code, 0);
    ASSERT_EQ(OpenPaths(), (std::vector<Text>{b, a}));
    EXPECT_EQ(editor->images.current, 1);
    ASSERT_NE(editor->Current(), nullptr);
    EXPECT_EQ(editor->Current()->path, a);
    EXPECT_TRUE(shown.empty());
}

TEST_F(FrameTest, SecondStartWithAQuotedPathWithSpaces) {
    Text dir = MakeTempDir(L"my pictures");
    Text cd = Picture(dir, u"c d.png", 13, 7);
    Picture(dir, u"c", 3, 3);  // decoys that a wrong split would open
    OpenWindow();
    EXPECT_EQ(RunAndPump(BesideTests(L"Mirelo.exe"), u"\"" + cd + u"\""), 0);
    ASSERT_EQ(OpenPaths(), (std::vector<Text>{cd}));
    ASSERT_NE(editor->Current(), nullptr);
    EXPECT_EQ(editor->Current()->width, 13);
    EXPECT_TRUE(shown.empty());
}

TEST_F(FrameTest, SecondStartFindsTheWindowWhileTheReminderRunsInItsTitle) {
    Text dir = MakeTempDir(L"marquee");
    Text a = Picture(dir, u"a.png", 6, 4);
    OpenWindow();
    SetWindowTextW(editor->frame.mainWindow, W(ReminderTitle(7)));
    EXPECT_EQ(RunAndPump(BesideTests(L"Mirelo.exe"), a), 0);
    EXPECT_EQ(OpenPaths(), (std::vector<Text>{a}));
}

TEST_F(FrameTest, SecondStartWithoutArgumentsOpensNothing) {
    OpenWindow();
    EXPECT_EQ(RunAndPump(BesideTests(L"Mirelo.exe"), u""), 0);
    EXPECT_EQ(editor->images.Occupied(), 0);
    EXPECT_TRUE(shown.empty());
    EXPECT_TRUE(IsWindow(editor->frame.mainWindow));
}

TEST_F(FrameTest, MalformedHandOverBlocksAreIgnored) {
    Text dir = MakeTempDir(L"copydata");
    Text a = Picture(dir, u"a.png", 5, 5);
    OpenWindow();
    auto send = [&](const void* data, DWORD bytes, ULONG_PTR id) {
        COPYDATASTRUCT cds{id, bytes, const_cast<void*>(data)};
        SendMessageW(editor->frame.mainWindow, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds));
    };
    std::u16string text = a;  // without its terminator inside the length
    send(text.data(), static_cast<DWORD>(text.size() * 2), 0);
    send(text.c_str(), static_cast<DWORD>(text.size() * 2 + 1), 0);  // odd size
    send(text.c_str(), static_cast<DWORD>(text.size() * 2 + 2), 7);  // another identifier
    send(nullptr, 0, 0);
    EXPECT_EQ(editor->images.Occupied(), 0);
    send(text.c_str(), static_cast<DWORD>(text.size() * 2 + 2), 0);
    EXPECT_EQ(OpenPaths(), (std::vector<Text>{a}));
}

TEST_F(FrameTest, DroppingThreeHundredFilesOpensTheFirst256) {
    Text dir = MakeTempDir(L"drop");
    Text first = Picture(dir, u"p.png", 2, 2);
    std::vector<Text> paths;
    // One small file, dropped under 300 names (hard links keep the folder small and fast).
    for (int i = 0; i < 300; ++i) {
        Text name = dir + u"\\p" + ToText(i) + u".png";
        if (!CreateHardLinkW(W(name), W(first), nullptr)) CopyFileW(W(first), W(name), FALSE);
        paths.push_back(name);
    }
    OpenWindow();
    DropFiles(editor->frame.mainWindow, paths);
    EXPECT_EQ(editor->images.Occupied(), 256);
    EXPECT_EQ(editor->images.slots[0].path, paths[0]);
    EXPECT_EQ(editor->images.slots[255].path, paths[255]);
    EXPECT_EQ(editor->images.current, 255);
    EXPECT_TRUE(shown.empty());  // only 256 are taken, so no refusal
    EXPECT_TRUE(TopEnabled(6));
}

TEST_F(FrameTest, WindowStaysAtLeast250By250) {
    HWND w = OpenWindow();
    RECT r{100, 100, 150, 120};
    SendMessageW(w, WM_SIZING, WMSZ_BOTTOMRIGHT, reinterpret_cast<LPARAM>(&r));
    EXPECT_EQ(r.left, 100);
    EXPECT_EQ(r.top, 100);
    EXPECT_EQ(r.right, 350);
    EXPECT_EQ(r.bottom, 350);
    RECT big{0, 0, 600, 400};
    SendMessageW(w, WM_SIZING, WMSZ_BOTTOMRIGHT, reinterpret_cast<LPARAM>(&big));
    EXPECT_EQ(big.right, 600);
    EXPECT_EQ(big.bottom, 400);
    SetWindowPos(w, nullptr, 0, 0, 100, 100, SWP_NOZORDER | SWP_NOMOVE);
    GetWindowRect(w, &r);
    EXPECT_GE(r.right - r.left, 250);
    EXPECT_GE(r.bottom - r.top, 250);
}

TEST_F(FrameTest, MenuStateWithoutImages) {
    OpenWindow();
    if (OpenClipboard(editor->frame.mainWindow)) {
        EmptyClipboard();
        CloseClipboard();
    }
    Refresh(*editor);
    EXPECT_TRUE(TopEnabled(0));
    EXPECT_TRUE(TopEnabled(8));
    for (int pos = 1; pos <= 7; ++pos) EXPECT_FALSE(TopEnabled(pos)) << pos;
    // A bitmap left on the clipboard by another program enables the Edit menu.
    ASSERT_TRUE(PutBitmapOnClipboard());
    Refresh(*editor);
    EXPECT_TRUE(TopEnabled(1));
    EXPECT_FALSE(TopEnabled(4));
    EXPECT_TRUE(ButtonEnabled(editor->frame.mainToolBar, cmd::kPaste));
    EXPECT_FALSE(ButtonEnabled(editor->frame.mainToolBar, cmd::kCopy));
    EXPECT_FALSE(ButtonEnabled(editor->frame.mainToolBar, cmd::kSave));
    EXPECT_FALSE(ButtonEnabled(editor->frame.toolBar, cmd::kToolShape));
    EXPECT_FALSE(ButtonEnabled(editor->frame.viewToolBar, cmd::kFitWindow));
    EXPECT_FALSE(IsWindowEnabled(editor->frame.angleEdit));
    OpenClipboard(editor->frame.mainWindow);
    EmptyClipboard();
    CloseClipboard();
    Refresh(*editor);
    EXPECT_FALSE(TopEnabled(1));
    EXPECT_FALSE(ButtonEnabled(editor->frame.mainToolBar, cmd::kPaste));
}

TEST_F(FrameTest, MenuStateWithImages) {
    OpenWindow();
    ASSERT_TRUE(testing::NewImage(*editor, 8, 8, 96, 96, false));
    for (int pos : {1, 4, 5, 7}) EXPECT_TRUE(TopEnabled(pos)) << pos;
    EXPECT_FALSE(TopEnabled(2));
    EXPECT_FALSE(TopEnabled(3));
    EXPECT_FALSE(TopEnabled(6));  // needs two images
    EXPECT_TRUE(ButtonEnabled(editor->frame.mainToolBar, cmd::kCopy));
    EXPECT_TRUE(ButtonEnabled(editor->frame.toolBar, cmd::kToolShape));
    EXPECT_FALSE(ButtonEnabled(editor->frame.mainToolBar, cmd::kUndo));
    EXPECT_TRUE(IsWindowEnabled(editor->frame.angleEdit));
    ASSERT_TRUE(testing::NewImage(*editor, 8, 8, 96, 96, false));
    EXPECT_TRUE(TopEnabled(6));

    InitPopup(0);
    EXPECT_TRUE(ItemEnabled(cmd::kSaveAs));
    EXPECT_TRUE(SubMenuEnabled(0, L"印刷(&P)"));
    EXPECT_TRUE(SubMenuEnabled(0, L"ｲﾒｰｼﾞｽｷｬﾅ(&I)"));  // Wine has the scanner source manager
    InitPopup(1);
    EXPECT_TRUE(ItemEnabled(cmd::kCopy));
    EXPECT_FALSE(ItemEnabled(cmd::kSelectNone));  // no selection
    EXPECT_FALSE(ItemEnabled(cmd::kUndo));
    editor->Current()->undo.canUndo = true;
    InitPopup(1);
    EXPECT_TRUE(ItemEnabled(cmd::kUndo));
    Refresh(*editor);
    EXPECT_TRUE(ButtonEnabled(editor->frame.mainToolBar, cmd::kUndo));
}

// Cut and erase need an image that is not indexed; both pastes need a clipboard image; the
// menus and the tool bars agree.
TEST_F(FrameTest, CutErasePasteFollowTheImageAndTheClipboard) {
    OpenWindow();
    ASSERT_TRUE(testing::NewImage(*editor, 8, 8, 96, 96, false));
    ASSERT_TRUE(PutBitmapOnClipboard());
    Refresh(*editor);
    InitPopup(1);
    for (int id : {cmd::kCut, cmd::kErase, cmd::kPaste, cmd::kPasteNew}) EXPECT_TRUE(ItemEnabled(id)) << id;
    EXPECT_FALSE(GetMenuState(editor->objectMenu, cmd::kDelete, MF_BYCOMMAND) & MF_GRAYED);
    for (int id : {cmd::kCut, cmd::kPaste}) EXPECT_TRUE(ButtonEnabled(editor->frame.mainToolBar, id)) << id;
    SendMessageW(editor->frame.mainWindow, WM_COMMAND, cmd::k8Index, 0);
    ASSERT_TRUE(IsIndexed(editor->Current()->pixelFormat));
    Refresh(*editor);
    InitPopup(1);
    for (int id : {cmd::kCut, cmd::kErase}) EXPECT_FALSE(ItemEnabled(id)) << id;
    EXPECT_FALSE(ButtonEnabled(editor->frame.mainToolBar, cmd::kCut));
    EXPECT_TRUE(ItemEnabled(cmd::kPaste));  // it asks to convert the image first
    OpenClipboard(editor->frame.mainWindow);
    EmptyClipboard();
    CloseClipboard();
}

// Every rule the subsystems registered reaches its menu item and tool-bar button.
TEST_F(FrameTest, RegisteredRulesReachTheirItemsAndButtons) {
    OpenWindow();
    for (bool withImage : {false, true}) {
        if (withImage) {
            ASSERT_TRUE(testing::NewImage(*editor, 8, 8, 96, 96, false));
        }
        Refresh(*editor);
        const Availability a = ComputeAvailability(*editor);
        ASSERT_FALSE(a.commands.empty());
        for (const auto& [id, enabled] : a.commands) {
            const UINT state = GetMenuState(editor->frame.menu, static_cast<UINT>(id), MF_BYCOMMAND);
            if (state != static_cast<UINT>(-1)) {
                EXPECT_EQ((state & MF_GRAYED) == 0, enabled) << id << " " << withImage;
            }
            for (HWND bar : {editor->frame.mainToolBar, editor->frame.toolBar, editor->frame.viewToolBar}) {
                if (SendMessageW(bar, TB_COMMANDTOINDEX, static_cast<WPARAM>(id), 0) < 0) continue;
                EXPECT_EQ(ButtonEnabled(bar, id), enabled) << id << " " << withImage;
            }
        }
    }
}

TEST_F(FrameTest, IndexedImageGreysCutAndEraseButNotCopy) {
    OpenWindow();
    ASSERT_TRUE(testing::NewImage(*editor, 8, 8, 96, 96, false));
    GpBitmapOwner indexed;
    ASSERT_TRUE(CreateGpBitmap(indexed, 8, 8, fmt::k8Index));
    editor->Current()->bitmap = std::move(indexed);
    editor->Current()->pixelFormat = fmt::k8Index;
    Refresh(*editor);
    InitPopup(1);
    EXPECT_FALSE(ItemEnabled(cmd::kCut));
    EXPECT_FALSE(ItemEnabled(cmd::kErase));
    EXPECT_TRUE(ItemEnabled(cmd::kCopy));
    EXPECT_FALSE(ButtonEnabled(editor->frame.mainToolBar, cmd::kCut));
    EXPECT_TRUE(ButtonEnabled(editor->frame.mainToolBar, cmd::kCopy));
    InitPopup(5);
    EXPECT_TRUE(ItemChecked(cmd::k8Index));
}

TEST_F(FrameTest, SelectedTextObjectGreysCutCopyAndFlip) {
    OpenWindow();
    ASSERT_TRUE(testing::NewImage(*editor, 8, 8, 96, 96, false));
    PasteObject text;
    text.isText = true;
    editor->Current()->pasteObjects.items.push_back(std::move(text));
    editor->Current()->pasteObjects.selected = 0;
    Refresh(*editor);
    EXPECT_TRUE(TopEnabled(2));
    InitPopup(1);
    EXPECT_FALSE(ItemEnabled(cmd::kCut));
    EXPECT_FALSE(ItemEnabled(cmd::kCopy));
    InitPopup(4);
    EXPECT_FALSE(SubMenuEnabled(4, L"反転(&M)"));
    InitPopup(2);
    EXPECT_TRUE(ItemEnabled(cmd::kObjEditText));
    EXPECT_TRUE(ItemEnabled(cmd::kObjDelete));
    EXPECT_FALSE(ItemEnabled(cmd::kObjReset));
    EXPECT_FALSE(ItemEnabled(cmd::kObjForward));  // needs two objects
    EXPECT_FALSE(ButtonEnabled(editor->frame.mainToolBar, cmd::kCopy));
    editor->Current()->pasteObjects.Clear();
}

TEST_F(FrameTest, GridChecks) {
    OpenWindow();
    ASSERT_TRUE(testing::NewImage(*editor, 8, 8, 96, 96, false));
    editor->settings.gridX = editor->settings.gridY = 16;
    InitPopup(7);
    EXPECT_TRUE(ItemChecked(40070));  // "16 px"
    editor->settings.gridY = 8;
    InitPopup(7);
    EXPECT_TRUE(ItemChecked(cmd::kGridCustom));
    EXPECT_FALSE(ItemChecked(40070));
    EXPECT_FALSE(ItemEnabled(cmd::kArrowEdit));
    EXPECT_FALSE(ItemChecked(cmd::kArrowEdit));
}

TEST_F(FrameTest, ToolBarsAndTips) {
    OpenWindow();
    // 11 buttons, 4 separators and the angle box's place on the main tool bar.
    EXPECT_EQ(SendMessageW(editor->frame.mainToolBar, TB_BUTTONCOUNT, 0, 0), 16);
    EXPECT_EQ(SendMessageW(editor->frame.toolBar, TB_BUTTONCOUNT, 0, 0), 6);
    EXPECT_EQ(SendMessageW(editor->frame.viewToolBar, TB_BUTTONCOUNT, 0, 0), 2);
    EXPECT_EQ(RotationAngle(*editor), 90);
    for (int id : {cmd::kPaste, cmd::kRotateLeft, cmd::kFitWindow}) {
        NMTTDISPINFOW info{};
        info.hdr.hwndFrom = nullptr;
        info.hdr.idFrom = static_cast<UINT_PTR>(id);
        info.hdr.code = TTN_GETDISPINFOW;
        SendMessageW(editor->frame.mainWindow, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&info));
        ASSERT_NE(info.lpszText, nullptr);
        EXPECT_EQ(FromW(info.lpszText), Text(ToolTipText(id)));
    }
    HIMAGELIST icons = reinterpret_cast<HIMAGELIST>(SendMessageW(editor->frame.mainToolBar, TB_GETIMAGELIST, 0, 0));
    int cx = 0, cy = 0;
    ImageList_GetIconSize(icons, &cx, &cy);
    EXPECT_EQ(cx, Scaled(*editor, 16));
    EXPECT_EQ(ImageList_GetImageCount(icons), 11);
}

TEST_F(FrameTest, WindowClassesAndTitle) {
    HWND w = OpenWindow();
    wchar_t text[64] = {};
    GetClassNameW(w, text, 64);
    EXPECT_STREQ(text, L"Mirelo_CLASS");
    GetWindowTextW(w, text, 64);
    EXPECT_STREQ(text, L"Mirelo");
    EXPECT_EQ(FindWindowW(L"Mirelo_CLASS", L"Mirelo"), w);
    EXPECT_TRUE(GetWindowLongW(w, GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
    GetClassNameW(editor->frame.view, text, 64);
    EXPECT_STREQ(text, L"Mirelo_CHILD_CLASS");
    EXPECT_TRUE(GetWindowLongW(editor->frame.view, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    WNDCLASSEXW wc{sizeof wc};
    for (const wchar_t* name : {L"CUSTOM_CLASS1", L"CUSTOM_CLASS2", L"CUSTOM_CLASS3", L"CUSTOM_CLASS4"})
        EXPECT_TRUE(GetClassInfoExW(GetModuleHandleW(nullptr), name, &wc)) << Narrow(FromW(name));
}

TEST_F(FrameTest, LayoutPlacesTheViewBetweenThePanels) {
    HWND w = OpenWindow();
    SetWindowPos(w, nullptr, 0, 0, 800, 600, SWP_NOZORDER | SWP_NOMOVE);
    RECT client, view, left, status, rebar;
    GetClientRect(w, &client);
    auto inClient = [&](HWND child, RECT* r) {
        GetWindowRect(child, r);
        MapWindowPoints(nullptr, w, reinterpret_cast<POINT*>(r), 2);
    };
    inClient(editor->frame.view, &view);
    inClient(editor->frame.leftPanel, &left);
    inClient(editor->frame.statusBar, &status);
    inClient(editor->frame.topRebar, &rebar);
    EXPECT_EQ(rebar.top, 0);
    EXPECT_EQ(rebar.right, client.right);
    EXPECT_EQ(left.top, rebar.bottom);
    EXPECT_EQ(view.left, left.right + 1);
    EXPECT_EQ(view.top, rebar.bottom);
    EXPECT_EQ(view.bottom, status.top);
    EXPECT_EQ(view.right, client.right - RightPanelWidth(*editor) - 2);
    EXPECT_GT(view.right - view.left, 500);
}

}  // namespace
}  // namespace mirelo
