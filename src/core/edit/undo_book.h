// Bookkeeping of the per-image undo history, without the bitmaps: the position, the flags, and
// for each of the 256 entries whether it holds a snapshot, its size and when it was stored.
// The Windows layer keeps the snapshots beside a book and asks it what to store and release.
#pragma once
#include <array>
#include <cstdint>
#include <vector>

namespace mirelo {

constexpr int kUndoSteps = 256;

struct UndoEntry {
    bool occupied = false;
    int64_t bytes = 0;   // stride × height of the snapshot
    uint64_t stamp = 0;  // when it was stored: a smaller stamp is older, across all images
};

struct UndoBook {
    std::array<UndoEntry, kUndoSteps> entries{};
    int position = -1;  // the entry Undo restores next; −1: none
    bool canUndo = false;
    bool canRedo = false;
    bool wrapped = false;  // the position went past the last entry and started again at 0

    // Back to the initial state: every entry empty.
    void Reset();
    bool HasUndoableStep() const { return position != -1; }
    // False for an index outside 0..255.
    bool Occupied(int index) const;
    int64_t StoredBytes() const;
    void Store(int index, int64_t bytes, uint64_t stamp);
    void Clear(int index);
};

// Bytes of a snapshot: ((width × bits per pixel + 31) / 32) × 4 × height.
int64_t UndoEntryBytes(int width, int height, int bitsPerPixel);

// Recording a step, before the operation changes the image.
struct UndoRecordPlan {
    int target = 0;             // the entry that receives the snapshot of the image as it is
    std::vector<int> released;  // entries emptied by the book whose snapshots must be released
};
// Advances the position (wrapping after the last entry), empties the target and every entry
// after it (Redo becomes unavailable) and says which snapshots to release.
UndoRecordPlan BeginUndoRecord(UndoBook& book);
// After the snapshot: `stored` when it was taken (and Store()d into the target). A failed
// snapshot takes the position back by one; the flag changes and the emptied entries stay.
void EndUndoRecord(UndoBook& book, bool stored);

// The entry Undo restores, or −1 when Undo does nothing now.
int UndoSource(const UndoBook& book);
// After Undo swapped the image with the source entry (which now holds the state left).
void EndUndo(UndoBook& book);

// The entry Redo restores, or −1 when there is nothing to redo.
int RedoSource(const UndoBook& book);
// After Redo: `swapped` when the image was replaced by the source entry (which now holds the
// state left); otherwise Redo only becomes unavailable.
void EndRedo(UndoBook& book, bool swapped);

// Undo only when the entry at the position holds a snapshot, Redo only when the next one does.
// Never makes an unavailable command available.
void KeepUndoConsistent(UndoBook& book);

// One entry of one book; books are numbered by their place in the list given.
struct UndoEntryRef {
    int book = 0;
    int index = 0;
    bool operator==(const UndoEntryRef& o) const { return book == o.book && index == o.index; }
};

// Entries to release, oldest first, so that the stored bytes of all books plus `incoming`
// (a snapshot about to be stored) stay within `budget`. Entries in `kept` are never chosen;
// when the budget cannot be met every other entry is chosen.
std::vector<UndoEntryRef> ChooseUndoDrops(const std::vector<const UndoBook*>& books, int64_t budget,
                                          int64_t incoming, const std::vector<UndoEntryRef>& kept);
// Empties the chosen entries and brings the flags of their books in line.
void ApplyUndoDrops(const std::vector<UndoBook*>& books, const std::vector<UndoEntryRef>& drops);

// The budget for all snapshots together: a quarter of the physical memory, at most 2 GiB
// (2 GiB when the physical memory is unknown, given as 0).
int64_t DefaultUndoBudget(uint64_t physicalBytes);

}  // namespace mirelo
