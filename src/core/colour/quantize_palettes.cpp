// The palette methods of the colour reduction other than median cut: the exact palette of an
// image with few colours, the two-colour rule, the fixed palette, the monotone palette and
// uniform division.
#include <algorithm>
#include <cstdint>
#include <unordered_set>
#include <vector>

#include "colour/quantize_map.h"

namespace mirelo {
namespace quantize_kit {

namespace {
int ChannelOf(uint32_t c, int channel) { return (c >> (8 * channel)) & 0xFF; }  // 0 B, 1 G, 2 R
}  // namespace

void ExactPalette(const QuantizeRequest& q, std::vector<uint32_t> list, QuantizeResult& out) {
    std::sort(list.begin(), list.end(),
              [](uint32_t a, uint32_t b) { return static_cast<int32_t>(a) > static_cast<int32_t>(b); });
    bool transparent = std::any_of(list.begin(), list.end(), [](uint32_t c) { return (c >> 24) == 0; });
    out.paletteFlags = (transparent && HasAlpha(q.sourceFormat)) ? palette_flags::kHasAlpha : 0;
    const PixelView& v = q.pixels;
    auto descending = [](uint32_t a, uint32_t b) { return static_cast<int32_t>(a) > static_cast<int32_t>(b); };
    const IndexRows indices = IndexRowsOf(q, out);
    for (int y = 0; y < v.height; ++y) {
        uint8_t* row = indices.Row(y);
        uint32_t previous = 0;
        int previousIndex = -1;
        for (int x = 0; x < v.width; ++x) {
            uint32_t c = ArgbAt(v, x, y);
            if (previousIndex < 0 || c != previous) {
                auto it = std::lower_bound(list.begin(), list.end(), c, descending);
                previousIndex = (it != list.end() && *it == c) ? static_cast<int>(it - list.begin()) : 0;
                previous = c;
            }
            row[x] = static_cast<uint8_t>(previousIndex);
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

}  // namespace quantize_kit
}  // namespace mirelo
