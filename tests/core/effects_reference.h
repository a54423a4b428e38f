// A plain, slow transcription of the pixel effects 0..22, pixel by pixel as the rules read:
// a private copy of the source, the grey range over the source, every pixel visited row by row.
// The tests hold the fast implementation in ops/effects.h to exactly its bytes.
#pragma once
#include "ops/effects.h"

namespace mirelo {

// Same arguments as ApplyEffectPixels, which must already have been found valid.
void ApplyEffectReference(const PixelView& source, const PixelView& destination, const EffectParams& params);

}  // namespace mirelo
