// The neighbourhood rules: mosaic blocks, and the 3 × 3 and 5 × 5 kernels read from the source
// (blur, sharpen, edges, emboss, the median of noise removal).
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "ops/effect_frame.h"

namespace mirelo {
namespace {
using namespace effect_kit;

// ---------------------------------------------------------------------------------------------
// Mosaic: block sums of the destination as it is, then each selected pixel takes its block's
// averages.

bool Mosaic(const Frame& f, int v) {
    int s = std::min({v + 1, f.w / 2, f.h / 2});
    s = std::max(s, 1);  // an image narrower or lower than 2 pixels has blocks of one pixel
    const int w = f.w, columns = (w + s - 1) / s, blockRows = (f.h + s - 1) / s;
    return ForBands(blockRows, int64_t{w} * f.h, [&](int b0, int b1) {
        std::vector<uint32_t> columnSums(static_cast<size_t>(w) * 4);  // per byte of a row, over the block's rows
        std::vector<uint32_t> average(static_cast<size_t>(columns));
        for (int by = b0; by < b1; ++by) {
            const int y0 = by * s, y1 = std::min(f.h, y0 + s);
            std::fill(columnSums.begin(), columnSums.end(), 0u);
            for (int y = y0; y < y1; ++y) {
                const uint8_t* row = f.In(y);
                uint32_t* sums = columnSums.data();
                for (int i = 0; i < w * 4; ++i) sums[i] += row[i];
            }
            for (int bx = 0; bx < columns; ++bx) {
                const int x0 = bx * s, x1 = std::min(w, x0 + s);
                uint32_t b = 0, g = 0, r = 0;
                for (int x = x0; x < x1; ++x) {
                    b += columnSums[x * 4];
                    g += columnSums[x * 4 + 1];
                    r += columnSums[x * 4 + 2];
                }
                const uint32_t count = static_cast<uint32_t>((x1 - x0) * (y1 - y0));
                average[bx] = b / count | (g / count) << 8 | (r / count) << 16;
            }
            for (int y = y0; y < y1; ++y) {
                const uint8_t* in = f.In(y);
                uint8_t* out = f.dst.Row(y);
                ForRuns(f.MaskRow(y), w, [&](int x0, int x1, bool selected) {
                    if (!selected) {
                        if (in != out) std::memcpy(out + x0 * 4, in + x0 * 4, static_cast<size_t>(x1 - x0) * 4);
                        return;
                    }
                    for (int x = x0; x < x1;) {
                        const int bx = x / s, end = std::min(x1, (bx + 1) * s);
                        const uint32_t colour = average[bx];
                        for (; x < end; ++x) Store32(out + x * 4, colour | (Load32(in + x * 4) & 0xFF000000u));
                    }
                });
            }
        }
    });
}

// ---------------------------------------------------------------------------------------------
// Neighbourhood rules 9..13 and 15 read the source through rows padded with copies of the edge
// pixels, and compute each output byte from the bytes at the same place of the padded rows
// (lane i of a row is byte i; its left and right neighbours are lanes i − 4 and i + 4), all four
// channels alike; the writer then keeps the channels the rule leaves alone.

class PaddedRows {
public:
    PaddedRows(const PixelView& src, int radius)
        : src_(src), radius_(radius), slots_(2 * radius + 1), stride_((src.width + 2 * radius) * 4),
          buffer_(static_cast<size_t>(slots_) * stride_), rowOf_(slots_, -1) {}

    // Row y (clamped to the image) with `radius` copies of its edge pixels on each side; the
    // pointer is at pixel 0. The rows y − radius .. y + radius are held at once.
    const uint8_t* Row(int y) {
        y = std::clamp(y, 0, src_.height - 1);
        const int slot = y % slots_;
        uint8_t* row = &buffer_[static_cast<size_t>(slot) * stride_];
        if (rowOf_[slot] != y) {
            const uint8_t* from = src_.Row(y);
            const int w = src_.width;
            std::memcpy(row + radius_ * 4, from, static_cast<size_t>(w) * 4);
            for (int i = 0; i < radius_; ++i) {
                std::memcpy(row + i * 4, from, 4);
                std::memcpy(row + (radius_ + w + i) * 4, from + (w - 1) * 4, 4);
            }
            rowOf_[slot] = y;
        }
        return row + radius_ * 4;
    }

private:
    const PixelView& src_;
    int radius_, slots_, stride_;
    std::vector<uint8_t> buffer_;
    std::vector<int> rowOf_;
};

enum class Keep { kAlpha, kColour };  // which channels of the pixel stay as they were

// Runs a lane kernel(rows, lanes, out) over every selected run: rows[k] points at the run's
// first pixel in padded row y − radius + k, `lanes` is 4 × the run's length and out receives one
// byte per lane.
template <typename Kernel>
bool Neighbourhood(const Frame& f, int radius, Keep keep, const Kernel& kernel) {
    return ForBands(f.h, int64_t{f.w} * f.h, [&](int y0, int y1) {
        PaddedRows padded(f.src, radius);
        std::vector<uint8_t> result(static_cast<size_t>(f.w) * 4);
        const uint8_t* rows[5];
        const uint32_t kept = keep == Keep::kAlpha ? 0xFF000000u : 0x00FFFFFFu;
        for (int y = y0; y < y1; ++y) {
            for (int k = 0; k <= 2 * radius; ++k) rows[k] = padded.Row(y - radius + k);
            const uint8_t* in = f.In(y);
            uint8_t* out = f.dst.Row(y);
            ForRuns(f.MaskRow(y), f.w, [&](int x0, int x1, bool selected) {
                if (!selected) {
                    if (in != out) std::memcpy(out + x0 * 4, in + x0 * 4, static_cast<size_t>(x1 - x0) * 4);
                    return;
                }
                const uint8_t* at[5];
                for (int k = 0; k <= 2 * radius; ++k) at[k] = rows[k] + x0 * 4;
                kernel(at, (x1 - x0) * 4, result.data());
                for (int x = x0; x < x1; ++x)
                    Store32(out + x * 4, (Load32(&result[(x - x0) * 4]) & ~kept) | (Load32(in + x * 4) & kept));
            });
        }
    });
}

// The 3 × 3 blur (1 1 1 / 1 4 1 / 1 1 1) / 12 as the 3 × 3 box sum plus three times the centre.
void Blur3(const uint8_t* const* r, int lanes, uint8_t* out) {
    uint16_t column[4 * 256 + 8];
    for (int start = 0; start < lanes; start += 4 * 256) {
        const int n = std::min(4 * 256, lanes - start);
        const uint8_t *a = r[0] + start, *b = r[1] + start, *c = r[2] + start;
        for (int i = -4; i < n + 4; ++i) column[i + 4] = static_cast<uint16_t>(a[i] + b[i] + c[i]);
        for (int i = 0; i < n; ++i) {
            const uint16_t sum = static_cast<uint16_t>(column[i] + column[i + 4] + column[i + 8] + 3 * b[i]);
            out[start + i] = static_cast<uint8_t>(sum / 12);
        }
    }
}

// The 5 × 5 blur / 40: the 5 × 5 box sum, plus the inner 3 × 3 box sum, plus six times the
// centre.
void Blur5(const uint8_t* const* r, int lanes, uint8_t* out) {
    uint16_t five[4 * 256 + 16], three[4 * 256 + 16];
    for (int start = 0; start < lanes; start += 4 * 256) {
        const int n = std::min(4 * 256, lanes - start);
        const uint8_t *r0 = r[0] + start, *r1 = r[1] + start, *r2 = r[2] + start, *r3 = r[3] + start, *r4 = r[4] + start;
        for (int i = -8; i < n + 8; ++i) {
            three[i + 8] = static_cast<uint16_t>(r1[i] + r2[i] + r3[i]);
            five[i + 8] = static_cast<uint16_t>(three[i + 8] + r0[i] + r4[i]);
        }
        for (int i = 0; i < n; ++i) {
            const uint16_t sum = static_cast<uint16_t>(five[i] + five[i + 4] + five[i + 8] + five[i + 12] + five[i + 16] +
                                                       three[i + 4] + three[i + 8] + three[i + 12] + 6 * r2[i]);
            out[start + i] = static_cast<uint8_t>(sum / 40);
        }
    }
}

void Sharpen3(const uint8_t* const* r, int lanes, uint8_t* out) {
    const uint8_t *a = r[0], *b = r[1], *c = r[2];
    for (int i = 0; i < lanes; ++i) out[i] = ClampByte(5 * b[i] - b[i - 4] - b[i + 4] - a[i] - c[i]);
}

void Sharpen5(const uint8_t* const* r, int lanes, uint8_t* out) {
    const uint8_t* m = r[2];
    for (int i = 0; i < lanes; ++i)
        out[i] = ClampByte(9 * m[i] - m[i - 8] - m[i - 4] - m[i + 4] - m[i + 8] - r[0][i] - r[1][i] - r[3][i] - r[4][i]);
}

#if defined(__SSE2__)
// Runs lanes(rows, i, half) for the low and high halves of 16 lanes at a time and stores the
// clamped bytes; returns how many lanes it did.
template <typename Lanes>
int SixteenLanes(const uint8_t* const* r, int lanes, uint8_t* out, const Lanes& compute) {
    int i = 0;
    for (; i + 16 <= lanes; i += 16) {
        const __m128i lo = compute(r, i, 0), hi = compute(r, i, 1);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(lo, hi));
    }
    return i;
}

// The low (half 0) or high (half 1) eight of the 16 bytes from p as 16-bit lanes.
inline __m128i Half(const uint8_t* p, int half) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    return half ? _mm_unpackhi_epi8(v, _mm_setzero_si128()) : _mm_unpacklo_epi8(v, _mm_setzero_si128());
}

// Whether x × magic >> 16 equals x / divisor for every x from 0 to largest.
constexpr bool DividesExactly(uint32_t magic, uint32_t divisor, uint32_t largest) {
    for (uint32_t x = 0; x <= largest; ++x)
        if ((x * magic) >> 16 != x / divisor) return false;
    return true;
}
constexpr uint16_t kSixth = 10923;
static_assert(DividesExactly(kSixth, 6, 4 * 765), "x / 6 for the edge responses");
#endif

struct EdgeKernel {
    int v;
    void operator()(const uint8_t* const* r, int lanes, uint8_t* out) const {
        int i = 0;
#if defined(__SSE2__)
        const __m128i factor = _mm_set1_epi16(static_cast<int16_t>(v)), zero = _mm_setzero_si128();
        i = SixteenLanes(r, lanes, out, [&](const uint8_t* const* rows, int at, int half) {
            const __m128i aL = Half(rows[0] + at - 4, half), aM = Half(rows[0] + at, half), aR = Half(rows[0] + at + 4, half);
            const __m128i bL = Half(rows[1] + at - 4, half), bR = Half(rows[1] + at + 4, half);
            const __m128i cL = Half(rows[2] + at - 4, half), cM = Half(rows[2] + at, half), cR = Half(rows[2] + at + 4, half);
            auto sum3 = [](__m128i x, __m128i y, __m128i z) { return _mm_add_epi16(_mm_add_epi16(x, y), z); };
            const __m128i k1 = _mm_sub_epi16(sum3(aL, aM, bL), sum3(bR, cM, cR));
            const __m128i k2 = _mm_sub_epi16(sum3(cL, cM, cR), sum3(aL, aM, aR));
            const __m128i k3 = _mm_sub_epi16(sum3(aR, bR, cR), sum3(aL, bL, cL));
            const __m128i k4 = _mm_sub_epi16(sum3(aM, aR, bR), sum3(bL, cL, cM));
            const __m128i largest = _mm_max_epi16(_mm_max_epi16(k1, k2), _mm_max_epi16(k3, k4));
            const __m128i magnitude = _mm_max_epi16(largest, _mm_sub_epi16(zero, largest));
            return _mm_mulhi_epu16(_mm_mullo_epi16(magnitude, factor), _mm_set1_epi16(static_cast<int16_t>(kSixth)));
        });
#endif
        const uint8_t *a = r[0], *b = r[1], *c = r[2];
        for (; i < lanes; ++i) {
            const int aL = a[i - 4], aM = a[i], aR = a[i + 4], bL = b[i - 4], bR = b[i + 4], cL = c[i - 4], cM = c[i], cR = c[i + 4];
            const int k1 = aL + aM + bL - bR - cM - cR;
            const int k2 = cL + cM + cR - aL - aM - aR;
            const int k3 = aR + bR + cR - aL - bL - cL;
            const int k4 = aM + aR + bR - bL - cL - cM;
            const int largest = std::max(std::max(k1, k2), std::max(k3, k4));
            // |trunc(v × largest / 6)|
            const int value = v * std::abs(largest) / 6;
            out[i] = static_cast<uint8_t>(value > 255 ? 255 : value);
        }
    }
};

struct EmbossKernel {
    int v;
    void operator()(const uint8_t* const* r, int lanes, uint8_t* out) const {
        int i = 0;
#if defined(__SSE2__)
        const __m128i factor = _mm_set1_epi16(static_cast<int16_t>(v));
        i = SixteenLanes(r, lanes, out, [&](const uint8_t* const* rows, int at, int half) {
            const __m128i plus = _mm_add_epi16(_mm_add_epi16(Half(rows[0] + at + 4, half), Half(rows[1] + at + 4, half)),
                                               _mm_add_epi16(Half(rows[2] + at, half), Half(rows[2] + at + 4, half)));
            const __m128i minus = _mm_add_epi16(_mm_add_epi16(Half(rows[0] + at - 4, half), Half(rows[0] + at, half)),
                                                _mm_add_epi16(Half(rows[1] + at - 4, half), Half(rows[2] + at - 4, half)));
            const __m128i sum = _mm_mullo_epi16(_mm_sub_epi16(plus, minus), factor);
            // sum / 8 truncated toward zero, + 128.
            const __m128i eighth = _mm_srai_epi16(_mm_add_epi16(sum, _mm_and_si128(_mm_srai_epi16(sum, 15), _mm_set1_epi16(7))), 3);
            return _mm_add_epi16(eighth, _mm_set1_epi16(128));
        });
#endif
        const uint8_t *a = r[0], *b = r[1], *c = r[2];
        for (; i < lanes; ++i) {
            const int sum = v * (a[i + 4] + b[i + 4] + c[i] + c[i + 4] - a[i - 4] - a[i] - b[i - 4] - c[i - 4]);
            out[i] = ClampByte(sum / 8 + 128);
        }
    }
};

// The median of each 3 × 3 neighbourhood: each column of three sorted, then the median of the
// greatest of the low values, the median of the middle values and the least of the high values.
void Median3(const uint8_t* const* r, int lanes, uint8_t* out) {
    int done = 0;
#if defined(__SSE2__)
    // Sixteen lanes at a time, the three columns sorted afresh for each.
    auto load = [](const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); };
    struct Sorted {
        __m128i low, mid, high;
    };
    auto column = [&](int i) {
        const __m128i a = load(r[0] + i), b = load(r[1] + i), c = load(r[2] + i);
        const __m128i lo1 = _mm_min_epu8(a, b), hi1 = _mm_max_epu8(a, b);
        const __m128i mi = _mm_min_epu8(hi1, c);
        return Sorted{_mm_min_epu8(lo1, mi), _mm_max_epu8(lo1, mi), _mm_max_epu8(hi1, c)};
    };
    for (; done + 16 <= lanes; done += 16) {
        const Sorted left = column(done - 4), centre = column(done), right = column(done + 4);
        const __m128i lo = _mm_max_epu8(_mm_max_epu8(left.low, centre.low), right.low);
        const __m128i hi = _mm_min_epu8(_mm_min_epu8(left.high, centre.high), right.high);
        const __m128i m1 = _mm_min_epu8(left.mid, centre.mid), m2 = _mm_max_epu8(left.mid, centre.mid);
        const __m128i mi = _mm_max_epu8(m1, _mm_min_epu8(m2, right.mid));
        const __m128i x1 = _mm_min_epu8(lo, mi), x2 = _mm_max_epu8(lo, mi);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + done), _mm_max_epu8(x1, _mm_min_epu8(x2, hi)));
    }
#endif
    uint8_t low[4 * 256 + 8], mid[4 * 256 + 8], high[4 * 256 + 8];
    for (int start = done; start < lanes; start += 4 * 256) {
        const int n = std::min(4 * 256, lanes - start);
        const uint8_t *a = r[0] + start, *b = r[1] + start, *c = r[2] + start;
        for (int i = -4; i < n + 4; ++i) {
            const uint8_t lo1 = std::min(a[i], b[i]), hi1 = std::max(a[i], b[i]);
            const uint8_t hi2 = std::max(hi1, c[i]), mi = std::min(hi1, c[i]);
            low[i + 4] = std::min(lo1, mi);
            mid[i + 4] = std::max(lo1, mi);
            high[i + 4] = hi2;
        }
        for (int i = 0; i < n; ++i) {
            const uint8_t lo = std::max(std::max(low[i], low[i + 4]), low[i + 8]);
            const uint8_t hi = std::min(std::min(high[i], high[i + 4]), high[i + 8]);
            const uint8_t m1 = std::min(mid[i], mid[i + 4]), m2 = std::max(mid[i], mid[i + 4]);
            const uint8_t mi = std::max(m1, std::min(m2, mid[i + 8]));
            const uint8_t x1 = std::min(lo, mi), x2 = std::max(lo, mi);
            out[start + i] = std::max(x1, std::min(x2, hi));
        }
    }
}

}  // namespace

namespace effect_rules {

bool MosaicRule(const EffectFrame& f, const EffectParams& params) {
    const int v = params.value;
    if (v == 0) return CopyIfFirst(f), true;
    return Mosaic(f, v);
}

bool BlurRule(const EffectFrame& f, const EffectParams& params) {
    const int v = params.value;
    if (v == 0) return CopyIfFirst(f), true;
    return v == 1 ? Neighbourhood(f, 1, Keep::kAlpha, Blur3) : Neighbourhood(f, 2, Keep::kAlpha, Blur5);
}

bool BlurAlphaRule(const EffectFrame& f, const EffectParams& params) {
    const int v = params.value;
    if (v == 0) return CopyIfFirst(f), true;
    return v == 1 ? Neighbourhood(f, 1, Keep::kColour, Blur3) : Neighbourhood(f, 2, Keep::kColour, Blur5);
}

bool SharpenRule(const EffectFrame& f, const EffectParams& params) {
    const int v = params.value;
    if (v == 0) return CopyIfFirst(f), true;
    return v == 1 ? Neighbourhood(f, 1, Keep::kAlpha, Sharpen3) : Neighbourhood(f, 2, Keep::kAlpha, Sharpen5);
}

bool EdgesRule(const EffectFrame& f, const EffectParams& params) {
    const int v = params.value;
    if (v == 0) return CopyIfFirst(f), true;
    return Neighbourhood(f, 1, Keep::kAlpha, EdgeKernel{v});
}

bool EmbossRule(const EffectFrame& f, const EffectParams& params) {
    const int v = params.value;
    if (v == 0) return CopyIfFirst(f), true;
    return Neighbourhood(f, 1, Keep::kAlpha, EmbossKernel{v});
}

bool DenoiseRule(const EffectFrame& f, const EffectParams& params) {
    const int v = params.value;
    if (v == 0) return CopyIfFirst(f), true;
    return Neighbourhood(f, 1, Keep::kAlpha, Median3);
}

}  // namespace effect_rules
}  // namespace mirelo
