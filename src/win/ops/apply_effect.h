// Applying one effect to a 32-bit bitmap within the selection: effects 0..22 by the core's
// pixel rules on locked pixels, effects 23..29 as colour matrices drawn through GDI+.
#pragma once
#include <cstdint>

#include "common/gdiplus.h"
#include "select/edit_path.h"

namespace mirelo {

class Editor;

// The selection an effect is limited to: the mask (width × height bytes, nonzero = selected)
// for effects 0..22 and the path as a clip for 23..29; both null means the whole image.
struct EffectSelection {
    const uint8_t* mask = nullptr;
    const EditPath* path = nullptr;
};

// Applies `effect` at `value` from `source` to `destination` (same size and format, 32 bits
// per pixel; they may be the same bitmap when copyFirst is off). Failures are reported with an
// empty caption to the focused window and leave the destination as far as it got.
bool ApplyEffect(Editor& editor, bool copyFirst, GpBitmapOwner& source, GpBitmapOwner& destination,
                 const EffectSelection& selection, int effect, int value);

// The 5 × 5 colour matrix of effects 23..29 (row vector R, G, B, A, 1 times the matrix).
void EffectColourMatrix(int effect, int value, float matrix[5][5]);

}  // namespace mirelo
