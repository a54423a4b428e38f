// The colour reduction's shared pieces (internal to src/core/colour/quantize*.cpp): pixel and
// colour helpers and the nearest-colour search over a palette or a range of it.
#pragma once
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "colour/quantize.h"

#if defined(__GNUC__)
#define MIRELO_ALWAYS_INLINE inline __attribute__((always_inline))
#define MIRELO_NOINLINE __attribute__((noinline))
#else
#define MIRELO_ALWAYS_INLINE inline
#define MIRELO_NOINLINE
#endif

namespace mirelo {
namespace quantize_kit {

inline uint8_t* PixelAt(const PixelView& v, int x, int y) { return v.Row(y) + static_cast<intptr_t>(x) * 4; }

inline uint32_t ArgbAt(const PixelView& v, int x, int y) {
    const uint8_t* p = PixelAt(v, x, y);
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

inline int Red(uint32_t c) { return (c >> 16) & 0xFF; }
inline int Green(uint32_t c) { return (c >> 8) & 0xFF; }
inline int Blue(uint32_t c) { return c & 0xFF; }

#if !defined(__SSE2__)
inline uint8_t Spread(uint8_t value, int weight, int error) {
    int v = value + weight * error / 16;
    return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
}

inline void Spread(uint8_t* p, int weight, int er, int eg, int eb) {
    p[0] = Spread(p[0], weight, eb);
    p[1] = Spread(p[1], weight, eg);
    p[2] = Spread(p[2], weight, er);
}
#endif


// Full 32-bit colours of the pixels in order of first appearance; stops once limit + 1 are known.
int DistinctColours(const PixelView& v, int limit, std::vector<uint32_t>& list);

#if defined(__SSE2__)
// A pixel's B, G, R (and A) as the low four 16-bit lanes of a vector.
using Lanes = __m128i;
#else
struct Lanes {};
#endif

// A palette colour as four 16-bit values B, G, R, 0 (the form the error diffusion subtracts).
inline uint64_t WideColour(uint32_t c) {
    return uint64_t(Blue(c)) | uint64_t(Green(c)) << 16 | uint64_t(Red(c)) << 32;
}

// Nearest-colour search for each pixel colour over a range of the palette. The colour cube is cut
// into cells 8 values wide in each channel (in a search by ranges, a cell also keeps to the key
// channel's values of its range); a cell's candidate list, made when a colour first falls into
// it, holds every entry of the cell's range that can be the closest for some colour of the cell,
// in palette order. An entry is left out only when its least possible distance to the cell
// exceeds the greatest distance from the cell to another entry (the bound), so all of a
// colour's closest entries are on the list and the first of them in palette order is found,
// exactly as a walk over the whole range finds it. The lists are drawn from those of cells 16
// wide: an entry on a small cell's list, and the entry that sets its bound, are on the list of
// the large cell around it (the small cell's least distances are no smaller and its bound no
// larger).
//
// The candidates sit eight to a group. Each lane's key is distance × 64 + the lane's place on
// the list (offset so that a signed 16-bit minimum orders the keys), so one minimum over all
// lanes gives both the least distance and, among the entries at that distance, the first on the
// list, without a branch per candidate. Lists longer than 64 are taken 64 at a time.
template <int kKey, bool kRanged>
class CellSearch {
public:
    // Search over the whole palette.
    explicit CellSearch(const std::vector<uint32_t>& palette) : CellSearch(palette, nullptr, nullptr) {}

    // Search over a range that depends on the value v of the channel kKey (0 B, 1 G, 2 R):
    // [from[v], to[v]). Each distinct range has cells of its own, only for the values of the
    // key channel that have that range.
    CellSearch(const std::vector<uint32_t>& palette, const int* from, const int* to) : palette_(palette) {
        const int n = static_cast<int>(palette.size());
        for (uint32_t c : palette) {
            wide_.push_back(WideColour(c));
            channel_[0].push_back(static_cast<int16_t>(Red(c)));
            channel_[1].push_back(static_cast<int16_t>(Green(c)));
            channel_[2].push_back(static_cast<int16_t>(Blue(c)));
        }
        if (wide_.empty()) {
            wide_.push_back(0);
            for (auto& values : channel_) values.push_back(0);
        }
        uint8_t lowest[256], highest[256];  // key values of each range
        for (int value = 0; value < 256; ++value) {
            std::pair<int, int> range{kRanged ? from[value] : 0, kRanged ? to[value] : n};
            auto it = std::find(ranges_.begin(), ranges_.end(), range);
            const size_t id = static_cast<size_t>(it - ranges_.begin());
            rangeOf_[value] = static_cast<uint8_t>(id);
            if (it == ranges_.end()) {
                ranges_.push_back(range);
                lowest[id] = static_cast<uint8_t>(value);
            }
            highest[id] = static_cast<uint8_t>(value);
        }
        // Each range has 32 × 32 cells 8 wide (16 × 16 cells 16 wide) for each block of 8 (16)
        // key values its values touch.
        size_t small = 0, large = 0;
        std::vector<size_t> smallStart, largeStart;
        for (size_t id = 0; id < ranges_.size(); ++id) {
            rangeLowest_[id] = lowest[id];
            rangeHighest_[id] = highest[id];
            smallStart.push_back(small);
            largeStart.push_back(large);
            small += size_t((highest[id] >> 3) - (lowest[id] >> 3) + 1) << 10;
            large += size_t((highest[id] >> 4) - (lowest[id] >> 4) + 1) << 8;
        }
        for (int value = 0; value < 256; ++value) {
            const size_t id = rangeOf_[value];
            smallBase_[value] = static_cast<uint32_t>(smallStart[id] + (size_t((value >> 3) - (lowest[id] >> 3)) << 10));
            largeBase_[value] = static_cast<uint32_t>(largeStart[id] + (size_t((value >> 4) - (lowest[id] >> 4)) << 8));
        }
        cells_.assign(small, 0);
        lists_.assign(large, 0);
    }

    // Index of the nearest entry to colour `c` (B | G << 8 | R << 16, alpha above it ignored), whose
    // B, G, R are also in `lanes`; `chosen` receives that entry's colour as from WideColour.
    MIRELO_ALWAYS_INLINE int Nearest(uint32_t c, Lanes lanes, const uint64_t*& chosen) {
        const size_t cell = smallBase_[(c >> (8 * kKey)) & 255] + (((c >> (8 * kHigh - 2)) & 0x3E0) | ((c >> (8 * kLow + 3)) & 0x1F));
        uint32_t ref = cells_[cell];
        if (ref == 0) ref = Build(cell, c);
        const Group* group = reinterpret_cast<const Group*>(reinterpret_cast<const char*>(groups_.data()) + (ref & ~63u));
        const int groups = static_cast<int>(ref & 63);
        int index;
#if defined(__SSE2__)
        const __m128i blue = _mm_shufflelo_epi16(lanes, _MM_SHUFFLE(0, 0, 0, 0));
        const __m128i green = _mm_shufflelo_epi16(lanes, _MM_SHUFFLE(1, 1, 1, 1));
        const __m128i red = _mm_shufflelo_epi16(lanes, _MM_SHUFFLE(2, 2, 2, 2));
        const __m128i pb = _mm_unpacklo_epi64(blue, blue), pg = _mm_unpacklo_epi64(green, green),
                      pr = _mm_unpacklo_epi64(red, red);
        if (groups == 1) {
            index = group->index[Least(Keys(group[0], 0, pr, pg, pb)) & 7];
        } else {
            const int slot = groups == 2 ? Least(_mm_min_epi16(Keys(group[0], 0, pr, pg, pb), Keys(group[1], 1, pr, pg, pb))) & 63
                                         : NearestAmongMany(group, groups, pr, pg, pb);
            index = group[slot >> 3].index[slot & 7];
        }
#else
        (void)lanes;
        const int r = Red(c), g = Green(c), b = Blue(c);
        int bestDistance = 1 << 30;
        index = 0;
        for (int k = 0; k < groups; ++k) {
            for (int lane = 0; lane < 8; ++lane) {
                const int d = ColourDistance(r, g, b, group[k].r[lane], group[k].g[lane], group[k].b[lane]);
                if (d < bestDistance) {
                    bestDistance = d;
                    index = group[k].index[lane];
                }
            }
        }
#endif
        chosen = wide_.data() + index;
        return index;
    }

private:
    // Eight candidates side by side, one cache line. A group that is not full repeats its
    // first lane, which can never be chosen in place of that lane.
    struct alignas(64) Group {
        int16_t r[8], g[8], b[8];
        uint8_t index[8];
    };
    static_assert(sizeof(Group) == 64, "a cell's reference keeps the number of groups below a group's size");
    static constexpr int kGroupsPerRun = 8;  // 64 places fit in the key's six low bits
    // The other two channels (0 B, 1 G, 2 R), which place a cell within its key values' block.
    static constexpr int kHigh = kKey == 2 ? 1 : 2, kLow = kKey == 0 ? 1 : 0;

#if defined(__SSE2__)
    // The keys of the lanes of the k-th group of a run: distance × 64 + place − 32768 (distance
    // ≤ 637, so no wrap).
    static __m128i Keys(const Group& group, int k, __m128i pr, __m128i pg, __m128i pb) {
        const __m128i cr = _mm_load_si128(reinterpret_cast<const __m128i*>(group.r));
        const __m128i cg = _mm_load_si128(reinterpret_cast<const __m128i*>(group.g));
        const __m128i cb = _mm_load_si128(reinterpret_cast<const __m128i*>(group.b));
        const __m128i dr = _mm_max_epi16(_mm_sub_epi16(cr, pr), _mm_sub_epi16(pr, cr));
        const __m128i dg = _mm_max_epi16(_mm_sub_epi16(cg, pg), _mm_sub_epi16(pg, cg));
        const __m128i db = _mm_max_epi16(_mm_sub_epi16(cb, pb), _mm_sub_epi16(pb, cb));
        const __m128i d = _mm_add_epi16(_mm_srai_epi16(_mm_add_epi16(_mm_add_epi16(dr, dg), db), 1),
                                        _mm_max_epi16(_mm_max_epi16(dr, dg), db));
        const __m128i place = _mm_add_epi16(_mm_setr_epi16(0, 1, 2, 3, 4, 5, 6, 7),
                                            _mm_set1_epi16(static_cast<int16_t>(8 * k - 32768)));
        return _mm_add_epi16(_mm_slli_epi16(d, 6), place);
    }

    // The least of eight signed 16-bit lanes, in the low 16 bits of the result.
    static int Least(__m128i m) {
        m = _mm_min_epi16(m, _mm_shuffle_epi32(m, _MM_SHUFFLE(1, 0, 3, 2)));
        m = _mm_min_epi16(m, _mm_shuffle_epi32(m, _MM_SHUFFLE(2, 3, 0, 1)));
        m = _mm_min_epi16(m, _mm_shufflelo_epi16(m, _MM_SHUFFLE(2, 3, 0, 1)));
        return _mm_cvtsi128_si32(m);
    }

    // The place on the list of the nearest among three or more groups.
    MIRELO_NOINLINE static int NearestAmongMany(const Group* group, int groups, __m128i pr, __m128i pg, __m128i pb) {
        int bestKey = 1 << 30, slot = 0;
        for (int run = 0; run < groups; run += kGroupsPerRun) {
            __m128i least = Keys(group[run], 0, pr, pg, pb);
            for (int k = run + 1; k < std::min(groups, run + kGroupsPerRun); ++k)
                least = _mm_min_epi16(least, Keys(group[k], k - run, pr, pg, pb));
            const int key = (Least(least) & 0xFFFF) ^ 0x8000;  // distance × 64 + place in the run
            if ((key >> 6) < (bestKey >> 6)) {
                bestKey = key;
                slot = run * 8 + (key & 63);
            }
        }
        return slot;
    }
#endif

    static int Distance3(const int d[3]) { return ((d[0] + d[1] + d[2]) >> 1) + std::max(d[0], std::max(d[1], d[2])); }

    // The entries of `from` (palette indices, with their R, G, B in colour[]) that can be the
    // closest for a colour of the box low[ch]..high[ch] (R, G, B): those whose least distance to
    // the box is within the bound.
    // The list goes to list_ (listSize_ entries). count ≤ 256.
    void Candidates(const uint8_t* from, const int16_t* const colour[3], size_t count, const int low[3], const int high[3]) {
        const size_t padded = (count + 7) & ~size_t{7};
        for (int ch = 0; ch < 3; ++ch) {
            std::copy(colour[ch], colour[ch] + count, gathered_[ch]);
            std::fill(gathered_[ch] + count, gathered_[ch] + padded, colour[ch][0]);
        }
        int bound = 1 << 30;
#if defined(__SSE2__)
        __m128i lowest = _mm_set1_epi16(0x7FFF);
        for (size_t k = 0; k < padded; k += 8) {
            __m128i nearest[3], farthest[3];
            for (int ch = 0; ch < 3; ++ch) {
                const __m128i v = _mm_load_si128(reinterpret_cast<const __m128i*>(gathered_[ch] + k));
                const __m128i below = _mm_sub_epi16(_mm_set1_epi16(static_cast<int16_t>(low[ch])), v);
                const __m128i above = _mm_sub_epi16(v, _mm_set1_epi16(static_cast<int16_t>(high[ch])));
                nearest[ch] = _mm_max_epi16(_mm_max_epi16(below, above), _mm_setzero_si128());
                farthest[ch] = _mm_sub_epi16(_mm_setzero_si128(), _mm_min_epi16(below, above));
            }
            _mm_store_si128(reinterpret_cast<__m128i*>(least_ + k), Distance8(nearest));
            lowest = _mm_min_epi16(lowest, Distance8(farthest));
        }
        alignas(16) int16_t lanes[8];
        _mm_store_si128(reinterpret_cast<__m128i*>(lanes), lowest);
        for (int16_t d : lanes) bound = std::min(bound, int{d});
#else
        for (size_t k = 0; k < padded; ++k) {
            int nearest[3], farthest[3];
            for (int ch = 0; ch < 3; ++ch) {
                const int v = gathered_[ch][k];
                nearest[ch] = v < low[ch] ? low[ch] - v : v > high[ch] ? v - high[ch] : 0;
                farthest[ch] = std::max(std::abs(v - low[ch]), std::abs(v - high[ch]));
            }
            least_[k] = static_cast<int16_t>(Distance3(nearest));
            bound = std::min(bound, Distance3(farthest));
        }
#endif
        size_t n = 0;
        for (size_t k = 0; k < count; ++k) {
            list_[n] = from[k];
            n += least_[k] <= bound;
        }
        listSize_ = n;
    }

#if defined(__SSE2__)
    // Distance3 of eight lanes.
    static __m128i Distance8(const __m128i d[3]) {
        return _mm_add_epi16(_mm_srai_epi16(_mm_add_epi16(_mm_add_epi16(d[0], d[1]), d[2]), 1),
                             _mm_max_epi16(_mm_max_epi16(d[0], d[1]), d[2]));
    }
#endif

    // The box (R, G, B) of the colours of a cell `size` wide holding colour c; in a search by
    // ranges, the key channel is held to the values that have the cell's range.
    void Box(uint32_t c, size_t range, int size, int low[3], int high[3]) const {
        const int colour[3] = {Red(c), Green(c), Blue(c)};
        for (int ch = 0; ch < 3; ++ch) {
            low[ch] = colour[ch] & ~(size - 1);
            high[ch] = low[ch] + size - 1;
        }
        if (kRanged) {
            constexpr int key = 2 - kKey;  // 0 B, 1 G, 2 R → place in R, G, B
            low[key] = std::max(low[key], int{rangeLowest_[range]});
            high[key] = std::min(high[key], int{rangeHighest_[range]});
        }
    }

    MIRELO_NOINLINE uint32_t Build(size_t cell, uint32_t c) {
        const int key = (c >> (8 * kKey)) & 255;
        const size_t range = rangeOf_[key];
        int low[3], high[3];
        // The list of the cell 16 wide around it.
        const size_t large = largeBase_[key] + (((c >> (8 * kHigh)) & 0xF0) | ((c >> (8 * kLow + 4)) & 0xF));
        uint64_t largeRef = lists_[large];
        if (largeRef == 0) {
            auto [from, to] = ranges_[range];
            if (to <= from) from = 0, to = 1;  // an empty range: entry 0
            all_.clear();
            for (int i = from; i < to; ++i) all_.push_back(static_cast<uint8_t>(i));
            const int16_t* const colour[3] = {channel_[0].data() + from, channel_[1].data() + from, channel_[2].data() + from};
            Box(c, range, 16, low, high);
            Candidates(all_.data(), colour, all_.size(), low, high);
            largeRef = uint64_t{pool_.size()} << 9 | listSize_;
            pool_.insert(pool_.end(), list_, list_ + listSize_);
            for (int ch = 0; ch < 3; ++ch)
                for (size_t k = 0; k < listSize_; ++k) poolColour_[ch].push_back(channel_[ch][list_[k]]);
            lists_[large] = largeRef;
        }
        Box(c, range, 8, low, high);
        const size_t start = largeRef >> 9;
        const int16_t* const colour[3] = {poolColour_[0].data() + start, poolColour_[1].data() + start, poolColour_[2].data() + start};
        Candidates(pool_.data() + start, colour, largeRef & 511, low, high);
        const size_t offset = groups_.size();
        const size_t groups = (listSize_ + 7) / 8;
        if (offset + groups >= (size_t{1} << 26)) throw std::bad_alloc();  // past what a cell's reference holds
        groups_.resize(offset + groups);
        for (size_t place = 0; place < groups * 8; ++place) {
            Group& group = groups_[offset + place / 8];
            const size_t lane = place % 8;
            const uint8_t i = list_[place < listSize_ ? place : place & ~size_t{7}];  // a group's rest repeats its first
            group.r[lane] = channel_[0][i];
            group.g[lane] = channel_[1][i];
            group.b[lane] = channel_[2][i];
            group.index[lane] = i;
        }
        const uint32_t ref = static_cast<uint32_t>(offset * sizeof(Group)) | static_cast<uint32_t>(groups);
        cells_[cell] = ref;
        return ref;
    }

    const std::vector<uint32_t>& palette_;
    std::vector<uint64_t> wide_;               // each entry as from WideColour
    std::vector<std::pair<int, int>> ranges_;  // the distinct search ranges
    uint8_t rangeOf_[256];                     // range of each key value
    uint32_t smallBase_[256], largeBase_[256];  // first cell of each key value's block and range
    std::vector<uint32_t> cells_;  // cells 8 wide: first group's byte offset | number of groups, 0 until made
    std::vector<uint64_t> lists_;  // cells 16 wide: list start in pool_ << 9 | length, 0 until made
    std::vector<Group> groups_;
    std::vector<uint8_t> pool_;                 // candidate lists of the cells 16 wide
    std::vector<int16_t> poolColour_[3];        // their R, G, B
    std::vector<int16_t> channel_[3];          // R, G, B of each entry (entry 0 black when there is none)
    uint8_t rangeLowest_[256], rangeHighest_[256];  // least and greatest key value of each range
    std::vector<uint8_t> all_;
    alignas(16) int16_t gathered_[3][264], least_[264];  // Candidates: up to 256 entries and their padding
    uint8_t list_[256];
    size_t listSize_ = 0;
};


}  // namespace quantize_kit
}  // namespace mirelo
