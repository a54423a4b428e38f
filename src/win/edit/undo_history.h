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
// The same in two parts, for an operation that makes a new bitmap: BeginUndoStep lets go of what
// the new step replaces (the steps that could be redone, the oldest ones over the memory budget)
// before the operation needs memory; FinishUndoStep then records the image. With a
// `replacement` (the operation's new bitmap) the bitmap being left goes into the history as it is,
// without a copy, and `replacement` takes its place in the slot: true, and the operation reports
// its change. Otherwise (no replacement, or a bitmap not in its slot's format) the step is a copy
// and `replacement` is left to the caller.
struct UndoStep {
    int target = -1;  // the history entry the step goes into
};
UndoStep BeginUndoStep(Editor& editor);
bool FinishUndoStep(Editor& editor, UndoStep& step, GpBitmapOwner* replacement);
// Commands 40011 and 40012.
void Undo(Editor& editor);
void Redo(Editor& editor);
// Releases the oldest snapshots of all images until they fit in editor.undoBudget.bytes; the
// current image's entry at its position is kept.
void EnforceUndoBudget(Editor& editor);

}  // namespace mirelo
