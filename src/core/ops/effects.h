// The effects engine: the core rules of the effect table (ops/effect_table.h) on 32-bit pixels
// (bytes B, G, R, A). The table's colour matrices are drawn by the imaging library in the
// Windows layer.
#pragma once
#include <cstdint>

#include "image/pixel_op.h"
#include "image/pixel_view.h"
#include "ops/effect_table.h"

namespace mirelo {

// The C library's 15-bit random generator as the Windows C runtime has it:
// state = state × 214013 + 2531011, value = (state >> 16) & 0x7FFF.
struct CrtRandom {
    uint32_t state = 1;

    CrtRandom() = default;
    explicit CrtRandom(uint32_t seed) : state(seed) {}
    int Next() {
        state = state * 214013u + 2531011u;
        return static_cast<int>((state >> 16) & 0x7FFF);
    }
};

struct EffectParams {
    int effect = 0;          // 0..22
    int value = 0;           // 0..the table's maximum for the effect
    bool copyFirst = false;  // the destination first becomes a copy of the source
    // width × height bytes, rows top-down; nonzero = selected. Null: the whole image.
    const uint8_t* mask = nullptr;
    // Effect 14: the generator that draws one number per selected pixel. When `random` is given
    // (the program seeds one with the time once per run) it is used and advanced; otherwise a
    // generator seeded with `seed` is.
    uint32_t seed = 1;
    CrtRandom* random = nullptr;
};

// Failure texts.
namespace effect_text {
inline constexpr const char16_t* kFormatNotSupported = u"フォーマットが対応していません";
inline constexpr const char16_t* kSizeOrFormatDiffers = u"読み書きのBMPオブジェクトの大きさとフォーマットが異なります";
inline constexpr const char16_t* kNoMemory = u"メモリが確保されていません";
}  // namespace effect_text

// Failure codes of ApplyEffectPixels (OpStatus::code).
namespace effect_status {
constexpr int kMissingBitmap = 1;   // a view without memory or with no pixels (kNoMemory)
constexpr int kFormat = 2;          // not 32 bits per pixel (kFormatNotSupported)
constexpr int kSizeOrFormat = 3;    // the views differ in size or format (kSizeOrFormatDiffers)
constexpr int kBadEffect = 4;       // effect outside 0..22 (no text: a caller's mistake)
constexpr int kBadValue = 5;        // value outside 0..maximum (no text: a caller's mistake)
constexpr int kOutOfMemory = 6;     // working memory could not be had (kNoMemory)
}  // namespace effect_status

// Applies effect params.effect with params.value to `source` and writes `destination` (both 32
// bits per pixel, same size and format). With copyFirst the destination first becomes a copy
// of the source; without it the destination is changed in place and may be the same memory as
// the source. The grey range of effects 1, 4, 7, 21 and 22 is taken over the whole source; the
// neighbourhood effects 9..18 read a copy of the source; the others read the destination as it
// is. Only selected pixels change: the error of effect 22 is carried in scratch memory, the runs
// of effect 18 write only their selected pixels, and effect 17 reads its whole square and clears
// and draws only selected pixels (the selection also limits the squeeze of a rectangle into its
// square). Unselected pixels keep the destination's bytes (with copy-first, the source's).
OpStatus ApplyEffectPixels(const PixelView& source, const PixelView& destination, const EffectParams& params);

}  // namespace mirelo
