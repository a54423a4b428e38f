#include "colour/quantize.h"

#include <algorithm>
#include <cstdlib>
#include <atomic>
#include <cstring>
#include <memory>
#include <thread>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <new>
#include <unordered_set>

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

inline uint8_t Spread(uint8_t value, int weight, int error) {
    int v = value + weight * error / 16;
    return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
}

inline void Spread(uint8_t* p, int weight, int er, int eg, int eb) {
    p[0] = Spread(p[0], weight, eb);
    p[1] = Spread(p[1], weight, eg);
    p[2] = Spread(p[2], weight, er);
}

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

// Nearest-colour search for each pixel colour over a range of the palette. The colour cube is cut
// into cells (16 values wide in each channel); a cell's candidate list, made when a
// colour first falls into it, holds every entry of the cell's range that can be the closest for
// some colour of the cell, in palette order. An entry is left out only when its least possible
// distance to the cell exceeds the greatest distance from the cell to another entry, so all of
// a colour's closest entries are on the list and the first of them in palette order is found,
// exactly as a walk over the whole range finds it.
class CellSearch {
public:
    // Search over the whole palette.
    explicit CellSearch(const std::vector<uint32_t>& palette) : CellSearch(palette, -1, nullptr, nullptr) {}

    // Search over a range that depends on one channel's value (0 B, 1 G, 2 R): [from[v], to[v]).
    // Each distinct range has cells of its own.
    CellSearch(const std::vector<uint32_t>& palette, int keyChannel, const int* from, const int* to)
        : keyChannel_(keyChannel) {
        for (uint32_t c : palette) {
            rgb_[0].push_back(static_cast<uint8_t>(Red(c)));
            rgb_[1].push_back(static_cast<uint8_t>(Green(c)));
            rgb_[2].push_back(static_cast<uint8_t>(Blue(c)));
        }
        const int n = static_cast<int>(palette.size());
        for (int value = 0; value < 256; ++value) {
            std::pair<int, int> range{from ? from[value] : 0, to ? to[value] : n};
            auto it = std::find(ranges_.begin(), ranges_.end(), range);
            rangeOf_[value] = static_cast<int>(it - ranges_.begin()) << (3 * kCellBits);
            if (it == ranges_.end()) ranges_.push_back(range);
        }
        cells_.assign(ranges_.size() << (3 * kCellBits), kUnbuilt);
    }

    int Nearest(int r, int g, int b) {
        const int key = keyChannel_ == 2 ? r : keyChannel_ == 1 ? g : b;
        const size_t cell = static_cast<size_t>(rangeOf_[key & 255] | (r >> kShift) << (2 * kCellBits) |
                                                (g >> kShift) << kCellBits | (b >> kShift));
        uint32_t ref = cells_[cell];
        if (ref == kUnbuilt) ref = Build(cell, key, r, g, b);
        const Group* group = groups_.data() + (ref >> 6);
        const int groups = static_cast<int>(ref & 63);
        int best = 0, bestDistance = 1 << 30;
#if defined(__SSE2__)
        const __m128i zero = _mm_setzero_si128();
        const __m128i pr = _mm_set1_epi16(static_cast<int16_t>(r)), pg = _mm_set1_epi16(static_cast<int16_t>(g)),
                      pb = _mm_set1_epi16(static_cast<int16_t>(b));
        for (int k = 0; k < groups; ++k) {
            const __m128i redGreen = _mm_loadu_si128(reinterpret_cast<const __m128i*>(group[k].r));
            const __m128i blue = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(group[k].b));
            const __m128i cr = _mm_unpacklo_epi8(redGreen, zero), cg = _mm_unpackhi_epi8(redGreen, zero),
                          cb = _mm_unpacklo_epi8(blue, zero);
            const __m128i dr = _mm_max_epi16(_mm_sub_epi16(cr, pr), _mm_sub_epi16(pr, cr));
            const __m128i dg = _mm_max_epi16(_mm_sub_epi16(cg, pg), _mm_sub_epi16(pg, cg));
            const __m128i db = _mm_max_epi16(_mm_sub_epi16(cb, pb), _mm_sub_epi16(pb, cb));
            const __m128i d = _mm_add_epi16(_mm_srai_epi16(_mm_add_epi16(_mm_add_epi16(dr, dg), db), 1),
                                            _mm_max_epi16(_mm_max_epi16(dr, dg), db));
            __m128i m = _mm_min_epi16(d, _mm_shuffle_epi32(d, _MM_SHUFFLE(1, 0, 3, 2)));
            m = _mm_min_epi16(m, _mm_shuffle_epi32(m, _MM_SHUFFLE(2, 3, 0, 1)));
            m = _mm_min_epi16(m, _mm_shufflelo_epi16(m, _MM_SHUFFLE(2, 3, 0, 1)));
            const int least = _mm_cvtsi128_si32(m) & 0xFFFF;
            if (least < bestDistance) {
                const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(d, _mm_set1_epi16(static_cast<int16_t>(least)))));
                bestDistance = least;
                best = group[k].index[__builtin_ctz(mask) >> 1];
            }
        }
#else
        for (int k = 0; k < groups; ++k) {
            for (int lane = 0; lane < 8; ++lane) {
                int d = ColourDistance(r, g, b, group[k].r[lane], group[k].g[lane], group[k].b[lane]);
                if (d < bestDistance) {
                    bestDistance = d;
                    best = group[k].index[lane];
                }
            }
        }
#endif
        return best;
    }

private:
    // Eight candidates side by side; a group that is not full repeats its first candidate, which
    // can never be chosen in place of that earlier lane.
    struct Group {
        uint8_t r[8], g[8], b[8], index[8];
    };
    static constexpr uint32_t kUnbuilt = ~uint32_t{0};

    static int Distance3(const int d[3]) { return ((d[0] + d[1] + d[2]) >> 1) + std::max(d[0], std::max(d[1], d[2])); }

    uint32_t Build(size_t cell, int key, int r, int g, int b) {
        const int colour[3] = {r, g, b};
        int low[3], high[3];
        for (int k = 0; k < 3; ++k) {
            low[k] = (colour[k] >> kShift) << kShift;
            high[k] = low[k] + (1 << kShift) - 1;
        }
        const auto [from, to] = ranges_[static_cast<size_t>(rangeOf_[key & 255] >> (3 * kCellBits))];
        least_.resize(static_cast<size_t>(std::max(to - from, 0)));
        int bound = 1 << 30;
        for (int i = from; i < to; ++i) {
            int nearest[3], farthest[3];
            for (int k = 0; k < 3; ++k) {
                const int v = rgb_[k][static_cast<size_t>(i)];
                nearest[k] = v < low[k] ? low[k] - v : v > high[k] ? v - high[k] : 0;
                farthest[k] = std::max(std::abs(v - low[k]), std::abs(v - high[k]));
            }
            least_[static_cast<size_t>(i - from)] = Distance3(nearest);
            bound = std::min(bound, Distance3(farthest));
        }
        const uint32_t offset = static_cast<uint32_t>(groups_.size());
        int lane = 8;
        for (int i = from; i < to; ++i) {
            if (least_[static_cast<size_t>(i - from)] > bound) continue;
            if (lane == 8) {
                groups_.emplace_back();
                lane = 0;
            }
            Group& group = groups_.back();
            const size_t at = static_cast<size_t>(i);
            group.r[lane] = rgb_[0][at];
            group.g[lane] = rgb_[1][at];
            group.b[lane] = rgb_[2][at];
            group.index[lane] = static_cast<uint8_t>(i);
            ++lane;
        }
        if (lane == 8 && groups_.size() == offset) {  // an empty range: entry 0
            groups_.emplace_back();
            groups_.back() = Group{};
            lane = 1;
        }
        for (Group& group = groups_.back(); lane < 8; ++lane) {
            group.r[lane] = group.r[0];
            group.g[lane] = group.g[0];
            group.b[lane] = group.b[0];
            group.index[lane] = group.index[0];
        }
        const uint32_t ref = offset << 6 | (static_cast<uint32_t>(groups_.size()) - offset);
        cells_[cell] = ref;
        return ref;
    }

    int keyChannel_;
    std::vector<uint8_t> rgb_[3];
    static constexpr int kShift = 4;  // cells are 16 values wide in each channel
    static constexpr int kCellBits = 8 - kShift;
    std::vector<std::pair<int, int>> ranges_;  // the distinct search ranges
    int rangeOf_[256];                         // first cell of the range of each key value
    std::vector<uint32_t> cells_;  // candidate groups of each cell: first group << 6 | number of groups
    std::vector<Group> groups_;
    std::vector<int> least_;
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

template <typename MakeChooser>
void MapPixels(QuantizeRequest& q, QuantizeResult& out, MakeChooser makeChooser);

void TwoColour(QuantizeRequest& q, QuantizeResult& out) {
    const PixelView& v = q.pixels;
    out.palette = {0xFF000000u, 0xFFFFFFFFu};
    out.paletteFlags = 0;
    int minimum = 255, maximum = 0;
    for (int y = 0; y < v.height; ++y) {
        for (int x = 0; x < v.width; ++x) {
            const uint8_t* p = PixelAt(v, x, y);
            int g = (p[0] + p[1] + p[2]) / 3;
            if (g < minimum) minimum = g;
            if (g > maximum) maximum = g;
        }
    }
    const double fraction = 0.5;
    int threshold = minimum != maximum ? static_cast<int>(maximum * fraction + minimum * (1 - fraction))
                                       : static_cast<int>(255 * fraction);
    MapPixels(q, out, [threshold] {
        return [threshold](int r, int g, int b) { return (b + g + r) / 3 > threshold ? 1 : 0; };
    });
}

// Maps every pixel to a palette index chosen from its working colour and, when dithering,
// diffuses the error towards the chosen palette colour. `makeChooser()` gives a callable
// (r, g, b) → index; each thread makes its own.
//
// Large images are shared among threads by rows (row y to thread y % threads). A pixel of row y
// is handled only once row y − 1 has finished the pixel two places to its right: by then every
// error it and its right neighbour receive from the row above has arrived, so every working
// byte receives its errors in the same order as in one pass from the top, and the results are
// the same.
template <typename MakeChooser>
void MapPixels(QuantizeRequest& q, QuantizeResult& out, MakeChooser makeChooser) {
    const PixelView& v = q.pixels;
    const uint32_t* palette = out.palette.data();
    const bool dither = q.dither;
    const int width = v.width, height = v.height;
    int threads = 1;
    if (int64_t{width} * height >= (int64_t{1} << 18) && width >= 64 && height >= 2)
        threads = static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 4u));
    std::unique_ptr<std::atomic<int>[]> done(new std::atomic<int>[static_cast<size_t>(height)]);
    for (int y = 0; y < height; ++y) done[static_cast<size_t>(y)].store(0, std::memory_order_relaxed);
    std::atomic<bool> failed{false};
    constexpr int kChunk = 32;

    auto work = [&](int first) {
        try {
            auto choose = makeChooser();
            for (int y = first; y < height; y += threads) {
                uint8_t* row = v.Row(y);
                uint8_t* below = dither ? RowBelow(v, y) : nullptr;
                uint8_t* indices = out.indices.data() + static_cast<size_t>(y) * width;
                std::atomic<int>& mine = done[static_cast<size_t>(y)];
                int x = 0;
                unsigned waits = 0;
                while (x < width) {
                    int limit = width;
                    if (y > 0 && threads > 1) {
                        const int above = done[static_cast<size_t>(y - 1)].load(std::memory_order_acquire);
                        if (above < width) limit = above - 2;
                        if (limit <= x) {
                            if (failed.load(std::memory_order_relaxed)) return;
                            if (++waits % 64 == 0) std::this_thread::yield();
#if defined(__SSE2__)
                            _mm_pause();
#endif
                            continue;
                        }
                    }
                    const int end = std::min(limit, x + kChunk);
                    for (; x < end; ++x) {
                        const uint8_t* p = row + static_cast<intptr_t>(x) * 4;
                        const int index = choose(p[2], p[1], p[0]);
                        indices[x] = static_cast<uint8_t>(index);
                        if (dither) {
                            const uint32_t chosen = palette[index];
                            Diffuse(row, below, x, width, Red(chosen), Green(chosen), Blue(chosen));
                        }
                    }
                    mine.store(x, std::memory_order_release);
                }
            }
        } catch (...) {
            failed.store(true);
        }
    };
    if (threads == 1) {
        work(0);
    } else {
        std::vector<std::thread> pool;
        for (int t = 1; t < threads; ++t) pool.emplace_back(work, t);
        work(0);
        for (std::thread& t : pool) t.join();
    }
    if (failed.load()) throw std::bad_alloc();
}

// Nearest colour over the whole palette for every pixel.
void MapNearest(QuantizeRequest& q, QuantizeResult& out) {
    MapPixels(q, out, [&out] {
        return [search = std::make_shared<CellSearch>(out.palette)](int r, int g, int b) { return search->Nearest(r, g, b); };
    });
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
    MapPixels(q, out, [n] {
        return [n](int r, int g, int b) {
            double luminance = 0.299 * r + 0.587 * g + 0.114 * b;
            return std::clamp(static_cast<int>((n - 1) * luminance / 255 + 0.5), 0, n - 1);
        };
    });
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
    MapPixels(q, out, [&] {
        return [search = std::make_shared<CellSearch>(out.palette, dominant, windowFrom, windowTo)](int r, int g, int b) {
            return search->Nearest(r, g, b);
        };
    });
}

struct HistogramEntry {
    uint16_t code;
    uint16_t count;
};

inline int FiveBit(uint16_t code, int channel) { return (code >> (10 - 5 * channel)) & 31; }  // 0 B, 1 G, 2 R

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
        std::vector<int32_t> slot(32768, -1);
        std::vector<HistogramEntry>& entries = boxes[0].entries;
        for (int y = 0; y < v.height; ++y) {
            for (int x = 0; x < v.width; ++x) {
                const uint8_t* p = PixelAt(v, x, y);
                uint16_t code = static_cast<uint16_t>((p[0] >> 3) << 10 | (p[1] >> 3) << 5 | (p[2] >> 3));
                int32_t& s = slot[code];
                if (s < 0) {
                    s = static_cast<int32_t>(entries.size());
                    entries.push_back(HistogramEntry{code, 1});
                } else if (entries[s].count != 65535) {
                    ++entries[s].count;
                }
            }
        }
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
        for (int x = 0; x < v.width; ++x) {
            const uint8_t* p = PixelAt(v, x, y);
            int code = (p[0] >> 3) << 10 | (p[1] >> 3) << 5 | (p[2] >> 3);
            int16_t& index = boxOfCode[code];
            if (index < 0) {
                int value[3] = {p[0] >> 3, p[1] >> 3, p[2] >> 3};
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
            WriteIndex(out, v, x, y, index);
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
