// The fill tool's pixel work: the colour match rule with its four tolerances, the 4-connected
// scanline flood fill (area fill), and the two replacements of every matching pixel of the image
// (colour replacement and alpha-to-colour replacement). The magic wand finds its region with the
// same fill (select/magic_wand.h).
#pragma once
#include <cstdint>
#include <vector>

#include "image/pixel_op.h"
#include "image/pixel_view.h"
#include "edit/tool_settings.h"

namespace mirelo {

// The entries of "塗り潰し：" (option 18).
namespace fill_mode {
constexpr int kArea = 0;            // 領域塗り
constexpr int kShape = 1;           // 図形塗り
constexpr int kColour = 2;          // 色置換
constexpr int kAlphaToColour = 3;   // 色置換（透明度→色）
constexpr int kCount = 4;
}  // namespace fill_mode


// Codes of the operations' refusals.
namespace fill_status {
constexpr int kBadParams = 1;
constexpr int kNoColour = 2;   // the point is not a pixel of the image
constexpr int kNoMemory = 3;   // the work buffers could not be had
}  // namespace fill_status

extern const char16_t kNoColourText[];  // "色を取得できません"
extern const char16_t kNoMemoryText[];  // "メモリが不足しています"

// Per-channel tolerances, each 0..255.
struct ColourTolerance {
    int alpha = 0, red = 0, green = 0, blue = 0;
};
// The tolerances of the four list indices (0..85 each): index × 3.
ColourTolerance ToleranceFromIndices(int alpha, int red, int green, int blue);
// The tolerances of the tolerance bar (options 22 to 25) of an option array.
ColourTolerance ToleranceFromOptions(const int32_t* toolSettings);

// The colour match rule: every channel v of `argb` with reference r and tolerance t satisfies
// max(0, r − t) ≤ v ≤ min(255, r + t).
bool ColourMatches(uint32_t argb, uint32_t reference, const ColourTolerance& t);

// A pixel of a 24- or 32-bit view as ARGB. Views whose format has no alpha (24-R8G8B8,
// 32-R8G8B8) read as opaque, whatever their fourth byte holds.
uint32_t ReadArgbPixel(const PixelView& v, int x, int y);

// The 4-connected region of pixels matching `reference` that holds (x, y), in a 32-bit view whose
// fourth byte is the alpha: `mask` (width × height bytes, row by row, all 0 on entry) gets 1 for
// each pixel of the region. The point itself must match. Failures: kBadParams, kNoColour,
// kNoMemory (mask then undefined).
OpStatus FindFillRegion(const PixelView& argb, int x, int y, uint32_t reference, const ColourTolerance& tolerance,
                        uint8_t* mask);

struct AreaFillParams {
    int x = 0, y = 0;       // the clicked pixel
    uint32_t colour = 0;    // ARGB of the current colour
    ColourTolerance tolerance;
};
// Area fill: `out` is `in` (24- or 32-bit; may be the same memory) with the region of the point
// (its colour the reference, alpha 255 when `in` has no alpha) in the colour: B, G, R, and A when
// `in` has alpha (else 255 in a 32-bit `out`). `out` is 24- or 32-bit of the same size. When the
// colour equals the reference, `out` is a copy of `in`. Nothing is blended.
OpStatus AreaFill(const PixelView& in, const PixelView& out, const AreaFillParams& params);

struct ReplaceParams {
    int x = 0, y = 0;
    uint32_t colour = 0;
    ColourTolerance tolerance;
    bool alphaOnly = false;  // alpha-to-colour replacement: the alpha equals the reference's
};
// True when a pixel is replaced by the replacement of `reference`.
bool ReplacementMatches(uint32_t argb, uint32_t reference, const ReplaceParams& params);
// Colour replacement over the whole image, connected or not; formats as for AreaFill.
OpStatus ReplaceColour(const PixelView& in, const PixelView& out, const ReplaceParams& params);
// The colour written into every pixel of a 24- or 32-bit view whose `mask` byte (width × height,
// row by row) is set: B, G, R, and A when the view has alpha (else 255 in a 32-bit view). Nothing
// is blended. kBadParams for another format or missing memory.
OpStatus PaintMask(const PixelView& out, const uint8_t* mask, uint32_t colour);

// The same as a mask (1 for each replaced pixel) of a 32-bit view with alpha, for formats whose
// pixels the caller writes itself.
OpStatus FindReplacedPixels(const PixelView& argb, const ReplaceParams& params, uint8_t* mask);

}  // namespace mirelo
