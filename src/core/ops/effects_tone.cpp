// The tone and colour rules: each pixel from itself through tables or arithmetic (brightness,
// contrast, gamma, saturation, inversion and monochrome, solarisation, posterisation, luminance
// to alpha, hue).
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
// Per-pixel rules.

// One table for B, G and R; alpha kept.
struct TableKernel {
    uint8_t t[256];
    void operator()(const uint8_t* in, uint8_t* out, int n, int, int) const {
        for (int i = 0; i < n; ++i) {
            const uint32_t p = Load32(in + i * 4);
            Store32(out + i * 4, uint32_t{t[p & 0xFF]} | uint32_t{t[(p >> 8) & 0xFF]} << 8 |
                                     uint32_t{t[(p >> 16) & 0xFF]} << 16 | (p & 0xFF000000u));
        }
    }
};

// The same table applied to B and G at once through a table of byte pairs (two look-ups a pixel
// instead of three), for large images.
class PairTableKernel {
public:
    explicit PairTableKernel(const uint8_t* t) : pairs_(65536) {
        std::memcpy(t_, t, 256);
        for (uint32_t bg = 0; bg < 65536; ++bg) pairs_[bg] = static_cast<uint16_t>(t[bg & 0xFF] | t[bg >> 8] << 8);
    }
    void operator()(const uint8_t* in, uint8_t* out, int n, int, int) const {
        const uint16_t* pairs = pairs_.data();
        for (int i = 0; i < n; ++i) {
            const uint32_t p = Load32(in + i * 4);
            Store32(out + i * 4, uint32_t{pairs[p & 0xFFFF]} | uint32_t{t_[(p >> 16) & 0xFF]} << 16 | (p & 0xFF000000u));
        }
    }

private:
    uint8_t t_[256];
    std::vector<uint16_t> pairs_;
};

bool TableEffect(const Frame& f, const uint8_t* t) {
    if (int64_t{f.w} * f.h >= (int64_t{1} << 16)) return PerPixel(f, PairTableKernel(t));
    TableKernel table;
    std::memcpy(table.t, t, 256);
    return PerPixel(f, table);
}

bool Brightness(const Frame& f, int v) {
    const int offset = (v - 100) * 255 / 100;
    TableKernel table;
    for (int i = 0; i < 256; ++i) table.t[i] = static_cast<uint8_t>(Clamp255(i + offset));
#if defined(__SSE2__)
    // c + offset clamped is a saturating add or subtraction of |offset| on each colour byte.
    const uint32_t amount = static_cast<uint32_t>(std::abs(offset)) * 0x010101u;
    const __m128i step = _mm_set1_epi32(static_cast<int>(amount));
    const bool up = offset >= 0;
    return PerPixel(f, [&](const uint8_t* in, uint8_t* out, int n, int x, int y) {
        int i = 0;
        for (; i + 4 <= n; i += 4) {
            const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i * 4));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i * 4), up ? _mm_adds_epu8(p, step) : _mm_subs_epu8(p, step));
        }
        table(in + i * 4, out + i * 4, n - i, x, y);
    });
#else
    return PerPixel(f, table);
#endif
}

bool Contrast(const Frame& f, int v, const GreyRange& range) {
    const float mid = (range.min + range.max) / 2;
    const int m = static_cast<int>(mid);
    uint8_t table[256];
    for (int c = 0; c < 256; ++c) {
        const float cf = static_cast<float>(c);
        int out = c;
        if (cf != mid) {
            const int step = std::abs(c - m) * std::abs(v - 100) / 100;
            if (v <= 100) {
                if (cf > mid) {
                    out = c - step;
                    if (static_cast<float>(out) < mid) out = m;
                } else {
                    out = c + step;
                    if (static_cast<float>(out) > mid) out = m;
                }
            } else {
                out = cf < mid ? c - step : c + step;
            }
        }
        table[c] = static_cast<uint8_t>(Clamp255(out));
    }
    return TableEffect(f, table);
}

// The gamma tables of every value, made once.
const uint8_t* GammaTable(int v) {
    static const std::vector<uint8_t> tables = [] {
        std::vector<uint8_t> all(101 * 256);
        for (int value = 0; value <= 100; ++value) {
            const double e = value < 50 ? 10.0 / (60 - value) : (value - 40) / 10.0;
            for (int i = 0; i < 256; ++i)
                all[static_cast<size_t>(value) * 256 + i] = static_cast<uint8_t>(Clamp255(static_cast<int>(255 * std::pow(i / 255.0, e))));
        }
        return all;
    }();
    return &tables[static_cast<size_t>(v) * 256];
}

// The three folding tables of solarisation, made once: index 0 for values 1 and 4, 1 for 2 and
// 5, 2 for 3 and 6.
const uint8_t* SolariseTable(int v) {
    static const std::vector<uint8_t> tables = [] {
        std::vector<uint8_t> all(3 * 256);
        for (int i = 0; i < 256; ++i) {
            all[i] = static_cast<uint8_t>(i < 128 ? 2 * i : 510 - 2 * i);
            all[256 + i] = static_cast<uint8_t>(i < 85 ? 3 * i : i < 170 ? 510 - 3 * i : i < 255 ? 3 * i - 510 : 252);
            all[512 + i] = static_cast<uint8_t>(i < 64 ? 4 * i + 1 : i < 128 ? 509 - 4 * i : i < 192 ? 4 * i - 511 : 1021 - 4 * i);
        }
        return all;
    }();
    return &tables[static_cast<size_t>((v - 1) % 3) * 256];
}


#if defined(__SSE2__)
// Four pixels' B, G, R and A as 32-bit lanes.
struct Planes {
    __m128i b, g, r, a;
};

inline Planes Split(const uint8_t* p) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i byte = _mm_set1_epi32(0xFF);
    return Planes{_mm_and_si128(v, byte), _mm_and_si128(_mm_srli_epi32(v, 8), byte), _mm_and_si128(_mm_srli_epi32(v, 16), byte),
                  _mm_srli_epi32(v, 24)};
}

// Four pixels from 32-bit lanes, each clamped to 0..255.
inline void Join(uint8_t* p, __m128i b, __m128i g, __m128i r, __m128i a) {
    const __m128i planar = _mm_packus_epi16(_mm_packs_epi32(b, r), _mm_packs_epi32(g, a));  // B×4 R×4 G×4 A×4
    const __m128i pairs = _mm_unpacklo_epi8(planar, _mm_srli_si128(planar, 8));           // B G B G … R A R A …
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), _mm_unpacklo_epi16(pairs, _mm_srli_si128(pairs, 8)));
}

inline __m128 LumaOf(const Planes& q) {
    const __m128 sum = _mm_add_ps(_mm_add_ps(_mm_mul_ps(_mm_set1_ps(0.114f), _mm_cvtepi32_ps(q.b)),
                                             _mm_mul_ps(_mm_set1_ps(0.587f), _mm_cvtepi32_ps(q.g))),
                                  _mm_mul_ps(_mm_set1_ps(0.299f), _mm_cvtepi32_ps(q.r)));
    return _mm_add_ps(sum, _mm_set1_ps(0.5f));
}
#endif

bool Saturation(const Frame& f, int v) {
    const float k = static_cast<float>(v - 255);
    auto one = [k](const uint8_t* in, uint8_t* out) {
        const float luma = Luma(in[0], in[1], in[2]);
        for (int c = 0; c < 3; ++c) out[c] = static_cast<uint8_t>(Clamp255(static_cast<int>(in[c] + (in[c] - luma) / 255.0f * k)));
        out[3] = in[3];
    };
    return PerPixel(f, [&](const uint8_t* in, uint8_t* out, int n, int, int) {
        int i = 0;
#if defined(__SSE2__)
        const __m128 kk = _mm_set1_ps(k), d = _mm_set1_ps(255.0f);
        for (; i + 4 <= n; i += 4) {
            const Planes q = Split(in + i * 4);
            const __m128 luma = LumaOf(q);
            auto channel = [&](__m128i c) {
                const __m128 cf = _mm_cvtepi32_ps(c);
                return _mm_cvttps_epi32(_mm_add_ps(cf, _mm_mul_ps(_mm_div_ps(_mm_sub_ps(cf, luma), d), kk)));
            };
            Join(out + i * 4, channel(q.b), channel(q.g), channel(q.r), q.a);
        }
#endif
        for (; i < n; ++i) one(in + i * 4, out + i * 4);
    });
}

// trunc(0.114 B + 0.587 G + 0.299 R + 0.5) of n pixels, clamped, into grey[].
void GreyOf(const uint8_t* in, int n, uint8_t* grey) {
    int i = 0;
#if defined(__SSE2__)
    for (; i + 4 <= n; i += 4) {
        const __m128i g = _mm_cvttps_epi32(LumaOf(Split(in + i * 4)));
        const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(g, g), _mm_setzero_si128());
        const int four = _mm_cvtsi128_si32(bytes);
        std::memcpy(grey + i, &four, 4);
    }
#endif
    for (; i < n; ++i) grey[i] = static_cast<uint8_t>(Clamp255(static_cast<int>(Luma(in[i * 4], in[i * 4 + 1], in[i * 4 + 2]))));
}

// Every pixel made grey (as monochrome does), then that grey through table t (null: as it is).
bool GreyThrough(const Frame& f, const uint8_t* t) {
    return PerPixel(f, [&](const uint8_t* in, uint8_t* out, int n, int, int) {
        uint8_t grey[256];
        for (int start = 0; start < n; start += 256) {
            const int count = std::min(256, n - start);
            GreyOf(in + start * 4, count, grey);
            for (int i = 0; i < count; ++i) {
                const uint32_t g = t ? t[grey[i]] : grey[i];
                const int at = (start + i) * 4;
                Store32(out + at, g * 0x010101u | (Load32(in + at) & 0xFF000000u));
            }
        }
    });
}

bool InvertMono(const Frame& f, int v, const GreyRange& range) {
    const uint32_t low = static_cast<uint32_t>(Clamp255(static_cast<int>(range.min)));
    const uint32_t high = static_cast<uint32_t>(Clamp255(static_cast<int>(range.max)));
    switch (v) {
    case 1:
        // 255 − c is c with every bit flipped.
        return PerPixel(f, [](const uint8_t* in, uint8_t* out, int n, int, int) {
            int i = 0;
#if defined(__SSE2__)
            const __m128i colour = _mm_set1_epi32(0x00FFFFFF);
            for (; i + 4 <= n; i += 4)
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i * 4),
                                 _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i * 4)), colour));
#endif
            for (; i < n; ++i) Store32(out + i * 4, Load32(in + i * 4) ^ 0x00FFFFFFu);
        });
    case 6: return GreyThrough(f, nullptr);
    default: break;
    }
    // 2: B = min, R = max; 3: also G inverted; 4: B = min; 5: B = max.
    uint32_t keep = 0, set = 0, flip = 0;
    if (v == 2 || v == 3) {
        keep = 0xFF00FF00u;
        set = low | high << 16;
        if (v == 3) flip = 0x0000FF00u;
    } else {
        keep = 0xFFFFFF00u;
        set = v == 4 ? low : high;
    }
    return PerPixel(f, [=](const uint8_t* in, uint8_t* out, int n, int, int) {
        for (int i = 0; i < n; ++i) Store32(out + i * 4, ((Load32(in + i * 4) & keep) | set) ^ flip);
    });
}

bool Posterise(const Frame& f, int v) {
    uint8_t table[256];
    for (int c = 0; c < 256; ++c) table[c] = static_cast<uint8_t>(c - c % (v + 1));
    return TableEffect(f, table);
}

bool LuminanceAlpha(const Frame& f, int v, const GreyRange& range) {
    // k for every sum B + G + R.
    uint8_t k[766];
    for (int sum = 0; sum <= 765; ++sum) {
        float g = sum / 3.0f;
        if (v % 2 == 0 && range.max != range.min) g = (g - range.min) * 255 / std::fabs(range.max - range.min);
        if (v == 3 || v == 4) g = std::sqrt(g * 255);
        if (v == 7 || v == 8) g = g * g / 255;
        // Clamped to 0..255; the root of a negative grey (a destination darker than the source's
        // least grey, without copy-first) is not a number and counts as 0.
        if (!(g >= 0)) g = 0;
        if (g > 255) g = 255;
        int value = static_cast<int>(g);
        if (v > 4) value = 255 - value;
        k[sum] = static_cast<uint8_t>(value);
    }
    return PerPixel(f, [&](const uint8_t* in, uint8_t* out, int n, int, int) {
        for (int i = 0; i < n; ++i) {
            const uint32_t p = Load32(in + i * 4);
            const int take = 255 - k[(p & 0xFF) + ((p >> 8) & 0xFF) + ((p >> 16) & 0xFF)];
            const int a = static_cast<int>(p >> 24);
            Store32(out + i * 4, (p & 0x00FFFFFFu) | static_cast<uint32_t>(a < take ? 0 : a - take) << 24);
        }
    });
}

bool Hue(const Frame& f, int s) {
    // out = (first × w1) >> 6 + (second × w2) >> 6 per channel, where first and second are the
    // pixel's channels taken in one of three orders: as they are, or rotated so that B reads G,
    // G reads R and R reads B ("up"), or B reads R, G reads B and R reads G ("down").
    enum Order { kSame, kUp, kDown };
    Order first, second;
    int w1, w2;
    if (s <= 64) {
        first = kSame, second = kUp, w1 = 64 - s, w2 = s;
    } else if (s <= 128) {
        first = kUp, second = kDown, w1 = 128 - s, w2 = s - 64;
    } else {
        first = kDown, second = kSame, w1 = 192 - s, w2 = s - 128;
    }
    uint8_t t1[256], t2[256];
    for (int c = 0; c < 256; ++c) {
        t1[c] = static_cast<uint8_t>(c * w1 >> 6);
        t2[c] = static_cast<uint8_t>(c * w2 >> 6);
    }
    auto pick = [](Order o, int b, int g, int r, int channel) {
        static const int kFrom[3][3] = {{0, 1, 2}, {1, 2, 0}, {2, 0, 1}};
        const int from = kFrom[o][channel];
        return from == 0 ? b : (from == 1 ? g : r);
    };
#if defined(__SSE2__)
    // Two pixels per register as 16-bit lanes; the orders are lane shuffles, and alpha is kept by
    // weights 64 and 0 in its lane.
    const __m128i weight1 = _mm_setr_epi16(static_cast<int16_t>(w1), static_cast<int16_t>(w1), static_cast<int16_t>(w1), 64,
                                           static_cast<int16_t>(w1), static_cast<int16_t>(w1), static_cast<int16_t>(w1), 64);
    const __m128i weight2 = _mm_setr_epi16(static_cast<int16_t>(w2), static_cast<int16_t>(w2), static_cast<int16_t>(w2), 0,
                                           static_cast<int16_t>(w2), static_cast<int16_t>(w2), static_cast<int16_t>(w2), 0);
    auto mix = [&](__m128i a, __m128i b) {
        return _mm_add_epi16(_mm_srli_epi16(_mm_mullo_epi16(a, weight1), 6), _mm_srli_epi16(_mm_mullo_epi16(b, weight2), 6));
    };
    auto ordered = [](__m128i p, Order o) {
        switch (o) {
        case kUp: return _mm_shufflehi_epi16(_mm_shufflelo_epi16(p, _MM_SHUFFLE(3, 0, 2, 1)), _MM_SHUFFLE(3, 0, 2, 1));
        case kDown: return _mm_shufflehi_epi16(_mm_shufflelo_epi16(p, _MM_SHUFFLE(3, 1, 0, 2)), _MM_SHUFFLE(3, 1, 0, 2));
        default: return p;
        }
    };
#endif
    return PerPixel(f, [&](const uint8_t* in, uint8_t* out, int n, int, int) {
        int i = 0;
#if defined(__SSE2__)
        for (; i + 4 <= n; i += 4) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i * 4));
            const __m128i lo = _mm_unpacklo_epi8(v, _mm_setzero_si128()), hi = _mm_unpackhi_epi8(v, _mm_setzero_si128());
            const __m128i outLo = mix(ordered(lo, first), ordered(lo, second));
            const __m128i outHi = mix(ordered(hi, first), ordered(hi, second));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i * 4), _mm_packus_epi16(outLo, outHi));
        }
#endif
        for (; i < n; ++i) {
            const uint8_t* p = in + i * 4;
            const int b = p[0], g = p[1], r = p[2];
            uint8_t result[4];
            for (int c = 0; c < 3; ++c) result[c] = static_cast<uint8_t>(Clamp255(t1[pick(first, b, g, r, c)] + t2[pick(second, b, g, r, c)]));
            result[3] = p[3];
            std::memcpy(out + i * 4, result, 4);
        }
    });
}

}  // namespace

namespace effect_rules {

bool BrightnessRule(const EffectFrame& f, const EffectParams& params) {
    return Brightness(f, params.value);
}

bool ContrastRule(const EffectFrame& f, const EffectParams& params) {
    return Contrast(f, params.value, SourceGreyRange(f));
}

bool GammaRule(const EffectFrame& f, const EffectParams& params) {
    return TableEffect(f, GammaTable(params.value));
}

bool SaturationRule(const EffectFrame& f, const EffectParams& params) {
    return Saturation(f, params.value);
}

bool InvertMonoRule(const EffectFrame& f, const EffectParams& params) {
    const int v = params.value;
    if (v == 0) return CopyIfFirst(f), true;
    return InvertMono(f, v, v >= 2 && v <= 5 ? SourceGreyRange(f) : GreyRange{});
}

bool SolariseRule(const EffectFrame& f, const EffectParams& params) {
    const int v = params.value;
    if (v == 0) return CopyIfFirst(f), true;
    return v >= 4 ? GreyThrough(f, SolariseTable(v)) : TableEffect(f, SolariseTable(v));
}

bool PosteriseRule(const EffectFrame& f, const EffectParams& params) {
    return Posterise(f, params.value);
}

bool LuminanceAlphaRule(const EffectFrame& f, const EffectParams& params) {
    const int v = params.value;
    if (v == 0) return CopyIfFirst(f), true;
    return LuminanceAlpha(f, v, SourceGreyRange(f));
}

bool HueRule(const EffectFrame& f, const EffectParams& params) {
    return Hue(f, params.value);
}

}  // namespace effect_rules
}  // namespace mirelo
