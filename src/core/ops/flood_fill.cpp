#include "ops/flood_fill.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace mirelo {

const char16_t kNoColourText[] = u"色を取得できません";
const char16_t kNoMemoryText[] = u"メモリが不足しています";

ColourTolerance ToleranceFromIndices(int alpha, int red, int green, int blue) {
    const auto value = [](int index) { return std::clamp(index, 0, 85) * 3; };
    return ColourTolerance{value(alpha), value(red), value(green), value(blue)};
}

ColourTolerance ToleranceFromOptions(const int32_t* s) {
    return ToleranceFromIndices(s[kAlphaToleranceOption], s[kAlphaToleranceOption + 1], s[kAlphaToleranceOption + 2],
                                s[kAlphaToleranceOption + 3]);
}

namespace {

// The inclusive bounds of the match rule packed as ARGB words: every byte of a matching pixel
// lies between the bytes of `lo` and `hi`.
struct MatchRange {
    uint32_t lo = 0, hi = 0;
};

MatchRange RangeOf(uint32_t reference, const ColourTolerance& t) {
    const int tol[4] = {t.blue, t.green, t.red, t.alpha};  // bytes from the lowest: B, G, R, A
    MatchRange r;
    for (int i = 0; i < 4; ++i) {
        const int v = static_cast<int>((reference >> (8 * i)) & 0xFF);
        const int tc = std::clamp(tol[i], 0, 255);
        r.lo |= static_cast<uint32_t>(std::max(0, v - tc)) << (8 * i);
        r.hi |= static_cast<uint32_t>(std::min(255, v + tc)) << (8 * i);
    }
    return r;
}

inline bool InRange(uint32_t p, const MatchRange& r) {
    for (int i = 0; i < 32; i += 8) {
        const uint32_t v = (p >> i) & 0xFF;
        if (v < ((r.lo >> i) & 0xFF) || v > ((r.hi >> i) & 0xFF)) return false;
    }
    return true;
}

inline uint32_t Load32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}
inline void Store32(uint8_t* p, uint32_t v) { std::memcpy(p, &v, 4); }

bool Is24Or32(const PixelView& v) {
    const int bits = BitsPerPixel(v.format);
    return (bits == 24 || bits == 32) && !IsIndexed(v.format) && !IsExtended(v.format);
}

bool SameSize(const PixelView& a, const PixelView& b) { return a.width == b.width && a.height == b.height; }

// One row of a 32-bit view with its row of the mask: the scans that find stretches of pixels
// that match and are not yet in the region.
class RowScanner {
public:
    explicit RowScanner(const MatchRange& r) : range_(r) {
#if defined(__SSE2__)
        lo_ = _mm_set1_epi32(static_cast<int>(r.lo));
        hi_ = _mm_set1_epi32(static_cast<int>(r.hi));
#endif
    }

    bool Open(const uint8_t* row, const uint8_t* mask, int x) const {
        return !mask[x] && InRange(Load32(row + 4 * static_cast<size_t>(x)), range_);
    }

    // The first x' ≥ x up to `last` + 1 where the pixel is not open.
    int Right(const uint8_t* row, const uint8_t* mask, int x, int last) const {
#if defined(__SSE2__)
        while (x + 3 <= last && Four(row, mask, x)) x += 4;
#endif
        while (x <= last && Open(row, mask, x)) ++x;
        return x;
    }

    // The last x' ≤ x down to `first` − 1 where the pixel is not open.
    int Left(const uint8_t* row, const uint8_t* mask, int x, int first) const {
#if defined(__SSE2__)
        while (x - 3 >= first && Four(row, mask, x - 3)) x -= 4;
#endif
        while (x >= first && Open(row, mask, x)) --x;
        return x;
    }

    // The first x' ≥ x up to `last` + 1 where the pixel is open.
    int NextOpen(const uint8_t* row, const uint8_t* mask, int x, int last) const {
        while (x <= last) {
#if defined(__SSE2__)
            // Whole blocks of the region already found are passed over sixteen at a time.
            if (x + 15 <= last) {
                const __m128i m = _mm_loadu_si128(reinterpret_cast<const __m128i*>(mask + x));
                if (_mm_movemask_epi8(_mm_cmpeq_epi8(m, _mm_setzero_si128())) == 0) {
                    x += 16;
                    continue;
                }
            }
#endif
            if (Open(row, mask, x)) return x;
            ++x;
        }
        return x;
    }

private:
#if defined(__SSE2__)
    // Pixels x..x+3 all match and none is in the region.
    bool Four(const uint8_t* row, const uint8_t* mask, int x) const {
        if (Load32(mask + x) != 0) return false;
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + 4 * static_cast<size_t>(x)));
        const __m128i inLo = _mm_cmpeq_epi8(_mm_max_epu8(v, lo_), v);
        const __m128i inHi = _mm_cmpeq_epi8(_mm_min_epu8(v, hi_), v);
        return _mm_movemask_epi8(_mm_and_si128(inLo, inHi)) == 0xFFFF;
    }
    __m128i lo_, hi_;
#endif
    MatchRange range_;
};

struct FreeDeleter {
    void operator()(uint8_t* p) const { std::free(p); }
};
using MaskBuffer = std::unique_ptr<uint8_t, FreeDeleter>;

// A stretch of one row that belongs to the region.
struct Run {
    int y, left, right;
};

// The scanline fill on a 32-bit view: every run of the region is marked in the mask and handed to
// `onRun` as soon as it is found (it may change those pixels: found pixels are never read again).
template <typename OnRun>
OpStatus ScanlineFill(const PixelView& v, int x, int y, const MatchRange& range, uint8_t* mask, OnRun onRun) {
    const int w = v.width, h = v.height;
    RowScanner scan(range);
    struct Seed {
        int x, y;
    };
    std::vector<Seed> seeds;
    try {
        seeds.reserve(1024);
        seeds.push_back({x, y});
        while (!seeds.empty()) {
            const Seed s = seeds.back();
            seeds.pop_back();
            const uint8_t* row = v.Row(s.y);
            uint8_t* m = mask + static_cast<size_t>(s.y) * static_cast<size_t>(w);
            if (!scan.Open(row, m, s.x)) continue;  // reached from another seed meanwhile
            const int left = scan.Left(row, m, s.x, 0) + 1;
            const int right = scan.Right(row, m, s.x + 1, w - 1) - 1;
            std::memset(m + left, 1, static_cast<size_t>(right - left + 1));
            onRun(Run{s.y, left, right});
            // One seed for every stretch of open pixels above and below the run.
            for (const int ny : {s.y - 1, s.y + 1}) {
                if (ny < 0 || ny >= h) continue;
                const uint8_t* nrow = v.Row(ny);
                const uint8_t* nm = mask + static_cast<size_t>(ny) * static_cast<size_t>(w);
                int i = scan.NextOpen(nrow, nm, left, right);
                while (i <= right) {
                    seeds.push_back({i, ny});
                    i = scan.Right(nrow, nm, i + 1, right);
                    i = scan.NextOpen(nrow, nm, i, right);
                }
            }
        }
    } catch (const std::bad_alloc&) {
        return OpStatus::Failed(kNoMemoryText, fill_status::kNoMemory);
    }
    return {};
}

bool ViewHasAlpha(const PixelView& v) { return BitsPerPixel(v.format) == 32 && HasAlpha(v.format); }

// The bytes of `colour` as a pixel of `out` for an image like `in`.
uint32_t StoredColour(const PixelView& in, uint32_t colour) { return ViewHasAlpha(in) ? colour : colour | 0xFF000000u; }

// `in` copied into `out` (24- or 32-bit each); a 32-bit `out` gets alpha 255 where `in` has none.
void CopyAsImage(const PixelView& in, const PixelView& out) {
    const int inBits = BitsPerPixel(in.format), outBits = BitsPerPixel(out.format);
    const bool opaque = !ViewHasAlpha(in);
    if (in.scan0 == out.scan0 && in.stride == out.stride && inBits == outBits) {
        if (outBits == 32 && opaque) SetFourthBytes(out, 0xFF);
        return;
    }
    for (int y = 0; y < in.height; ++y) {
        const uint8_t* s = in.Row(y);
        uint8_t* d = out.Row(y);
        if (inBits == outBits) {
            std::memmove(d, s, static_cast<size_t>(in.width) * static_cast<size_t>(inBits / 8));
            if (outBits == 32 && opaque)
                for (int x = 0; x < in.width; ++x) d[4 * x + 3] = 0xFF;
        } else if (outBits == 32) {
            for (int x = 0; x < in.width; ++x) {
                d[4 * x] = s[3 * x], d[4 * x + 1] = s[3 * x + 1], d[4 * x + 2] = s[3 * x + 2], d[4 * x + 3] = 0xFF;
            }
        } else {
            for (int x = 0; x < in.width; ++x) {
                d[3 * x] = s[4 * x], d[3 * x + 1] = s[4 * x + 1], d[3 * x + 2] = s[4 * x + 2];
            }
        }
    }
}

void WriteRun(const PixelView& out, const Run& r, uint32_t stored) {
    uint8_t* p = out.Row(r.y);
    if (BitsPerPixel(out.format) == 32) {
        for (int x = r.left; x <= r.right; ++x) Store32(p + 4 * static_cast<size_t>(x), stored);
    } else {
        for (int x = r.left; x <= r.right; ++x) {
            uint8_t* q = p + 3 * static_cast<size_t>(x);
            q[0] = static_cast<uint8_t>(stored), q[1] = static_cast<uint8_t>(stored >> 8), q[2] = static_cast<uint8_t>(stored >> 16);
        }
    }
}

MaskBuffer NewMask(int w, int h) {
    return MaskBuffer(static_cast<uint8_t*>(std::calloc(static_cast<size_t>(w) * static_cast<size_t>(h), 1)));
}

OpStatus CheckPair(const PixelView& in, const PixelView& out, int x, int y) {
    if (!in.scan0 || !out.scan0 || in.width <= 0 || in.height <= 0 || !SameSize(in, out) || !Is24Or32(in) || !Is24Or32(out))
        return OpStatus::Failed(nullptr, fill_status::kBadParams);
    if (in.scan0 == out.scan0 && (in.stride != out.stride || BitsPerPixel(in.format) != BitsPerPixel(out.format)))
        return OpStatus::Failed(nullptr, fill_status::kBadParams);
    if (x < 0 || y < 0 || x >= in.width || y >= in.height) return OpStatus::Failed(kNoColourText, fill_status::kNoColour);
    return {};
}

}  // namespace

bool ColourMatches(uint32_t argb, uint32_t reference, const ColourTolerance& t) {
    return InRange(argb, RangeOf(reference, t));
}

uint32_t ReadArgbPixel(const PixelView& v, int x, int y) {
    const uint8_t* p = v.At(x, y);
    const uint32_t rgb = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16;
    return rgb | (ViewHasAlpha(v) ? static_cast<uint32_t>(p[3]) << 24 : 0xFF000000u);
}

OpStatus FindFillRegion(const PixelView& argb, int x, int y, uint32_t reference, const ColourTolerance& tolerance,
                        uint8_t* mask) {
    if (!argb.scan0 || !mask || argb.width <= 0 || argb.height <= 0 || BitsPerPixel(argb.format) != 32)
        return OpStatus::Failed(nullptr, fill_status::kBadParams);
    if (x < 0 || y < 0 || x >= argb.width || y >= argb.height) return OpStatus::Failed(kNoColourText, fill_status::kNoColour);
    return ScanlineFill(argb, x, y, RangeOf(reference, tolerance), mask, [](const Run&) {});
}

OpStatus AreaFill(const PixelView& in, const PixelView& out, const AreaFillParams& p) {
    if (OpStatus s = CheckPair(in, out, p.x, p.y); !s.ok()) return s;
    const uint32_t reference = ReadArgbPixel(in, p.x, p.y);
    const uint32_t stored = StoredColour(in, p.colour);
    const int w = in.width, h = in.height;
    MaskBuffer mask = NewMask(w, h);
    if (!mask) return OpStatus::Failed(kNoMemoryText, fill_status::kNoMemory);

    // The fill runs on 32-bit pixels with the alpha as the match rule reads it: `out` itself when
    // it has 32 bits, else a working copy.
    std::vector<uint8_t> work;
    PixelView argb = out;
    if (BitsPerPixel(out.format) != 32) {
        try {
            work.resize(static_cast<size_t>(w) * static_cast<size_t>(h) * 4);
        } catch (const std::bad_alloc&) {
            return OpStatus::Failed(kNoMemoryText, fill_status::kNoMemory);
        }
        argb = PixelView{w, h, w * 4, fmt::k32ARGB, work.data()};
        CopyAsImage(in, argb);
        if (p.colour == reference) {
            CopyAsImage(in, out);
            return {};
        }
        std::vector<Run> runs;
        OpStatus s;
        try {
            s = ScanlineFill(argb, p.x, p.y, RangeOf(reference, p.tolerance), mask.get(),
                             [&runs](const Run& r) { runs.push_back(r); });
        } catch (const std::bad_alloc&) {
            s = OpStatus::Failed(kNoMemoryText, fill_status::kNoMemory);
        }
        if (!s.ok()) return s;
        CopyAsImage(in, out);
        for (const Run& r : runs) WriteRun(out, r, stored);
        return {};
    }
    const bool inPlace = in.scan0 == out.scan0;
    CopyAsImage(in, out);
    argb.format = fmt::k32ARGB;
    if (p.colour == reference) return {};
    const MatchRange range = RangeOf(reference, p.tolerance);
    if (!inPlace) {
        // Each run is written as soon as it is found (found pixels are never read again); when
        // the fill fails part way, `out` becomes the copy of `in` again.
        const OpStatus s = ScanlineFill(argb, p.x, p.y, range, mask.get(), [&](const Run& r) { WriteRun(out, r, stored); });
        if (!s.ok()) CopyAsImage(in, out);
        return s;
    }
    // In place the runs are written only once the whole region is known, so that a failure
    // leaves the image as it was.
    std::vector<Run> runs;
    const OpStatus s = ScanlineFill(argb, p.x, p.y, range, mask.get(), [&runs](const Run& r) { runs.push_back(r); });
    if (!s.ok()) return s;
    for (const Run& r : runs) WriteRun(out, r, stored);
    return {};
}

bool ReplacementMatches(uint32_t argb, uint32_t reference, const ReplaceParams& p) {
    if (p.alphaOnly) return (argb >> 24) == (reference >> 24);
    return ColourMatches(argb, reference, p.tolerance);
}

OpStatus ReplaceColour(const PixelView& in, const PixelView& out, const ReplaceParams& p) {
    if (OpStatus s = CheckPair(in, out, p.x, p.y); !s.ok()) return s;
    const uint32_t reference = ReadArgbPixel(in, p.x, p.y);
    const uint32_t stored = StoredColour(in, p.colour);
    ColourTolerance t = p.tolerance;
    if (p.alphaOnly) t = ColourTolerance{0, 255, 255, 255};
    const MatchRange range = RangeOf(reference, t);
    CopyAsImage(in, out);
    const bool outIs32 = BitsPerPixel(out.format) == 32;
    for (int y = 0; y < in.height; ++y) {
        for (int x = 0; x < in.width; ++x) {
            if (!InRange(ReadArgbPixel(in, x, y), range)) continue;
            if (outIs32) {
                Store32(out.At(x, y), stored);
            } else {
                uint8_t* q = out.At(x, y);
                q[0] = static_cast<uint8_t>(stored), q[1] = static_cast<uint8_t>(stored >> 8), q[2] = static_cast<uint8_t>(stored >> 16);
            }
        }
    }
    return {};
}

OpStatus PaintMask(const PixelView& out, const uint8_t* mask, uint32_t colour) {
    const int bits = BitsPerPixel(out.format);
    if (!out.scan0 || !mask || out.width <= 0 || out.height <= 0 || (bits != 24 && bits != 32))
        return OpStatus::Failed(nullptr, fill_status::kBadParams);
    const uint32_t stored = StoredColour(out, colour);
    for (int y = 0; y < out.height; ++y) {
        const uint8_t* m = mask + static_cast<size_t>(y) * static_cast<size_t>(out.width);
        for (int x = 0; x < out.width; ++x) {
            if (!m[x]) continue;
            uint8_t* q = out.At(x, y);
            if (bits == 32) {
                Store32(q, stored);
            } else {
                q[0] = static_cast<uint8_t>(stored), q[1] = static_cast<uint8_t>(stored >> 8), q[2] = static_cast<uint8_t>(stored >> 16);
            }
        }
    }
    return {};
}

OpStatus FindReplacedPixels(const PixelView& argb, const ReplaceParams& p, uint8_t* mask) {
    if (!argb.scan0 || !mask || argb.width <= 0 || argb.height <= 0 || BitsPerPixel(argb.format) != 32)
        return OpStatus::Failed(nullptr, fill_status::kBadParams);
    if (p.x < 0 || p.y < 0 || p.x >= argb.width || p.y >= argb.height)
        return OpStatus::Failed(kNoColourText, fill_status::kNoColour);
    const uint32_t reference = Load32(argb.At(p.x, p.y));
    for (int y = 0; y < argb.height; ++y)
        for (int x = 0; x < argb.width; ++x)
            mask[static_cast<size_t>(y) * static_cast<size_t>(argb.width) + static_cast<size_t>(x)] =
                ReplacementMatches(Load32(argb.At(x, y)), reference, p) ? 1 : 0;
    return {};
}

}  // namespace mirelo
