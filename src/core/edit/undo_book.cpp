#include "edit/undo_book.h"

#include <algorithm>

namespace mirelo {

void UndoBook::Reset() {
    entries.fill(UndoEntry{});
    position = -1;
    canUndo = canRedo = wrapped = false;
}

bool UndoBook::Occupied(int index) const {
    return index >= 0 && index < kUndoSteps && entries[static_cast<size_t>(index)].occupied;
}

int64_t UndoBook::StoredBytes() const {
    int64_t total = 0;
    for (const auto& e : entries)
        if (e.occupied) total += e.bytes;
    return total;
}

void UndoBook::Store(int index, int64_t bytes, uint64_t stamp) {
    if (index < 0 || index >= kUndoSteps) return;
    entries[static_cast<size_t>(index)] = UndoEntry{true, bytes, stamp};
}

void UndoBook::Clear(int index) {
    if (index < 0 || index >= kUndoSteps) return;
    entries[static_cast<size_t>(index)] = UndoEntry{};
}

int64_t UndoEntryBytes(int width, int height, int bitsPerPixel) {
    if (width <= 0 || height <= 0 || bitsPerPixel <= 0) return 0;
    int64_t stride = (static_cast<int64_t>(width) * bitsPerPixel + 31) / 32 * 4;
    return stride * height;
}

UndoRecordPlan BeginUndoRecord(UndoBook& book) {
    UndoRecordPlan plan;
    book.position += 1;
    if (book.position == 0) {
        book.canUndo = true;
        book.canRedo = false;
    }
    if (book.position >= kUndoSteps) {
        book.position = 0;
        book.wrapped = true;
    }
    for (int i = book.position + 1; i < kUndoSteps; ++i) {
        if (!book.Occupied(i)) continue;
        book.Clear(i);
        plan.released.push_back(i);
    }
    book.canRedo = false;
    plan.target = book.position;
    if (book.Occupied(plan.target)) {
        book.Clear(plan.target);
        plan.released.push_back(plan.target);
    }
    return plan;
}

void EndUndoRecord(UndoBook& book, bool stored) {
    if (stored) {
        // The entry at the position holds the newest step: it is always undoable, even when the
        // budget had taken the entry Undo pointed at before.
        book.canUndo = true;
        return;
    }
    book.Clear(book.position);
    book.position -= 1;
    if (book.position >= 0 && !book.Occupied(book.position)) book.canUndo = false;
}

int UndoSource(const UndoBook& book) {
    if (book.position < 0 || !book.Occupied(book.position)) return -1;
    return book.position;
}

void EndUndo(UndoBook& book) {
    book.position -= 1;
    if (book.position == -1 && !book.wrapped) book.canUndo = false;
    // An entry further back may have been released for the budget: Undo stops there.
    if (book.position >= 0 && !book.Occupied(book.position)) book.canUndo = false;
    book.canRedo = true;
}

int RedoSource(const UndoBook& book) {
    int next = book.position + 1;
    if (book.position >= kUndoSteps - 1 || !book.Occupied(next)) return -1;
    return next;
}

void EndRedo(UndoBook& book, bool swapped) {
    if (!swapped) {
        book.canRedo = false;
        return;
    }
    book.position += 1;
    book.canUndo = true;
    if (book.position == kUndoSteps - 1 || !book.Occupied(book.position + 1)) book.canRedo = false;
}

void KeepUndoConsistent(UndoBook& book) {
    if (book.position >= 0 && !book.Occupied(book.position)) book.canUndo = false;
    if (book.position + 1 >= kUndoSteps || !book.Occupied(book.position + 1)) book.canRedo = false;
}

std::vector<UndoEntryRef> ChooseUndoDrops(const std::vector<const UndoBook*>& books, int64_t budget,
                                          int64_t incoming, const std::vector<UndoEntryRef>& kept) {
    struct Candidate {
        uint64_t stamp;
        UndoEntryRef ref;
        int64_t bytes;
    };
    int64_t total = incoming;
    std::vector<Candidate> candidates;
    for (size_t b = 0; b < books.size(); ++b) {
        if (!books[b]) continue;
        for (int i = 0; i < kUndoSteps; ++i) {
            const UndoEntry& e = books[b]->entries[static_cast<size_t>(i)];
            if (!e.occupied) continue;
            total += e.bytes;
            UndoEntryRef ref{static_cast<int>(b), i};
            if (std::find(kept.begin(), kept.end(), ref) == kept.end()) candidates.push_back({e.stamp, ref, e.bytes});
        }
    }
    std::vector<UndoEntryRef> drops;
    if (total <= budget) return drops;
    std::sort(candidates.begin(), candidates.end(), [](const Candidate& a, const Candidate& b) {
        if (a.stamp != b.stamp) return a.stamp < b.stamp;
        if (a.ref.book != b.ref.book) return a.ref.book < b.ref.book;
        return a.ref.index < b.ref.index;
    });
    for (const auto& c : candidates) {
        if (total <= budget) break;
        drops.push_back(c.ref);
        total -= c.bytes;
    }
    return drops;
}

void ApplyUndoDrops(const std::vector<UndoBook*>& books, const std::vector<UndoEntryRef>& drops) {
    std::vector<bool> touched(books.size(), false);
    for (const auto& d : drops) {
        if (d.book < 0 || static_cast<size_t>(d.book) >= books.size() || !books[static_cast<size_t>(d.book)]) continue;
        books[static_cast<size_t>(d.book)]->Clear(d.index);
        touched[static_cast<size_t>(d.book)] = true;
    }
    for (size_t b = 0; b < books.size(); ++b)
        if (touched[b]) KeepUndoConsistent(*books[b]);
}

int64_t DefaultUndoBudget(uint64_t physicalBytes) {
    constexpr uint64_t kCap = uint64_t{2} << 30;
    if (physicalBytes == 0) return static_cast<int64_t>(kCap);
    return static_cast<int64_t>(std::min<uint64_t>(physicalBytes / 4, kCap));
}

}  // namespace mirelo
