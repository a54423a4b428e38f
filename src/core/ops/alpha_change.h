// New alpha for every pixel of a 32-bit ARGB image: from one level, the inversion of the alpha,
// a grey mask (the gradients), another image's alpha or luminance, combined with the alpha the
// pixel has by one of six operations; and the alpha shown as an opaque grey picture.
#pragma once
#include <cstdint>

#include "image/pixel_op.h"
#include "image/pixel_view.h"

namespace mirelo {

namespace alpha_change {
// Entries of the source list, in their order: the uniform level, the inversion, sixteen
// gradients, the alpha shown as luminance; the other open images follow.
constexpr int kUniform = 0;
constexpr int kInvert = 1;
constexpr int kFirstGradient = 2;   // "下"
constexpr int kLastGradient = 17;   // "円（内）"
constexpr int kAlphaAsLuminance = 18;
constexpr int kFirstImage = 19;
constexpr int kFixedSourceCount = 19;

// The operations, in the order of their list: replace, subtract, add, maximum, minimum, average.
constexpr int kReplace = 0;
constexpr int kSubtract = 1;
constexpr int kAdd = 2;
constexpr int kMaximum = 3;
constexpr int kMinimum = 4;
constexpr int kAverage = 5;
constexpr int kOperationCount = 6;

// Codes of ChangeAlpha's refusals.
constexpr int kBadParams = 1;
constexpr int kNot32Bit = 2;
}  // namespace alpha_change

// The texts of the two lists, in order.
extern const char16_t* const kAlphaSourceNames[alpha_change::kFixedSourceCount];
extern const char16_t* const kAlphaOperationNames[alpha_change::kOperationCount];

// The new alpha of a pixel of alpha `alpha` for the source level `level` (0..255):
//   replace S; subtract max(0, A − (255 − S)); add min(255, A + (255 − S));
//   maximum min(A, S); minimum max(A, S); average (A + S) >> 1.
uint8_t CombineAlpha(int operation, uint8_t alpha, uint8_t level);

// What the source list's entry `source` lets the dialog offer: the value field (the uniform
// level only), the operation list (not for the inversion and the luminance picture, which
// always replace), and the "use the other image's alpha" box (an image whose format has alpha).
struct AlphaSourceControls {
    bool valueEnabled = false;
    bool operationEnabled = true;
    bool useAlphaEnabled = false;
};
AlphaSourceControls AlphaSourceControlsFor(int source, bool otherImageHasAlpha);

// How a gradient source is painted as a grey mask of width × height.
struct AlphaGradient {
    bool linear = true;
    // Linear: from (x1, y1) in colour c1 to (x2, y2) in colour c2 (0 black, 255 white).
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    uint8_t c1 = 255, c2 = 0;
    // Shapes: the rectangle (left, top, width, height) of the path, an ellipse inside it or the
    // rectangle itself, the centre and surround colours, and the colour the mask starts as.
    bool ellipse = false;
    int left = 0, top = 0, width = 0, height = 0;
    uint8_t centre = 255, surround = 0, background = 0;
};
// The gradient of source kFirstGradient..kLastGradient for a width × height image.
AlphaGradient AlphaGradientFor(int source, int width, int height);

struct AlphaChangeParams {
    enum class Source {
        Uniform,           // level 255 − value for every pixel
        Invert,            // A becomes 255 − A
        Mask,              // the level is the grey of `levels` (24-bit, the image's size) at the pixel
        Image,             // over the overlap with `levels` (32-bit ARGB of any size): its alpha
                           // when `useAlpha`, else trunc(0.299 R + 0.587 G + 0.114 B)
        AlphaAsLuminance,  // B = G = R = A, then A = 255
    };
    Source source = Source::Uniform;
    int operation = alpha_change::kReplace;
    int value = 0;                      // Uniform: the transparency, 0..255
    const PixelView* levels = nullptr;  // Mask and Image
    bool useAlpha = false;              // Image
};

// Writes `in` with its new alpha into `out`; both are 32-bit ARGB of the same size and may be
// the same memory. Pixels outside an image source's overlap are copied unchanged.
OpStatus ChangeAlpha(const PixelView& in, const PixelView& out, const AlphaChangeParams& params);

}  // namespace mirelo
