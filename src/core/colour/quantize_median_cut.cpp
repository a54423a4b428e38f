// Median cut: a histogram of 15-bit colours cut into boxes along their widest channel, each box's
// mean a palette entry.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "colour/quantize_map.h"

namespace mirelo {
namespace quantize_kit {

namespace {
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

// Pixels of each 15-bit code and the codes in order of first appearance, over some rows.
struct CodeCounts {
    std::vector<uint32_t> counts;
    std::vector<uint16_t> order;

    void Count(const PixelView& v, int from, int to) {
        counts.assign(32768, 0);
        for (int y = from; y < to; ++y) {
            const uint8_t* row = v.Row(y);
            for (int x = 0; x < v.width; ++x) {
                const uint16_t code = CodeOf(row + static_cast<intptr_t>(x) * 4);
                uint32_t& n = counts[code];
                if (n == 0) order.push_back(code);
                ++n;
            }
        }
    }
};

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
}  // namespace

void MedianCut(QuantizeRequest& q, int capacity, QuantizeResult& out) {
    const PixelView& v = q.pixels;
    std::vector<uint32_t> distinct;
    if (DistinctColours(v, capacity, distinct) <= capacity) {
        ExactPalette(q, std::move(distinct), out);
        return;
    }
    std::vector<MedianCutBox> boxes(static_cast<size_t>(capacity));
    {
        // The rows are counted in two halves at once on a large image; the counts stop at 65535.
        CodeCounts top, bottom;
        const int middle = v.height / 2;
        bool split = q.threads != 1 && int64_t{v.width} * v.height >= (int64_t{1} << 18) && v.height >= 2;
        if (split) split = RunBeside([&] { top.Count(v, 0, middle); }, [&] { bottom.Count(v, middle, v.height); });
        if (!split) top.Count(v, 0, v.height);
        // Codes in order of first appearance: those of the top half, then the bottom half's new ones.
        for (uint16_t code : bottom.order)
            if (top.counts[code] == 0) top.order.push_back(code);
        std::vector<HistogramEntry>& entries = boxes[0].entries;
        entries.reserve(top.order.size());
        for (uint16_t code : top.order) {
            const uint32_t n = top.counts[code] + (split ? bottom.counts[code] : 0);
            entries.push_back(HistogramEntry{code, static_cast<uint16_t>(std::min<uint32_t>(n, 65535))});
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
    const IndexRows rows = IndexRowsOf(q, out);
    for (int y = 0; y < v.height; ++y) {
        const uint8_t* row = v.Row(y);
        uint8_t* indices = rows.Row(y);
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

}  // namespace quantize_kit
}  // namespace mirelo
