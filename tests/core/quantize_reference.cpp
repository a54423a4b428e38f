// Straightforward version of every search: kept simple on purpose, so that it can be checked by
// reading, and used by the tests as the yardstick of the fast implementation.
#include "quantize_reference.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace mirelo {
namespace {

uint32_t Argb(const PixelView& v, int x, int y) {
    const uint8_t* p = v.Row(y) + static_cast<intptr_t>(x) * 4;
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

int R(uint32_t c) { return (c >> 16) & 0xFF; }
int G(uint32_t c) { return (c >> 8) & 0xFF; }
int B(uint32_t c) { return c & 0xFF; }

int Distance(int r1, int g1, int b1, int r2, int g2, int b2) {
    int dr = std::abs(r1 - r2), dg = std::abs(g1 - g2), db = std::abs(b1 - b2);
    return ((dr + dg + db) >> 1) + std::max(dr, std::max(dg, db));
}

// Index of the first closest palette entry among [from, to).
int Nearest(const std::vector<uint32_t>& palette, int from, int to, int r, int g, int b) {
    int best = from;
    int bestDistance = Distance(r, g, b, R(palette[from]), G(palette[from]), B(palette[from]));
    for (int i = from + 1; i < to; ++i) {
        int d = Distance(r, g, b, R(palette[i]), G(palette[i]), B(palette[i]));
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

void AddError(const PixelView& v, int x, int y, int w, int er, int eg, int eb) {
    uint8_t* p = v.Row(y) + static_cast<intptr_t>(x) * 4;
    int e[3] = {eb, eg, er};
    for (int c = 0; c < 3; ++c) {
        int value = p[c] + w * e[c] / 16;
        p[c] = static_cast<uint8_t>(std::clamp(value, 0, 255));
    }
}

void Diffuse(const PixelView& v, int x, int y, uint32_t chosen) {
    uint32_t c = Argb(v, x, y);
    int er = R(c) - R(chosen), eg = G(c) - G(chosen), eb = B(c) - B(chosen);
    if (x < v.width - 1) AddError(v, x + 1, y, 7, er, eg, eb);
    if (y < v.height - 1) AddError(v, x, y + 1, 5, er, eg, eb);
    if (x < v.width - 1 && y < v.height - 1) AddError(v, x + 1, y + 1, 1, er, eg, eb);
    if (x > 0 && y < v.height - 1) AddError(v, x - 1, y + 1, 3, er, eg, eb);
}

int CountDistinct(const PixelView& v, int limit, std::vector<uint32_t>& list) {
    list.clear();
    for (int y = 0; y < v.height; ++y) {
        for (int x = 0; x < v.width; ++x) {
            uint32_t c = Argb(v, x, y);
            bool found = false;
            for (uint32_t known : list) {
                if (known == c) {
                    found = true;
                    break;
                }
            }
            if (!found) {
                list.push_back(c);
                if (static_cast<int>(list.size()) == limit + 1) return limit + 1;
            }
        }
    }
    return static_cast<int>(list.size());
}

void ExactPalette(const QuantizeRequest& q, std::vector<uint32_t> list, QuantizeResult& out) {
    std::sort(list.begin(), list.end(),
              [](uint32_t a, uint32_t b) { return static_cast<int32_t>(a) > static_cast<int32_t>(b); });
    out.palette = list;
    bool transparent = false;
    for (uint32_t c : list)
        if ((c >> 24) == 0) transparent = true;
    out.paletteFlags = (transparent && HasAlpha(q.sourceFormat)) ? palette_flags::kHasAlpha : 0;
    const PixelView& v = q.pixels;
    for (int y = 0; y < v.height; ++y) {
        for (int x = 0; x < v.width; ++x) {
            int32_t c = static_cast<int32_t>(Argb(v, x, y));
            int lo = 0, hi = static_cast<int>(list.size()) - 1, found = 0;
            while (lo <= hi) {
                int mid = (lo + hi) / 2;
                int32_t m = static_cast<int32_t>(list[mid]);
                if (m == c) {
                    found = mid;
                    break;
                }
                if (m > c)
                    lo = mid + 1;
                else
                    hi = mid - 1;
            }
            out.indices[static_cast<size_t>(y) * v.width + x] = static_cast<uint8_t>(found);
        }
    }
}

void TwoColour(QuantizeRequest& q, QuantizeResult& out) {
    const PixelView& v = q.pixels;
    out.palette = {0xFF000000u, 0xFFFFFFFFu};
    out.paletteFlags = 0;
    int minimum = 255, maximum = 0;
    for (int y = 0; y < v.height; ++y) {
        for (int x = 0; x < v.width; ++x) {
            uint32_t c = Argb(v, x, y);
            int g = (R(c) + G(c) + B(c)) / 3;
            minimum = std::min(minimum, g);
            maximum = std::max(maximum, g);
        }
    }
    double f = 0.5;
    int t = minimum != maximum ? static_cast<int>(maximum * f + minimum * (1 - f)) : static_cast<int>(255 * f);
    for (int y = 0; y < v.height; ++y) {
        for (int x = 0; x < v.width; ++x) {
            uint32_t c = Argb(v, x, y);
            int g = (R(c) + G(c) + B(c)) / 3;
            int index = g > t ? 1 : 0;
            out.indices[static_cast<size_t>(y) * v.width + x] = static_cast<uint8_t>(index);
            if (q.dither) Diffuse(v, x, y, out.palette[index]);
        }
    }
}

void MapNearest(QuantizeRequest& q, QuantizeResult& out) {
    const PixelView& v = q.pixels;
    for (int y = 0; y < v.height; ++y) {
        for (int x = 0; x < v.width; ++x) {
            uint32_t c = Argb(v, x, y);
            int index = Nearest(out.palette, 0, static_cast<int>(out.palette.size()), R(c), G(c), B(c));
            out.indices[static_cast<size_t>(y) * v.width + x] = static_cast<uint8_t>(index);
            if (q.dither) Diffuse(v, x, y, out.palette[index]);
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
    std::vector<uint32_t> list;
    int n = CountDistinct(q.pixels, capacity, list);
    if (n > capacity) n = capacity;
    if (n < 2) n = 2;
    for (int i = 0; i < n; ++i) {
        uint32_t level = static_cast<uint32_t>(i * 255 / (n - 1));
        out.palette.push_back(0xFF000000u | level * 0x010101u);
    }
    out.paletteFlags = palette_flags::kGreyScale;
    const PixelView& v = q.pixels;
    for (int y = 0; y < v.height; ++y) {
        for (int x = 0; x < v.width; ++x) {
            uint32_t c = Argb(v, x, y);
            double luminance = 0.299 * R(c) + 0.587 * G(c) + 0.114 * B(c);
            int index = static_cast<int>((n - 1) * luminance / 255 + 0.5);
            index = std::clamp(index, 0, n - 1);
            out.indices[static_cast<size_t>(y) * v.width + x] = static_cast<uint8_t>(index);
            if (q.dither) Diffuse(v, x, y, out.palette[index]);
        }
    }
}

void Uniform(QuantizeRequest& q, int capacity, QuantizeResult& out) {
    const PixelView& v = q.pixels;
    int sx = UniformSampleStep(v.width), sy = UniformSampleStep(v.height);
    int range = UniformSearchRange(v.width, v.height);
    if (sx == 0) sx = 1;
    if (sx > v.width) sx = v.width;
    if (sy == 0) sy = 1;
    if (sy > v.height) sy = v.height;
    if (range < 30) range = 30;
    if (range > 255) range = 255;

    std::vector<uint32_t> distinct;
    int d = CountDistinct(v, 1024, distinct);
    if (d <= capacity) {
        ExactPalette(q, distinct, out);
        return;
    }
    std::vector<uint32_t> list;  // 0x00RRGGBB
    if (d <= 1024) {
        for (uint32_t c : distinct) list.push_back(c & 0xFFFFFFu);
    } else {
        for (int y = 0; y < v.height; y += sy) {
            for (int x = 0; x < v.width; x += sx) {
                uint32_t c = Argb(v, x, y) & 0xFCFCFCu;
                if (std::find(list.begin(), list.end(), c) == list.end()) list.push_back(c);
            }
        }
    }
    int lowest[3] = {255, 255, 255}, highest[3] = {0, 0, 0};  // B, G, R
    for (uint32_t c : list) {
        int value[3] = {B(c), G(c), R(c)};
        for (int k = 0; k < 3; ++k) {
            lowest[k] = std::min(lowest[k], value[k]);
            highest[k] = std::max(highest[k], value[k]);
        }
    }
    int dominant = 0;
    for (int k = 1; k < 3; ++k)
        if (highest[k] - lowest[k] > highest[dominant] - lowest[dominant]) dominant = k;
    auto channel = [dominant](uint32_t c) { return dominant == 0 ? B(c) : dominant == 1 ? G(c) : R(c); };
    std::vector<uint32_t> keys;
    for (uint32_t c : list) keys.push_back(static_cast<uint32_t>(channel(c)) << 24 | c);
    std::stable_sort(keys.begin(), keys.end(), [](uint32_t a, uint32_t b) { return (a >> 1) > (b >> 1); });

    int m = static_cast<int>(keys.size());
    int quotient = m / capacity, remainder = m % capacity;
    std::vector<uint32_t> chosen(capacity);
    if (quotient == 0) {
        for (int i = 0; i < capacity; ++i) chosen[i] = i < m ? keys[i] : keys[0];
    } else {
        int spacing = remainder > 0 ? (capacity - 1) / remainder : 0;
        int position = 0;
        for (int i = 0; i < capacity; ++i) {
            chosen[i] = keys[position];
            bool larger = false;
            for (int j = 0; j < remainder; ++j)
                if (j * spacing == i) larger = true;
            position += quotient + (larger ? 1 : 0);
        }
    }
    for (uint32_t key : chosen) out.palette.push_back(0xFF000000u | (key & 0xFFFFFFu));
    out.paletteFlags = 0;

    for (int y = 0; y < v.height; ++y) {
        for (int x = 0; x < v.width; ++x) {
            uint32_t c = Argb(v, x, y);
            int from = 0, to = capacity;
            if (range < 100) {
                for (int i = 0; i < capacity; ++i) {
                    if (channel(out.palette[i]) < channel(c)) {
                        from = std::max(i - range, 0);
                        to = std::min(i + range, capacity);
                        break;
                    }
                }
            }
            int index = Nearest(out.palette, from, to, R(c), G(c), B(c));
            out.indices[static_cast<size_t>(y) * v.width + x] = static_cast<uint8_t>(index);
            if (q.dither) Diffuse(v, x, y, out.palette[index]);
        }
    }
}

struct Entry {
    uint16_t code;
    uint16_t count;
};

int FiveBit(uint16_t code, int channel) { return (code >> (10 - 5 * channel)) & 31; }  // 0 B, 1 G, 2 R

struct Box {
    int lowest[3], highest[3], range[3];
    std::vector<Entry> entries;
    void Measure() {
        for (int k = 0; k < 3; ++k) {
            lowest[k] = 31;
            highest[k] = 0;
            for (const Entry& e : entries) {
                lowest[k] = std::min(lowest[k], FiveBit(e.code, k));
                highest[k] = std::max(highest[k], FiveBit(e.code, k));
            }
            range[k] = highest[k] - lowest[k];
        }
    }
    int LargestRange() const { return std::max(range[0], std::max(range[1], range[2])); }
};

void MedianCut(QuantizeRequest& q, int capacity, QuantizeResult& out) {
    const PixelView& v = q.pixels;
    std::vector<uint32_t> distinct;
    if (CountDistinct(v, capacity, distinct) <= capacity) {
        ExactPalette(q, distinct, out);
        return;
    }
    std::vector<Box> boxes(256);
    for (int y = 0; y < v.height; ++y) {
        for (int x = 0; x < v.width; ++x) {
            uint32_t c = Argb(v, x, y);
            uint16_t code = static_cast<uint16_t>((B(c) >> 3) << 10 | (G(c) >> 3) << 5 | (R(c) >> 3));
            bool found = false;
            for (Entry& e : boxes[0].entries) {
                if (e.code == code) {
                    if (e.count != 65535) ++e.count;
                    found = true;
                    break;
                }
            }
            if (!found) boxes[0].entries.push_back(Entry{code, 1});
        }
    }
    boxes[0].Measure();
    int previous = 0;
    int k = 1;
    for (; k < capacity; ++k) {
        int chosen = previous, chosenRange = 0;
        for (int i = 0; i < k; ++i) {
            if (boxes[i].LargestRange() > chosenRange) {
                chosenRange = boxes[i].LargestRange();
                chosen = i;
            }
        }
        previous = chosen;
        Box& box = boxes[chosen];
        int channel = 0;
        for (int c = 1; c < 3; ++c)
            if (box.range[c] > box.range[channel]) channel = c;
        int half = static_cast<int>(box.entries.size()) / 2;
        if (half < 1) break;
        std::stable_sort(box.entries.begin(), box.entries.end(), [channel](const Entry& a, const Entry& b) {
            return FiveBit(a.code, channel) < FiveBit(b.code, channel);
        });
        boxes[k].entries.assign(box.entries.begin() + half, box.entries.end());
        box.entries.resize(half);
        box.Measure();
        boxes[k].Measure();
    }
    int count = k;
    for (int i = 0; i < count; ++i) {
        uint64_t sum[3] = {0, 0, 0}, weight = 0;
        for (const Entry& e : boxes[i].entries) {
            for (int c = 0; c < 3; ++c) sum[c] += uint64_t(FiveBit(e.code, c)) * e.count * 8;
            weight += e.count;
        }
        uint32_t b = static_cast<uint32_t>(sum[0] / weight), g = static_cast<uint32_t>(sum[1] / weight),
                 r = static_cast<uint32_t>(sum[2] / weight);
        out.palette.push_back(0xFF000000u | r << 16 | g << 8 | b);
    }
    out.paletteFlags = 0;

    for (int y = 0; y < v.height; ++y) {
        for (int x = 0; x < v.width; ++x) {
            uint32_t c = Argb(v, x, y);
            int index = 0;
            if (q.dither) {
                index = Nearest(out.palette, 0, count, R(c), G(c), B(c));
            } else {
                int value[3] = {B(c) & 0xF8, G(c) & 0xF8, R(c) & 0xF8};
                for (int i = 0; i < count; ++i) {
                    bool inside = true;
                    for (int ch = 0; ch < 3; ++ch)
                        if (value[ch] < boxes[i].lowest[ch] << 3 || value[ch] > boxes[i].highest[ch] << 3) inside = false;
                    if (inside) {
                        index = i;
                        break;
                    }
                }
            }
            out.indices[static_cast<size_t>(y) * v.width + x] = static_cast<uint8_t>(index);
            if (q.dither) Diffuse(v, x, y, out.palette[index]);
        }
    }
}

}  // namespace

QuantizeResult QuantizeReference(QuantizeRequest& q) {
    QuantizeResult out;
    int bits = QuantizeTargetBits(q.mode);
    if (bits == 0) {
        out.status = 1;
        out.message = quantize_text::kNotIndexed;
        return out;
    }
    int capacity = 1 << bits;
    out.indices.assign(static_cast<size_t>(q.pixels.width) * q.pixels.height, 0);
    if (bits == 1) {
        TwoColour(q, out);
    } else {
        switch (QuantizeMethod(q.mode)) {
        case quantize_method::kUniform: Uniform(q, capacity, out); break;
        case quantize_method::kFixed: Fixed(q, capacity, out); break;
        case quantize_method::kMonotone: Monotone(q, capacity, out); break;
        default: MedianCut(q, capacity, out); break;
        }
    }
    if (out.status != 0) {
        out.palette.clear();
        out.indices.clear();
    }
    return out;
}

}  // namespace mirelo
