#include "harness.h"
#include "ui/canvas.h"
#include "app/commands.h"
#include "app/menu_state.h"
#include "edit/undo_history.h"
#include "image/bitmap_access.h"
#include "image/image_set.h"
#include "image/new_image.h"

namespace mirelo {
namespace {
using testing::DifferentPixels;
using testing::EditorTest;
using testing::PixelAt;

class UndoTest : public EditorTest {
protected:
    void SendCtrlKey(WPARAM key) {
        BYTE keys[256] = {};
        GetKeyboardState(keys);
        keys[VK_CONTROL] = 0x80;
        SetKeyboardState(keys);
        SendMessageW(editor->frame.mainWindow, WM_KEYDOWN, key, 0);
        keys[VK_CONTROL] = 0;
        SetKeyboardState(keys);
    }
    bool ButtonEnabled(int id) { return SendMessageW(editor->frame.mainToolBar, TB_ISBUTTONENABLED, id, 0) != 0; }
    ImageSlot& Slot() { return *editor->Current(); }

    // Writes a pattern that depends on `seed` into every pixel of the current image.
    void Paint(int seed) {
        ImageSlot& s = Slot();
        for (int y = 0; y < s.height; ++y)
            for (int x = 0; x < s.width; ++x) {
                uint32_t argb = 0xFF000000u | (static_cast<uint32_t>((x * 16 + seed) & 0xFF) << 16) |
                                (static_cast<uint32_t>((y * 16 + seed * 3) & 0xFF) << 8) |
                                static_cast<uint32_t>((x * y + seed * 7) & 0xFF);
                ASSERT_EQ(gp::GdipBitmapSetPixel(s.bitmap.get(), x, y, argb), Gdiplus::Ok);
            }
    }
    // An operation that changes pixels: records its step first, then changes and refreshes.
    void PaintAsOperation(int seed) {
        RecordUndoStep(*editor);
        Paint(seed);
        testing::Refresh(*editor);
    }
    static GpBitmapOwner CopyOf(Gdiplus::GpBitmap* b, PixelFormat format) {
        int w = 0, h = 0;
        ImageSize(b, &w, &h);
        GpBitmapOwner out;
        Gdiplus::GpBitmap* copy = nullptr;
        EXPECT_EQ(gp::GdipCloneBitmapAreaI(0, 0, w, h, static_cast<Gdiplus::PixelFormat>(format), b, &copy), Gdiplus::Ok);
        out.reset(copy);
        return out;
    }
    static GpBitmapOwner CopyOf(Gdiplus::GpBitmap* b) { return CopyOf(b, FormatOf(b)); }
    // The current image in another pixel format, the way a format conversion replaces it.
    void ReplaceWithFormat(PixelFormat format) {
        GpBitmapOwner converted = CopyOf(Slot().bitmap.get(), format);
        ASSERT_TRUE(converted);
        Slot().bitmap = std::move(converted);
        testing::Refresh(*editor);
    }
    static int HeldSnapshots(const UndoHistory& h) {
        int n = 0;
        for (int i = 0; i < kUndoSteps; ++i) {
            bool held = h.snapshots[static_cast<size_t>(i)].get() != nullptr;
            EXPECT_EQ(held, h.Occupied(i)) << i;
            n += held ? 1 : 0;
        }
        return n;
    }
};

TEST_F(UndoTest, FreshImageHasNothingToUndo) {
    OpenWindow();
    ASSERT_TRUE(testing::NewImage(*editor, 16, 16, 96, 96, false));
    Paint(5);
    GpBitmapOwner before = CopyOf(Slot().bitmap.get());
    const UndoHistory& h = Slot().undo;
    EXPECT_EQ(h.position, -1);
    EXPECT_FALSE(h.canUndo);
    EXPECT_FALSE(h.canRedo);
    EXPECT_FALSE(h.wrapped);
    EXPECT_EQ(HeldSnapshots(h), 0);
    EXPECT_FALSE(ButtonEnabled(cmd::kUndo));
    EXPECT_FALSE(ButtonEnabled(cmd::kRedo));

    SendCtrlKey('Z');
    SendCtrlKey('Y');
    Send(cmd::kUndo);
    Send(cmd::kRedo);
    EXPECT_EQ(DifferentPixels(Slot().bitmap.get(), before.get(), 0), 0.0);
    EXPECT_EQ(h.position, -1);
    EXPECT_FALSE(h.canUndo);
    EXPECT_FALSE(h.canRedo);
    EXPECT_EQ(HeldSnapshots(h), 0);
    EXPECT_TRUE(shown.empty());

    Send(cmd::kClose);
    EXPECT_TRUE(shown.empty());  // nothing to undo: closed without a question
    EXPECT_EQ(editor->images.Occupied(), 0);
    // Without an image the commands do nothing.
    Send(cmd::kUndo);
    Send(cmd::kRedo);
    EXPECT_TRUE(shown.empty());
}

TEST_F(UndoTest, UndoAndRedoRestorePixelsExactly) {
    OpenWindow();
    ASSERT_TRUE(testing::NewImage(*editor, 16, 12, 96, 96, true));
    // Some pixels partly transparent: they must come back unchanged too.
    Paint(1);
    ASSERT_EQ(gp::GdipBitmapSetPixel(Slot().bitmap.get(), 3, 4, 0x7F102030u), Gdiplus::Ok);
    ASSERT_EQ(gp::GdipBitmapSetPixel(Slot().bitmap.get(), 0, 0, 0x00000000u), Gdiplus::Ok);
    GpBitmapOwner first = CopyOf(Slot().bitmap.get());

    PaintAsOperation(40);
    GpBitmapOwner second = CopyOf(Slot().bitmap.get());
    ASSERT_GT(DifferentPixels(first.get(), second.get(), 0), 0.9);
    EXPECT_EQ(Slot().undo.position, 0);
    EXPECT_TRUE(Slot().undo.canUndo);
    EXPECT_FALSE(Slot().undo.canRedo);

    Send(cmd::kUndo);
    EXPECT_EQ(DifferentPixels(Slot().bitmap.get(), first.get(), 0), 0.0);
    EXPECT_EQ(PixelAt(Slot().bitmap.get(), 3, 4), 0x7F102030u);
    EXPECT_EQ(PixelAt(Slot().bitmap.get(), 0, 0), 0x00000000u);
    EXPECT_EQ(Slot().pixelFormat, fmt::k32ARGB);
    EXPECT_EQ(Slot().undo.position, -1);
    EXPECT_FALSE(Slot().undo.canUndo);
    EXPECT_TRUE(Slot().undo.canRedo);

    Send(cmd::kRedo);
    EXPECT_EQ(DifferentPixels(Slot().bitmap.get(), second.get(), 0), 0.0);
    EXPECT_EQ(Slot().undo.position, 0);
    EXPECT_TRUE(Slot().undo.canUndo);
    EXPECT_FALSE(Slot().undo.canRedo);

    // Ctrl+Z and Ctrl+Y do the same.
    SendCtrlKey('Z');
    EXPECT_EQ(DifferentPixels(Slot().bitmap.get(), first.get(), 0), 0.0);
    SendCtrlKey('Y');
    EXPECT_EQ(DifferentPixels(Slot().bitmap.get(), second.get(), 0), 0.0);
    EXPECT_TRUE(shown.empty());
}

TEST_F(UndoTest, SeveralStepsUndoInOrderAndAChangeDropsRedo) {
    OpenWindow();
    ASSERT_TRUE(testing::NewImage(*editor, 8, 8, 96, 96, false));
    std::vector<GpBitmapOwner> states;
    states.push_back(CopyOf(Slot().bitmap.get()));
    for (int k = 1; k <= 4; ++k) {
        PaintAsOperation(k * 11);
        states.push_back(CopyOf(Slot().bitmap.get()));
    }
    for (int k = 3; k >= 0; --k) {
        Send(cmd::kUndo);
        EXPECT_EQ(DifferentPixels(Slot().bitmap.get(), states[static_cast<size_t>(k)].get(), 0), 0.0) << k;
    }
    Send(cmd::kUndo);  // nothing more
    EXPECT_EQ(DifferentPixels(Slot().bitmap.get(), states[0].get(), 0), 0.0);
    Send(cmd::kRedo);
    Send(cmd::kRedo);
    EXPECT_EQ(DifferentPixels(Slot().bitmap.get(), states[2].get(), 0), 0.0);
    EXPECT_TRUE(Slot().undo.canRedo);

    PaintAsOperation(99);
    GpBitmapOwner changed = CopyOf(Slot().bitmap.get());
    EXPECT_FALSE(Slot().undo.canRedo);
    EXPECT_EQ(HeldSnapshots(Slot().undo), 3);
    Send(cmd::kRedo);
    EXPECT_EQ(DifferentPixels(Slot().bitmap.get(), changed.get(), 0), 0.0);
    Send(cmd::kUndo);
    EXPECT_EQ(DifferentPixels(Slot().bitmap.get(), states[2].get(), 0), 0.0);
}

TEST_F(UndoTest, FormatChangeIsUndone) {
    OpenWindow();
    ASSERT_TRUE(testing::NewImage(*editor, 16, 16, 96, 96, false));
    ReplaceWithFormat(fmt::k24RGB);
    ASSERT_EQ(Slot().pixelFormat, fmt::k24RGB);
    Paint(3);
    GpBitmapOwner rgb = CopyOf(Slot().bitmap.get());

    // A conversion to 8-bit indexed colour, recorded first.
    RecordUndoStep(*editor);
    ReplaceWithFormat(fmt::k8Index);
    ASSERT_EQ(Slot().pixelFormat, fmt::k8Index);
    GpBitmapOwner indexed = CopyOf(Slot().bitmap.get());
    EXPECT_EQ(Slot().undo.formats[0], fmt::k24RGB);
    Slot().tool = kToolRetouch;

    Send(cmd::kUndo);
    EXPECT_EQ(FormatOf(Slot().bitmap.get()), fmt::k24RGB);
    EXPECT_EQ(Slot().pixelFormat, fmt::k24RGB);
    EXPECT_EQ(Slot().formatName, u"24-R8G8B8");
    EXPECT_EQ(DifferentPixels(Slot().bitmap.get(), rgb.get(), 0), 0.0);
    EXPECT_EQ(Slot().tool, kToolSelect);  // the indexed state changed
    EXPECT_EQ(Slot().undo.formats[0], fmt::k8Index);

    Slot().tool = kToolFill;
    Send(cmd::kRedo);
    EXPECT_EQ(FormatOf(Slot().bitmap.get()), fmt::k8Index);
    EXPECT_EQ(Slot().pixelFormat, fmt::k8Index);
    EXPECT_EQ(DifferentPixels(Slot().bitmap.get(), indexed.get(), 0), 0.0);
    EXPECT_EQ(Slot().tool, kToolSelect);

    // Between two formats of the same kind the tool stays.
    Send(cmd::kUndo);
    RecordUndoStep(*editor);
    ReplaceWithFormat(fmt::k32ARGB);
    Slot().tool = kToolText;
    Send(cmd::kUndo);
    EXPECT_EQ(Slot().pixelFormat, fmt::k24RGB);
    EXPECT_EQ(Slot().tool, kToolText);
    EXPECT_TRUE(shown.empty());
}

TEST_F(UndoTest, PaletteTransparencyFollowsTheEntriesAfterUndo) {
    OpenWindow();
    ASSERT_TRUE(testing::NewImage(*editor, 4, 4, 96, 96, false));
    ReplaceWithFormat(fmt::k8Index);
    // A transparent entry while the palette's flags word says nothing of it.
    std::vector<uint32_t> entries;
    ASSERT_TRUE(ReadPaletteEntries(Slot().bitmap.get(), &entries));
    std::vector<uint8_t> buffer(offsetof(Gdiplus::ColorPalette, Entries) + 4 * entries.size());
    auto* palette = reinterpret_cast<Gdiplus::ColorPalette*>(buffer.data());
    palette->Flags = 0;
    palette->Count = static_cast<UINT>(entries.size());
    std::copy(entries.begin(), entries.end(), palette->Entries);
    palette->Entries[1] = 0x00000000u;
    ASSERT_EQ(gp::GdipSetImagePalette(Slot().bitmap.get(), palette), Gdiplus::Ok);
    RecordUndoStep(*editor);
    ReplaceWithFormat(fmt::k24RGB);
    Slot().flags = 0;
    Send(cmd::kUndo);
    ASSERT_EQ(Slot().pixelFormat, fmt::k8Index);
    EXPECT_EQ(Slot().flags & 1u, 1u);
    Send(cmd::kRedo);
    EXPECT_EQ(Slot().flags & 1u, 0u);
}

// Rows of 1- and 4-bit images that end inside a byte come back whole, last pixel included.
TEST_F(UndoTest, PackedIndicesComeBackWhole) {
    OpenWindow();
    for (PixelFormat format : {fmt::k1Index, fmt::k4Index}) {
        for (int w : {5, 7, 9}) {
            SCOPED_TRACE(::testing::Message() << format << " width " << w);
            ASSERT_TRUE(testing::NewImage(*editor, w, 3, 96, 96, false));
            ReplaceWithFormat(format);
            ASSERT_EQ(Slot().pixelFormat, format);
            const uint32_t top = (1u << BitsPerPixel(format)) - 1;
            auto indices = [&] {
                std::vector<uint32_t> v;
                BitmapLock lock(editor->messages, Slot().bitmap, kLockRead, format, BitmapRole::Source);
                for (int y = 0; y < 3 && lock.ok(); ++y)
                    for (int x = 0; x < w; ++x) v.push_back(ReadStored(lock.view(), x, y));
                return v;
            };
            auto write = [&](uint32_t seed) {
                BitmapLock lock(editor->messages, Slot().bitmap, kLockWrite, format, BitmapRole::Destination);
                ASSERT_TRUE(lock.ok());
                for (int y = 0; y < 3; ++y)
                    for (int x = 0; x < w; ++x) WriteStored(lock.view(), x, y, (seed + static_cast<uint32_t>(x + 3 * y)) % (top + 1));
            };
            write(1);
            const std::vector<uint32_t> first = indices();
            RecordUndoStep(*editor);
            write(2);
            const std::vector<uint32_t> second = indices();
            ASSERT_NE(first, second);
            Send(cmd::kUndo);
            EXPECT_EQ(indices(), first);
            Send(cmd::kRedo);
            EXPECT_EQ(indices(), second);
        }
    }
    EXPECT_TRUE(shown.empty());
}

TEST_F(UndoTest, SizeChangeIsUndone) {
    OpenWindow();
    ASSERT_TRUE(testing::NewImage(*editor, 16, 16, 96, 96, false));
    Paint(8);
    GpBitmapOwner small = CopyOf(Slot().bitmap.get());

    RecordUndoStep(*editor);
    GpBitmapOwner larger;
    ASSERT_TRUE(CreateGpBitmap(larger, 40, 24, fmt::k32ARGB));
    ASSERT_EQ(gp::GdipBitmapSetPixel(larger.get(), 39, 23, 0xFF123456u), Gdiplus::Ok);
    Slot().bitmap = std::move(larger);
    Slot().width = 40;
    Slot().height = 24;
    testing::Refresh(*editor);
    LayoutView(*editor);
    auto rangeOf = [&](int bar) {
        SCROLLINFO si{sizeof si, SIF_RANGE};
        GetScrollInfo(editor->frame.view, bar, &si);
        return si.nMax;
    };
    ASSERT_EQ(Slot().zoom, 100);
    EXPECT_EQ(rangeOf(SB_HORZ), 41);
    EXPECT_EQ(rangeOf(SB_VERT), 25);

    Send(cmd::kUndo);
    EXPECT_EQ(Slot().width, 16);
    EXPECT_EQ(Slot().height, 16);
    EXPECT_EQ(Slot().zoomedWidth, 16);  // the scroll ranges follow the restored size
    EXPECT_EQ(rangeOf(SB_HORZ), 17);
    EXPECT_EQ(rangeOf(SB_VERT), 17);
    int w = 0, h = 0;
    ImageSize(Slot().bitmap.get(), &w, &h);
    EXPECT_EQ(w, 16);
    EXPECT_EQ(h, 16);
    EXPECT_EQ(DifferentPixels(Slot().bitmap.get(), small.get(), 0), 0.0);

    Send(cmd::kRedo);
    EXPECT_EQ(Slot().width, 40);
    EXPECT_EQ(Slot().height, 24);
    EXPECT_EQ(PixelAt(Slot().bitmap.get(), 39, 23), 0xFF123456u);
}

TEST_F(UndoTest, CloseAsksAfterAChange) {
    OpenWindow();
    ASSERT_TRUE(testing::NewImage(*editor, 8, 8, 96, 96, false));
    PaintAsOperation(2);
    answer = IDNO;
    Send(cmd::kClose);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, u"この画像を閉じますか？");
    EXPECT_EQ(editor->images.Occupied(), 1);
    // Undone back to the start there is nothing left to lose.
    Send(cmd::kUndo);
    shown.clear();
    Send(cmd::kClose);
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(editor->images.Occupied(), 0);
}

TEST_F(UndoTest, FailedSnapshotShowsItsMessageAndStepsBack) {
    OpenWindow();
    editor->images.current = 0;  // a free slot: there is no image to keep
    RecordUndoStep(*editor);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, u"[元に戻す]の履歴を設定できません");
    EXPECT_EQ(shown[0].title, u"Mirelo");
    EXPECT_EQ(shown[0].type & 0xF, static_cast<UINT>(MB_OK));
    const UndoHistory& h = editor->images.slots[0].undo;
    EXPECT_EQ(h.position, -1);
    EXPECT_FALSE(h.Occupied(0));
    EXPECT_FALSE(h.snapshots[0]);
    EXPECT_EQ(h.formats[0], 0u);
    editor->images.current = -1;
}

TEST_F(UndoTest, BudgetDropsTheOldestStepsAndKeepsTheNewest) {
    OpenWindow();
    ASSERT_TRUE(testing::NewImage(*editor, 16, 16, 96, 96, false));  // 1024 bytes a snapshot
    editor->undoBudget.bytes = 3 * 1024;
    std::vector<GpBitmapOwner> states;
    states.push_back(CopyOf(Slot().bitmap.get()));
    for (int k = 1; k <= 6; ++k) {
        PaintAsOperation(k * 13);
        states.push_back(CopyOf(Slot().bitmap.get()));
        EXPECT_LE(Slot().undo.StoredBytes(), editor->undoBudget.bytes);
        EXPECT_TRUE(Slot().undo.Occupied(Slot().undo.position));
        EXPECT_TRUE(ButtonEnabled(cmd::kUndo));
    }
    EXPECT_EQ(HeldSnapshots(Slot().undo), 3);
    EXPECT_EQ(Slot().undo.position, 5);
    EXPECT_FALSE(Slot().undo.Occupied(2));

    Send(cmd::kUndo);
    EXPECT_EQ(DifferentPixels(Slot().bitmap.get(), states[5].get(), 0), 0.0);
    Send(cmd::kUndo);
    EXPECT_EQ(DifferentPixels(Slot().bitmap.get(), states[4].get(), 0), 0.0);
    EXPECT_TRUE(Slot().undo.canUndo);
    EXPECT_TRUE(ButtonEnabled(cmd::kUndo));
    Send(cmd::kUndo);
    EXPECT_EQ(DifferentPixels(Slot().bitmap.get(), states[3].get(), 0), 0.0);
    // The next entry was released: Undo is unavailable instead of pointing at it.
    EXPECT_EQ(Slot().undo.position, 2);
    EXPECT_FALSE(Slot().undo.canUndo);
    EXPECT_FALSE(ButtonEnabled(cmd::kUndo));
    EXPECT_TRUE(ButtonEnabled(cmd::kRedo));
    Send(cmd::kUndo);
    EXPECT_EQ(DifferentPixels(Slot().bitmap.get(), states[3].get(), 0), 0.0);
    EXPECT_EQ(Slot().undo.position, 2);
    EXPECT_LE(Slot().undo.StoredBytes(), editor->undoBudget.bytes);

    for (int k = 4; k <= 6; ++k) {
        Send(cmd::kRedo);
        EXPECT_EQ(DifferentPixels(Slot().bitmap.get(), states[static_cast<size_t>(k)].get(), 0), 0.0) << k;
    }
    EXPECT_FALSE(ButtonEnabled(cmd::kRedo));
    EXPECT_TRUE(shown.empty());
}

TEST_F(UndoTest, BudgetIsSharedByAllImagesOldestFirst) {
    OpenWindow();
    ASSERT_TRUE(testing::NewImage(*editor, 16, 16, 96, 96, false));
    ASSERT_TRUE(testing::NewImage(*editor, 16, 16, 96, 96, false));
    editor->undoBudget.bytes = 4 * 1024;
    testing::Select(*editor, 0);
    PaintAsOperation(1);  // image 0, entry 0: the oldest
    PaintAsOperation(2);  // image 0, entry 1
    testing::Select(*editor, 1);
    PaintAsOperation(3);  // image 1, entry 0
    testing::Select(*editor, 0);
    Send(cmd::kUndo);  // image 0: entry 1 stored again, position 0
    EXPECT_TRUE(editor->images.slots[0].undo.canUndo);
    EXPECT_TRUE(editor->images.slots[0].undo.canRedo);
    testing::Select(*editor, 1);
    PaintAsOperation(4);  // image 1, entry 1: four snapshots, the budget is reached
    EXPECT_EQ(HeldSnapshots(editor->images.slots[0].undo) + HeldSnapshots(editor->images.slots[1].undo), 4);
    PaintAsOperation(5);  // image 1, entry 2: image 0's entry 0 goes first
    const UndoHistory& a = editor->images.slots[0].undo;
    const UndoHistory& b = editor->images.slots[1].undo;
    EXPECT_FALSE(a.Occupied(0));
    EXPECT_TRUE(a.Occupied(1));
    EXPECT_FALSE(a.canUndo);  // its entry at the position is gone
    EXPECT_TRUE(a.canRedo);
    EXPECT_EQ(HeldSnapshots(b), 3);
    PaintAsOperation(6);  // next: image 1's entry 0, older than image 0's entry 1
    EXPECT_FALSE(b.Occupied(0));
    EXPECT_TRUE(a.Occupied(1));
    EXPECT_TRUE(a.canRedo);
    PaintAsOperation(7);  // then image 0's entry 1
    EXPECT_FALSE(a.Occupied(1));
    EXPECT_FALSE(a.canRedo);
    EXPECT_EQ(HeldSnapshots(a), 0);
    EXPECT_EQ(HeldSnapshots(b), 4);
    EXPECT_TRUE(b.Occupied(b.position));
    EXPECT_TRUE(b.canUndo);

    testing::Select(*editor, 0);
    EXPECT_FALSE(ButtonEnabled(cmd::kUndo));
    EXPECT_FALSE(ButtonEnabled(cmd::kRedo));
    GpBitmapOwner before = CopyOf(Slot().bitmap.get());
    Send(cmd::kUndo);
    Send(cmd::kRedo);
    EXPECT_EQ(DifferentPixels(Slot().bitmap.get(), before.get(), 0), 0.0);
    EXPECT_TRUE(shown.empty());
}

TEST_F(UndoTest, HistoriesMoveWithTheirSlot) {
    OpenWindow();
    ASSERT_TRUE(testing::NewImage(*editor, 10, 10, 96, 96, false));
    ASSERT_TRUE(testing::NewImage(*editor, 12, 12, 96, 96, false));
    ASSERT_TRUE(testing::NewImage(*editor, 14, 14, 96, 96, false));
    testing::Select(*editor, 1);
    Paint(1);
    GpBitmapOwner oneBefore = CopyOf(Slot().bitmap.get());
    PaintAsOperation(2);
    testing::Select(*editor, 2);
    Paint(3);
    GpBitmapOwner twoBefore = CopyOf(Slot().bitmap.get());
    PaintAsOperation(4);
    PaintAsOperation(5);
    int64_t stored = editor->images.slots[1].undo.StoredBytes() + editor->images.slots[2].undo.StoredBytes();

    testing::Select(*editor, 0);
    Send(cmd::kClose);
    EXPECT_TRUE(shown.empty());  // image 0 had nothing to undo
    ASSERT_EQ(editor->images.Occupied(), 2);
    const UndoHistory& first = editor->images.slots[0].undo;
    const UndoHistory& second = editor->images.slots[1].undo;
    EXPECT_EQ(first.position, 0);
    EXPECT_EQ(second.position, 1);
    EXPECT_EQ(HeldSnapshots(first), 1);
    EXPECT_EQ(HeldSnapshots(second), 2);
    EXPECT_EQ(first.StoredBytes() + second.StoredBytes(), stored);
    EXPECT_EQ(HeldSnapshots(editor->images.slots[2].undo), 0);
    EXPECT_EQ(editor->images.slots[2].undo.position, -1);
    EXPECT_FALSE(editor->images.slots[2].undo.canUndo);

    EXPECT_EQ(editor->images.current, 0);
    EXPECT_TRUE(ButtonEnabled(cmd::kUndo));
    Send(cmd::kUndo);
    EXPECT_EQ(DifferentPixels(Slot().bitmap.get(), oneBefore.get(), 0), 0.0);
    testing::Select(*editor, 1);
    Send(cmd::kUndo);
    Send(cmd::kUndo);
    EXPECT_EQ(DifferentPixels(Slot().bitmap.get(), twoBefore.get(), 0), 0.0);
    EXPECT_FALSE(Slot().undo.canUndo);
}

TEST_F(UndoTest, ToolBarButtonsFollowTheHistory) {
    OpenWindow();
    ASSERT_TRUE(testing::NewImage(*editor, 8, 8, 96, 96, false));
    EXPECT_FALSE(ButtonEnabled(cmd::kUndo));
    EXPECT_FALSE(ButtonEnabled(cmd::kRedo));
    PaintAsOperation(1);
    EXPECT_TRUE(ButtonEnabled(cmd::kUndo));
    EXPECT_FALSE(ButtonEnabled(cmd::kRedo));
    PaintAsOperation(2);
    Send(cmd::kUndo);
    EXPECT_TRUE(ButtonEnabled(cmd::kUndo));
    EXPECT_TRUE(ButtonEnabled(cmd::kRedo));
    Send(cmd::kUndo);
    EXPECT_FALSE(ButtonEnabled(cmd::kUndo));
    EXPECT_TRUE(ButtonEnabled(cmd::kRedo));
    Send(cmd::kRedo);
    EXPECT_TRUE(ButtonEnabled(cmd::kUndo));
    EXPECT_TRUE(ButtonEnabled(cmd::kRedo));
    Send(cmd::kRedo);
    EXPECT_TRUE(ButtonEnabled(cmd::kUndo));
    EXPECT_FALSE(ButtonEnabled(cmd::kRedo));
    // Another image without steps shows its own state.
    ASSERT_TRUE(testing::NewImage(*editor, 8, 8, 96, 96, false));
    EXPECT_FALSE(ButtonEnabled(cmd::kUndo));
    EXPECT_FALSE(ButtonEnabled(cmd::kRedo));
    testing::Select(*editor, 0);
    EXPECT_TRUE(ButtonEnabled(cmd::kUndo));
}

TEST_F(UndoTest, FullHistoryWrapsToTheNewestStep) {
    ASSERT_TRUE(testing::NewImage(*editor, 2, 2, 96, 96, false));
    for (int k = 0; k < kUndoSteps; ++k) {
        ASSERT_EQ(gp::GdipBitmapSetPixel(Slot().bitmap.get(), 0, 0, 0xFF000000u | static_cast<uint32_t>(k)), Gdiplus::Ok);
        RecordUndoStep(*editor);
    }
    ASSERT_EQ(gp::GdipBitmapSetPixel(Slot().bitmap.get(), 0, 0, 0xFF000100u), Gdiplus::Ok);
    EXPECT_EQ(Slot().undo.position, 255);
    EXPECT_FALSE(Slot().undo.wrapped);
    RecordUndoStep(*editor);
    ASSERT_EQ(gp::GdipBitmapSetPixel(Slot().bitmap.get(), 0, 0, 0xFF000200u), Gdiplus::Ok);
    EXPECT_EQ(Slot().undo.position, 0);
    EXPECT_TRUE(Slot().undo.wrapped);
    EXPECT_EQ(HeldSnapshots(Slot().undo), 1);
    Undo(*editor);
    EXPECT_EQ(PixelAt(Slot().bitmap.get(), 0, 0), 0xFF000100u);
    EXPECT_TRUE(Slot().undo.canUndo);  // stays available at −1 and does nothing
    Undo(*editor);
    EXPECT_EQ(PixelAt(Slot().bitmap.get(), 0, 0), 0xFF000100u);
    EXPECT_EQ(Slot().undo.position, -1);
    Redo(*editor);
    EXPECT_EQ(PixelAt(Slot().bitmap.get(), 0, 0), 0xFF000200u);
    EXPECT_TRUE(shown.empty());
}

}  // namespace
}  // namespace mirelo
