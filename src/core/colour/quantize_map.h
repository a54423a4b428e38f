// Index conversion of the colour reduction (internal): every pixel mapped to a palette index by
// a chooser, with or without Floyd-Steinberg diffusion, over several threads; the choosers; and
// the palette methods that use them (quantize_palettes.cpp, quantize_median_cut.cpp).
#pragma once
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <thread>
#include <vector>

#include "colour/quantize_search.h"
#include "common/bands.h"

namespace mirelo {
namespace quantize_kit {

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

// Where each row's indices go: the request's index rows when they fit, else the result's list.
struct IndexRows {
    uint8_t* first = nullptr;
    intptr_t stride = 0;
    uint8_t* Row(int y) const { return first + static_cast<intptr_t>(y) * stride; }
};

inline bool IndexRowsFit(const QuantizeRequest& q) {
    const PixelView& t = q.indexRows;
    return QuantizeTargetBits(q.mode) == 8 && t.scan0 && BitsPerPixel(t.format) == 8 && t.width == q.pixels.width &&
           t.height == q.pixels.height;
}

// The result's list is made (one index per pixel) unless the request's index rows take them.
inline IndexRows IndexRowsOf(const QuantizeRequest& q, QuantizeResult& out) {
    if (IndexRowsFit(q)) return IndexRows{q.indexRows.scan0, q.indexRows.stride};
    return IndexRows{out.indices.data(), q.pixels.width};
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

// The working rows of a dithered mapping: the request's pixels themselves, or, when they are to
// be kept, a ring of copies kRingBands bands deep. A band copies the source rows it is the first
// to touch (its own rows after the first, and the first row of the band below, which takes its
// errors) once the band whose copies they replace in the ring is finished.
struct WorkRows {
    static constexpr int kRingBands = 16;
    PixelView pixels;
    std::vector<uint8_t> ring;  // empty: the pixels are worked on in place
    size_t rowBytes = 0;
    int ringRows = 0;

    uint8_t* Row(int y) { return ring.empty() ? pixels.Row(y) : ring.data() + static_cast<size_t>(y % ringRows) * rowBytes; }
    // Copies source rows [from, to) into the ring.
    void Copy(int from, int to) {
        for (int y = from; y < to; ++y) std::memcpy(Row(y), pixels.Row(y), static_cast<size_t>(pixels.width) * 4);
    }
};

template <typename Chooser>
void MapRowsPlain(const PixelView& v, const IndexRows& indices, int y, Chooser& choose) {
    const uint8_t* row = v.Row(y);
    uint8_t* out = indices.Row(y);
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
bool MapBand(MapSchedule& s, WorkRows& v, const IndexRows& indices, int band, Chooser& choose, MapSchedule::Waiting& waiting) {
    const int width = v.pixels.width, height = v.pixels.height, y0 = band * kBandRows, rows = std::min(kBandRows, height - y0);
    if (!v.ring.empty()) {
        const int replaced = band + 1 - WorkRows::kRingBands;
        if (replaced >= 0 && s.threads > 1 &&
            !s.WaitFor(std::min(replaced * kBandRows + kBandRows - 1, height - 1), width - 1, waiting))
            return false;
        v.Copy(band == 0 ? 0 : y0 + 1, std::min(height, y0 + rows + 1));
    }
#if defined(__SSE2__)
    DitherRow state[kBandRows];
    for (int j = 0; j < rows; ++j) {
        const int y = y0 + j;
        state[j].row = v.Row(y);
        state[j].below = y < height - 1 ? v.Row(y + 1) : nullptr;
        state[j].indices = indices.Row(y);
    }
    const bool waits = y0 > 0 && s.threads > 1;
    const bool inner = rows == kBandRows && y0 + rows < height;
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
        uint8_t* below = y < height - 1 ? v.Row(y + 1) : nullptr;
        uint8_t* out = indices.Row(y);
        for (int x = 0; x < width; ++x) {
            uint8_t* p = row + static_cast<intptr_t>(x) * 4;
            const uint32_t colour = uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16;
            const uint64_t* chosen;
            const int index = choose(colour, Lanes{}, chosen);
            out[x] = static_cast<uint8_t>(index);
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
    const IndexRows indices = IndexRowsOf(q, out);
    WorkRows rows;
    rows.pixels = v;
    if (dither && q.keepPixels) {
        rows.rowBytes = (static_cast<size_t>(v.width) * 4 + 63) & ~size_t{63};
        rows.ringRows = std::min(v.height, WorkRows::kRingBands * kBandRows);
        rows.ring.resize(rows.rowBytes * static_cast<size_t>(rows.ringRows));
    }
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
                if (!MapBand(s, rows, indices, band, choose, waiting)) return;
                // Leave the rest to the others when one of them asks.
                int asking = s.stopRequest.load(std::memory_order_relaxed);
                if (asking >= 0 && asking != thread && s.stopRequest.compare_exchange_strong(asking, -1)) return;
            }
        } catch (...) {
            s.failed.store(true);
        }
    };
    // The second worker is the program's helper thread; more are made for this work only. The
    // threads that started, and this one, take all the bands between them.
    std::vector<std::thread> pool;
    try {
        for (int t = 2; t < s.threads; ++t) pool.emplace_back(work, t);
    } catch (...) {
    }
    if (s.threads < 2 || !RunBeside([&] { work(0); }, [&] { work(1); })) work(0);
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

inline void MapNearest(QuantizeRequest& q, QuantizeResult& out) { MapPixels(q, out, ByNearest(out.palette)); }

// The palette methods: each sets out.palette and its flags and maps the pixels to it.
void ExactPalette(const QuantizeRequest& q, std::vector<uint32_t> list, QuantizeResult& out);  // every colour, when they fit
void TwoColour(QuantizeRequest& q, QuantizeResult& out);
void Fixed(QuantizeRequest& q, int capacity, QuantizeResult& out);
void Monotone(QuantizeRequest& q, int capacity, QuantizeResult& out);
void Uniform(QuantizeRequest& q, int capacity, QuantizeResult& out);
void MedianCut(QuantizeRequest& q, int capacity, QuantizeResult& out);

}  // namespace quantize_kit
}  // namespace mirelo
