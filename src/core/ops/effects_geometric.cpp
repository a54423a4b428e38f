// The rules that move or scatter pixels: noise (one draw of the C library's generator per
// selected pixel) and the circle (the picture squeezed into its inscribed circle).
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
// Noise: one draw of the C library's generator per selected pixel, in visiting order.

// The generator's step applied n times, as one map state → state × mul + add.
struct Steps {
    uint32_t mul = 1, add = 0;
};

Steps SkipAhead(uint64_t n) {
    Steps all, power{214013u, 2531011u};  // power: 2^k steps
    for (; n; n >>= 1) {
        if (n & 1) all = Steps{all.mul * power.mul, all.add * power.mul + power.add};
        power = Steps{power.mul * power.mul, power.add * power.mul + power.add};
    }
    return all;
}

inline uint32_t Advance(uint32_t state, Steps s) { return state * s.mul + s.add; }

// The draws of the generator from a state, in order, made by four generators four steps apart
// so that their multiplications overlap.
class Draws {
public:
    explicit Draws(uint32_t state) {
        for (int k = 0; k < 4; ++k) chain_[k] = Advance(state, SkipAhead(static_cast<uint64_t>(k) + 1));
    }
    int Next() {
        if (next_ == kBuffered) Refill();
        return buffer_[next_++];
    }

private:
    static constexpr int kBuffered = 256;
    void Refill() {
        const Steps four = SkipAhead(4);
        for (int i = 0; i < kBuffered; i += 4)
            for (int k = 0; k < 4; ++k) {
                buffer_[i + k] = static_cast<uint16_t>((chain_[k] >> 16) & 0x7FFF);
                chain_[k] = Advance(chain_[k], four);
            }
        next_ = 0;
    }
    uint32_t chain_[4];
    uint16_t buffer_[kBuffered];
    int next_ = kBuffered;
};

uint64_t SelectedIn(const Frame& f, int y0, int y1) {
    if (!f.mask) return static_cast<uint64_t>(f.w) * static_cast<uint64_t>(y1 - y0);
    uint64_t count = 0;
    for (const uint8_t *m = f.MaskRow(y0), *end = m + static_cast<size_t>(y1 - y0) * f.w; m < end; ++m) count += *m != 0;
    return count;
}

bool Noise(const Frame& f, int v, const EffectParams& params) {
    const uint32_t start = params.random ? params.random->state : params.seed;
    // A draw r (0..32767) turns the pixel when trunc(r × 100 / 32768) < v, that is r × 100 < v × 32768.
    const int limit = v * 32768;
    const bool ok = ForBands(f.h, int64_t{f.w} * f.h, [&](int y0, int y1) {
        // A band's draws start after those of the selected pixels above it.
        Draws draws(Advance(start, SkipAhead(SelectedIn(f, 0, y0))));
        for (int y = y0; y < y1; ++y) {
            const uint8_t* in = f.src.Row(y);
            uint8_t* out = f.dst.Row(y);
            ForRuns(f.MaskRow(y), f.w, [&](int x0, int x1, bool selected) {
                if (!selected) {
                    if (f.copyFirst && in != out) std::memcpy(out + x0 * 4, in + x0 * 4, static_cast<size_t>(x1 - x0) * 4);
                    return;
                }
                for (int x = x0; x < x1; ++x) {
                    // Without branches: the draws fall at random.
                    const uint32_t p = Load32(in + x * 4);
                    const uint32_t sum = (p & 0xFF) + ((p >> 8) & 0xFF) + ((p >> 16) & 0xFF);
                    // The destination's alpha stays (with copy-first, the source's).
                    const uint32_t alpha = (f.copyFirst ? p : Load32(out + x * 4)) & 0xFF000000u;
                    const uint32_t turned = (sum >= 384 ? 0u : 0x00FFFFFFu) | alpha;  // grey 128 or more: black
                    const uint32_t turn = 0u - static_cast<uint32_t>(draws.Next() * 100 < limit);
                    Store32(out + x * 4, (turned & turn) | (p & ~turn));
                }
            });
        }
    });
    if (ok && params.random) params.random->state = Advance(start, SkipAhead(SelectedIn(f, 0, f.h)));
    return ok;
}

// ---------------------------------------------------------------------------------------------
// Circle: the selected pixels cleared, the source squeezed into its top-left square, and the
// square squeezed into its inscribed circle by a forward mapping that writes selected pixels only.

// Where the pixels at distances (i, j), i = 0 .. far − 1, from a quadrant's origin go: the same
// distances (offsetX[i], offsetY[i]) in every quadrant that has them. R is half the square's
// side; squares[i] = i × i.
void CircleOffsets(int j, int far, float R, const int* squares, int* offsetX, int* offsetY) {
    int i = 0;
    if (j == 0) {
        for (; i < far; ++i) offsetX[i] = i, offsetY[i] = 0;
        return;
    }
    offsetX[0] = 0, offsetY[0] = j;
    i = 1;
    const float ay = static_cast<float>(j);
#if defined(__SSE2__)
    const __m128 r = _mm_set1_ps(R), rr = _mm_set1_ps(R * R), one = _mm_set1_ps(1.0f), y = _mm_set1_ps(ay);
    const __m128i jj = _mm_set1_epi32(j * j);
    for (; i + 4 <= far; i += 4) {
        const __m128 x = _mm_cvtepi32_ps(_mm_setr_epi32(i, i + 1, i + 2, i + 3));
        const __m128 q = _mm_div_ps(y, x);
        const __m128 byQ = _mm_div_ps(r, q), timesQ = _mm_mul_ps(r, q);
        const __m128 nearVertical = _mm_sqrt_ps(_mm_add_ps(rr, _mm_mul_ps(byQ, byQ)));
        const __m128 nearHorizontal = _mm_sqrt_ps(_mm_add_ps(rr, _mm_mul_ps(timesQ, timesQ)));
        const __m128 vertical = _mm_cmpgt_ps(y, x);
        const __m128 A = _mm_or_ps(_mm_and_ps(vertical, nearVertical), _mm_andnot_ps(vertical, nearHorizontal));
        const __m128i sum = _mm_add_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(squares + i)), jj);
        const __m128 D = _mm_sqrt_ps(_mm_cvtepi32_ps(sum));
        const __m128 ratio = _mm_div_ps(D, A);
        const __m128 u = _mm_sub_ps(one, _mm_mul_ps(ratio, ratio));
        const __m128 rA = _mm_div_ps(r, A);
        const __m128 l = _mm_add_ps(rA, _mm_mul_ps(u, _mm_sub_ps(one, rA)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(offsetX + i), _mm_cvttps_epi32(_mm_mul_ps(x, l)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(offsetY + i), _mm_cvttps_epi32(_mm_mul_ps(l, y)));
    }
#endif
    for (; i < far; ++i) {
        const float ax = static_cast<float>(i);
        const float q = ay / ax;
        const float A = ay > ax ? std::sqrt(R * R + (R / q) * (R / q)) : std::sqrt(R * R + (R * q) * (R * q));
        const float D = std::sqrt(static_cast<float>(squares[i] + j * j));
        const float u = 1 - (D / A) * (D / A);
        const float l = R / A + u * (1 - R / A);
        offsetX[i] = static_cast<int>(ax * l);
        offsetY[i] = static_cast<int>(l * ay);
    }
}

bool Circle(const Frame& f) {
    const int w = f.w, h = f.h, s = std::min(w, h);
    // The top-left s × s square of the working copy, after the squeeze of the selected pixels.
    std::vector<uint8_t> square(static_cast<size_t>(s) * s * 4);
    auto squareRow = [&](int y) { return &square[static_cast<size_t>(y) * s * 4]; };
    if (!ForBands(s, int64_t{s} * s, [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y) std::memcpy(squareRow(y), f.src.Row(y), static_cast<size_t>(s) * 4);
        }))
        return false;
    if (w != h) {
        const float scaleX = static_cast<float>(s) / static_cast<float>(w);
        const float scaleY = static_cast<float>(s) / static_cast<float>(h);
        std::vector<int> targetX(static_cast<size_t>(w));
        for (int x = 0; x < w; ++x) targetX[x] = std::min(static_cast<int>(x * scaleX), s - 1);
        for (int y = 0; y < h; ++y) {
            const int ty = std::min(static_cast<int>(y * scaleY), s - 1);
            const uint8_t* row = f.src.Row(y);
            uint8_t* target = squareRow(ty);
            const uint8_t* m = f.MaskRow(y);
            for (int x = 0; x < w; ++x)
                if (!m || m[x]) std::memcpy(target + targetX[x] * 4, row + x * 4, 3);
        }
    }

    // Quadrants: left and top ones run from the centre pixel half − 1 toward 0 (half pixels),
    // right and bottom ones from half toward s − 1 (s − half pixels). Each quadrant is walked row
    // by row outward, so that later pixels overwrite earlier ones as in one walk of it; the
    // quadrants' targets never meet, so the top two are drawn by one thread and the bottom two
    // (with the clearing of the bottom half) by the other.
    const int half = s / 2, far = s - half;
    const float R = static_cast<float>(half);
    std::vector<int> squares(static_cast<size_t>(far) + 4);
    for (int i = 0; i < far; ++i) squares[i] = i * i;
    return ForBands(2, int64_t{w} * h, [&](int part0, int part1) {
        std::vector<int> offsetX(static_cast<size_t>(far)), offsetY(static_cast<size_t>(far));
        for (int part = part0; part < part1; ++part) {
            const bool bottom = part == 1;
            // The selected pixels of the destination are cleared to transparent black, this
            // thread's half of them; the others stay as they are (with copy-first, the source's).
            for (int y = bottom ? half : 0, end = bottom ? h : half; y < end; ++y) {
                const uint8_t* in = f.In(y);
                uint8_t* out = f.dst.Row(y);
                ForRuns(f.MaskRow(y), w, [&](int x0, int x1, bool selected) {
                    if (selected)
                        std::memset(out + x0 * 4, 0, static_cast<size_t>(x1 - x0) * 4);
                    else if (in != out)
                        std::memcpy(out + x0 * 4, in + x0 * 4, static_cast<size_t>(x1 - x0) * 4);
                });
            }
            const int originY = bottom ? half : half - 1, rows = bottom ? far : half;
            for (int j = 0; j < rows; ++j) {
                CircleOffsets(j, far, R, squares.data(), offsetX.data(), offsetY.data());
                const uint8_t* from = squareRow(bottom ? originY + j : originY - j);
                for (int right = 0; right < 2; ++right) {
                    const int originX = right ? half : half - 1, count = right ? far : half;
                    for (int i = 0; i < count; ++i) {
                        const int sx = right ? originX + i : originX - i;
                        const int tx = right ? originX + offsetX[i] : originX - offsetX[i];
                        const int ty = bottom ? originY + offsetY[i] : originY - offsetY[i];
                        if (f.Selected(tx, ty)) std::memcpy(f.dst.Row(ty) + tx * 4, from + sx * 4, 4);
                    }
                }
            }
        }
    });
}

}  // namespace

namespace effect_rules {

bool NoiseRule(const EffectFrame& f, const EffectParams& params) {
    const int v = params.value;
    if (v == 0) return CopyIfFirst(f), true;
    return Noise(f, v, params);
}

bool CircleRule(const EffectFrame& f, const EffectParams& params) {
    if (params.value == 0) return CopyIfFirst(f), true;
    return Circle(f);
}

}  // namespace effect_rules
}  // namespace mirelo
