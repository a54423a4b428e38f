// Recovery copies end to end: an editor that dies without ending normally leaves copies that the
// next start offers back; damaged copies are named and skipped.
#include <fstream>

#include "app/commands.h"
#include "ui/frame.h"
#include "files/recovery.h"
#include "files/recovery_copy.h"
#include "harness.h"

#include <commctrl.h>

namespace mirelo {
namespace {
using testing::EditorTest;

class RecoveryTest : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        folder = testing::MakeTempDir(L"recovery");
        Recovery(*editor).SetFolder(folder);
    }
    // The program dies: its window goes without the close question and the normal end.
    void Die() {
        Recovery(*editor).Flush();
        DestroyWindow(editor->frame.mainWindow);
        testing::DrainMessages();
        editor.reset();
    }
    // The next start, whose first showing offers what it finds.
    void Start() {
        shown.clear();
        EditorTest::SetUp();
        Recovery(*editor).SetFolder(folder);
        OpenWindow(SW_SHOWNOACTIVATE);
        testing::Refresh(*editor);
    }
    size_t CopiesLeft() {
        size_t n = 0;
        WIN32_FIND_DATAW found;
        HANDLE h = FindFirstFileW(W(folder + u"\\*.mrc"), &found);
        if (h == INVALID_HANDLE_VALUE) return 0;
        do ++n;
        while (FindNextFileW(h, &found));
        FindClose(h);
        return n;
    }
    void TakeCopies() {
        testing::Refresh(*editor);
        Recovery(*editor).Tick(*editor, static_cast<int64_t>(editor->clock()) + 60000);
        Recovery(*editor).Flush();
    }
    Text folder;
};

// A gradient picture, so that a turn shows in every pixel.
bool WriteGradient(const Text& path, int width, int height) {
    GpBitmapOwner bmp;
    if (!CreateGpBitmap(bmp, width, height, fmt::k32ARGB)) return false;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) gp::GdipBitmapSetPixel(bmp.get(), x, y, 0xFF000000u | uint32_t(x * 6) << 16 | uint32_t(y * 8) << 8 | 0x40);
    Messages quiet;
    quiet.SetResponder([](const MessageRequest&) { return IDOK; });
    CLSID clsid;
    return FindEncoder(quiet, u"png", &clsid) >= 0 && gp::GdipSaveImageToFile(bmp.get(), W(path), &clsid, nullptr) == Gdiplus::Ok;
}

struct ProgramWindow {
    DWORD process;
    HWND found;
};

// The image bar of a main window: the tool bar inside the page scroller.
HWND ImageBarOf(HWND main) {
    HWND bar = nullptr;
    EnumChildWindows(main, [](HWND h, LPARAM p) {
        wchar_t cls[64] = {}, parent[64] = {};
        GetClassNameW(h, cls, 64);
        GetClassNameW(GetParent(h), parent, 64);
        if (std::wstring(cls) == TOOLBARCLASSNAMEW && std::wstring(parent) == WC_PAGESCROLLERW) *reinterpret_cast<HWND*>(p) = h;
        return TRUE;
    }, reinterpret_cast<LPARAM>(&bar));
    return bar;
}

// The real program is killed a few seconds after a change, with no chance to end normally; its
// copy in the user's recovery folder brings the change back, and 上書き保存 writes the original file.
TEST_F(RecoveryTest, TheCopyOfAKilledProgramComesBackAndSavesToTheOriginalFile) {
    const Text recovery = DefaultRecoveryFolder();
    ASSERT_FALSE(recovery.empty());
    folder = recovery;
    if (CopiesLeft() > 0) GTEST_SKIP() << "the recovery folder of this Windows user holds copies";
    const Text picture = testing::MakeTempDir(L"killed") + u"\\写真.png";
    ASSERT_TRUE(WriteGradient(picture, 40, 30));
    // What the turn gives, worked out here.
    OpenWindow();
    ASSERT_TRUE(testing::Open(*editor, picture));
    Send(cmd::kRotate90);
    const std::vector<uint32_t> turned = testing::AllPixels(editor->Current()->bitmap.get(), 30, 40);
    Die();

    // A main window still open here would take the program's files over (a second start).
    ASSERT_EQ(FindWindowW(kMainClassName, L"Mirelo"), nullptr) << "a main window of an earlier test is still open";
    const Text exe = testing::BesideTests(L"Mirelo.exe");
    std::wstring line = L"\"" + std::wstring(W(exe)) + L"\" \"" + std::wstring(W(picture)) + L"\"";
    STARTUPINFOW si{sizeof si};
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessW(W(exe), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    ProgramWindow program{pi.dwProcessId, nullptr};
    for (int i = 0; i < 300 && !program.found; ++i) {
        Sleep(100);
        EnumWindows([](HWND h, LPARAM p) {
            auto* w = reinterpret_cast<ProgramWindow*>(p);
            DWORD owner = 0;
            wchar_t cls[64] = {};
            GetWindowThreadProcessId(h, &owner);
            GetClassNameW(h, cls, 64);
            if (owner == w->process && std::wstring(cls) == kMainClassName) w->found = h;
            return w->found ? FALSE : TRUE;
        }, reinterpret_cast<LPARAM>(&program));
    }
    bool copied = false;
    // The picture has opened when the image bar shows it.
    DWORD_PTR result = 0;
    for (int i = 0; i < 300 && program.found; ++i) {
        HWND bar = ImageBarOf(program.found);
        if (bar && SendMessageTimeoutW(bar, TB_BUTTONCOUNT, 0, 0, SMTO_NORMAL, 5000, &result) && result == 1) break;
        Sleep(100);
    }
    if (program.found && result == 1) {
        SendMessageTimeoutW(program.found, WM_COMMAND, cmd::kRotate90, 0, SMTO_NORMAL, 30000, &result);
        for (int i = 0; i < 300 && !copied; ++i) {  // written within 10 s of the change
            Sleep(100);
            copied = CopiesLeft() == 1;
        }
    }
    TerminateProcess(pi.hProcess, 9);
    WaitForSingleObject(pi.hProcess, 30000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    ASSERT_TRUE(program.found);
    ASSERT_TRUE(copied);

    answer = IDYES;
    Start();
    EXPECT_EQ(CopiesLeft(), 0u);
    ASSERT_EQ(editor->images.Occupied(), 1);
    ImageSlot& back = *editor->Current();
    EXPECT_EQ(back.path, picture);
    ASSERT_EQ(back.width, 30);
    EXPECT_EQ(testing::AllPixels(back.bitmap.get(), 30, 40), turned);
    Send(cmd::kSave);
    EXPECT_FALSE(editor->Current()->HasUnsavedWork());
    Die();
    EditorTest::SetUp();
    OpenWindow();
    ASSERT_TRUE(testing::Open(*editor, picture));
    EXPECT_EQ(testing::AllPixels(editor->Current()->bitmap.get(), 30, 40), turned);
}

// A turned picture with a floating object is copied; after the program died, はい brings it back
// with the same pixels, the object still floating and the original file as its path; a normal
// end then leaves no copies.
TEST_F(RecoveryTest, AnImageComesBackAfterTheProgramDied) {
    OpenWindow(SW_SHOWNOACTIVATE);
    const Text picture = folder + u"\\庭.png";
    ASSERT_TRUE(testing::WritePicture(picture, 40, 30, 0xFF2080C0));
    ASSERT_TRUE(testing::Open(*editor, picture));
    Send(cmd::kRotate90);
    Send(cmd::kSelectAll);
    Send(cmd::kCopy);
    Send(cmd::kPaste);
    testing::Refresh(*editor);
    ImageSlot& before = *editor->Current();
    ASSERT_EQ(before.pasteObjects.Count(), 1);
    const std::vector<uint32_t> pixels = testing::AllPixels(before.bitmap.get(), before.width, before.height);
    const int fileType = before.fileType;
    TakeCopies();
    ASSERT_EQ(CopiesLeft(), 1u);
    Die();

    answer = IDYES;
    Start();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0].text.find(u"前回、保存されずに終了した画像があります。復元しますか？"), Text::npos);
    EXPECT_NE(shown[0].text.find(picture), Text::npos);
    ASSERT_EQ(editor->images.Occupied(), 1);
    const ImageSlot& after = *editor->Current();
    EXPECT_EQ(after.width, 30);
    EXPECT_EQ(after.height, 40);
    EXPECT_EQ(testing::AllPixels(after.bitmap.get(), after.width, after.height), pixels);
    EXPECT_EQ(after.path, picture);
    EXPECT_EQ(after.fileType, fileType);
    EXPECT_EQ(after.pasteObjects.Count(), 1);
    EXPECT_TRUE(after.HasUnsavedWork());
    EXPECT_EQ(CopiesLeft(), 0u);  // this run keeps its own

    TakeCopies();
    EXPECT_EQ(CopiesLeft(), 1u);
    SendMessageW(editor->frame.mainWindow, WM_CLOSE, 0, 0);
    EXPECT_EQ(CopiesLeft(), 0u);
}

// Damaged copies are named and removed, and the program runs on; いいえ removes the good ones,
// キャンセル keeps them for the next start.
TEST_F(RecoveryTest, DamagedCopiesAreNamedAndTheAnswerDecides) {
    OpenWindow(SW_SHOWNOACTIVATE);
    ASSERT_TRUE(testing::NewImage(*editor, 16, 8, 96, 96, false));
    Send(cmd::kRotate90);
    TakeCopies();
    ASSERT_EQ(CopiesLeft(), 1u);
    Die();
    const Text truncated = folder + u"\\broken.mrc", junk = folder + u"\\junk.mrc";
    {
        std::ofstream(W(junk), std::ios::binary) << "MireloRC\r\n\x1a\n not a copy at all";
        std::ofstream(W(truncated), std::ios::binary) << "MireloRC";
    }
    answer = IDCANCEL;
    Start();
    EXPECT_TRUE(Shown(u"復元用のファイルが壊れているため、復元できません\n" + truncated));
    EXPECT_TRUE(Shown(u"復元用のファイルが壊れているため、復元できません\n" + junk));
    EXPECT_EQ(editor->images.Occupied(), 0);
    EXPECT_EQ(CopiesLeft(), 1u);  // kept for the next start
    Die();

    answer = IDNO;
    Start();
    EXPECT_EQ(editor->images.Occupied(), 0);
    EXPECT_EQ(CopiesLeft(), 0u);
}

}  // namespace
}  // namespace mirelo
