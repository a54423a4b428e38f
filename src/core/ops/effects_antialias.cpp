// The antialias rule: the alpha edges of a picture softened, its runs of partial alpha smoothed
// along rows and columns, and means taken over further passes.
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
// four neighbours at g) and writes some of the selected pixels p..q; a pixel keeps what the last
// such p wrote. The same result comes from walking the p of a run backward and writing only pixels no
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
                Fill(out, step, p, q, selected, [&](int pos) { return L1 < L2 ? L1 + d * (pos - p + 1) : L1 - d * (pos - p + 1); });
            } else if (L1 < g) {
                const int h = r - 1 < 8 ? 0 : (r - 7) >> 1;
                const int m = std::max(p, (p + q) / 2 - h);
                const int u = (g - L1) / (m - p + 1);
                Fill(out, step, p, m - 1, selected, [&](int pos) { return L1 + u * (pos - p + 1); });
                Fill(out, step, m + 2 * h + 1, q, selected, [&](int pos) { return g - u * (pos - 2 * h - m); });
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
    // Writes value(pos) to the selected pixels from..to (line positions) not yet written; a run
    // that reaches beyond the selection leaves the pixels outside it alone.
    template <typename Selected, typename Value>
    void Fill(uint8_t* out, ptrdiff_t step, int from, int to, const Selected& selected, const Value& value) {
        for (int k = Free(from - base_); k <= to - base_; k = Free(k)) {
            if (selected(k + base_)) out[(k + base_) * step] = ClampByte(value(k + base_));
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

}  // namespace

namespace effect_rules {

bool AntialiasRule(const EffectFrame& f, const EffectParams& params) {
    const int v = params.value;
    if (v == 0) return CopyIfFirst(f), true;
    return Antialias(f, v);
}

}  // namespace effect_rules
}  // namespace mirelo
