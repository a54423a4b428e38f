#include "colour/indexed_op.h"

#include "colour/quantize.h"

namespace mirelo {

OpStatus ConvertToIndexed(const PixelView& in, const PixelView& out, const IndexedOpParams& params) {
    if (!params.output || in.format != fmt::k32ARGB || !in.scan0 || !out.scan0 || in.width <= 0 || in.height <= 0 ||
        in.width != out.width || in.height != out.height || QuantizeTargetBits(params.mode) == 0)
        return OpStatus::Failed(nullptr);
    // The conversion reads the pixels and leaves them as they are; 8-bit indices go straight
    // into the target's rows.
    QuantizeRequest request;
    request.pixels = in;
    request.keepPixels = true;
    if (BitsPerPixel(out.format) == 8) request.indexRows = out;
    request.sourceFormat = params.sourceFormat;
    request.mode = params.mode;
    request.dither = params.dither;
    request.targetFormat = out.format;
    request.loadedFixedPalette = params.loadedFixedPalette;
    request.loadedFixedFlags = params.loadedFixedFlags;
    if (out.palette && out.paletteCount > 0)
        request.targetDefaultPalette.assign(out.palette, out.palette + out.paletteCount);
    else
        request.targetDefaultPalette = DefaultPalette(1 << QuantizeTargetBits(params.mode));
    QuantizeResult q = Quantize(request);
    params.output->discardLoadedFixed = q.discardLoadedFixed;
    if (q.status != 0) return OpStatus::Failed(q.message, q.status);
    if (!q.indices.empty()) PackIndices(q.indices, out);
    params.output->palette = std::move(q.palette);
    params.output->paletteFlags = q.paletteFlags;
    return OpStatus{};
}

}  // namespace mirelo
