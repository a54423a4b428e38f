// Applying one effect of the core's effect table to a 32-bit bitmap within the selection: a core
// rule on locked pixels, or the table's colour matrix drawn through GDI+.
#pragma once
#include <cstdint>

#include "common/gdiplus.h"
#include "select/edit_path.h"

namespace mirelo {

class Editor;
struct CrtRandom;

// The selection an effect is limited to: the mask (width × height bytes, nonzero = selected)
// for core rules and the path as a clip for colour matrices; both null means the whole image.
struct EffectSelection {
    const uint8_t* mask = nullptr;
    const EditPath* path = nullptr;
};

// The text shown when a colour-matrix effect's selection cannot be made into a clip.
inline constexpr const char16_t* kSelectionClipFailed = u"選択範囲をクリップにできません";

// Applies `effect` at `value` from `source` to `destination` (same size and format, 32 bits
// per pixel; they may be the same bitmap when copyFirst is off). The noise effect draws from
// `random` and advances it (the effects dialog keeps one generator for its whole run); without
// one, a generator seeded with the time is used. Failures are reported with an empty caption to
// the focused window and leave the destination as far as it got; a selection path that cannot
// be made into a clip leaves it untouched.
bool ApplyEffect(Editor& editor, bool copyFirst, GpBitmapOwner& source, GpBitmapOwner& destination,
                 const EffectSelection& selection, int effect, int value, CrtRandom* random = nullptr);

}  // namespace mirelo
