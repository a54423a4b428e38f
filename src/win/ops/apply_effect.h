// Applying one effect of the core's effect table to a 32-bit bitmap within the selection: a core
// rule on locked pixels, or the table's colour matrix drawn through GDI+.
#pragma once
#include <cstdint>

#include "common/gdiplus.h"
#include "select/edit_path.h"

namespace mirelo {

class Editor;

// The selection an effect is limited to: the mask (width × height bytes, nonzero = selected)
// for core rules and the path as a clip for colour matrices; both null means the whole image.
struct EffectSelection {
    const uint8_t* mask = nullptr;
    const EditPath* path = nullptr;
};

// Applies `effect` at `value` from `source` to `destination` (same size and format, 32 bits
// per pixel; they may be the same bitmap when copyFirst is off). Failures are reported with an
// empty caption to the focused window and leave the destination as far as it got.
bool ApplyEffect(Editor& editor, bool copyFirst, GpBitmapOwner& source, GpBitmapOwner& destination,
                 const EffectSelection& selection, int effect, int value);

}  // namespace mirelo
