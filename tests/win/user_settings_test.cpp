// Settings and recent files kept in the registry from one run to the next: each run is an editor
// with its own main window, closed as the user closes it.
#include "app/commands.h"
#include "ui/recent_files_menu.h"
#include "harness.h"
#include "res/resource.h"

namespace mirelo {
namespace {
using testing::EditorTest;

constexpr char16_t kKey[] = u"Software\\MireloTest\\Settings";

class UserSettingsTest : public EditorTest {
protected:
    void SetUp() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, W(Text(kKey)));
        EditorTest::SetUp();
        editor->settingsKey = kKey;
    }
    void TearDown() override {
        EditorTest::TearDown();
        RegDeleteTreeW(HKEY_CURRENT_USER, W(Text(kKey)));
    }
    // Ends this run as the close box does and starts the next one.
    void Restart() {
        SendMessageW(editor->frame.mainWindow, WM_CLOSE, 0, 0);
        ASSERT_EQ(editor->frame.mainWindow, nullptr);
        testing::DrainMessages();
        EditorTest::SetUp();
        editor->settingsKey = kKey;
        OpenWindow(SW_SHOWNOACTIVATE);
    }
    void Store(const wchar_t* name, DWORD kind, const void* data, DWORD size) {
        HKEY k = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, W(Text(kKey)), 0, nullptr, 0, KEY_WRITE, nullptr, &k, nullptr), ERROR_SUCCESS);
        RegSetValueExW(k, name, 0, kind, static_cast<const BYTE*>(data), size);
        RegCloseKey(k);
    }
    std::vector<Text> RecentMenu() {
        HMENU popup = RecentFilesMenu(*editor);
        SendMessageW(editor->frame.mainWindow, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), 0);
        std::vector<Text> lines;
        wchar_t text[MAX_PATH + 8];
        for (int i = 0; i < GetMenuItemCount(popup); ++i)
            if (GetMenuStringW(popup, static_cast<UINT>(i), text, MAX_PATH + 8, MF_BYPOSITION)) lines.push_back(FromW(text));
        return lines;
    }
};

// Junk in the registry gives the defaults; what the user chose, and where the window was, come
// back at the next start.
TEST_F(UserSettingsTest, ChoicesAndTheWindowSurviveARestart) {
    Store(L"JpegQuality", REG_SZ, L"90", 6);
    const DWORD tiny = 5, seven = 7;
    Store(L"WindowWidth", REG_DWORD, &tiny, 4);
    Store(L"Checkerboard", REG_DWORD, &seven, 4);
    Store(L"Recent0", REG_BINARY, "\xff\xfe\x00", 3);
    Store(L"CustomColours", REG_BINARY, "abc", 3);
    OpenWindow(SW_SHOWNOACTIVATE);
    const Settings defaults;
    EXPECT_EQ(editor->settings.jpegQuality, defaults.jpegQuality);
    EXPECT_TRUE(editor->settings.checkerboard);
    EXPECT_TRUE(editor->recentFiles.items().empty());

    Send(cmd::kCheckerboard);
    Send(cmd::kCursorCoords);
    Send(IDM_GRID_16PX);
    editor->settings.jpegQuality = 55;
    editor->colourSwatches[3] = 0xFF123456;
    SetWindowPos(editor->frame.mainWindow, nullptr, 40, 50, 700, 560, SWP_NOZORDER | SWP_NOACTIVATE);
    Restart();
    EXPECT_FALSE(editor->settings.checkerboard);
    EXPECT_TRUE(editor->settings.cursorCoords);
    EXPECT_EQ(editor->settings.gridX, 16);
    EXPECT_EQ(editor->settings.jpegQuality, 55);
    EXPECT_EQ(editor->colourSwatches[3], 0xFF123456u);
    EXPECT_EQ(GetMenuState(editor->frame.menu, cmd::kCheckerboard, MF_BYCOMMAND) & MF_CHECKED, 0u);
    RECT r;
    GetWindowRect(editor->frame.mainWindow, &r);
    EXPECT_EQ(r.right - r.left, 700);
    EXPECT_EQ(r.bottom - r.top, 560);
}

// Files opened go to the top of 最近使ったﾌｧｲﾙ and stay there after a restart; one deleted since is
// reported when chosen and leaves the list; another opens.
TEST_F(UserSettingsTest, RecentFilesSurviveARestartAndAMissingOneLeaves) {
    OpenWindow(SW_SHOWNOACTIVATE);
    EXPECT_EQ(RecentMenu(), std::vector<Text>{u"なし"});
    const Text dir = testing::MakeTempDir(L"recent");
    const Text a = dir + u"\\a & b.png", b = dir + u"\\写真.bmp";
    ASSERT_TRUE(testing::WritePicture(a, 8, 8, 0xFFFF0000));
    ASSERT_TRUE(testing::WritePicture(b, 8, 8, 0xFF00FF00));
    ASSERT_TRUE(testing::Open(*editor, a));
    ASSERT_TRUE(testing::Open(*editor, b));
    ASSERT_TRUE(testing::Open(*editor, a));  // already open: it comes to the top again
    Restart();
    EXPECT_EQ(RecentMenu(), (std::vector<Text>{u"&1 " + dir + u"\\a && b.png", u"&2 " + b}));

    ASSERT_TRUE(DeleteFileW(W(a)));
    Send(cmd::kRecentFirst);
    EXPECT_TRUE(Shown(u"ファイルが見つかりません\n" + a));
    EXPECT_EQ(editor->images.Occupied(), 0);
    EXPECT_EQ(editor->recentFiles.items(), std::vector<Text>{b});
    Send(cmd::kRecentFirst);
    testing::Refresh(*editor);
    ASSERT_EQ(editor->images.Occupied(), 1);
    EXPECT_EQ(editor->Current()->path, b);
    Restart();
    EXPECT_EQ(editor->recentFiles.items(), std::vector<Text>{b});
}

}  // namespace
}  // namespace mirelo
