// Conversion of an image to an indexed format as a pixel operation.
#pragma once
#include <cstdint>
#include <vector>

#include "image/pixel_op.h"
#include "image/pixel_view.h"

namespace mirelo {

// What the conversion gives besides the indices: the palette the output bitmap must carry.
struct IndexedOpOutput {
    std::vector<uint32_t> palette;  // ARGB entries
    uint32_t paletteFlags = 0;
    bool discardLoadedFixed = false;  // the loaded fixed palette no longer applies
};

struct IndexedOpParams {
    int mode = 0;  // 1..12 (QuantizeRequest::mode)
    bool dither = false;
    PixelFormat sourceFormat = 0;  // the image's own format
    const std::vector<uint32_t>* loadedFixedPalette = nullptr;
    uint32_t loadedFixedFlags = 0;
    IndexedOpOutput* output = nullptr;
};

// `in`: the image read as 32-A8R8G8B8. `out`: the locked indexed target, whose palette (the one
// a new bitmap of its depth carries) is given in out.palette. Writes the indices into `out` and
// the palette into params.output; `in` is not changed.
OpStatus ConvertToIndexed(const PixelView& in, const PixelView& out, const IndexedOpParams& params);

}  // namespace mirelo
