// Per-image history of whole-image snapshots.
#pragma once
#include <array>

#include "common/gdiplus.h"
#include "image/pixel_format.h"

namespace mirelo {

constexpr int kUndoSteps = 256;

struct UndoHistory {
    std::array<GpBitmapOwner, kUndoSteps> snapshots;
    std::array<PixelFormat, kUndoSteps> formats{};
    int position = -1;  // −1: nothing to undo
    bool canUndo = false;
    bool canRedo = false;
    bool wrapped = false;

    // Back to the initial state, releasing every snapshot.
    void Reset() {
        for (auto& s : snapshots) s.reset();
        formats.fill(0);
        position = -1;
        canUndo = canRedo = wrapped = false;
    }
    bool HasUndoableStep() const { return position != -1; }
};

}  // namespace mirelo
