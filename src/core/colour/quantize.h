// Colour reduction to an indexed palette: palette generation (two-colour rule, uniform division,
// fixed, monotone, median cut, exact palette), pixel-to-index mapping with optional
// Floyd-Steinberg diffusion, and index packing into 1-, 4- and 8-bit rows.
#pragma once
#include <cstdint>
#include <vector>

#include "image/pixel_view.h"

namespace mirelo {

// Palette flags of the palette record.
namespace palette_flags {
constexpr uint32_t kHasAlpha = 1;
constexpr uint32_t kGreyScale = 2;
}  // namespace palette_flags

// Working pixels: the source read as 32-A8R8G8B8 (B, G, R, A per pixel), modified in place by
// dithering.
struct QuantizeRequest {
    PixelView pixels;          // 32-bit ARGB working copy (format fmt::k32ARGB), width × height
    PixelFormat sourceFormat;  // the image's own format (for the alpha flag of the exact palette)
    int mode;                  // 1..12: 1-4 → 1 bit, 5-8 → 4 bits, 9-12 → 8 bits;
                               // offsets uniform 0, fixed 1, monotone 2, median cut 3
    bool dither;
    PixelFormat targetFormat = 0;  // the bitmap that receives the indices; 0: the mode's own depth
    const std::vector<uint32_t>* loadedFixedPalette = nullptr;  // ARGB entries, or null when none is loaded
    uint32_t loadedFixedFlags = 0;
    std::vector<uint32_t> targetDefaultPalette;  // palette a new indexed bitmap of the target depth carries (may be empty)
    uint32_t targetDefaultFlags = 0;             // its flags
    int threads = 0;  // threads that map the pixels: 0 chooses (up to 4, on large images only); n > 0 uses n
    // True: `pixels` are left as they are; dithering works on copies of a few rows at a time, so
    // the caller need not make a working copy of the whole image.
    bool keepPixels = false;
    // An 8-bit indexed view of the same size, for a mode of 8 bits: the indices go straight into
    // its rows and the result's `indices` stay empty. Otherwise they go to `indices`.
    PixelView indexRows;
};

struct QuantizeResult {
    int status = 0;                     // 0 success; 1 unusable target; 2 palette refused; 3 out of memory
    const char16_t* message = nullptr;  // the text to show on failure, or null
    std::vector<uint32_t> palette;      // ARGB entries in palette order
    uint32_t paletteFlags = 0;          // 1 alpha, 2 greyscale
    std::vector<uint8_t> indices;       // one index per pixel, rows top-down, width × height (empty when
                                        // the request's indexRows received them)
    bool discardLoadedFixed = false;    // the caller must empty the loaded fixed palette
};

// Palette methods within a depth (mode = bits base + method).
namespace quantize_method {
constexpr int kUniform = 0;
constexpr int kFixed = 1;
constexpr int kMonotone = 2;
constexpr int kMedianCut = 3;
}  // namespace quantize_method

// Bits per pixel of the target of a mode (1, 4 or 8), or 0 for a mode outside 1..12.
int QuantizeTargetBits(int mode);
// Method offset of a mode (quantize_method), or -1 outside 1..12.
int QuantizeMethod(int mode);

QuantizeResult Quantize(QuantizeRequest& request);

// Packs one index per pixel into 1-, 4- or 8-bit rows (leftmost pixel in the most significant
// bits). `indices` holds width × height entries, rows top-down.
void PackIndices(const std::vector<uint8_t>& indices, const PixelView& target);

// The built-in default palettes: 256 entries for a capacity of 256, otherwise the first
// `capacity` entries (at most 16) of the 16-colour list.
std::vector<uint32_t> DefaultPalette(int capacity);

// Generator parameters the conversion command passes for uniform division.
int UniformSampleStep(int size);                // size / 50
int UniformSearchRange(int width, int height);  // (255 − (width × height) / 4000) / 2

// Distance between two colours: ((dR + dG + dB) >> 1) + max(dR, dG, dB).
int ColourDistance(int r1, int g1, int b1, int r2, int g2, int b2);

// Floyd-Steinberg diffusion of the error between the working pixel (x, y) and the chosen
// colour (r, g, b) into the B, G, R bytes of its right and lower neighbours.
void DiffuseError(const PixelView& pixels, int x, int y, int r, int g, int b);

// Failure texts.
namespace quantize_text {
inline constexpr const char16_t* kNotIndexed = u"出力フォーマットがパレットカラーではありません";
inline constexpr const char16_t* kNotOneBitIndexed = u"出力フォーマットが1bitパレットカラーではありません";
inline constexpr const char16_t* kTwoColoursOnly = u"2色のみに対応しています";
inline constexpr const char16_t* kAtMost256Colours = u"256色以下のみに対応しています";
inline constexpr const char16_t* kOutOfMemory = u"メモリが不足しています";
inline constexpr const char16_t* kCannotSetPalette = u"パレットを設定できません";
inline constexpr const char16_t* kCannotGetPalette = u"パレットを取得できません";
inline constexpr const char16_t* kCannotCreatePalette = u"パレットを作成できません";
}  // namespace quantize_text

}  // namespace mirelo
