#include "ops/effects.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "ops/effect_frame.h"

namespace mirelo {

namespace effect_kit {

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

}  // namespace effect_kit

namespace {

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

// Whether a rule reads the source while it writes the destination other than pixel for pixel,
// and so needs the source apart from the destination.
bool ReadsAround(const EffectInfo& info) { return info.kind == EffectKind::kNeighbourhood || info.kind == EffectKind::kSource; }

}  // namespace

OpStatus ApplyEffectPixels(const PixelView& source, const PixelView& destination, const EffectParams& params) {
    if (!source.scan0 || !destination.scan0 || source.width <= 0 || source.height <= 0)
        return OpStatus::Failed(effect_text::kNoMemory, effect_status::kMissingBitmap);
    if (BitsPerPixel(source.format) != 32) return OpStatus::Failed(effect_text::kFormatNotSupported, effect_status::kFormat);
    if (source.width != destination.width || source.height != destination.height || source.format != destination.format)
        return OpStatus::Failed(effect_text::kSizeOrFormatDiffers, effect_status::kSizeOrFormat);
    const EffectInfo* info = FindEffect(params.effect);
    if (!info || !info->rule) return OpStatus::Failed(nullptr, effect_status::kBadEffect);
    if (params.value < 0 || params.value > info->maxValue)
        return OpStatus::Failed(nullptr, effect_status::kBadValue);
    try {
        EffectFrame f;
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
        if (Overlap(source, destination) && (!same || ReadsAround(*info))) {
            privateCopy.resize(static_cast<size_t>(f.w) * f.h * 4);
            for (int y = 0; y < f.h; ++y)
                std::memcpy(&privateCopy[static_cast<size_t>(y) * f.w * 4], source.Row(y), static_cast<size_t>(f.w) * 4);
            f.src.scan0 = privateCopy.data();
            f.src.stride = f.w * 4;
            // With copy-first the destination becomes the source: reading the copy instead
            // gives the same pixels.
        }
        if (!info->rule(f, params)) return OpStatus::Failed(effect_text::kNoMemory, effect_status::kOutOfMemory);
    } catch (const std::bad_alloc&) {
        return OpStatus::Failed(effect_text::kNoMemory, effect_status::kOutOfMemory);
    }
    return OpStatus{};
}

}  // namespace mirelo
