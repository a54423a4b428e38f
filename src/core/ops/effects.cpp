#include "ops/effects.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace mirelo {
namespace {

const EffectInfo kTable[kEffectCount] = {
    {u"明度", 100, 200},
    {u"ｺﾝﾄﾗｽﾄ", 100, 200},
    {u"ｶﾞﾝﾏ補正", 50, 100},
    {u"彩度", 255, 510},
    {u"色反転･ﾓﾉｸﾛ", 0, 6},
    {u"ｿﾗﾘｾﾞｰｼｮﾝ", 0, 6},
    {u"ﾎﾟｽﾀﾘｾﾞｰｼｮﾝ", 0, 254},
    {u"ﾙﾐﾅｽ ｱﾙﾌｧ", 0, 8},
    {u"ﾓｻﾞｲｸ", 0, 32},
    {u"ぼかす", 0, 2},
    {u"ぼかす（透明度のみ）", 0, 2},
    {u"ｼｬｰﾌﾟ", 0, 2},
    {u"ｴｯｼﾞ抽出", 0, 4},
    {u"ｴﾝﾎﾞｽ", 0, 8},
    {u"ﾉｲｽﾞ", 0, 100},
    {u"ﾉｲｽﾞ除去", 0, 1},
    {u"色相", 0, 192},
    {u"円形", 0, 1},
    {u"ｱﾝﾁｴｲﾘｱｽ", 0, 3},
    {u"ﾊｰﾌﾄｰﾝ", 0, 12},
    {u"ﾊｰﾌﾄｰﾝ（新聞）", 0, 12},
    {u"2値画像", 50, 100},
    {u"2値画像（ﾃﾞｨｻﾞ）", 50, 100},
    {u"色の回転（赤）", 0, 360},
    {u"色の回転（緑）", 0, 360},
    {u"色の回転（青）", 0, 360},
    {u"色の移動（赤）", 0, 100},
    {u"色の移動（緑）", 0, 100},
    {u"色の移動（青）", 0, 100},
    {u"色の移動（透明度）", 0, 100},
};

inline uint32_t Load32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

inline void Store32(uint8_t* p, uint32_t v) { std::memcpy(p, &v, 4); }

inline int Clamp255(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

// 0.114 B + 0.587 G + 0.299 R + 0.5 in single precision, summed in this order (the grey of the
// saturation rule, of monochrome and of solarisation).
inline float Luma(int b, int g, int r) { return 0.114f * b + 0.587f * g + 0.299f * r + 0.5f; }

// ---------------------------------------------------------------------------------------------
// The frame: what every rule reads and writes.

struct Frame {
    PixelView src;  // the source, or a private copy of it when it shares memory with dst
    PixelView dst;
    const uint8_t* mask = nullptr;
    bool copyFirst = false;
    int w = 0, h = 0;

    // The pixels a per-pixel rule reads: the destination as it is, which copy-first makes the
    // source.
    const uint8_t* In(int y) const { return copyFirst ? src.Row(y) : dst.Row(y); }
    const uint8_t* MaskRow(int y) const { return mask ? mask + static_cast<size_t>(y) * w : nullptr; }
    bool Selected(int x, int y) const { return !mask || mask[static_cast<size_t>(y) * w + x] != 0; }
};

// Calls run(x0, x1, selected) for the runs of selected and unselected pixels of a mask row,
// left to right; the whole row is one selected run without a mask.
template <typename F>
void ForRuns(const uint8_t* maskRow, int w, F&& run) {
    if (!maskRow) {
        run(0, w, true);
        return;
    }
    int x = 0;
    while (x < w) {
        const bool selected = maskRow[x] != 0;
        int end = x + 1;
        while (end < w && (maskRow[end] != 0) == selected) ++end;
        run(x, end, selected);
        x = end;
    }
}

// Work split over two threads by rows when the image is large enough: body(y0, y1) on each band.
// The rules run on bands only where every row's result is the same however the rows are shared.
// False when working memory could not be had.
template <typename F>
bool ForBands(int height, int64_t pixels, F&& body) {
    std::atomic<bool> failed{false};
    auto run = [&](int y0, int y1) {
        try {
            body(y0, y1);
        } catch (const std::bad_alloc&) {
            failed = true;
        }
    };
    if (pixels >= (int64_t{1} << 16) && height >= 2 && std::thread::hardware_concurrency() >= 2) {
        const int middle = height / 2;
        std::thread other;
        try {
            other = std::thread(run, middle, height);
        } catch (const std::system_error&) {
            run(0, height);  // no second thread: this one does it all
            return !failed;
        }
        run(0, middle);
        other.join();
        return !failed;
    }
    run(0, height);
    return !failed;
}

// Applies a per-pixel kernel(in, out, count, x, y) to the selected runs of every row and, with
// copy-first, copies the unselected ones.
template <typename Kernel>
bool PerPixel(const Frame& f, const Kernel& shared) {
    return ForBands(f.h, int64_t{f.w} * f.h, [&](int y0, int y1) {
        // Each thread reads its own copy of the kernel's tables.
        const Kernel kernel(shared);
        for (int y = y0; y < y1; ++y) {
            const uint8_t* in = f.In(y);
            uint8_t* out = f.dst.Row(y);
            ForRuns(f.MaskRow(y), f.w, [&](int x0, int x1, bool selected) {
                if (selected)
                    kernel(in + x0 * 4, out + x0 * 4, x1 - x0, x0, y);
                else if (in != out)
                    std::memcpy(out + x0 * 4, in + x0 * 4, static_cast<size_t>(x1 - x0) * 4);
            });
        }
    });
}

// The copy-first fill on its own, for rules that do nothing at their value.
void CopyIfFirst(const Frame& f) {
    if (!f.copyFirst) return;
    ForBands(f.h, int64_t{f.w} * f.h, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y)
            if (f.src.Row(y) != f.dst.Row(y)) std::memcpy(f.dst.Row(y), f.src.Row(y), static_cast<size_t>(f.w) * 4);
    });
}

// The least and greatest grey (B + G + R) / 3 of the source, as floats. Division by 3 keeps the
// order, so these are the greys of the least and greatest sums.
struct GreyRange {
    float min = 255, max = 0;
};

GreyRange SourceGreyRange(const Frame& f) {
    std::atomic<int> least{765}, greatest{0};
    ForBands(f.h, int64_t{f.w} * f.h, [&](int y0, int y1) {
        int lo = 765, hi = 0;
        for (int y = y0; y < y1; ++y) {
            const uint8_t* row = f.src.Row(y);
            int x = 0;
#if defined(__SSE2__)
            // Sums of eight pixels at a time as 16-bit lanes.
            __m128i least8 = _mm_set1_epi16(765), greatest8 = _mm_setzero_si128();
            const __m128i byte = _mm_set1_epi32(0xFF);
            auto sums = [&](const uint8_t* p) {
                const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
                return _mm_add_epi32(_mm_add_epi32(_mm_and_si128(v, byte), _mm_and_si128(_mm_srli_epi32(v, 8), byte)),
                                     _mm_and_si128(_mm_srli_epi32(v, 16), byte));
            };
            for (; x + 8 <= f.w; x += 8) {
                const __m128i eight = _mm_packs_epi32(sums(row + x * 4), sums(row + x * 4 + 16));
                least8 = _mm_min_epi16(least8, eight);
                greatest8 = _mm_max_epi16(greatest8, eight);
            }
            alignas(16) int16_t l[8], g[8];
            _mm_store_si128(reinterpret_cast<__m128i*>(l), least8);
            _mm_store_si128(reinterpret_cast<__m128i*>(g), greatest8);
            for (int k = 0; k < 8; ++k) {
                lo = std::min(lo, static_cast<int>(l[k]));
                hi = std::max(hi, static_cast<int>(g[k]));
            }
#endif
            for (; x < f.w; ++x) {
                const int sum = row[x * 4] + row[x * 4 + 1] + row[x * 4 + 2];
                lo = std::min(lo, sum);
                hi = std::max(hi, sum);
            }
        }
        for (int seen = least.load(); lo < seen && !least.compare_exchange_weak(seen, lo);) {
        }
        for (int seen = greatest.load(); hi > seen && !greatest.compare_exchange_weak(seen, hi);) {
        }
    });
    GreyRange range;
    range.min = std::min(range.min, least.load() / 3.0f);
    range.max = std::max(range.max, greatest.load() / 3.0f);
    return range;
}

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
// pixel keeps the errors it received and spreads none.

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
    if (int64_t{w} * h >= (int64_t{1} << 16) && bands >= 2 && std::thread::hardware_concurrency() >= 2) {
        std::thread other;
        try {
            other = std::thread(walk, 1, 2);
        } catch (const std::system_error&) {
            walk(0, 1);  // no second thread: this one takes every band
            return true;
        }
        walk(0, 2);
        other.join();
    } else {
        walk(0, 1);
    }
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

inline uint8_t ClampByte(int v) { return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v)); }

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
// Circle: the whole destination cleared, the source squeezed into its top-left square, and the
// square squeezed into its inscribed circle by a forward mapping.

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
            // The destination is cleared to transparent black, this thread's half of it.
            for (int y = bottom ? half : 0, end = bottom ? h : half; y < end; ++y)
                std::memset(f.dst.Row(y), 0, static_cast<size_t>(w) * 4);
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
                        std::memcpy(f.dst.Row(ty) + tx * 4, from + sx * 4, 4);
                    }
                }
            }
        }
    });
}

// ---------------------------------------------------------------------------------------------
// Antialias works on alphas alone: planes of width + 2 by height + 2 bytes whose border repeats
// the edge pixels, so that the four neighbours of every pixel can be read directly.

class AlphaPlane {
public:
    AlphaPlane(int w, int h) : w_(w), h_(h), stride_(w + 2), bytes_(static_cast<size_t>(w + 2) * (h + 2)) {}
    uint8_t* Row(int y) { return &bytes_[static_cast<size_t>(y + 1) * stride_ + 1]; }
    const uint8_t* Row(int y) const { return &bytes_[static_cast<size_t>(y + 1) * stride_ + 1]; }
    int stride() const { return stride_; }
    uint8_t At(int x, int y) const { return Row(y)[x]; }
    // Repeats the edge pixels into the border.
    void FillBorder() {
        for (int y = 0; y < h_; ++y) {
            Row(y)[-1] = Row(y)[0];
            Row(y)[w_] = Row(y)[w_ - 1];
        }
        std::memcpy(Row(-1) - 1, Row(0) - 1, static_cast<size_t>(stride_));
        std::memcpy(Row(h_) - 1, Row(h_ - 1) - 1, static_cast<size_t>(stride_));
    }
    void CopyFrom(const AlphaPlane& other) { bytes_ = other.bytes_; }

private:
    int w_, h_, stride_;
    std::vector<uint8_t> bytes_;
};

// The run smoothing of one line, run by run. The rule walks every pixel p of a run of one partial
// alpha g (q its last pixel; p selected, not the last of the run, and not with exactly two of its
// four neighbours at g) and writes some of the pixels p..q; a pixel keeps what the last such p
// wrote. The same result comes from walking the p of a run backward and writing only pixels no
// later p has written: `free` finds, for a position of the run, the first not yet written from
// there (positions that are written point past themselves), so every pixel is written once.
class RunSmoother {
public:
    explicit RunSmoother(int longest) : free_(static_cast<size_t>(longest) + 1) {}

    // The run [s, q] of a line: `work` and `out` point at the line's first pixel, `step` goes
    // from one pixel of the line to the next and `across` to the neighbouring line.
    template <typename Selected>
    void Run(const uint8_t* work, uint8_t* out, int s, int q, ptrdiff_t step, ptrdiff_t across, const Selected& selected) {
        const int g = work[s * step];
        for (int k = 0; k <= q - s + 1; ++k) free_[k] = k;
        base_ = s;
        const uint8_t* atQ = work + q * step;
        const int aq[4] = {atQ[-step], atQ[-across], atQ[step], atQ[across]};
        const int largestAtQ = std::max(std::max(aq[0], aq[1]), std::max(aq[2], aq[3]));
        const int smallestAtQ = std::min(std::min(aq[0], aq[1]), std::min(aq[2], aq[3]));
        for (int p = q - 1; p >= s; --p) {
            if (!selected(p)) continue;
            const uint8_t* at = work + p * step;
            const int a[4] = {at[-step], at[-across], at[step], at[across]};
            int n = 0, e = 0;
            for (int k = 0; k < 4; ++k) {
                n += a[k] < g;
                e += a[k] == g;
            }
            if (e == 2) continue;
            const int L1 = n < 2 ? std::max(std::max(a[0], a[1]), std::max(a[2], a[3])) : std::min(std::min(a[0], a[1]), std::min(a[2], a[3]));
            const int L2 = n < 2 ? largestAtQ : smallestAtQ;
            const int r = q - p + 1;
            if (L1 != L2) {
                const int d = std::abs(L2 - L1) / (r + 1);
                Fill(out, step, p, q, [&](int pos) { return L1 < L2 ? L1 + d * (pos - p + 1) : L1 - d * (pos - p + 1); });
            } else if (L1 < g) {
                const int h = r - 1 < 8 ? 0 : (r - 7) >> 1;
                const int m = std::max(p, (p + q) / 2 - h);
                const int u = (g - L1) / (m - p + 1);
                Fill(out, step, p, m - 1, [&](int pos) { return L1 + u * (pos - p + 1); });
                Fill(out, step, m + 2 * h + 1, q, [&](int pos) { return g - u * (pos - 2 * h - m); });
            }
        }
    }

private:
    // The first position from k (relative to the run) not yet written.
    int Free(int k) {
        int root = k;
        while (free_[root] != root) root = free_[root];
        while (free_[k] != root) {
            const int next = free_[k];
            free_[k] = root;
            k = next;
        }
        return root;
    }
    // Writes value(pos) to the pixels from..to (line positions) not yet written.
    template <typename Value>
    void Fill(uint8_t* out, ptrdiff_t step, int from, int to, const Value& value) {
        for (int k = Free(from - base_); k <= to - base_; k = Free(k)) {
            out[(k + base_) * step] = ClampByte(value(k + base_));
            free_[k] = k + 1;
        }
    }

    std::vector<int> free_;
    int base_ = 0;
};

inline bool Partial(int a) { return a != 0 && a != 255; }

#if defined(__SSE2__)
inline __m128i Load16(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
// Whether all 16 bytes equal the value.
inline bool AllAre(const uint8_t* p, uint8_t value) {
    return _mm_movemask_epi8(_mm_cmpeq_epi8(Load16(p), _mm_set1_epi8(static_cast<char>(value)))) == 0xFFFF;
}
// Whether the 16 pixels from p and the pixels around them (one to each side, the rows above and
// below) are all opaque.
inline bool OpaqueAround(const uint8_t* p, ptrdiff_t across) {
    const __m128i opaque = _mm_set1_epi8(-1);
    __m128i all = opaque;
    for (ptrdiff_t row : {-across, ptrdiff_t{0}, across})
        for (ptrdiff_t side : {ptrdiff_t{-1}, ptrdiff_t{0}, ptrdiff_t{1}})
            all = _mm_and_si128(all, _mm_cmpeq_epi8(Load16(p + row + side), opaque));
    return _mm_movemask_epi8(all) == 0xFFFF;
}
// Whether none of the 16 bytes is partial (0 < a < 255).
inline bool NonePartial(const uint8_t* p) {
    const __m128i v = Load16(p);
    return _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, _mm_setzero_si128()), _mm_cmpeq_epi8(v, _mm_set1_epi8(-1)))) == 0xFFFF;
}
#endif

// The alpha bytes of n pixels.
void ExtractAlpha(const uint8_t* pixels, int n, uint8_t* alpha) {
    int x = 0;
#if defined(__SSE2__)
    for (; x + 16 <= n; x += 16) {
        __m128i a[4];
        for (int k = 0; k < 4; ++k)
            a[k] = _mm_srli_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels + (x + 4 * k) * 4)), 24);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(alpha + x), _mm_packus_epi16(_mm_packs_epi32(a[0], a[1]), _mm_packs_epi32(a[2], a[3])));
    }
#endif
    for (; x < n; ++x) alpha[x] = pixels[x * 4 + 3];
}

// n pixels of `in` with the alphas replaced, into `out`.
void InsertAlpha(const uint8_t* in, const uint8_t* alpha, int n, uint8_t* out) {
    int x = 0;
#if defined(__SSE2__)
    for (; x + 4 <= n; x += 4) {
        int32_t four;
        std::memcpy(&four, alpha + x, 4);
        const __m128i bytes = _mm_cvtsi32_si128(four);
        const __m128i shifted = _mm_slli_epi32(_mm_unpacklo_epi16(_mm_unpacklo_epi8(bytes, _mm_setzero_si128()), _mm_setzero_si128()), 24);
        const __m128i colour = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in + x * 4)), _mm_set1_epi32(0x00FFFFFF));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x * 4), _mm_or_si128(colour, shifted));
    }
#endif
    for (; x < n; ++x) Store32(out + x * 4, (Load32(in + x * 4) & 0x00FFFFFFu) | uint32_t{alpha[x]} << 24);
}

bool Antialias(const Frame& f, int v) {
    const int w = f.w, h = f.h;
    AlphaPlane work(w, h), out(w, h);
    if (!ForBands(h, int64_t{w} * h, [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y) {
                ExtractAlpha(f.src.Row(y), w, work.Row(y));
                if (f.In(y) == f.src.Row(y))
                    std::memcpy(out.Row(y), work.Row(y), static_cast<size_t>(w));
                else
                    ExtractAlpha(f.In(y), w, out.Row(y));
            }
        }))
        return false;
    work.FillBorder();
    const ptrdiff_t across = work.stride();
    // 1. Edge softening: opaque pixels next to one that is not.
    for (int y = 0; y < h; ++y) {
        const uint8_t* a = work.Row(y);
        uint8_t* o = out.Row(y);
        for (int x = 0; x < w;) {
#if defined(__SSE2__)
            if (x + 16 <= w && (OpaqueAround(a + x, across) || _mm_movemask_epi8(_mm_cmpeq_epi8(Load16(a + x), _mm_set1_epi8(-1))) == 0)) {
                x += 16;
                continue;
            }
#endif
            if (a[x] == 255 && f.Selected(x, y)) {
                const uint8_t n[4] = {a[x - 1], a[x - across], a[x + 1], a[x + across]};
                int largest = -1;
                for (uint8_t value : n)
                    if (value < 255) largest = std::max(largest, static_cast<int>(value));
                if (largest >= 0) o[x] = static_cast<uint8_t>((largest + 255) / 2);
            }
            ++x;
        }
    }
    work.CopyFrom(out);
    work.FillBorder();
    // 2. Runs along rows, then along columns. The columns' runs are found row by row, which
    // changes nothing since a column's runs write only into that column.
    RunSmoother smoother(std::max(w, h));
    for (int y = 0; y < h; ++y) {
        const uint8_t* a = work.Row(y);
        uint8_t* o = out.Row(y);
        for (int x = 0; x < w - 1;) {
#if defined(__SSE2__)
            if (x + 16 <= w && NonePartial(a + x)) {
                x += 16;
                continue;
            }
#endif
            if (!Partial(a[x]) || a[x + 1] != a[x]) {
                ++x;
                continue;
            }
            int q = x + 1;
            while (q + 1 < w && a[q + 1] == a[x]) ++q;
            smoother.Run(a, o, x, q, 1, across, [&](int pos) { return f.Selected(pos, y); });
            x = q + 1;
        }
    }
    for (int y = 0; y < h - 1; ++y) {
        const uint8_t* a = work.Row(y);
        for (int x = 0; x < w;) {
#if defined(__SSE2__)
            if (x + 16 <= w && NonePartial(a + x)) {
                x += 16;
                continue;
            }
#endif
            // A run of the column starts here.
            if (Partial(a[x]) && a[x + across] == a[x] && (y == 0 || a[x - across] != a[x])) {
                int q = y + 1;
                while (q + 1 < h && a[(q + 1 - y) * across + x] == a[x]) ++q;
                smoother.Run(work.Row(0) + x, out.Row(0) + x, y, q, across, 1, [&](int pos) { return f.Selected(x, pos); });
            }
            ++x;
        }
    }
    // 3. Means of the pixels whose four neighbours are not transparent.
    for (int pass = 1; pass < v; ++pass) {
        work.CopyFrom(out);
        work.FillBorder();
        for (int y = 0; y < h; ++y) {
            const uint8_t* a = work.Row(y);
            uint8_t* o = out.Row(y);
            for (int x = 0; x < w;) {
#if defined(__SSE2__)
                // All opaque around: the mean is 255 again; all transparent: nothing to do.
                if (x + 16 <= w && (AllAre(a + x, 0) || OpaqueAround(a + x, across))) {
                    x += 16;
                    continue;
                }
#endif
                if (a[x] && a[x - 1] && a[x + 1] && a[x - across] && a[x + across] && f.Selected(x, y)) {
                    const int sum = a[x - across - 1] + a[x - across] + a[x - across + 1] + a[x - 1] + a[x] + a[x + 1] +
                                    a[x + across - 1] + a[x + across] + a[x + across + 1];
                    o[x] = static_cast<uint8_t>(sum / 9);
                }
                ++x;
            }
        }
    }
    return ForBands(h, int64_t{w} * h, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) InsertAlpha(f.In(y), out.Row(y), w, f.dst.Row(y));
    });
}

bool Overlap(const PixelView& a, const PixelView& b) {
    auto range = [](const PixelView& v, uintptr_t* lo, uintptr_t* hi) {
        const uintptr_t first = reinterpret_cast<uintptr_t>(v.Row(0)), last = reinterpret_cast<uintptr_t>(v.Row(v.height - 1));
        *lo = std::min(first, last);
        *hi = std::max(first, last) + static_cast<uintptr_t>(v.width) * 4;
    };
    uintptr_t alo, ahi, blo, bhi;
    range(a, &alo, &ahi);
    range(b, &blo, &bhi);
    return alo < bhi && blo < ahi;
}

bool Run(Frame& f, const EffectParams& params) {
    const int v = params.value;
    switch (params.effect) {
    case effect::kBrightness: return Brightness(f, v);
    case effect::kContrast: return Contrast(f, v, SourceGreyRange(f));
    case effect::kGamma: return TableEffect(f, GammaTable(v));
    case effect::kSaturation: return Saturation(f, v);
    case effect::kInvertMono: return v == 0 ? (CopyIfFirst(f), true) : InvertMono(f, v, v >= 2 && v <= 5 ? SourceGreyRange(f) : GreyRange{});
    case effect::kSolarise:
        if (v == 0) return CopyIfFirst(f), true;
        return v >= 4 ? GreyThrough(f, SolariseTable(v)) : TableEffect(f, SolariseTable(v));
    case effect::kPosterise: return Posterise(f, v);
    case effect::kLuminanceAlpha: return v == 0 ? (CopyIfFirst(f), true) : LuminanceAlpha(f, v, SourceGreyRange(f));
    case effect::kMosaic: return v == 0 ? (CopyIfFirst(f), true) : Mosaic(f, v);
    case effect::kBlur:
    case effect::kBlurAlpha: {
        if (v == 0) return CopyIfFirst(f), true;
        const Keep keep = params.effect == effect::kBlur ? Keep::kAlpha : Keep::kColour;
        return v == 1 ? Neighbourhood(f, 1, keep, Blur3) : Neighbourhood(f, 2, keep, Blur5);
    }
    case effect::kSharpen:
        if (v == 0) return CopyIfFirst(f), true;
        return v == 1 ? Neighbourhood(f, 1, Keep::kAlpha, Sharpen3) : Neighbourhood(f, 2, Keep::kAlpha, Sharpen5);
    case effect::kEdges: return v == 0 ? (CopyIfFirst(f), true) : Neighbourhood(f, 1, Keep::kAlpha, EdgeKernel{v});
    case effect::kEmboss: return v == 0 ? (CopyIfFirst(f), true) : Neighbourhood(f, 1, Keep::kAlpha, EmbossKernel{v});
    case effect::kNoise: return v == 0 ? (CopyIfFirst(f), true) : Noise(f, v, params);
    case effect::kDenoise: return v == 0 ? (CopyIfFirst(f), true) : Neighbourhood(f, 1, Keep::kAlpha, Median3);
    case effect::kHue: return Hue(f, v);
    case effect::kCircle: return v == 0 ? (CopyIfFirst(f), true) : Circle(f);
    case effect::kAntialias: return v == 0 ? (CopyIfFirst(f), true) : Antialias(f, v);
    case effect::kHalftone:
    case effect::kHalftoneNewspaper:
        if (v == 0) return CopyIfFirst(f), true;
        return Halftone(f, v, params.effect == effect::kHalftoneNewspaper);
    case effect::kBinary: return Binary(f, v, SourceGreyRange(f));
    case effect::kBinaryDither: return BinaryDither(f, v, SourceGreyRange(f));
    default: return false;
    }
}

// Whether a rule reads neighbours of the source while it writes the destination, and so needs
// the source apart from the destination.
bool ReadsAround(int number) { return (number >= effect::kBlur && number <= effect::kAntialias) && number != effect::kHue; }

}  // namespace

const EffectInfo* EffectTable() { return kTable; }

const EffectInfo* FindEffect(int number) { return number >= 0 && number < kEffectCount ? &kTable[number] : nullptr; }

OpStatus ApplyEffectPixels(const PixelView& source, const PixelView& destination, const EffectParams& params) {
    if (!source.scan0 || !destination.scan0 || source.width <= 0 || source.height <= 0)
        return OpStatus::Failed(effect_text::kNoMemory, effect_status::kMissingBitmap);
    if (BitsPerPixel(source.format) != 32) return OpStatus::Failed(effect_text::kFormatNotSupported, effect_status::kFormat);
    if (source.width != destination.width || source.height != destination.height || source.format != destination.format)
        return OpStatus::Failed(effect_text::kSizeOrFormatDiffers, effect_status::kSizeOrFormat);
    if (params.effect < 0 || params.effect >= kPixelEffectCount) return OpStatus::Failed(nullptr, effect_status::kBadEffect);
    if (params.value < 0 || params.value > kTable[params.effect].maxValue)
        return OpStatus::Failed(nullptr, effect_status::kBadValue);
    try {
        Frame f;
        f.src = source;
        f.dst = destination;
        f.mask = params.mask;
        f.copyFirst = params.copyFirst;
        f.w = source.width;
        f.h = source.height;
        // The source is read apart from the destination when the rule reads neighbours, or when
        // the two share memory other than pixel for pixel.
        const bool same = source.scan0 == destination.scan0 && source.stride == destination.stride;
        std::vector<uint8_t> privateCopy;
        if (Overlap(source, destination) && (!same || ReadsAround(params.effect))) {
            privateCopy.resize(static_cast<size_t>(f.w) * f.h * 4);
            for (int y = 0; y < f.h; ++y)
                std::memcpy(&privateCopy[static_cast<size_t>(y) * f.w * 4], source.Row(y), static_cast<size_t>(f.w) * 4);
            f.src.scan0 = privateCopy.data();
            f.src.stride = f.w * 4;
            // With copy-first the destination becomes the source: reading the copy instead
            // gives the same pixels.
        }
        if (!Run(f, params)) return OpStatus::Failed(effect_text::kNoMemory, effect_status::kOutOfMemory);
    } catch (const std::bad_alloc&) {
        return OpStatus::Failed(effect_text::kNoMemory, effect_status::kOutOfMemory);
    }
    return OpStatus{};
}

}  // namespace mirelo
