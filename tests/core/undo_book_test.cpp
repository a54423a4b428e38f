#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

#include "edit/undo_book.h"

namespace mirelo {
namespace {

// An image reduced to one integer, with its history: the snapshots are integers kept beside
// the book exactly as the Windows layer keeps bitmaps.
struct Model {
    UndoBook book;
    std::array<int, kUndoSteps> stored{};
    int image = 0;
    uint64_t* clock;
    int64_t entryBytes = 100;
    bool failNextSnapshot = false;
    std::vector<int> releasedLast;

    explicit Model(uint64_t* sharedClock) : clock(sharedClock) { stored.fill(-1); }

    bool Snapshot(int index) {
        book.Clear(index);
        stored[static_cast<size_t>(index)] = -1;
        if (failNextSnapshot) {
            failNextSnapshot = false;
            return false;
        }
        stored[static_cast<size_t>(index)] = image;
        book.Store(index, entryBytes, (*clock)++);
        return true;
    }
    // Records a step and changes the image to `next`.
    bool Change(int next) {
        UndoRecordPlan plan = BeginUndoRecord(book);
        releasedLast = plan.released;
        for (int i : plan.released) stored[static_cast<size_t>(i)] = -1;
        bool ok = Snapshot(plan.target);
        EndUndoRecord(book, ok);
        image = next;
        return ok;
    }
    bool Undo() {
        int source = UndoSource(book);
        if (source < 0) return false;
        int working = stored[static_cast<size_t>(source)];
        Snapshot(source);
        image = working;
        EndUndo(book);
        return true;
    }
    bool Redo() {
        int source = RedoSource(book);
        if (source < 0) {
            EndRedo(book, false);
            return false;
        }
        int working = stored[static_cast<size_t>(source)];
        Snapshot(source);
        image = working;
        EndRedo(book, true);
        return true;
    }
    // Agreement of the book with the integers kept beside it.
    bool Agrees() const {
        for (int i = 0; i < kUndoSteps; ++i)
            if (book.Occupied(i) != (stored[static_cast<size_t>(i)] >= 0)) return false;
        return true;
    }
};

TEST(UndoBook, StartsEmpty) {
    UndoBook b;
    EXPECT_EQ(b.position, -1);
    EXPECT_FALSE(b.canUndo);
    EXPECT_FALSE(b.canRedo);
    EXPECT_FALSE(b.wrapped);
    EXPECT_FALSE(b.HasUndoableStep());
    EXPECT_EQ(b.StoredBytes(), 0);
    for (int i = 0; i < kUndoSteps; ++i) EXPECT_FALSE(b.Occupied(i));
    EXPECT_FALSE(b.Occupied(-1));
    EXPECT_FALSE(b.Occupied(kUndoSteps));
    EXPECT_EQ(UndoSource(b), -1);
    EXPECT_EQ(RedoSource(b), -1);
}

TEST(UndoBook, ResetEmptiesEverything) {
    uint64_t clock = 1;
    Model m(&clock);
    for (int i = 1; i <= 300; ++i) m.Change(i);
    m.Undo();
    m.book.Reset();
    EXPECT_EQ(m.book.position, -1);
    EXPECT_FALSE(m.book.canUndo);
    EXPECT_FALSE(m.book.canRedo);
    EXPECT_FALSE(m.book.wrapped);
    EXPECT_EQ(m.book.StoredBytes(), 0);
}

TEST(UndoBook, EntryBytesAreStrideTimesHeight) {
    EXPECT_EQ(UndoEntryBytes(16, 16, 32), 1024);
    EXPECT_EQ(UndoEntryBytes(3, 2, 24), 24);  // 9 bytes a row, rounded up to 12
    EXPECT_EQ(UndoEntryBytes(1, 5, 1), 20);
    EXPECT_EQ(UndoEntryBytes(33, 1, 1), 8);
    EXPECT_EQ(UndoEntryBytes(10, 10, 4), 80);  // 40 bits a row take two words
    EXPECT_EQ(UndoEntryBytes(100000, 100000, 64), int64_t{80000000000});
    EXPECT_EQ(UndoEntryBytes(0, 10, 32), 0);
}

TEST(UndoBook, FirstStepMakesUndoAvailable) {
    uint64_t clock = 1;
    Model m(&clock);
    ASSERT_TRUE(m.Change(1));
    EXPECT_EQ(m.book.position, 0);
    EXPECT_TRUE(m.book.canUndo);
    EXPECT_FALSE(m.book.canRedo);
    EXPECT_TRUE(m.book.HasUndoableStep());
    EXPECT_EQ(m.stored[0], 0);
    EXPECT_EQ(m.book.StoredBytes(), 100);
    EXPECT_EQ(m.image, 1);
}

TEST(UndoBook, UndoRedoSwapStates) {
    uint64_t clock = 1;
    Model m(&clock);
    m.Change(1);
    m.Change(2);
    ASSERT_TRUE(m.Undo());
    EXPECT_EQ(m.image, 1);
    EXPECT_EQ(m.book.position, 0);
    EXPECT_TRUE(m.book.canUndo);
    EXPECT_TRUE(m.book.canRedo);
    EXPECT_EQ(m.stored[1], 2);  // the state left is kept for Redo
    ASSERT_TRUE(m.Undo());
    EXPECT_EQ(m.image, 0);
    EXPECT_EQ(m.book.position, -1);
    EXPECT_FALSE(m.book.canUndo);
    EXPECT_TRUE(m.book.canRedo);
    EXPECT_FALSE(m.book.HasUndoableStep());
    EXPECT_FALSE(m.Undo());  // nothing more
    EXPECT_EQ(m.image, 0);
    ASSERT_TRUE(m.Redo());
    EXPECT_EQ(m.image, 1);
    EXPECT_EQ(m.book.position, 0);
    EXPECT_TRUE(m.book.canUndo);
    EXPECT_TRUE(m.book.canRedo);
    ASSERT_TRUE(m.Redo());
    EXPECT_EQ(m.image, 2);
    EXPECT_EQ(m.book.position, 1);
    EXPECT_FALSE(m.book.canRedo);
    EXPECT_FALSE(m.Redo());
    EXPECT_EQ(m.image, 2);
    EXPECT_FALSE(m.book.canRedo);
    EXPECT_TRUE(m.Agrees());
}

TEST(UndoBook, ChangeAfterUndoLeavesNoRedo) {
    uint64_t clock = 1;
    Model m(&clock);
    m.Change(1);
    m.Change(2);
    m.Change(3);
    m.Undo();
    m.Undo();
    EXPECT_EQ(m.image, 1);
    EXPECT_TRUE(m.book.canRedo);
    m.Change(10);
    EXPECT_FALSE(m.book.canRedo);
    EXPECT_EQ(m.book.position, 1);
    EXPECT_EQ(m.stored[1], 1);
    EXPECT_FALSE(m.book.Occupied(2));  // the redo entries are released
    std::vector<int> released = m.releasedLast;
    std::sort(released.begin(), released.end());
    EXPECT_EQ(released, (std::vector<int>{1, 2}));  // the old entry 1 is replaced too
    EXPECT_EQ(RedoSource(m.book), -1);
    EXPECT_FALSE(m.Redo());
    EXPECT_EQ(m.image, 10);
    ASSERT_TRUE(m.Undo());
    EXPECT_EQ(m.image, 1);
    ASSERT_TRUE(m.Undo());
    EXPECT_EQ(m.image, 0);
    EXPECT_TRUE(m.Agrees());
}

TEST(UndoBook, UndoAllThenRedoAllReturnsToTheLastState) {
    uint64_t clock = 1;
    Model m(&clock);
    for (int i = 1; i <= 40; ++i) m.Change(i * 7);
    int undone = 0;
    while (m.Undo()) ++undone;
    EXPECT_EQ(undone, 40);
    EXPECT_EQ(m.image, 0);
    EXPECT_FALSE(m.book.canUndo);
    int redone = 0;
    while (m.Redo()) {
        ++redone;
        EXPECT_EQ(m.image, redone * 7);
    }
    EXPECT_EQ(redone, 40);
    EXPECT_EQ(m.image, 280);
    EXPECT_EQ(m.book.position, 39);
    EXPECT_TRUE(m.book.canUndo);
    EXPECT_FALSE(m.book.canRedo);
    EXPECT_TRUE(m.Agrees());
}

TEST(UndoBook, FullHistoryRedoStopsAtTheLastEntry) {
    uint64_t clock = 1;
    Model m(&clock);
    for (int i = 1; i <= kUndoSteps; ++i) m.Change(i);
    EXPECT_EQ(m.book.position, 255);
    EXPECT_FALSE(m.book.wrapped);
    m.Undo();
    EXPECT_EQ(m.image, 255);
    EXPECT_TRUE(m.book.canRedo);
    ASSERT_TRUE(m.Redo());
    EXPECT_EQ(m.image, 256);
    EXPECT_EQ(m.book.position, 255);
    EXPECT_FALSE(m.book.canRedo);  // no entry after the last
    EXPECT_EQ(RedoSource(m.book), -1);
}

TEST(UndoBook, StepAfterAFullHistoryWrapsAndLeavesOnlyTheNewestStep) {
    uint64_t clock = 1;
    Model m(&clock);
    for (int i = 1; i <= kUndoSteps; ++i) m.Change(i);
    EXPECT_EQ(m.book.StoredBytes(), 100 * kUndoSteps);
    m.Change(1000);
    EXPECT_EQ(m.book.position, 0);
    EXPECT_TRUE(m.book.wrapped);
    EXPECT_TRUE(m.book.canUndo);
    EXPECT_FALSE(m.book.canRedo);
    EXPECT_EQ(m.stored[0], 256);
    for (int i = 1; i < kUndoSteps; ++i) EXPECT_FALSE(m.book.Occupied(i)) << i;
    EXPECT_EQ(m.book.StoredBytes(), 100);
    EXPECT_TRUE(m.Agrees());

    ASSERT_TRUE(m.Undo());
    EXPECT_EQ(m.image, 256);
    EXPECT_EQ(m.book.position, -1);
    // Wrapped: Undo stays available at −1, and does nothing there.
    EXPECT_TRUE(m.book.canUndo);
    EXPECT_TRUE(m.book.HasUndoableStep() == false);
    EXPECT_EQ(UndoSource(m.book), -1);
    EXPECT_FALSE(m.Undo());
    EXPECT_EQ(m.image, 256);
    EXPECT_EQ(m.book.position, -1);
    EXPECT_TRUE(m.book.canUndo);
    // Redo brings the newest state back.
    ASSERT_TRUE(m.Redo());
    EXPECT_EQ(m.image, 1000);
    EXPECT_FALSE(m.book.canRedo);
}

TEST(UndoBook, StepsAfterTheWrapCountOnFromZero) {
    uint64_t clock = 1;
    Model m(&clock);
    for (int i = 1; i <= kUndoSteps + 3; ++i) m.Change(i);
    EXPECT_EQ(m.book.position, 2);
    EXPECT_TRUE(m.book.wrapped);
    EXPECT_EQ(m.stored[2], 258);
    for (int i = 3; i < kUndoSteps; ++i) EXPECT_FALSE(m.book.Occupied(i)) << i;
    m.Undo();
    m.Undo();
    m.Undo();
    EXPECT_EQ(m.image, 256);
    EXPECT_TRUE(m.book.canUndo);
    EXPECT_FALSE(m.Undo());
}

TEST(UndoBook, FailedSnapshotRollsThePositionBack) {
    uint64_t clock = 1;
    Model m(&clock);
    m.failNextSnapshot = true;
    EXPECT_FALSE(m.Change(1));
    // The flags set by the first step stay; only the position goes back.
    EXPECT_EQ(m.book.position, -1);
    EXPECT_TRUE(m.book.canUndo);
    EXPECT_FALSE(m.book.canRedo);
    EXPECT_FALSE(m.book.HasUndoableStep());
    EXPECT_FALSE(m.Undo());
    EXPECT_EQ(m.image, 1);

    // Later: the redo entries released by the failed step stay released.
    m.book.Reset();
    m.image = 0;
    m.stored.fill(-1);
    m.Change(1);
    m.Change(2);
    m.Change(3);
    m.Undo();
    m.Undo();
    EXPECT_EQ(m.image, 1);
    EXPECT_TRUE(m.book.canRedo);
    m.failNextSnapshot = true;
    EXPECT_FALSE(m.Change(9));
    EXPECT_EQ(m.book.position, 0);
    EXPECT_TRUE(m.book.canUndo);
    EXPECT_FALSE(m.book.canRedo);
    EXPECT_FALSE(m.book.Occupied(1));
    EXPECT_FALSE(m.book.Occupied(2));
    EXPECT_TRUE(m.Agrees());
    ASSERT_TRUE(m.Undo());
    EXPECT_EQ(m.image, 0);
}

TEST(UndoBook, FailedSnapshotAfterTheWrap) {
    uint64_t clock = 1;
    Model m(&clock);
    for (int i = 1; i <= kUndoSteps; ++i) m.Change(i);
    m.failNextSnapshot = true;
    EXPECT_FALSE(m.Change(500));
    EXPECT_EQ(m.book.position, -1);
    EXPECT_TRUE(m.book.wrapped);
    EXPECT_EQ(m.book.StoredBytes(), 0);  // every entry released: the target and the ones after it
    EXPECT_FALSE(m.Undo());
    EXPECT_FALSE(m.Redo());
}

TEST(UndoBook, StampsGrowWithEveryStore) {
    uint64_t clock = 1;
    Model m(&clock);
    m.Change(1);
    m.Change(2);
    uint64_t first = m.book.entries[0].stamp, second = m.book.entries[1].stamp;
    EXPECT_LT(first, second);
    m.Undo();  // entry 1 is stored again
    EXPECT_GT(m.book.entries[1].stamp, second);
}

TEST(UndoBudgetChoice, NothingWhenEverythingFits) {
    uint64_t clock = 1;
    Model a(&clock);
    for (int i = 1; i <= 5; ++i) a.Change(i);
    EXPECT_TRUE(ChooseUndoDrops({&a.book}, 500, 0, {}).empty());
    EXPECT_TRUE(ChooseUndoDrops({&a.book}, 600, 100, {}).empty());
    EXPECT_EQ(ChooseUndoDrops({&a.book}, 599, 100, {}).size(), 1u);
}

TEST(UndoBudgetChoice, OldestFirstAcrossImages) {
    uint64_t clock = 1;
    Model a(&clock), b(&clock);
    a.Change(1);  // a0: stamp 1
    b.Change(1);  // b0: 2
    a.Change(2);  // a1: 3
    b.Change(2);  // b1: 4
    a.Change(3);  // a2: 5
    std::vector<UndoEntryRef> drops = ChooseUndoDrops({&a.book, &b.book}, 250, 0, {});
    ASSERT_EQ(drops.size(), 3u);
    EXPECT_EQ(drops[0], (UndoEntryRef{0, 0}));
    EXPECT_EQ(drops[1], (UndoEntryRef{1, 0}));
    EXPECT_EQ(drops[2], (UndoEntryRef{0, 1}));

    // An entry stored again by Undo becomes the newest.
    a.Undo();  // a2 stored again: stamp 6
    drops = ChooseUndoDrops({&a.book, &b.book}, 100, 0, {});
    ASSERT_EQ(drops.size(), 4u);
    EXPECT_EQ(drops[3], (UndoEntryRef{1, 1}));
}

TEST(UndoBudgetChoice, NeverTheKeptEntries) {
    uint64_t clock = 1;
    Model a(&clock), b(&clock);
    for (int i = 1; i <= 4; ++i) a.Change(i);
    b.Change(1);
    b.entryBytes = 1000;
    // The newest step of b is about to be recorded at its entry 1 and is kept.
    std::vector<UndoEntryRef> kept{{1, 1}, {0, 0}};
    std::vector<UndoEntryRef> drops = ChooseUndoDrops({&a.book, &b.book}, 50, 1000, kept);
    EXPECT_EQ(drops.size(), 4u);  // the budget cannot be met: every other entry goes
    for (const auto& d : drops) EXPECT_TRUE(std::find(kept.begin(), kept.end(), d) == kept.end());
    EXPECT_TRUE(std::find(drops.begin(), drops.end(), UndoEntryRef{0, 1}) != drops.end());
    EXPECT_TRUE(std::find(drops.begin(), drops.end(), UndoEntryRef{1, 0}) != drops.end());
}

TEST(UndoBudgetChoice, EmptyBooksAndMissingOnesAreSkipped) {
    UndoBook empty;
    EXPECT_TRUE(ChooseUndoDrops({&empty, nullptr}, 0, 0, {}).empty());
    // A snapshot larger than the whole budget still has nothing to drop.
    EXPECT_TRUE(ChooseUndoDrops({&empty}, 10, 100, {}).empty());
}

// Records a step in one of several models, dropping for the budget the way the Windows layer does.
void ChangeWithin(std::vector<Model*> models, size_t which, int next, int64_t budget) {
    Model& m = *models[which];
    UndoRecordPlan plan = BeginUndoRecord(m.book);
    for (int i : plan.released) m.stored[static_cast<size_t>(i)] = -1;
    std::vector<const UndoBook*> view;
    std::vector<UndoBook*> books;
    for (Model* x : models) {
        view.push_back(&x->book);
        books.push_back(&x->book);
    }
    std::vector<UndoEntryRef> drops =
        ChooseUndoDrops(view, budget, m.entryBytes, {{static_cast<int>(which), plan.target}});
    for (const auto& d : drops) models[static_cast<size_t>(d.book)]->stored[static_cast<size_t>(d.index)] = -1;
    ApplyUndoDrops(books, drops);
    bool ok = m.Snapshot(plan.target);
    EndUndoRecord(m.book, ok);
    m.image = next;
}

TEST(UndoBudgetChoice, RecordingKeepsTheNewestStepsWithinTheBudget) {
    uint64_t clock = 1;
    Model a(&clock);
    std::vector<Model*> models{&a};
    for (int i = 1; i <= 10; ++i) {
        ChangeWithin(models, 0, i, 300);
        EXPECT_LE(a.book.StoredBytes(), 300);
        EXPECT_TRUE(a.book.Occupied(a.book.position));
        EXPECT_TRUE(a.book.canUndo);
    }
    EXPECT_TRUE(a.Agrees());
    // The three newest steps undo; then Undo is unavailable, not pointing at a released entry.
    ASSERT_TRUE(a.Undo());
    EXPECT_EQ(a.image, 9);
    ASSERT_TRUE(a.Undo());
    EXPECT_EQ(a.image, 8);
    EXPECT_TRUE(a.book.canUndo);
    ASSERT_TRUE(a.Undo());
    EXPECT_EQ(a.image, 7);
    EXPECT_EQ(a.book.position, 6);
    EXPECT_FALSE(a.book.canUndo);
    EXPECT_FALSE(a.Undo());
    EXPECT_EQ(a.image, 7);
    // Redo all the way back.
    while (a.Redo()) {
    }
    EXPECT_EQ(a.image, 10);
}

TEST(UndoBudgetChoice, DropsInAnotherImageKeepItsFlagsConsistent) {
    uint64_t clock = 1;
    Model a(&clock), b(&clock);
    std::vector<Model*> models{&a, &b};
    ChangeWithin(models, 0, 1, 1000);
    ChangeWithin(models, 0, 2, 1000);
    ChangeWithin(models, 0, 3, 1000);
    a.Undo();  // a: position 1, Redo available at entry 2
    EXPECT_TRUE(a.book.canRedo);
    EXPECT_TRUE(a.book.canUndo);
    // b records steps under a small budget: a's older entries go first, b's newest stays.
    for (int i = 1; i <= 3; ++i) ChangeWithin(models, 1, i, 200);
    EXPECT_EQ(a.book.StoredBytes() + b.book.StoredBytes(), 200);
    EXPECT_TRUE(b.book.Occupied(b.book.position));
    EXPECT_TRUE(b.book.canUndo);
    EXPECT_FALSE(a.book.Occupied(a.book.position));
    EXPECT_FALSE(a.book.canUndo);  // its entry at the position is gone
    EXPECT_FALSE(a.book.canRedo);
    EXPECT_TRUE(a.book.HasUndoableStep());
    EXPECT_FALSE(a.Undo());
    EXPECT_EQ(a.image, 2);
    EXPECT_TRUE(a.Agrees());
    EXPECT_TRUE(b.Agrees());
    // A new step in a is undoable again.
    ChangeWithin(models, 0, 4, 1000);
    EXPECT_TRUE(a.book.canUndo);
    ASSERT_TRUE(a.Undo());
    EXPECT_EQ(a.image, 2);
    EXPECT_FALSE(a.book.canUndo);
}

TEST(UndoBudgetChoice, DropsOnlyTheRedoEntry) {
    uint64_t clock = 1;
    Model a(&clock);
    a.Change(1);
    a.Change(2);
    a.Undo();
    a.Undo();
    EXPECT_TRUE(a.book.canRedo);
    std::vector<UndoBook*> books{&a.book};
    ApplyUndoDrops(books, {{0, 0}});
    a.stored[0] = -1;
    EXPECT_FALSE(a.book.canRedo);
    EXPECT_FALSE(a.book.canUndo);
    EXPECT_FALSE(a.Redo());
    EXPECT_EQ(a.image, 0);
}

TEST(UndoBudgetChoice, ConsistencyNeverEnablesACommand) {
    UndoBook b;
    b.Store(0, 10, 1);
    b.Store(1, 10, 2);
    b.position = 0;
    KeepUndoConsistent(b);
    EXPECT_FALSE(b.canUndo);
    EXPECT_FALSE(b.canRedo);
    b.canUndo = b.canRedo = true;
    KeepUndoConsistent(b);
    EXPECT_TRUE(b.canUndo);
    EXPECT_TRUE(b.canRedo);
    b.position = 255;
    b.Store(255, 10, 3);
    KeepUndoConsistent(b);
    EXPECT_TRUE(b.canUndo);
    EXPECT_FALSE(b.canRedo);  // nothing after the last entry
}

TEST(UndoBudgetChoice, DefaultIsAQuarterOfMemoryUpToTwoGiB) {
    EXPECT_EQ(DefaultUndoBudget(uint64_t{4} << 30), int64_t{1} << 30);
    EXPECT_EQ(DefaultUndoBudget(uint64_t{64} << 30), int64_t{2} << 30);
    EXPECT_EQ(DefaultUndoBudget(uint64_t{8} << 30), int64_t{2} << 30);
    EXPECT_EQ(DefaultUndoBudget(1000), 250);
    EXPECT_EQ(DefaultUndoBudget(0), int64_t{2} << 30);
}

}  // namespace
}  // namespace mirelo
