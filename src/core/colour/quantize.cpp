#include "colour/quantize.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
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

// Remembers the chosen palette index of a searched colour (and search window): a direct table
// over all 24-bit colours for large images, otherwise an open-addressing hash table.
class NearestCache {
public:
    explicit NearestCache(int64_t pixelCount) {
        if (pixelCount >= (int64_t{1} << 20)) {
            direct_ = true;
            values_.assign(size_t{1} << 24, 0);
            known_.assign((size_t{1} << 24) / 64, 0);
        } else {
            keys_.assign(1024, kEmpty);
            values_.assign(1024, 0);
        }
    }
    // Returns -1 when the key is unknown. Keys of the direct table are 24-bit colours.
    int Find(uint64_t key) const {
        if (direct_) return (known_[key >> 6] >> (key & 63)) & 1 ? values_[key] : -1;
        size_t mask = keys_.size() - 1;
        for (size_t i = Hash(key) & mask;; i = (i + 1) & mask) {
            if (keys_[i] == key) return values_[i];
            if (keys_[i] == kEmpty) return -1;
        }
    }
    void Insert(uint64_t key, int value) {
        if (direct_) {
            known_[key >> 6] |= uint64_t{1} << (key & 63);
            values_[key] = static_cast<uint8_t>(value);
            return;
        }
        if ((used_ + 1) * 2 > keys_.size()) Grow();
        Place(key, static_cast<uint8_t>(value));
        ++used_;
    }
    bool Direct() const { return direct_; }

private:
    static constexpr uint64_t kEmpty = ~uint64_t{0};
    static size_t Hash(uint64_t key) { return static_cast<size_t>((key * 0x9E3779B97F4A7C15ull) >> 20); }
    void Place(uint64_t key, uint8_t value) {
        size_t mask = keys_.size() - 1;
        size_t i = Hash(key) & mask;
        while (keys_[i] != kEmpty) i = (i + 1) & mask;
        keys_[i] = key;
        values_[i] = value;
    }
    void Grow() {
        std::vector<uint64_t> oldKeys(keys_.size() * 2, kEmpty);
        std::vector<uint8_t> oldValues(values_.size() * 2);
        oldKeys.swap(keys_);
        oldValues.swap(values_);
        for (size_t i = 0; i < oldKeys.size(); ++i)
            if (oldKeys[i] != kEmpty) Place(oldKeys[i], oldValues[i]);
    }
    bool direct_ = false;
    std::vector<uint64_t> keys_;
    std::vector<uint8_t> values_;
    std::vector<uint64_t> known_;
    size_t used_ = 0;
};

// Palette colours split into channels for the nearest-colour search.
struct SearchPalette {
    std::vector<int> r, g, b;
    // The entries ordered by green, for the pruned search over the whole palette.
    struct ByGreen {
        int g, r, b, index;
    };
    std::vector<ByGreen> byGreen;
    explicit SearchPalette(const std::vector<uint32_t>& palette) {
        for (uint32_t c : palette) {
            r.push_back(Red(c));
            g.push_back(Green(c));
            b.push_back(Blue(c));
        }
        for (int i = 0; i < static_cast<int>(palette.size()); ++i) byGreen.push_back({g[i], r[i], b[i], i});
        std::stable_sort(byGreen.begin(), byGreen.end(), [](const ByGreen& x, const ByGreen& y) { return x.g < y.g; });
    }
    // The first closest entry of the whole palette. Entries are visited outward from the pixel's
    // green; the distance is at least |dG| + |dG| / 2, so a side stops once that bound exceeds the
    // best distance. Equal distances keep the lowest index, as the plain search does.
    int NearestAll(int pr, int pg, int pb) const {
        const int n = static_cast<int>(byGreen.size());
        int hi = static_cast<int>(std::lower_bound(byGreen.begin(), byGreen.end(), pg,
                                                   [](const ByGreen& e, int v) { return e.g < v; }) -
                                  byGreen.begin());
        int lo = hi - 1;
        int best = -1, bestDistance = 1 << 30;
        auto consider = [&](const ByGreen& e) {
            int d = ColourDistance(pr, pg, pb, e.r, e.g, e.b);
            if (d < bestDistance || (d == bestDistance && e.index < best)) {
                bestDistance = d;
                best = e.index;
            }
        };
        while (lo >= 0 || hi < n) {
            bool moved = false;
            if (hi < n) {
                int dg = byGreen[static_cast<size_t>(hi)].g - pg;
                if (dg + (dg >> 1) <= bestDistance) {
                    consider(byGreen[static_cast<size_t>(hi)]);
                    ++hi;
                    moved = true;
                } else {
                    hi = n;
                }
            }
            if (lo >= 0) {
                int dg = pg - byGreen[static_cast<size_t>(lo)].g;
                if (dg + (dg >> 1) <= bestDistance) {
                    consider(byGreen[static_cast<size_t>(lo)]);
                    --lo;
                    moved = true;
                } else {
                    lo = -1;
                }
            }
            if (!moved) break;
        }
        return best < 0 ? 0 : best;
    }
    // First closest entry among [from, to).
    int Nearest(int from, int to, int pr, int pg, int pb) const {
        if (from == 0 && to == static_cast<int>(r.size()) && to > 16) return NearestAll(pr, pg, pb);
        int best = from;
        int bestDistance = ColourDistance(pr, pg, pb, r[from], g[from], b[from]);
        for (int i = from + 1; i < to && bestDistance > 0; ++i) {
            int d = ColourDistance(pr, pg, pb, r[i], g[i], b[i]);
            if (d < bestDistance) {
                bestDistance = d;
                best = i;
            }
        }
        return best;
    }
};

void WriteIndex(QuantizeResult& out, const PixelView& v, int x, int y, int index) {
    out.indices[static_cast<size_t>(y) * v.width + x] = static_cast<uint8_t>(index);
}

void DiffuseTo(const PixelView& v, int x, int y, uint32_t chosen) {
    DiffuseError(v, x, y, Red(chosen), Green(chosen), Blue(chosen));
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
    for (int y = 0; y < v.height; ++y) {
        for (int x = 0; x < v.width; ++x) {
            const uint8_t* p = PixelAt(v, x, y);
            int index = (p[0] + p[1] + p[2]) / 3 > threshold ? 1 : 0;
            WriteIndex(out, v, x, y, index);
            if (q.dither) {
                int level = index ? 255 : 0;
                DiffuseError(v, x, y, level, level, level);
            }
        }
    }
}

// Nearest colour over the whole palette for every pixel, with a cache keyed by the exact colour.
void MapNearest(QuantizeRequest& q, QuantizeResult& out) {
    const PixelView& v = q.pixels;
    SearchPalette search(out.palette);
    int count = static_cast<int>(out.palette.size());
    NearestCache cache(int64_t{v.width} * v.height);
    for (int y = 0; y < v.height; ++y) {
        for (int x = 0; x < v.width; ++x) {
            uint32_t rgb = ArgbAt(v, x, y) & 0xFFFFFFu;
            int index = cache.Find(rgb);
            if (index < 0) {
                index = search.Nearest(0, count, Red(rgb), Green(rgb), Blue(rgb));
                cache.Insert(rgb, index);
            }
            WriteIndex(out, v, x, y, index);
            if (q.dither) DiffuseTo(v, x, y, out.palette[index]);
        }
    }
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
    for (int y = 0; y < v.height; ++y) {
        for (int x = 0; x < v.width; ++x) {
            const uint8_t* p = PixelAt(v, x, y);
            double luminance = 0.299 * p[2] + 0.587 * p[1] + 0.114 * p[0];
            int index = std::clamp(static_cast<int>((n - 1) * luminance / 255 + 0.5), 0, n - 1);
            WriteIndex(out, v, x, y, index);
            if (q.dither) DiffuseTo(v, x, y, out.palette[index]);
        }
    }
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
    SearchPalette search(out.palette);
    // The window follows from the colour's dominant channel, so the colour alone is a complete
    // key; the hash keys carry the window as well.
    NearestCache cache(int64_t{v.width} * v.height);
    for (int y = 0; y < v.height; ++y) {
        for (int x = 0; x < v.width; ++x) {
            uint32_t rgb = ArgbAt(v, x, y) & 0xFFFFFFu;
            int value = ChannelOf(rgb, dominant);
            int from = windowFrom[value], to = windowTo[value];
            uint64_t key = cache.Direct() ? uint64_t{rgb} : uint64_t{rgb} | uint64_t(from) << 24 | uint64_t(to) << 40;
            int index = cache.Find(key);
            if (index < 0) {
                index = search.Nearest(from, to, Red(rgb), Green(rgb), Blue(rgb));
                cache.Insert(key, index);
            }
            WriteIndex(out, v, x, y, index);
            if (q.dither) DiffuseTo(v, x, y, out.palette[index]);
        }
    }
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
    const uint8_t* p = PixelAt(v, x, y);
    int er = p[2] - r, eg = p[1] - g, eb = p[0] - b;
    bool right = x < v.width - 1, below = y < v.height - 1;
    if (right) Spread(PixelAt(v, x + 1, y), 7, er, eg, eb);
    if (below) {
        Spread(PixelAt(v, x, y + 1), 5, er, eg, eb);
        if (right) Spread(PixelAt(v, x + 1, y + 1), 1, er, eg, eb);
        if (x > 0) Spread(PixelAt(v, x - 1, y + 1), 3, er, eg, eb);
    }
}

QuantizeResult Quantize(QuantizeRequest& q) {
    QuantizeResult out;
    int bits = QuantizeTargetBits(q.mode);
    if (bits == 0) {
        out.status = 1;
        out.message = quantize_text::kNotIndexed;
        return out;
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
