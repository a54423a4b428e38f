// The effect table: one row per effect of the effects dialog, in the dialog's order, with its
// name, the slider's default and maximum (the minimum is 0), what it reads and the rule or
// colour matrix that computes it. Every user of effects (the engine, the dialog, the Windows
// drawing of the colour matrices, mirelo-tool) reads this table.
//
// Adding an effect takes three source files:
//   1. src/core/ops/effect_table.h    its number in `effect` and kEffectCount;
//   2. src/core/ops/effect_table.cpp  its row (and the declaration of its rule);
//   3. the family file of its rule    effects_tone.cpp, effects_dither.cpp,
//      effects_neighbourhood.cpp, effects_geometric.cpp or effects_antialias.cpp (a colour
//      matrix is written in effect_table.cpp itself, so it needs only files 1 and 2).
#pragma once
#include <cstdint>

namespace mirelo {

struct EffectFrame;
struct EffectParams;

// What a rule reads to write a pixel, and so how the engine hands it the source.
enum class EffectKind : uint8_t {
    kPixel,          // the pixel itself, in the destination as it is (the source with copy-first)
    kBlock,          // the pixels of its block, all read before any of the block is written
    kNeighbourhood,  // the source's pixels around it (3 × 3 or 5 × 5): the source is read apart
    kSource,         // the source anywhere or in its own order: the source is read apart
    kColourMatrix,   // a 5 × 5 colour matrix drawn by the imaging library, not a core rule
};

// A rule writes params.value's effect from the frame's source into its destination; false when
// working memory could not be had.
using EffectRule = bool (*)(const EffectFrame& frame, const EffectParams& params);
// A colour matrix of `value` (row vector R, G, B, A, 1 times the matrix, colours 0..1).
using EffectMatrix = void (*)(int value, float matrix[5][5]);

// One row of the effect table.
struct EffectInfo {
    const char16_t* name;
    int defaultValue;
    int maxValue;
    EffectKind kind;
    EffectRule rule;      // the core's rule; null for a colour matrix
    EffectMatrix matrix;  // the colour matrix; null for a core rule
    // The default value changes the image too: the dialog previews and applies it.
    bool changesAtDefault;
};

constexpr int kEffectCount = 30;
constexpr int kPixelEffectCount = 23;  // effects 0..22 are core rules, 23..29 colour matrices

// Effect numbers (table order).
namespace effect {
constexpr int kBrightness = 0;
constexpr int kContrast = 1;
constexpr int kGamma = 2;
constexpr int kSaturation = 3;
constexpr int kInvertMono = 4;
constexpr int kSolarise = 5;
constexpr int kPosterise = 6;
constexpr int kLuminanceAlpha = 7;
constexpr int kMosaic = 8;
constexpr int kBlur = 9;
constexpr int kBlurAlpha = 10;
constexpr int kSharpen = 11;
constexpr int kEdges = 12;
constexpr int kEmboss = 13;
constexpr int kNoise = 14;
constexpr int kDenoise = 15;
constexpr int kHue = 16;
constexpr int kCircle = 17;
constexpr int kAntialias = 18;
constexpr int kHalftone = 19;
constexpr int kHalftoneNewspaper = 20;
constexpr int kBinary = 21;
constexpr int kBinaryDither = 22;
constexpr int kRotateRed = 23;
constexpr int kRotateGreen = 24;
constexpr int kRotateBlue = 25;
constexpr int kShiftRed = 26;
constexpr int kShiftGreen = 27;
constexpr int kShiftBlue = 28;
constexpr int kShiftAlpha = 29;
}  // namespace effect

// The whole table in order, kEffectCount entries.
const EffectInfo* EffectTable();
// One entry, or null for a number outside 0..kEffectCount − 1.
const EffectInfo* FindEffect(int number);

// The 5 × 5 colour matrix of a colour-matrix effect at `value` (row vector R, G, B, A, 1 times
// the matrix); the identity for any other effect.
void EffectColourMatrix(int effect, int value, float matrix[5][5]);

}  // namespace mirelo
