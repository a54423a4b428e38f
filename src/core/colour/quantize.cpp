#include "colour/quantize.h"

#include <algorithm>
#include <cstdlib>
#include <new>
#include <unordered_set>

#include "colour/quantize_map.h"

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

namespace quantize_kit {

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


}  // namespace quantize_kit

using namespace quantize_kit;

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
        if (!IndexRowsFit(q)) out.indices.assign(static_cast<size_t>(q.pixels.width) * q.pixels.height, 0);
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
