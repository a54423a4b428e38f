// Per-image history of whole-image snapshots, and the Undo and Redo commands.
#pragma once
#include <array>
#include <cstdint>

#include "common/gdiplus.h"
#include "edit/undo_book.h"
#include "image/pixel_format.h"

namespace mirelo {

class Editor;

// The book (position, flags, entry sizes and stamps) with the snapshots it describes:
// snapshots[i] is held exactly when entries[i].occupied, in formats[i].
struct UndoHistory : UndoBook {
    std::array<GpBitmapOwner, kUndoSteps> snapshots;
    std::array<PixelFormat, kUndoSteps> formats{};

    // Back to the initial state, releasing every snapshot.
    void Reset() {
        for (auto& s : snapshots) {
            s.reset();
            s.TakeStatus();
        }
        formats.fill(0);
        UndoBook::Reset();
    }
    // Releases the snapshot of one entry and empties it.
    void Release(int index) {
        if (index < 0 || index >= kUndoSteps) return;
        snapshots[static_cast<size_t>(index)].reset();
        formats[static_cast<size_t>(index)] = 0;
        Clear(index);
    }
};

// The memory all snapshots of all images may take together, and the clock that stamps them.
struct UndoBudget {
    int64_t bytes = DefaultUndoBudgetBytes();
    uint64_t nextStamp = 1;

    // A quarter of the physical memory, at most 2 GiB.
    static int64_t DefaultUndoBudgetBytes();
};

// Called right before an operation changes the current image's pixels, size or format: keeps
// the image as it is as the newest step (after a message when that is not possible).
// Menus and tool bars are left to the operation, which reports its change (ImageChanged).
void RecordUndoStep(Editor& editor);
// For an operation that replaces the current bitmap by `replacement`: the bitmap being left goes
// into the history as it is, without a copy, and `replacement` takes its place in the slot (the
// operation then reports its change). False when the bitmap could not be kept as it is: the step
// was then recorded as a copy (or its failure told) and `replacement` is left to the caller.
bool RecordUndoStepReplacing(Editor& editor, GpBitmapOwner& replacement);
// Commands 40011 and 40012.
void Undo(Editor& editor);
void Redo(Editor& editor);
// Releases the oldest snapshots of all images until they fit in editor.undoBudget.bytes; the
// current image's entry at its position is kept.
void EnforceUndoBudget(Editor& editor);

}  // namespace mirelo
