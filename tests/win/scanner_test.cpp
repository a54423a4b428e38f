// Scanning end to end with the system's TWAIN data source manager and a data source of the
// tests (mirelo-test.ds) that the manager finds in the Windows folder's twain_64.
#include <string>

#include "harness.h"
#include "app/commands.h"
#include "app/menu_state.h"
#include "image/image_set.h"
#include "scanner/twain.h"

namespace mirelo {
namespace {
using testing::EditorTest;
using testing::PixelAt;

// The manager's own source list, answered with OK from a timer while it is up.
HWND g_sourceList = nullptr;
BOOL CALLBACK FindDialog(HWND w, LPARAM) {
    wchar_t cls[16] = {};
    GetClassNameW(w, cls, 16);
    if (IsWindowVisible(w) && std::wstring(cls) == L"#32770") {
        g_sourceList = w;
        return FALSE;
    }
    return TRUE;
}
void CALLBACK AnswerSourceList(HWND, UINT, UINT_PTR, DWORD) {
    g_sourceList = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindDialog, 0);
    if (g_sourceList) PostMessageW(g_sourceList, WM_COMMAND, IDOK, 0);
}

class ScannerTest : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        // The source goes where the manager looks for sources, before the manager first looks.
        // Wine's manager looks for two names only, "sane.ds" and "gphoto2.ds", in the Windows
        // folder's twain_64 (then among its own built-in ones): the test source takes the first
        // name, and the DLL override makes Wine load it rather than its own SANE source.
        wchar_t windows[MAX_PATH] = {};
        GetWindowsDirectoryW(windows, MAX_PATH);
        const std::wstring folder = std::wstring(windows) + L"\\twain_64";
        CreateDirectoryW(folder.c_str(), nullptr);
        const std::wstring installed = folder + L"\\sane.ds";
        // Once loaded in this process the file cannot be replaced, and need not be.
        if (!CopyFileW(W(testing::BesideTests(L"mirelo-test.ds")), installed.c_str(), FALSE)) {
            ASSERT_NE(GetModuleHandleW(installed.c_str()), nullptr);
        }
        HKEY overrides = nullptr;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\DllOverrides", 0, nullptr, 0, KEY_SET_VALUE, nullptr, &overrides,
                            nullptr) == ERROR_SUCCESS) {
            RegSetValueExW(overrides, L"sane.ds", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"native"), sizeof L"native");
            RegCloseKey(overrides);
        }
        SetEnvironmentVariableW(L"MIRELO_TEST_SCANNER", L"scan");
        OpenWindow();  // loads the manager
        ASSERT_TRUE(Twain(*editor).loaded()) << "Wine has the data source manager";
    }
    // The main loop's work while the source is enabled: every message through the filter first.
    void PumpWhileEnabled() {
        const DWORD end = GetTickCount() + 10000;
        while (Twain(*editor).sourceEnabled() && GetTickCount() < end) {
            MSG m;
            if (!PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
                Sleep(5);
                continue;
            }
            if (TwainFilter(*editor, &m)) continue;
            TranslateMessage(&m);
            DispatchMessageW(&m);
        }
        EXPECT_FALSE(Twain(*editor).sourceEnabled());
        EXPECT_TRUE(IsWindowEnabled(editor->frame.mainWindow));
        EXPECT_FALSE(FindWindowW(L"STATIC", L"Mirelo test scanner")) << "the source's window is closed";
    }
    // Scans with the source told what to do.
    void Scan(const wchar_t* mode) {
        SetEnvironmentVariableW(L"MIRELO_TEST_SCANNER", mode);
        Send(cmd::kScan);
        EXPECT_TRUE(Twain(*editor).sourceEnabled());
        EXPECT_FALSE(IsWindowEnabled(editor->frame.mainWindow));  // the scanner's dialog is modal
        EXPECT_TRUE(FindWindowW(L"STATIC", L"Mirelo test scanner"));
        PumpWhileEnabled();
    }
    // The manager is closed again: opening it succeeds.
    void ExpectManagerClosed() {
        EXPECT_EQ(Twain(*editor).OpenManager(editor->frame.mainWindow), twain::kSuccess);
        EXPECT_EQ(Twain(*editor).CloseManager(editor->frame.mainWindow), twain::kSuccess);
    }
};

TEST_F(ScannerTest, DefaultSourceTwoScansCancelAndFailure) {
    // Without a chosen device the manager's default source scans.
    Scan(L"scan");
    ASSERT_EQ(editor->images.Occupied(), 1);
    const ImageSlot* s = editor->Current();
    EXPECT_EQ(s->path, u"scan");
    EXPECT_EQ(s->width, 40);
    EXPECT_EQ(s->height, 30);
    EXPECT_EQ(PixelAt(s->bitmap.get(), 0, 0), 0xFF000064u);
    EXPECT_EQ(PixelAt(s->bitmap.get(), 39, 29), 0xFFEAE864u);  // red 39 × 6, green 29 × 8
    ExpectManagerClosed();
    Scan(L"scan");
    ASSERT_EQ(editor->images.Occupied(), 2);
    EXPECT_EQ(editor->Current()->path, u"scan");
    EXPECT_EQ(editor->images.slots[0].path, u"scan");

    // Cancelled in the scanner's dialog: the connection closes, no image comes.
    Scan(L"cancel");
    EXPECT_EQ(editor->images.Occupied(), 2);
    ExpectManagerClosed();
    EXPECT_TRUE(shown.empty());

    // A failed transfer says so and closes the connection.
    Scan(L"fail");
    EXPECT_EQ(editor->images.Occupied(), 2);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, u"Transfer failure");
    EXPECT_EQ(shown[0].title, u"スキャナ読み取り");
    EXPECT_EQ(shown[0].type, static_cast<UINT>(MB_OK | MB_ICONWARNING));
    ExpectManagerClosed();
}

// The source keeps the protocol's states: the transfer is ended (or reset after a failure, and
// further pictures dropped) before the source is disabled, closed and the manager closed.
TEST_F(ScannerTest, TransfersAreEndedBeforeTheSourceIsDisabled) {
    const struct {
        const wchar_t* mode;
        int images;      // images open afterwards
        size_t messages;
    } cases[] = {
        {L"scan", 1, 0},
        {L"two", 2, 0},  // two pictures offered: one is taken, the rest reset
        {L"fail", 2, 1},
        {L"scan", 3, 1},  // the source is in order again for the next scan
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.mode, c.mode + wcslen(c.mode)));
        Scan(c.mode);
        EXPECT_EQ(editor->images.Occupied(), c.images);
        EXPECT_EQ(shown.size(), c.messages);
        EXPECT_FALSE(Twain(*editor).transferPending());
        ExpectManagerClosed();
    }
}

// A source that refuses to be disabled stays open, but the main window takes input again; the
// source's own close request ends the connection later.
TEST_F(ScannerTest, MainWindowIsEnabledWhateverTheSourceAnswers) {
    SetEnvironmentVariableW(L"MIRELO_TEST_SCANNER", L"stubborn");
    Send(cmd::kScan);
    const DWORD end = GetTickCount() + 10000;
    while (editor->images.Occupied() == 0 && GetTickCount() < end) {
        MSG m;
        if (!PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
            Sleep(5);
            continue;
        }
        if (TwainFilter(*editor, &m)) continue;
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
    EXPECT_EQ(editor->images.Occupied(), 1);
    EXPECT_TRUE(IsWindowEnabled(editor->frame.mainWindow));
    EXPECT_TRUE(Twain(*editor).sourceEnabled());
    EXPECT_FALSE(Twain(*editor).transferPending());
    // Asked again, the source gives in and everything closes.
    EXPECT_EQ(Twain(*editor).DisableSource(editor->frame.mainWindow), twain::kSuccess);
    EXPECT_EQ(Twain(*editor).CloseSource(), twain::kSuccess);
    EXPECT_EQ(Twain(*editor).CloseManager(editor->frame.mainWindow), twain::kSuccess);
}

TEST_F(ScannerTest, ChosenDeviceIsTheOneScanned) {
    const UINT_PTR timer = SetTimer(nullptr, 0, 200, AnswerSourceList);
    Send(cmd::kScanSource);
    KillTimer(nullptr, timer);
    EXPECT_STREQ(Twain(*editor).source().productName, "Mirelo Test Scanner");
    ExpectManagerClosed();
    Scan(L"scan");
    EXPECT_EQ(editor->images.Occupied(), 1);
}

TEST_F(ScannerTest, IdentityIsInCodePage932AndWithoutAManagerNothingHappens) {
    const twain::Identity& app = Twain(*editor).application();
    EXPECT_STREQ(app.manufacturer, "\x8D\xEC\x8E\xD2\x96\xBC");                  // 作者名
    EXPECT_STREQ(app.productName, "\x83\x5C\x83\x74\x83\x67\x96\xBC");          // ソフト名
    EXPECT_STREQ(app.productFamily, app.productName);
    EXPECT_STREQ(app.version.info, app.productName);
    EXPECT_EQ(app.version.language, 0x44);
    EXPECT_EQ(app.version.country, 0x51);
    EXPECT_EQ(app.protocolMajor * 10 + app.protocolMinor, 18);
    EXPECT_EQ(app.supportedGroups, 3u);
    // The menu ｲﾒｰｼﾞｽｷｬﾅ is there while the manager is, greyed without it.
    HMENU file = GetSubMenu(GetMenu(editor->frame.mainWindow), 0);
    auto scannerItem = [&] {
        for (int i = 0; i < GetMenuItemCount(file); ++i)
            if (GetSubMenu(file, i) && GetMenuItemID(GetSubMenu(file, i), 0) == static_cast<UINT>(cmd::kScanSource))
                return GetMenuState(file, static_cast<UINT>(i), MF_BYPOSITION);
        return static_cast<UINT>(-1);
    };
    testing::Refresh(*editor);
    EXPECT_EQ(scannerItem() & MF_GRAYED, 0u);
    Twain(*editor).Unload();
    testing::Refresh(*editor);
    EXPECT_NE(scannerItem() & MF_GRAYED, 0u);
    EXPECT_EQ(Twain(*editor).OpenManager(editor->frame.mainWindow), twain::kNoManager);
    Send(cmd::kScan);
    Send(cmd::kScanSource);
    EXPECT_FALSE(Twain(*editor).sourceEnabled());
    EXPECT_TRUE(IsWindowEnabled(editor->frame.mainWindow));
    EXPECT_EQ(editor->images.Occupied(), 0);
    EXPECT_TRUE(shown.empty());
}

}  // namespace
}  // namespace mirelo
