#include "colour/quantize.h"

#include <algorithm>
#include <cstdlib>
#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <thread>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <new>
#include <unordered_set>

#if defined(__GNUC__)
#define MIRELO_ALWAYS_INLINE inline __attribute__((always_inline))
#define MIRELO_NOINLINE __attribute__((noinline))
#else
#define MIRELO_ALWAYS_INLINE inline
#define MIRELO_NOINLINE
#endif

namespace mirelo {

int QuantizeTargetBits(int mode) {
    if (mode < 1 || mode > 12) return 0;
    return mode <= 4 ? 1 : mode <= 8 ? 4 : 8;
}

int QuantizeMethod(int mode) {
    if (mode < 1 || mode > 12) return -1;
    return (mode - 1) % 4;
}

int UniformSampleStep(int size) { return size / 50; }

int UniformSearchRange(int width, int height) {
    int64_t pixels = int64_t{width} * height;
    return static_cast<int>((255 - pixels / 4000) / 2);
}

int ColourDistance(int r1, int g1, int b1, int r2, int g2, int b2) {
    int dr = std::abs(r1 - r2), dg = std::abs(g1 - g2), db = std::abs(b1 - b2);
    return ((dr + dg + db) >> 1) + std::max(dr, std::max(dg, db));
}

namespace {

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
int DistinctColours(const PixelView& v, int limit, std::vector<uint32_t>& list) {
    list.clear();
    std::unordered_set<uint32_t> seen;
    seen.reserve(static_cast<size_t>(limit) * 2 + 2);
    for (int y = 0; y < v.height; ++y) {
        bool havePrevious = false;
        uint32_t previous = 0;
        for (int x = 0; x < v.width; ++x) {
            uint32_t c = ArgbAt(v, x, y);
            if (havePrevious && c == previous) continue;
            havePrevious = true;
            previous = c;
            if (seen.insert(c).second) {
                list.push_back(c);
                if (static_cast<int>(list.size()) == limit + 1) return limit + 1;
            }
        }
    }
    return static_cast<int>(list.size());
}

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

#if defined(__SSE2__)
// One pixel's B, G, R, A bytes widened to the low four 16-bit lanes.
inline __m128i LoadPixel(const uint8_t* p) {
    int32_t v;
    std::memcpy(&v, p, 4);
    return _mm_unpacklo_epi8(_mm_cvtsi32_si128(v), _mm_setzero_si128());
}

// Adds the low four lanes of `add` to a pixel, clamping each byte to 0..255 (the alpha lane of
// `add` is 0).
inline void AddToPixel(uint8_t* p, __m128i add) {
    __m128i sum = _mm_add_epi16(LoadPixel(p), add);
    int32_t v = _mm_cvtsi128_si32(_mm_packus_epi16(sum, sum));
    std::memcpy(p, &v, 4);
}

// weight × error / 16 in every lane, truncated toward zero.
inline __m128i Weighted(__m128i weights, __m128i error) {
    __m128i t = _mm_mullo_epi16(weights, error);
    t = _mm_add_epi16(t, _mm_and_si128(_mm_srai_epi16(t, 15), _mm_set1_epi16(15)));
    return _mm_srai_epi16(t, 4);
}
#endif

// Floyd-Steinberg diffusion of the error between the pixel at column x of `row` and the chosen
// colour into its right neighbour and the three neighbours of the row `below` (null for the
// last row). Each neighbour byte takes weight × error / 16 (truncated toward zero) and is
// clamped to 0..255; alpha is left alone.
inline void Diffuse(uint8_t* row, uint8_t* below, int x, int width, int r, int g, int b) {
    uint8_t* p = row + static_cast<intptr_t>(x) * 4;
    const int er = p[2] - r, eg = p[1] - g, eb = p[0] - b;
    const bool right = x < width - 1;
#if defined(__SSE2__)
    const __m128i error = _mm_setr_epi16(static_cast<int16_t>(eb), static_cast<int16_t>(eg), static_cast<int16_t>(er), 0,
                                         static_cast<int16_t>(eb), static_cast<int16_t>(eg), static_cast<int16_t>(er), 0);
    const __m128i rightAndBelow = Weighted(_mm_setr_epi16(7, 7, 7, 0, 5, 5, 5, 0), error);
    if (right) AddToPixel(p + 4, rightAndBelow);
    if (below) {
        uint8_t* q = below + static_cast<intptr_t>(x) * 4;
        const __m128i leftAndRight = Weighted(_mm_setr_epi16(3, 3, 3, 0, 1, 1, 1, 0), error);
        AddToPixel(q, _mm_unpackhi_epi64(rightAndBelow, rightAndBelow));
        if (right) AddToPixel(q + 4, _mm_unpackhi_epi64(leftAndRight, leftAndRight));
        if (x > 0) AddToPixel(q - 4, leftAndRight);
    }
#else
    if (right) Spread(p + 4, 7, er, eg, eb);
    if (below) {
        uint8_t* q = below + static_cast<intptr_t>(x) * 4;
        Spread(q, 5, er, eg, eb);
        if (right) Spread(q + 4, 1, er, eg, eb);
        if (x > 0) Spread(q - 4, 3, er, eg, eb);
    }
#endif
}

inline uint8_t* RowBelow(const PixelView& v, int y) { return y < v.height - 1 ? v.Row(y + 1) : nullptr; }

void WriteIndex(QuantizeResult& out, const PixelView& v, int x, int y, int index) {
    out.indices[static_cast<size_t>(y) * v.width + x] = static_cast<uint8_t>(index);
}


// Maps every pixel to a palette index chosen from its working colour and, when dithering,
// diffuses the error towards the chosen palette colour. `makeChooser()` gives a chooser, one
// for each thread: (colour, lanes, chosen) → index, as CellSearch::Nearest.
//
// Without dithering every row stands alone, and the threads take rows as they come. With
// dithering the image is cut into bands of kBandRows rows. A thread walks its band's rows
// together, each row two pixels behind the one above it: a pixel is handled only once the row
// above has finished the pixel two places to its right, so every error it and its right
// neighbour receive from above has arrived, and every working byte receives its errors in the
// same order as in one pass from the top. The rows of a band are independent chains of work for
// the processor to overlap; the first row of a band waits in the same way for the last row of
// the band above, which another thread may be doing. A thread that spends much of its time
// waiting asks another thread to stop after its band: a thread that is often kept from its core
// (another program keeps the core busy) holds up every thread below it, while one thread alone
// never waits.
//
// The working colour of the pixel to be handled next in each row stays in a register with the
// error from its left neighbour added, and is written back once final; so do the two pixels of
// the row below that are still taking its errors.
constexpr int kBandRows = 3;

#if defined(__SSE2__)
inline __m128i Widen(uint32_t bgr) { return _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(bgr)), _mm_setzero_si128()); }

inline uint32_t Load32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

inline void Store32(uint8_t* p, uint32_t v) { std::memcpy(p, &v, 4); }

// e / 16 in every lane, truncated toward zero.
inline __m128i Sixteenth(__m128i t) {
    t = _mm_add_epi16(t, _mm_and_si128(_mm_srai_epi16(t, 15), _mm_set1_epi16(15)));
    return _mm_srai_epi16(t, 4);
}

struct DitherRow {
    uint8_t* row = nullptr;
    uint8_t* below = nullptr;   // null for the last row of the image
    uint8_t* indices = nullptr;
    __m128i next = _mm_setzero_si128();  // working B, G, R, A of the pixel to be handled next
    // The two pixels of the row below that take errors from it, left then under it, with the
    // errors they have had so far.
    __m128i below2 = _mm_setzero_si128();
};

// One pixel of a row: its index, its final working colour, and its error spread to the right
// neighbour (into `next`) and to the row below (below-left is then complete and written back;
// below and below-right go on in `below2`). kInner: the pixel is neither first nor last of its
// row, and there is a row below.
template <bool kInner, typename Chooser>
MIRELO_ALWAYS_INLINE void DitherPixel(DitherRow& s, int x, int width, Chooser& choose) {
    uint8_t* p = s.row + static_cast<intptr_t>(x) * 4;
    if (!kInner && x == 0) s.next = Widen(Load32(p));
    const __m128i value = s.next;
    const uint32_t colour = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(value, value)));
    const uint64_t* chosen;
    const int index = choose(colour, value, chosen);
    s.indices[x] = static_cast<uint8_t>(index);
    Store32(p, colour);
    // The error in B, G, R (the palette colour's alpha lane is 0; the weights' alpha lanes are 0).
    const __m128i error = _mm_sub_epi16(value, _mm_loadl_epi64(reinterpret_cast<const __m128i*>(chosen)));
    const __m128i twice = _mm_unpacklo_epi64(error, error);
    const __m128i sevenAndOne = Sixteenth(_mm_mullo_epi16(twice, _mm_setr_epi16(7, 7, 7, 0, 1, 1, 1, 0)));
    const bool right = kInner || x < width - 1;
    if (right) {
        const __m128i sum = _mm_add_epi16(Widen(Load32(p + 4)), sevenAndOne);
        s.next = _mm_unpacklo_epi8(_mm_packus_epi16(sum, sum), _mm_setzero_si128());
    }
    if (kInner || s.below) {
        uint8_t* q = s.below + static_cast<intptr_t>(x) * 4;
        if (!kInner && x == 0) s.below2 = _mm_slli_si128(Widen(Load32(q)), 8);
        const __m128i threeAndFive = Sixteenth(_mm_mullo_epi16(twice, _mm_setr_epi16(3, 3, 3, 0, 5, 5, 5, 0)));
        const __m128i left = _mm_add_epi16(s.below2, threeAndFive);
        // Each byte clamped: below-left, below, below-right (with 1 × error / 16).
        const __m128i bytes = _mm_packus_epi16(
            left, right ? _mm_add_epi16(Widen(Load32(q + 4)), _mm_unpackhi_epi64(sevenAndOne, sevenAndOne)) : left);
        if (kInner || x > 0) Store32(q - 4, static_cast<uint32_t>(_mm_cvtsi128_si32(bytes)));
        const __m128i rest = _mm_srli_si128(bytes, 4);
        if (right)
            s.below2 = _mm_unpacklo_epi8(rest, _mm_setzero_si128());
        else
            Store32(q, static_cast<uint32_t>(_mm_cvtsi128_si32(rest)));
    }
}

// Step t of a band: pixel t − 2j of each row j.
template <bool kInner, int J = 0, typename Chooser>
MIRELO_ALWAYS_INLINE void DitherStep(DitherRow* rows, int count, int t, int width, Chooser& choose) {
    const int x = t - 2 * J;
    if (kInner || (J < count && x >= 0 && x < width)) DitherPixel<kInner>(rows[J], x, width, choose);
    if constexpr (J + 1 < kBandRows) DitherStep<kInner, J + 1>(rows, count, t, width, choose);
}
#endif

// Hands out bands (or, without dithering, rows) to threads and keeps the progress of each row.
struct MapSchedule {
    int width = 0, threads = 1;
    std::atomic<int> next{0};
    std::atomic<bool> failed{false};
    std::unique_ptr<std::atomic<int>[]> done;  // pixels finished in each row (last rows of bands)
    std::atomic<int> stopRequest{-1};          // a thread that asks another to stop, or −1

    using Clock = std::chrono::steady_clock;

    // A thread's number, how long it has been at work and how much of that it has spent waiting.
    struct Waiting {
        int thread = 0;
        Clock::time_point start = Clock::now();
        Clock::duration total{};
    };

    // Waits until `row` has finished more than `x` pixels or the whole row; false when another
    // thread failed. Once the thread has spent a quarter of its time (and at least kStall)
    // waiting, it asks another thread to stop: the threads above it are kept from their cores so
    // often that they hold up every thread below them.
    bool WaitFor(int row, int x, Waiting& waiting) {
        const std::atomic<int>& progress = done[static_cast<size_t>(row)];
        if (progress.load(std::memory_order_acquire) > x) return true;
        const Clock::time_point begin = Clock::now();
        bool asked = false;
        for (unsigned spins = 1;; ++spins) {
            const int finished = progress.load(std::memory_order_acquire);
            if (finished > x || finished == width) break;
            if (failed.load(std::memory_order_relaxed)) return false;
#if defined(__SSE2__)
            _mm_pause();
#endif
            if (spins % 64 == 0) {
                std::this_thread::yield();
                const Clock::time_point now = Clock::now();
                const Clock::duration waited = waiting.total + (now - begin);
                if (!asked && waited > kStall && waited * 4 > now - waiting.start) {
                    int none = -1;
                    stopRequest.compare_exchange_strong(none, waiting.thread);
                    asked = true;
                }
            }
        }
        waiting.total += Clock::now() - begin;
        return true;
    }

    static constexpr std::chrono::milliseconds kStall{2};
};

template <typename Chooser>
void MapRowsPlain(const PixelView& v, uint8_t* indices, int y, Chooser& choose) {
    const uint8_t* row = v.Row(y);
    uint8_t* out = indices + static_cast<size_t>(y) * v.width;
    for (int x = 0; x < v.width; ++x) {
        const uint8_t* p = row + static_cast<intptr_t>(x) * 4;
        const uint32_t colour = uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16;
        const uint64_t* chosen;
#if defined(__SSE2__)
        out[x] = static_cast<uint8_t>(choose(colour, Widen(colour), chosen));
#else
        out[x] = static_cast<uint8_t>(choose(colour, Lanes{}, chosen));
#endif
    }
}

// One band of rows [y0, y0 + rows), rows ≤ kBandRows, walked together.
template <typename Chooser>
bool MapBand(MapSchedule& s, const PixelView& v, uint8_t* indices, int band, Chooser& choose, MapSchedule::Waiting& waiting) {
    const int width = v.width, y0 = band * kBandRows, rows = std::min(kBandRows, v.height - y0);
#if defined(__SSE2__)
    DitherRow state[kBandRows];
    for (int j = 0; j < rows; ++j) {
        const int y = y0 + j;
        state[j].row = v.Row(y);
        state[j].below = y < v.height - 1 ? v.Row(y + 1) : nullptr;
        state[j].indices = indices + static_cast<size_t>(y) * width;
    }
    const bool waits = y0 > 0 && s.threads > 1;
    const bool inner = rows == kBandRows && y0 + rows < v.height;
    std::atomic<int>& mine = s.done[static_cast<size_t>(y0 + rows - 1)];
    constexpr int kChunk = 32;
    const int steps = width + 2 * (rows - 1);  // step t handles pixel t − 2j of row j
    for (int t = 0; t < steps;) {
        int end = std::min(steps, t + kChunk);
        if (waits && t < width) {
            // The first row may go up to two pixels short of the row above.
            if (!s.WaitFor(y0 - 1, t + 2, waiting)) return false;
            const int above = s.done[static_cast<size_t>(y0 - 1)].load(std::memory_order_acquire);
            if (above < width) end = std::min(end, above - 2);
        }
        while (t < end) {
            // Every row inside its first and last pixel, all with a row below.
            if (inner && t >= 2 * kBandRows - 1 && t < width - 1) {
                for (const int stop = std::min(end, width - 1); t < stop; ++t) DitherStep<true>(state, rows, t, width, choose);
                continue;
            }
            DitherStep<false>(state, rows, t, width, choose);
            ++t;
        }
        mine.store(std::clamp(t - 2 * (rows - 1), 0, width), std::memory_order_release);
    }
#else
    (void)s;
    (void)waiting;
    for (int y = y0; y < y0 + rows; ++y) {
        uint8_t* row = v.Row(y);
        uint8_t* below = RowBelow(v, y);
        for (int x = 0; x < width; ++x) {
            uint8_t* p = row + static_cast<intptr_t>(x) * 4;
            const uint32_t colour = uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16;
            const uint64_t* chosen;
            const int index = choose(colour, Lanes{}, chosen);
            indices[static_cast<size_t>(y) * width + x] = static_cast<uint8_t>(index);
            Diffuse(row, below, x, width, static_cast<int>(*chosen >> 32), static_cast<int>(*chosen >> 16) & 0xFFFF,
                    static_cast<int>(*chosen) & 0xFFFF);
        }
    }
#endif
    return true;
}

template <typename MakeChooser>
void MapPixels(QuantizeRequest& q, QuantizeResult& out, MakeChooser makeChooser) {
    const PixelView& v = q.pixels;
    const bool dither = q.dither;
    MapSchedule s;
    s.width = v.width;
    if (q.threads > 0)
        s.threads = std::min(q.threads, 64);
    else if (int64_t{v.width} * v.height >= (int64_t{1} << 18) && v.width >= 64 && v.height >= 2 * kBandRows)
        s.threads = static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 4u));
#if !defined(__SSE2__)
    s.threads = 1;
#endif
    const int bands = (v.height + kBandRows - 1) / kBandRows;
    if (dither) {
        s.done.reset(new std::atomic<int>[static_cast<size_t>(v.height)]);
        for (int y = 0; y < v.height; ++y) s.done[static_cast<size_t>(y)].store(0, std::memory_order_relaxed);
    }
    uint8_t* indices = out.indices.data();
    auto work = [&](int thread) {
        try {
            auto choose = makeChooser();
            if (!dither) {
                constexpr int kRows = 8;
                for (int y0; (y0 = s.next.fetch_add(kRows)) < v.height;)
                    for (int y = y0; y < std::min(v.height, y0 + kRows); ++y) MapRowsPlain(v, indices, y, choose);
                return;
            }
            MapSchedule::Waiting waiting;
            waiting.thread = thread;
            for (int band; (band = s.next.fetch_add(1)) < bands;) {
                if (!MapBand(s, v, indices, band, choose, waiting)) return;
                // Leave the rest to the others when one of them asks.
                int asking = s.stopRequest.load(std::memory_order_relaxed);
                if (asking >= 0 && asking != thread && s.stopRequest.compare_exchange_strong(asking, -1)) return;
            }
        } catch (...) {
            s.failed.store(true);
        }
    };
    std::vector<std::thread> pool;
    try {
        for (int t = 1; t < s.threads; ++t) pool.emplace_back(work, t);
    } catch (...) {
        // The threads that started, and this one, take all the bands between them.
    }
    work(0);
    for (std::thread& t : pool) t.join();
    if (s.failed.load()) throw std::bad_alloc();
}

// A chooser from a rule (r, g, b) → index.
template <typename Rule>
auto ByRule(const std::vector<uint32_t>& palette, Rule rule) {
    std::vector<uint64_t> list;
    list.reserve(palette.size());
    for (uint32_t c : palette) list.push_back(WideColour(c));
    auto wide = std::make_shared<const std::vector<uint64_t>>(std::move(list));
    return [wide, rule] {
        return [wide, rule](uint32_t c, Lanes, const uint64_t*& chosen) {
            const int index = rule(Red(c), Green(c), Blue(c));
            chosen = wide->data() + index;
            return index;
        };
    };
}

// Nearest colour over the whole palette for every pixel.
inline auto ByNearest(const std::vector<uint32_t>& palette) {
    return [&palette] {
        return [search = std::make_shared<CellSearch<2, false>>(palette)](uint32_t c, Lanes lanes, const uint64_t*& chosen) {
            return search->Nearest(c, lanes, chosen);
        };
    };
}

// Nearest colour over a range of the palette that depends on the value of channel kKey
// (CellSearch).
template <int kKey>
auto ByNearestInWindow(const std::vector<uint32_t>& palette, const int* from, const int* to) {
    return [&palette, from, to] {
        return [search = std::make_shared<CellSearch<kKey, true>>(palette, from, to)](uint32_t c, Lanes lanes,
                                                                                      const uint64_t*& chosen) {
            return search->Nearest(c, lanes, chosen);
        };
    };
}

void MapNearest(QuantizeRequest& q, QuantizeResult& out) { MapPixels(q, out, ByNearest(out.palette)); }

void ExactPalette(const QuantizeRequest& q, std::vector<uint32_t> list, QuantizeResult& out) {
    std::sort(list.begin(), list.end(),
              [](uint32_t a, uint32_t b) { return static_cast<int32_t>(a) > static_cast<int32_t>(b); });
    bool transparent = std::any_of(list.begin(), list.end(), [](uint32_t c) { return (c >> 24) == 0; });
    out.paletteFlags = (transparent && HasAlpha(q.sourceFormat)) ? palette_flags::kHasAlpha : 0;
    const PixelView& v = q.pixels;
    auto descending = [](uint32_t a, uint32_t b) { return static_cast<int32_t>(a) > static_cast<int32_t>(b); };
    for (int y = 0; y < v.height; ++y) {
        uint32_t previous = 0;
        int previousIndex = -1;
        for (int x = 0; x < v.width; ++x) {
            uint32_t c = ArgbAt(v, x, y);
            if (previousIndex < 0 || c != previous) {
                auto it = std::lower_bound(list.begin(), list.end(), c, descending);
                previousIndex = (it != list.end() && *it == c) ? static_cast<int>(it - list.begin()) : 0;
                previous = c;
            }
            WriteIndex(out, v, x, y, previousIndex);
        }
    }
    out.palette = std::move(list);
}

void TwoColour(QuantizeRequest& q, QuantizeResult& out) {
    const PixelView& v = q.pixels;
    out.palette = {0xFF000000u, 0xFFFFFFFFu};
    out.paletteFlags = 0;
    // The grey of a pixel is (B + G + R) / 3, so the least and greatest greys are those of the
    // least and greatest sums.
    int least = 765, greatest = 0;
    for (int y = 0; y < v.height; ++y) {
        const uint8_t* row = v.Row(y);
        for (int x = 0; x < v.width; ++x) {
            const uint8_t* p = row + static_cast<intptr_t>(x) * 4;
            const int sum = p[0] + p[1] + p[2];
            least = std::min(least, sum);
            greatest = std::max(greatest, sum);
        }
    }
    const int minimum = least / 3, maximum = greatest / 3;
    const double fraction = 0.5;
    int threshold = minimum != maximum ? static_cast<int>(maximum * fraction + minimum * (1 - fraction))
                                       : static_cast<int>(255 * fraction);
    // (B + G + R) / 3 > threshold exactly when B + G + R > 3 × threshold + 2.
    const int limit = 3 * threshold + 2;
    MapPixels(q, out, ByRule(out.palette, [limit](int r, int g, int b) { return b + g + r > limit ? 1 : 0; }));
}

void Fixed(QuantizeRequest& q, int capacity, QuantizeResult& out) {
    if (q.loadedFixedPalette && !q.loadedFixedPalette->empty()) {
        if (static_cast<int>(q.loadedFixedPalette->size()) > capacity) {
            out.status = 2;
            out.message = quantize_text::kCannotSetPalette;
            out.discardLoadedFixed = true;
            return;
        }
        out.palette = *q.loadedFixedPalette;
        out.paletteFlags = q.loadedFixedFlags;
    } else if (!q.targetDefaultPalette.empty()) {
        out.palette = q.targetDefaultPalette;
        if (static_cast<int>(out.palette.size()) > capacity) out.palette.resize(capacity);
        out.paletteFlags = q.targetDefaultFlags;
    } else {
        out.palette = DefaultPalette(capacity);
        out.paletteFlags = 0;
    }
    MapNearest(q, out);
}

void Monotone(QuantizeRequest& q, int capacity, QuantizeResult& out) {
    const PixelView& v = q.pixels;
    std::vector<uint32_t> list;
    int n = std::clamp(DistinctColours(v, capacity, list), 2, capacity);
    out.palette.clear();
    for (int i = 0; i < n; ++i) out.palette.push_back(0xFF000000u | static_cast<uint32_t>(i * 255 / (n - 1)) * 0x010101u);
    out.paletteFlags = palette_flags::kGreyScale;
    MapPixels(q, out, ByRule(out.palette, [n](int r, int g, int b) {
                  double luminance = 0.299 * r + 0.587 * g + 0.114 * b;
                  return std::clamp(static_cast<int>((n - 1) * luminance / 255 + 0.5), 0, n - 1);
              }));
}

int ChannelOf(uint32_t c, int channel) { return (c >> (8 * channel)) & 0xFF; }  // 0 B, 1 G, 2 R

void Uniform(QuantizeRequest& q, int capacity, QuantizeResult& out) {
    const PixelView& v = q.pixels;
    int sx = UniformSampleStep(v.width), sy = UniformSampleStep(v.height);
    int range = UniformSearchRange(v.width, v.height);
    if (sx == 0) sx = 1;
    if (sx > v.width) sx = v.width;
    if (sy == 0) sy = 1;
    if (sy > v.height) sy = v.height;
    range = std::clamp(range, 30, 255);

    std::vector<uint32_t> distinct;
    int d = DistinctColours(v, 1024, distinct);
    if (d <= capacity) {
        ExactPalette(q, std::move(distinct), out);
        return;
    }
    // The colour list, as 0x00RRGGBB.
    std::vector<uint32_t> list;
    if (d <= 1024) {
        list.reserve(distinct.size());
        for (uint32_t c : distinct) list.push_back(c & 0xFFFFFFu);
    } else {
        std::unordered_set<uint32_t> seen;
        for (int y = 0; y < v.height; y += sy) {
            for (int x = 0; x < v.width; x += sx) {
                uint32_t c = ArgbAt(v, x, y) & 0xFCFCFCu;
                if (seen.insert(c).second) list.push_back(c);
            }
        }
    }
    int lowest[3] = {255, 255, 255}, highest[3] = {0, 0, 0};
    for (uint32_t c : list) {
        for (int k = 0; k < 3; ++k) {
            int value = ChannelOf(c, k);
            lowest[k] = std::min(lowest[k], value);
            highest[k] = std::max(highest[k], value);
        }
    }
    int dominant = 0;
    for (int k = 1; k < 3; ++k)
        if (highest[k] - lowest[k] > highest[dominant] - lowest[dominant]) dominant = k;

    std::vector<uint32_t> keys;
    keys.reserve(list.size());
    for (uint32_t c : list) keys.push_back(static_cast<uint32_t>(ChannelOf(c, dominant)) << 24 | c);
    std::stable_sort(keys.begin(), keys.end(), [](uint32_t a, uint32_t b) { return (a >> 1) > (b >> 1); });

    int m = static_cast<int>(keys.size());
    int quotient = m / capacity, remainder = m % capacity;
    out.palette.assign(capacity, 0);
    if (quotient == 0) {
        for (int i = 0; i < capacity; ++i) out.palette[i] = i < m ? keys[i] : keys[0];
    } else {
        int spacing = remainder > 0 ? (capacity - 1) / remainder : 0;
        int position = 0;
        for (int i = 0; i < capacity; ++i) {
            out.palette[i] = keys[position];
            bool larger = remainder > 0 && i % spacing == 0 && i / spacing < remainder;
            position += quotient + (larger ? 1 : 0);
        }
    }
    for (uint32_t& entry : out.palette) entry = 0xFF000000u | (entry & 0xFFFFFFu);
    out.paletteFlags = 0;

    // Search window for every value of the dominant channel.
    int windowFrom[256], windowTo[256];
    for (int value = 0; value < 256; ++value) {
        windowFrom[value] = 0;
        windowTo[value] = capacity;
        if (range >= 100) continue;
        for (int i = 0; i < capacity; ++i) {
            if (ChannelOf(out.palette[i], dominant) < value) {
                windowFrom[value] = std::max(i - range, 0);
                windowTo[value] = std::min(i + range, capacity);
                break;
            }
        }
    }
    switch (dominant) {
    case 0: MapPixels(q, out, ByNearestInWindow<0>(out.palette, windowFrom, windowTo)); break;
    case 1: MapPixels(q, out, ByNearestInWindow<1>(out.palette, windowFrom, windowTo)); break;
    default: MapPixels(q, out, ByNearestInWindow<2>(out.palette, windowFrom, windowTo)); break;
    }
}

struct HistogramEntry {
    uint16_t code;
    uint16_t count;
};

inline int FiveBit(uint16_t code, int channel) { return (code >> (10 - 5 * channel)) & 31; }  // 0 B, 1 G, 2 R

// The 15-bit code of the pixel at p: B, G, R with their low three bits cut, B highest.
inline uint16_t CodeOf(const uint8_t* p) {
    uint32_t c;
    std::memcpy(&c, p, 4);
    return static_cast<uint16_t>(((c << 7) & 0x7C00) | ((c >> 6) & 0x3E0) | ((c >> 19) & 0x1F));
}

struct MedianCutBox {
    int lowest[3] = {0, 0, 0}, highest[3] = {0, 0, 0}, range[3] = {0, 0, 0};
    std::vector<HistogramEntry> entries;
    void Measure() {
        for (int k = 0; k < 3; ++k) {
            lowest[k] = 31;
            highest[k] = 0;
        }
        for (const HistogramEntry& e : entries) {
            for (int k = 0; k < 3; ++k) {
                int value = FiveBit(e.code, k);
                lowest[k] = std::min(lowest[k], value);
                highest[k] = std::max(highest[k], value);
            }
        }
        for (int k = 0; k < 3; ++k) range[k] = highest[k] - lowest[k];
    }
    int LargestRange() const { return std::max(range[0], std::max(range[1], range[2])); }
};

void MedianCut(QuantizeRequest& q, int capacity, QuantizeResult& out) {
    const PixelView& v = q.pixels;
    std::vector<uint32_t> distinct;
    if (DistinctColours(v, capacity, distinct) <= capacity) {
        ExactPalette(q, std::move(distinct), out);
        return;
    }
    std::vector<MedianCutBox> boxes(static_cast<size_t>(capacity));
    {
        // Counts that stop at 65535, and the codes in order of first appearance.
        std::vector<uint16_t> counts(32768, 0), order;
        for (int y = 0; y < v.height; ++y) {
            const uint8_t* row = v.Row(y);
            for (int x = 0; x < v.width; ++x) {
                const uint16_t code = CodeOf(row + static_cast<intptr_t>(x) * 4);
                uint16_t& n = counts[code];
                if (n == 0) order.push_back(code);
                n = static_cast<uint16_t>(n + (n != 65535));
            }
        }
        std::vector<HistogramEntry>& entries = boxes[0].entries;
        entries.reserve(order.size());
        for (uint16_t code : order) entries.push_back(HistogramEntry{code, counts[code]});
    }
    boxes[0].Measure();
    int previous = 0;
    int k = 1;
    for (; k < capacity; ++k) {
        int chosen = previous, chosenRange = 0;
        for (int i = 0; i < k; ++i) {
            int r = boxes[i].LargestRange();
            if (r > chosenRange) {
                chosenRange = r;
                chosen = i;
            }
        }
        previous = chosen;
        MedianCutBox& box = boxes[chosen];
        int channel = 0;
        for (int c = 1; c < 3; ++c)
            if (box.range[c] > box.range[channel]) channel = c;
        int half = static_cast<int>(box.entries.size()) / 2;
        if (half < 1) break;
        std::stable_sort(box.entries.begin(), box.entries.end(),
                         [channel](const HistogramEntry& a, const HistogramEntry& b) {
                             return FiveBit(a.code, channel) < FiveBit(b.code, channel);
                         });
        boxes[k].entries.assign(box.entries.begin() + half, box.entries.end());
        box.entries.resize(half);
        box.Measure();
        boxes[k].Measure();
    }
    int count = k;
    out.palette.clear();
    for (int i = 0; i < count; ++i) {
        uint64_t sum[3] = {0, 0, 0}, weight = 0;
        for (const HistogramEntry& e : boxes[i].entries) {
            for (int c = 0; c < 3; ++c) sum[c] += uint64_t(FiveBit(e.code, c)) * e.count * 8;
            weight += e.count;
        }
        uint32_t b = static_cast<uint32_t>(sum[0] / weight), g = static_cast<uint32_t>(sum[1] / weight),
                 r = static_cast<uint32_t>(sum[2] / weight);
        out.palette.push_back(0xFF000000u | r << 16 | g << 8 | b);
    }
    out.paletteFlags = 0;
    for (MedianCutBox& box : boxes) std::vector<HistogramEntry>().swap(box.entries);

    if (q.dither) {
        MapNearest(q, out);
        return;
    }
    // Box lookup by the pixel's 15-bit code (the value with its low three bits cut).
    std::vector<int16_t> boxOfCode(32768, -1);
    for (int y = 0; y < v.height; ++y) {
        const uint8_t* row = v.Row(y);
        uint8_t* indices = out.indices.data() + static_cast<size_t>(y) * v.width;
        for (int x = 0; x < v.width; ++x) {
            const uint16_t code = CodeOf(row + static_cast<intptr_t>(x) * 4);
            int16_t& index = boxOfCode[code];
            if (index < 0) {
                const int value[3] = {code >> 10, (code >> 5) & 31, code & 31};
                index = 0;
                for (int i = 0; i < count; ++i) {
                    const MedianCutBox& box = boxes[i];
                    if (value[0] >= box.lowest[0] && value[0] <= box.highest[0] && value[1] >= box.lowest[1] &&
                        value[1] <= box.highest[1] && value[2] >= box.lowest[2] && value[2] <= box.highest[2]) {
                        index = static_cast<int16_t>(i);
                        break;
                    }
                }
            }
            indices[x] = static_cast<uint8_t>(index);
        }
    }
}

}  // namespace

void DiffuseError(const PixelView& v, int x, int y, int r, int g, int b) {
    Diffuse(v.Row(y), RowBelow(v, y), x, v.width, r, g, b);
}

QuantizeResult Quantize(QuantizeRequest& q) {
    QuantizeResult out;
    int bits = QuantizeTargetBits(q.mode);
    if (bits == 0) {
        out.status = 1;
        out.message = quantize_text::kNotIndexed;
        return out;
    }
    // The bitmap the indices go into must be indexed and of the mode's depth.
    if (q.targetFormat != 0) {
        const int targetBits = BitsPerPixel(q.targetFormat);
        const char16_t* refusal = nullptr;
        if (!IsIndexed(q.targetFormat))
            refusal = bits == 1 ? quantize_text::kNotOneBitIndexed : quantize_text::kNotIndexed;
        else if (bits == 1 && targetBits != 1)
            refusal = quantize_text::kTwoColoursOnly;
        else if (QuantizeMethod(q.mode) == quantize_method::kFixed && targetBits > 8)
            refusal = quantize_text::kAtMost256Colours;
        else if (targetBits != bits)
            refusal = quantize_text::kNotIndexed;
        if (refusal) {
            out.status = 1;
            out.message = refusal;
            return out;
        }
    }
    int capacity = 1 << bits;
    int method = QuantizeMethod(q.mode);
    try {
        out.indices.assign(static_cast<size_t>(q.pixels.width) * q.pixels.height, 0);
        if (bits == 1) {
            TwoColour(q, out);
        } else {
            switch (method) {
            case quantize_method::kUniform: Uniform(q, capacity, out); break;
            case quantize_method::kFixed: Fixed(q, capacity, out); break;
            case quantize_method::kMonotone: Monotone(q, capacity, out); break;
            default: MedianCut(q, capacity, out); break;
            }
        }
    } catch (const std::bad_alloc&) {
        out = QuantizeResult{};
        out.status = 3;
        out.message = (bits != 1 && method == quantize_method::kFixed) ? nullptr : quantize_text::kOutOfMemory;
        return out;
    }
    if (out.status != 0) {
        out.palette.clear();
        out.indices.clear();
    }
    return out;
}

void PackIndices(const std::vector<uint8_t>& indices, const PixelView& target) {
    int bits = BitsPerPixel(target.format);
    for (int y = 0; y < target.height; ++y) {
        uint8_t* row = target.Row(y);
        const uint8_t* in = indices.data() + static_cast<size_t>(y) * target.width;
        for (int x = 0; x < target.width; ++x) {
            uint8_t index = in[x];
            if (bits == 1) {
                uint8_t bit = static_cast<uint8_t>((index & 1) << (7 - (x & 7)));
                if ((x & 7) == 0)
                    row[x >> 3] = bit;
                else
                    row[x >> 3] |= bit;
            } else if (bits == 4) {
                if ((x & 1) == 0)
                    row[x >> 1] = static_cast<uint8_t>((index & 0x0F) << 4);
                else
                    row[x >> 1] |= static_cast<uint8_t>(index & 0x0F);
            } else {
                row[x] = index;
            }
        }
    }
}

std::vector<uint32_t> DefaultPalette(int capacity) {
    if (capacity >= 256) {
        static const uint8_t kSystem[20][3] = {
            {0, 0, 0},       {128, 0, 0},     {0, 128, 0},     {128, 128, 0},   {0, 0, 128},
            {128, 0, 128},   {0, 128, 128},   {192, 192, 192}, {192, 220, 192}, {166, 202, 240},
            {255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},     {0, 255, 0},
            {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255},   {255, 255, 255}};
        auto colour = [](int r, int g, int b) { return 0xFF000000u | uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b); };
        auto isSystem = [&](int r, int g, int b) {
            for (const auto& s : kSystem)
                if (s[0] == r && s[1] == g && s[2] == b) return true;
            return false;
        };
        std::vector<uint32_t> palette;
        palette.reserve(256);
        for (int i = 0; i < 10; ++i) palette.push_back(colour(kSystem[i][0], kSystem[i][1], kSystem[i][2]));
        static const int kThree[3] = {0, 128, 255};
        for (int r : kThree)
            for (int g : kThree)
                for (int b : kThree)
                    if (!isSystem(r, g, b)) palette.push_back(colour(r, g, b));
        for (int r = 0; r <= 255; r += 51)
            for (int g = 0; g <= 255; g += 51)
                for (int b = 0; b <= 255; b += 51)
                    if (!isSystem(r, g, b)) palette.push_back(colour(r, g, b));
        for (int level = 0; level <= 255; level += 15)
            if (!isSystem(level, level, level)) palette.push_back(colour(level, level, level));
        for (int i = 10; i < 20; ++i) palette.push_back(colour(kSystem[i][0], kSystem[i][1], kSystem[i][2]));
        return palette;
    }
    static const uint32_t kSixteen[16] = {0xFFFFFFFF, 0xFF000000, 0xFF0000FF, 0xFF00FF00, 0xFFFF0000, 0xFF00FFFF,
                                          0xFFFFFF00, 0xFFFF00FF, 0xFFBFBFBF, 0xFF808080, 0xFF000080, 0xFF008000,
                                          0xFF800000, 0xFF008080, 0xFF808000, 0xFF800080};
    int n = std::clamp(capacity, 0, 16);
    return std::vector<uint32_t>(kSixteen, kSixteen + n);
}

}  // namespace mirelo
