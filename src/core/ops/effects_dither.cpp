// The dithering rules: the ordered halftones, the binary threshold and the binary threshold
// with the error diffused.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>
#include <memory>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "ops/effect_frame.h"

namespace mirelo {
namespace {
using namespace effect_kit;

// The threshold matrices of the halftones, row by row.
const uint8_t kOrdered2[] = {0, 2, 3, 1};
const uint8_t kOrdered3[] = {6, 8, 4, 1, 0, 3, 5, 2, 7};
const uint8_t kOrdered4[] = {0, 8, 2, 10, 12, 4, 14, 6, 3, 11, 1, 9, 15, 7, 13, 5};
const uint8_t kOrdered8[] = {0,  32, 8,  40, 2,  34, 10, 42, 48, 16, 56, 24, 50, 18, 58, 26, 12, 44, 4,  36, 14, 46,
                             6,  38, 60, 28, 52, 20, 62, 30, 54, 22, 3,  35, 11, 43, 1,  33, 9,  41, 51, 19, 59, 27,
                             49, 17, 57, 25, 15, 47, 7,  39, 13, 45, 5,  37, 63, 31, 55, 23, 61, 29, 53, 21};
const uint8_t kNewspaper3[] = {8, 4, 7, 1, 0, 3, 5, 2, 6};
const uint8_t kNewspaper5[] = {22, 15, 11, 18, 21, 19, 8, 4, 7, 14, 12, 1, 0, 3, 10, 16, 5, 2, 6, 17, 23, 20, 9, 13, 24};
const uint8_t kNewspaper7[] = {48, 39, 35, 23, 31, 43, 47, 44, 27, 15, 11, 18, 26, 38, 32, 19, 8,
                               4,  7,  14, 30, 24, 12, 1,  0,  3,  10, 22, 36, 16, 5,  2,  6,  17,
                               34, 40, 28, 20, 9,  13, 25, 42, 45, 41, 33, 21, 29, 37, 46};
const uint8_t kNewspaper9[] = {80, 67, 63, 47, 39, 55, 71, 75, 79, 76, 59, 43, 35, 23, 31, 51, 58, 66, 72, 52, 27,
                               15, 11, 18, 26, 42, 62, 56, 32, 19, 8,  4,  7,  14, 30, 46, 40, 24, 12, 1,  0,  3,
                               10, 22, 38, 48, 36, 16, 5,  2,  6,  17, 34, 54, 64, 44, 28, 20, 9,  13, 25, 50, 70,
                               68, 60, 49, 33, 21, 29, 41, 57, 74, 77, 73, 69, 53, 37, 45, 61, 65, 78};

bool Halftone(const Frame& f, int v, bool newspaper) {
    static const uint8_t* const kMatrices[2][4] = {{kOrdered2, kOrdered3, kOrdered4, kOrdered8},
                                                   {kNewspaper3, kNewspaper5, kNewspaper7, kNewspaper9}};
    static const int kSides[2][4] = {{2, 3, 4, 8}, {3, 5, 7, 9}};
    const int which = (v - 1) % 4;
    const uint8_t* matrix = kMatrices[newspaper][which];
    const int d = kSides[newspaper][which];
    const int mode = (v - 1) / 4;  // 0 monochrome, 1 per channel, 2 three levels
    // Per matrix entry: the value each channel byte becomes (per channel, three levels), or the
    // least sum B + G + R that is white (monochrome: T < (B + G + R) / 3).
    std::vector<uint8_t> levels(static_cast<size_t>(d) * d * 256);
    std::vector<int> whiteFrom(static_cast<size_t>(d) * d);
    for (int k = 0; k < d * d; ++k) {
        const int T = (matrix[k] + 1) * (256 / (d * d)) - 1;
        whiteFrom[k] = 3 * T + 3;
        for (int c = 0; c < 256; ++c) {
            int out;
            if (mode == 1)
                out = c > T ? 255 : 0;
            else
                out = 5 * c > 4 * T ? (4 * T < 3 * c ? 255 : 128) : 0;  // 1.25 c > T; T < 0.75 c
            levels[static_cast<size_t>(k) * 256 + c] = static_cast<uint8_t>(out);
        }
    }
    return PerPixel(f, [&](const uint8_t* in, uint8_t* out, int n, int x0, int y) {
        const int rowBase = (y % d) * d;
        int column = x0 % d;
        for (int i = 0; i < n; ++i) {
            const int k = rowBase + column;
            if (++column == d) column = 0;
            const uint32_t p = Load32(in + i * 4);
            if (mode == 0) {
                const int sum = static_cast<int>((p & 0xFF) + ((p >> 8) & 0xFF) + ((p >> 16) & 0xFF));
                Store32(out + i * 4, (sum >= whiteFrom[k] ? 0x00FFFFFFu : 0u) | (p & 0xFF000000u));
            } else {
                const uint8_t* t = &levels[static_cast<size_t>(k) * 256];
                Store32(out + i * 4, uint32_t{t[p & 0xFF]} | uint32_t{t[(p >> 8) & 0xFF]} << 8 |
                                         uint32_t{t[(p >> 16) & 0xFF]} << 16 | (p & 0xFF000000u));
            }
        }
    });
}

// The grey (B + G + R) / 3 in integers above which a pixel of the binary effects is white.
int BinaryThreshold(int v, const GreyRange& range) {
    const float fraction = std::clamp(v / 100.0f, 0.0f, 1.0f);
    if (range.min == range.max) return static_cast<int>(255 * fraction);
    return static_cast<int>(range.max * fraction + (1 - fraction) * range.min);
}

bool Binary(const Frame& f, int v, const GreyRange& range) {
    const int whiteFrom = 3 * BinaryThreshold(v, range) + 3;  // (B + G + R) / 3 > t
    return PerPixel(f, [=](const uint8_t* in, uint8_t* out, int n, int, int) {
        int i = 0;
#if defined(__SSE2__)
        const __m128i limit = _mm_set1_epi32(whiteFrom - 1), byte = _mm_set1_epi32(0xFF), alpha = _mm_set1_epi32(-0x1000000);
        for (; i + 4 <= n; i += 4) {
            const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i * 4));
            const __m128i sum = _mm_add_epi32(_mm_add_epi32(_mm_and_si128(p, byte), _mm_and_si128(_mm_srli_epi32(p, 8), byte)),
                                              _mm_and_si128(_mm_srli_epi32(p, 16), byte));
            const __m128i white = _mm_andnot_si128(alpha, _mm_cmpgt_epi32(sum, limit));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i * 4), _mm_or_si128(white, _mm_and_si128(p, alpha)));
        }
#endif
        for (; i < n; ++i) {
            const uint32_t p = Load32(in + i * 4);
            const int sum = static_cast<int>((p & 0xFF) + ((p >> 8) & 0xFF) + ((p >> 16) & 0xFF));
            Store32(out + i * 4, (sum >= whiteFrom ? 0x00FFFFFFu : 0u) | (p & 0xFF000000u));
        }
    });
}

// Binary with the error diffused, in the destination, to the right and lower neighbours as the
// indexed conversion does: one walk from the top, on the destination in place. An unselected
// pixel keeps the errors it received and spreads none (the rule runs the walk with a selection
// on scratch memory, so that an unselected pixel itself stays as it was).

#if defined(__SSE2__)
// One row of the walk. The pixel to be handled next stays in a register with the error from its
// left neighbour added, and so do the two pixels of the row below that still take errors
// (below-left, below); each is written back once complete, so every byte takes its errors in the
// same order, each clamped, as in the plain walk.
struct DitherRow {
    uint8_t* row = nullptr;
    uint8_t* below = nullptr;  // null for the last row
    const uint8_t* mask = nullptr;
    __m128i next = _mm_setzero_si128();
    __m128i below2 = _mm_setzero_si128();
};

inline __m128i WidenPixel(uint32_t v) { return _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(v)), _mm_setzero_si128()); }

// t / 16 in every lane, truncated toward zero.
inline __m128i Sixteenth(__m128i t) {
    return _mm_srai_epi16(_mm_add_epi16(t, _mm_and_si128(_mm_srai_epi16(t, 15), _mm_set1_epi16(15))), 4);
}

// One pixel of a row (x > 0 unless the row was just started with StartDitherRow). kInner: the
// pixel is neither the first nor the last of its row, and there is a row below.
template <bool kInner>
inline void DitherPixel(DitherRow& s, int x, int w, __m128i whiteFrom) {
    uint8_t* p = s.row + x * 4;
    const __m128i value = s.next;
    const __m128i colourLanes = _mm_setr_epi16(-1, -1, -1, 0, -1, -1, -1, 0);
    const __m128i bytes = _mm_packus_epi16(value, value);
    __m128i error;
    if (!s.mask || s.mask[x]) {
        // B + G + R of the pixel, compared in the low lane; white spread over the colour lanes.
        const __m128i sum = _mm_sad_epu8(_mm_and_si128(bytes, _mm_cvtsi32_si128(0x00FFFFFF)), _mm_setzero_si128());
        const __m128i white = _mm_shufflelo_epi16(_mm_cmpgt_epi32(sum, whiteFrom), 0);
        const __m128i chosen = _mm_and_si128(white, _mm_setr_epi16(255, 255, 255, 0, 0, 0, 0, 0));
        error = _mm_and_si128(_mm_sub_epi16(value, chosen), colourLanes);
        const __m128i result = _mm_sub_epi16(value, error);  // the chosen colour with the pixel's alpha
        Store32(p, static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(result, result))));
    } else {
        error = _mm_setzero_si128();
        Store32(p, static_cast<uint32_t>(_mm_cvtsi128_si32(bytes)));
    }
    const __m128i twice = _mm_unpacklo_epi64(error, error);
    const __m128i sevenAndOne = Sixteenth(_mm_mullo_epi16(twice, _mm_setr_epi16(7, 7, 7, 0, 1, 1, 1, 0)));
    const bool right = kInner || x < w - 1;
    if (right) {
        const __m128i sum = _mm_add_epi16(WidenPixel(Load32(p + 4)), sevenAndOne);
        s.next = _mm_unpacklo_epi8(_mm_packus_epi16(sum, sum), _mm_setzero_si128());
    }
    if (kInner || s.below) {
        uint8_t* q = s.below + x * 4;
        const __m128i left = _mm_add_epi16(s.below2, Sixteenth(_mm_mullo_epi16(twice, _mm_setr_epi16(3, 3, 3, 0, 5, 5, 5, 0))));
        // Each byte clamped: below-left, below, below-right (with 1 × error / 16).
        const __m128i out =
            _mm_packus_epi16(left, right ? _mm_add_epi16(WidenPixel(Load32(q + 4)), _mm_unpackhi_epi64(sevenAndOne, sevenAndOne)) : left);
        if (kInner || x > 0) Store32(q - 4, static_cast<uint32_t>(_mm_cvtsi128_si32(out)));
        const __m128i rest = _mm_srli_si128(out, 4);
        if (right)
            s.below2 = _mm_unpacklo_epi8(rest, _mm_setzero_si128());
        else
            Store32(q, static_cast<uint32_t>(_mm_cvtsi128_si32(rest)));
    }
}

inline void StartDitherRow(DitherRow& s) {
    s.next = WidenPixel(Load32(s.row));
    if (s.below) s.below2 = _mm_slli_si128(WidenPixel(Load32(s.below)), 8);
}
#endif

bool BinaryDither(const Frame& f, int v, const GreyRange& range) {
    const int whiteFrom = 3 * BinaryThreshold(v, range) + 3;
    const int w = f.w, h = f.h;
    auto copyRow = [&](int y) {
        if (f.copyFirst && f.src.Row(y) != f.dst.Row(y)) std::memcpy(f.dst.Row(y), f.src.Row(y), static_cast<size_t>(w) * 4);
    };
    copyRow(0);
#if defined(__SSE2__)
    // Bands of four rows walked together, each row two pixels behind the one above: a pixel is
    // handled once the row above has handled the pixel two places to its right, so all that row's
    // errors for it and its right neighbour have arrived. The four rows are independent chains of
    // work that the processor overlaps. On large images two threads take alternate bands, the
    // first row of a band waiting in the same way for the last row of the band above, whose
    // progress is published every kChunk steps.
    constexpr int kBand = 4, kChunk = 64;
    const __m128i limit = _mm_cvtsi32_si128(whiteFrom - 1);  // white: B + G + R > whiteFrom − 1
    const int bands = (h + kBand - 1) / kBand;
    std::unique_ptr<std::atomic<int>[]> done(new std::atomic<int>[static_cast<size_t>(bands)]);  // last row's pixels done
    for (int b = 0; b < bands; ++b) done[b].store(0, std::memory_order_relaxed);
    auto walk = [&](int first, int every) {
        for (int b = first; b < bands; b += every) {
            const int y0 = b * kBand, rows = std::min(kBand, h - y0);
            DitherRow band[kBand];
            for (int j = 0; j < rows; ++j) {
                const int y = y0 + j;
                if (y + 1 < h) copyRow(y + 1);
                band[j].row = f.dst.Row(y);
                band[j].below = y + 1 < h ? f.dst.Row(y + 1) : nullptr;
                band[j].mask = f.MaskRow(y);
            }
            // Step t handles pixel t − 2j of row j; in the middle steps every row is inside.
            const int steps = w + 2 * (rows - 1);
            const bool full = rows == kBand && y0 + kBand < h;
            for (int t = 0; t < steps;) {
                const int end = std::min(steps, t + kChunk);
                if (b > 0 && t < w) {
                    // Row 0 handles pixels up to end − 1: the band above must be 2 pixels ahead.
                    const int need = std::min(w, end + 2);
                    for (unsigned spins = 1; done[b - 1].load(std::memory_order_acquire) < need; ++spins) {
                        if (spins % 64 == 0)
                            std::this_thread::yield();
                        else
                            _mm_pause();
                    }
                }
                while (t < end) {
                    if (full && t > 2 * (kBand - 1) && t < w - 1) {
                        for (const int stop = std::min(end, w - 1); t < stop; ++t) {
                            DitherPixel<true>(band[0], t, w, limit);
                            DitherPixel<true>(band[1], t - 2, w, limit);
                            DitherPixel<true>(band[2], t - 4, w, limit);
                            DitherPixel<true>(band[3], t - 6, w, limit);
                        }
                        continue;
                    }
                    for (int j = 0; j < rows; ++j) {
                        const int x = t - 2 * j;
                        if (x == 0) StartDitherRow(band[j]);
                        if (x >= 0 && x < w) DitherPixel<false>(band[j], x, w, limit);
                    }
                    ++t;
                }
                done[b].store(std::clamp(t - 2 * (rows - 1), 0, w), std::memory_order_release);
            }
        }
    };
    // Without the helper thread this one takes every band.
    if (!(int64_t{w} * h >= (int64_t{1} << 16) && bands >= 2 &&
          RunBeside([&] { walk(0, 2); }, [&] { walk(1, 2); })))
        walk(0, 1);
#else
    auto spread = [](uint8_t* p, int weight, const int* error) {
        for (int c = 0; c < 3; ++c) {
            const int value = p[c] + weight * error[c] / 16;
            p[c] = static_cast<uint8_t>(value < 0 ? 0 : (value > 255 ? 255 : value));
        }
    };
    for (int y = 0; y < h; ++y) {
        if (y + 1 < h) copyRow(y + 1);
        uint8_t* row = f.dst.Row(y);
        uint8_t* below = y + 1 < h ? f.dst.Row(y + 1) : nullptr;
        const uint8_t* maskRow = f.MaskRow(y);
        for (int x = 0; x < w; ++x) {
            if (maskRow && !maskRow[x]) continue;
            uint8_t* p = row + x * 4;
            const int value = p[0] + p[1] + p[2] >= whiteFrom ? 255 : 0;
            const int error[3] = {p[0] - value, p[1] - value, p[2] - value};
            if (x < w - 1) spread(p + 4, 7, error);
            if (below) {
                uint8_t* q = below + x * 4;
                spread(q, 5, error);
                if (x < w - 1) spread(q + 4, 1, error);
                if (x > 0) spread(q - 4, 3, error);
            }
            p[0] = p[1] = p[2] = static_cast<uint8_t>(value);
        }
    }
#endif
    return true;
}

}  // namespace

namespace effect_rules {

bool HalftoneRule(const EffectFrame& f, const EffectParams& params) {
    const int v = params.value;
    if (v == 0) return CopyIfFirst(f), true;
    return Halftone(f, v, false);
}

bool HalftoneNewspaperRule(const EffectFrame& f, const EffectParams& params) {
    const int v = params.value;
    if (v == 0) return CopyIfFirst(f), true;
    return Halftone(f, v, true);
}

bool BinaryRule(const EffectFrame& f, const EffectParams& params) {
    return Binary(f, params.value, SourceGreyRange(f));
}

bool BinaryDitherRule(const EffectFrame& f, const EffectParams& params) {
    const GreyRange range = SourceGreyRange(f);
    if (!f.mask) return BinaryDither(f, params.value, range);
    // Within a selection the errors are carried in scratch memory: the walk runs on a copy of
    // the pixels it reads, and only the selected pixels are taken from it.
    const int w = f.w, h = f.h;
    std::vector<uint8_t> scratch(static_cast<size_t>(w) * h * 4);
    EffectFrame work = f;
    work.dst = PixelView{w, h, w * 4, f.dst.format, scratch.data()};
    work.copyFirst = false;
    for (int y = 0; y < h; ++y) std::memcpy(work.dst.Row(y), f.In(y), static_cast<size_t>(w) * 4);
    if (!BinaryDither(work, params.value, range)) return false;
    return ForBands(h, int64_t{w} * h, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const uint8_t* in = f.In(y);
            const uint8_t* walked = work.dst.Row(y);
            uint8_t* out = f.dst.Row(y);
            ForRuns(f.MaskRow(y), w, [&](int x0, int x1, bool selected) {
                const uint8_t* from = selected ? walked : in;
                if (from != out) std::memcpy(out + x0 * 4, from + x0 * 4, static_cast<size_t>(x1 - x0) * 4);
            });
        }
    });
}

}  // namespace effect_rules
}  // namespace mirelo
