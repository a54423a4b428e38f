// A plain, slow transcription of the colour reduction (linear distinct-colour list, linear
// histogram lookup, a nearest-colour search for every pixel). The tests hold the fast
// implementation in quantize.h to exactly its palettes, flags and indices.
#pragma once
#include "colour/quantize.h"

namespace mirelo {

QuantizeResult QuantizeReference(QuantizeRequest& request);

}  // namespace mirelo
