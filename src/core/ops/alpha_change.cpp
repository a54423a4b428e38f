#include "ops/alpha_change.h"

#include <algorithm>
#include <array>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace mirelo {

const char16_t* const kAlphaSourceNames[alpha_change::kFixedSourceCount] = {
    u"一様",           u"反転",           u"下",           u"上",           u"右",
    u"左",             u"右斜め下",       u"左斜め上",     u"左斜め下",     u"右斜め上",
    u"長方形（外）",   u"長方形（内）",   u"楕円（外）",   u"楕円（内）",   u"正方形（外）",
    u"正方形（内）",   u"円（外）",       u"円（内）",     u"ｱﾙﾌｧ ﾙﾐﾅｽ",
};

const char16_t* const kAlphaOperationNames[alpha_change::kOperationCount] = {
    u"置換", u"減算", u"加算", u"最大値", u"最小値", u"平均",
};

uint8_t CombineAlpha(int operation, uint8_t alpha, uint8_t level) {
    const int a = alpha, s = level;
    switch (operation) {
    case alpha_change::kSubtract: return static_cast<uint8_t>(std::max(0, a - (255 - s)));
    case alpha_change::kAdd: return static_cast<uint8_t>(std::min(255, a + (255 - s)));
    case alpha_change::kMaximum: return static_cast<uint8_t>(std::min(a, s));
    case alpha_change::kMinimum: return static_cast<uint8_t>(std::max(a, s));
    case alpha_change::kAverage: return static_cast<uint8_t>((a + s) >> 1);
    default: return level;
    }
}

AlphaSourceControls AlphaSourceControlsFor(int source, bool otherImageHasAlpha) {
    AlphaSourceControls c;
    c.valueEnabled = source == alpha_change::kUniform;
    c.operationEnabled = source != alpha_change::kInvert && source != alpha_change::kAlphaAsLuminance;
    c.useAlphaEnabled = source >= alpha_change::kFirstImage && otherImageHasAlpha;
    return c;
}

AlphaGradient AlphaGradientFor(int source, int width, int height) {
    AlphaGradient g;
    const int n = source - alpha_change::kFirstGradient;
    // Even entries run from white to black (or have a white centre), odd ones the other way.
    const bool whiteFirst = n % 2 == 0;
    if (n < 8) {
        static constexpr std::array<std::array<int, 4>, 4> kLines = {{
            {0, 0, 0, 1},  // down, up
            {0, 0, 1, 0},  // right, left
            {0, 0, 1, 1},  // down to the right, up to the left
            {1, 0, 0, 1},  // down to the left, up to the right
        }};
        const auto& l = kLines[static_cast<size_t>(n / 2)];
        g.x1 = l[0] * width;
        g.y1 = l[1] * height;
        g.x2 = l[2] * width;
        g.y2 = l[3] * height;
        g.c1 = whiteFirst ? 255 : 0;
        g.c2 = whiteFirst ? 0 : 255;
        return g;
    }
    g.linear = false;
    const int shape = (n - 8) / 2;  // rectangle, ellipse, square, circle
    g.ellipse = shape == 1 || shape == 3;
    if (shape >= 2) {
        const int side = std::min(width, height);
        g.left = (width - side) / 2;
        g.top = (height - side) / 2;
        g.width = g.height = side;
    } else {
        g.width = width;
        g.height = height;
    }
    // Outer variants: white centre on black; inner variants: black centre, white round it.
    g.centre = whiteFirst ? 255 : 0;
    g.surround = whiteFirst ? 0 : 255;
    g.background = whiteFirst ? 0 : 255;
    return g;
}

namespace {

using Source = AlphaChangeParams::Source;

// The table of new alphas for one level: table[A].
std::array<uint8_t, 256> LevelTable(int operation, uint8_t level) {
    std::array<uint8_t, 256> t{};
    for (int a = 0; a < 256; ++a) t[static_cast<size_t>(a)] = CombineAlpha(operation, static_cast<uint8_t>(a), level);
    return t;
}

void CopyRowIfApart(const uint8_t* from, uint8_t* to, int width) {
    if (from != to) std::memcpy(to, from, static_cast<size_t>(width) * 4);
}

// Every pixel through one table of new alphas.
void ApplyTable(const PixelView& in, const PixelView& out, const std::array<uint8_t, 256>& table) {
    for (int y = 0; y < in.height; ++y) {
        const uint8_t* s = in.Row(y);
        uint8_t* d = out.Row(y);
        CopyRowIfApart(s, d, in.width);
        for (int x = 0; x < in.width; ++x) d[x * 4 + 3] = table[s[x * 4 + 3]];
    }
}

#if defined(__SSE2__)
// One level for every pixel, or the inversion (invert): four pixels at a time, each operation
// as saturating byte arithmetic on the alpha bytes; the rest of a row goes through the table.
bool ApplyLevelVectors(const PixelView& in, const PixelView& out, int operation, uint8_t level, bool invert) {
    const __m128i s = _mm_set1_epi8(static_cast<char>(level));
    const __m128i complement = _mm_set1_epi8(static_cast<char>(255 - level));
    const __m128i ones = _mm_set1_epi8(1), all = _mm_set1_epi8(-1);
    const __m128i alphaBytes = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    const auto combine = [&](__m128i a) -> __m128i {
        if (invert) return _mm_xor_si128(a, all);
        switch (operation) {
        case alpha_change::kSubtract: return _mm_subs_epu8(a, complement);
        case alpha_change::kAdd: return _mm_adds_epu8(a, complement);
        case alpha_change::kMaximum: return _mm_min_epu8(a, s);
        case alpha_change::kMinimum: return _mm_max_epu8(a, s);
        case alpha_change::kAverage:  // the rounded-up mean less the odd half
            return _mm_sub_epi8(_mm_avg_epu8(a, s), _mm_and_si128(_mm_xor_si128(a, s), ones));
        default: return s;
        }
    };
    std::array<uint8_t, 256> table{};
    for (int a = 0; a < 256; ++a)
        table[static_cast<size_t>(a)] = invert ? static_cast<uint8_t>(255 - a) : CombineAlpha(operation, static_cast<uint8_t>(a), level);
    for (int y = 0; y < in.height; ++y) {
        const uint8_t* src = in.Row(y);
        uint8_t* dst = out.Row(y);
        int x = 0;
        for (; x + 4 <= in.width; x += 4) {
            const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + x * 4));
            const __m128i q = _mm_or_si128(_mm_andnot_si128(alphaBytes, p), _mm_and_si128(alphaBytes, combine(p)));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + x * 4), q);
        }
        for (; x < in.width; ++x) {
            if (src != dst) std::memcpy(dst + x * 4, src + x * 4, 3);
            dst[x * 4 + 3] = table[src[x * 4 + 3]];
        }
    }
    return true;
}
#else
bool ApplyLevelVectors(const PixelView&, const PixelView&, int, uint8_t, bool) { return false; }
#endif

inline uint8_t Luminance(const uint8_t* bgra) {
    // trunc(0.299 R + 0.587 G + 0.114 B), in whole numbers so that greys stay themselves.
    return static_cast<uint8_t>((299 * bgra[2] + 587 * bgra[1] + 114 * bgra[0]) / 1000);
}

// Every pixel with a level of its own, `level(x, y)`.
template <typename Level>
void ApplyLevels(const PixelView& in, const PixelView& out, int operation, int levelWidth, int levelHeight, Level level) {
    for (int y = 0; y < in.height; ++y) {
        const uint8_t* s = in.Row(y);
        uint8_t* d = out.Row(y);
        CopyRowIfApart(s, d, in.width);
        if (y >= levelHeight) continue;
        const int n = std::min(in.width, levelWidth);
        for (int x = 0; x < n; ++x) d[x * 4 + 3] = CombineAlpha(operation, s[x * 4 + 3], level(x, y));
    }
}

}  // namespace

OpStatus ChangeAlpha(const PixelView& in, const PixelView& out, const AlphaChangeParams& p) {
    if (!in.scan0 || !out.scan0 || in.width != out.width || in.height != out.height || in.width <= 0 || in.height <= 0)
        return OpStatus::Failed(nullptr, alpha_change::kBadParams);
    if (BitsPerPixel(in.format) != 32 || BitsPerPixel(out.format) != 32)
        return OpStatus::Failed(u"32bit 画像専用です", alpha_change::kNot32Bit);
    const int operation = p.operation >= 0 && p.operation < alpha_change::kOperationCount ? p.operation : alpha_change::kReplace;
    switch (p.source) {
    case Source::Uniform: {
        if (p.value < 0 || p.value > 255) return OpStatus::Failed(nullptr, alpha_change::kBadParams);
        const auto level = static_cast<uint8_t>(255 - p.value);
        if (!ApplyLevelVectors(in, out, operation, level, false)) ApplyTable(in, out, LevelTable(operation, level));
        return {};
    }
    case Source::Invert: {
        if (ApplyLevelVectors(in, out, alpha_change::kReplace, 0, true)) return {};
        std::array<uint8_t, 256> t{};
        for (int a = 0; a < 256; ++a) t[static_cast<size_t>(a)] = static_cast<uint8_t>(255 - a);
        ApplyTable(in, out, t);
        return {};
    }
    case Source::AlphaAsLuminance:
        for (int y = 0; y < in.height; ++y) {
            const uint8_t* s = in.Row(y);
            uint8_t* d = out.Row(y);
            for (int x = 0; x < in.width; ++x) {
                const uint8_t a = s[x * 4 + 3];
                d[x * 4] = d[x * 4 + 1] = d[x * 4 + 2] = a;
                d[x * 4 + 3] = 255;
            }
        }
        return {};
    case Source::Mask: {
        const PixelView* m = p.levels;
        if (!m || !m->scan0 || BitsPerPixel(m->format) != 24 || m->width != in.width || m->height != in.height)
            return OpStatus::Failed(nullptr, alpha_change::kBadParams);
        // The mask is grey: its green byte is its level.
        ApplyLevels(in, out, operation, m->width, m->height, [m](int x, int y) { return m->Row(y)[x * 3 + 1]; });
        return {};
    }
    case Source::Image: {
        const PixelView* o = p.levels;
        if (!o || !o->scan0 || BitsPerPixel(o->format) != 32 || o->width <= 0 || o->height <= 0)
            return OpStatus::Failed(nullptr, alpha_change::kBadParams);
        if (p.useAlpha)
            ApplyLevels(in, out, operation, o->width, o->height, [o](int x, int y) { return o->Row(y)[x * 4 + 3]; });
        else
            ApplyLevels(in, out, operation, o->width, o->height, [o](int x, int y) { return Luminance(o->Row(y) + x * 4); });
        return {};
    }
    }
    return OpStatus::Failed(nullptr, alpha_change::kBadParams);
}

}  // namespace mirelo
