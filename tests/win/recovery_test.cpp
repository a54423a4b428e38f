// Recovery copies end to end: an editor that dies without ending normally leaves copies that the
// next start offers back; damaged copies are named and skipped.
#include <fstream>

#include "app/commands.h"
#include "files/recovery_copy.h"
#include "harness.h"

namespace mirelo {
namespace {
using testing::EditorTest;

class RecoveryTest : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        folder = testing::MakeTempDir(L"recovery");
        editor->recovery.SetFolder(folder);
    }
    // The program dies: its window goes without the close question and the normal end.
    void Die() {
        editor->recovery.Flush();
        DestroyWindow(editor->frame.mainWindow);
        testing::DrainMessages();
        editor.reset();
    }
    // The next start, whose first showing offers what it finds.
    void Start() {
        shown.clear();
        EditorTest::SetUp();
        editor->recovery.SetFolder(folder);
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
        editor->recovery.Tick(*editor, static_cast<int64_t>(editor->clock()) + 60000);
        editor->recovery.Flush();
    }
    Text folder;
};

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
