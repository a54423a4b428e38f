#include "image/thumbnail.h"

#include <algorithm>
#include <cstdint>

#include "image/convert.h"

namespace mirelo {

ThumbPlacement PlaceThumbnail(int w, int h) {
    ThumbPlacement t{kThumbSize, kThumbSize, 0, 0};
    if (w <= 0 || h <= 0) return t;
    if (w < h) {
        t.width = static_cast<int>(int64_t{w} * kThumbSize / h);
        t.height = kThumbSize;
    } else {
        t.width = kThumbSize;
        t.height = static_cast<int>(int64_t{h} * kThumbSize / w);
    }
    t.width = std::max(t.width, 1);
    t.height = std::max(t.height, 1);
    if (t.width < t.height)
        t.x = (kThumbSize - t.width) / 2;
    else
        t.y = (kThumbSize - t.height) / 2;
    return t;
}

namespace {
constexpr int kMostSamples = 8;

// The sample positions along one side: for each of `parts` parts of `length`, up to 8 evenly
// spread positions (at least one).
std::vector<std::vector<int>> Samples(int length, int parts) {
    std::vector<std::vector<int>> out(static_cast<size_t>(parts));
    for (int p = 0; p < parts; ++p) {
        const int64_t from = int64_t{p} * length / parts, to = std::max<int64_t>(from + 1, int64_t{p + 1} * length / parts);
        const int64_t span = to - from, count = std::min<int64_t>(kMostSamples, span);
        for (int64_t k = 0; k < count; ++k) out[static_cast<size_t>(p)].push_back(static_cast<int>(from + (2 * k + 1) * span / (2 * count)));
    }
    return out;
}
}  // namespace

bool ReduceForThumbnail(const PixelView& in, int width, int height, std::vector<uint32_t>* argb) {
    if (!argb || width < 1 || height < 1 || in.width < 1 || in.height < 1 || !in.scan0 || BitsPerPixel(in.format) > 32) return false;
    const auto columns = Samples(in.width, width), rows = Samples(in.height, height);
    const bool premultiplied = IsPremultiplied(in.format);
    argb->assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
    std::vector<uint64_t> sums(static_cast<size_t>(width) * 4);
    std::vector<uint8_t> bgra;
    for (int r = 0; r < height; ++r) {
        std::fill(sums.begin(), sums.end(), 0);
        for (int y : rows[static_cast<size_t>(r)]) {
            PixelView row = in;
            row.scan0 = in.Row(y);
            row.height = 1;
            if (!DecodeToBgra(row, bgra)) return false;
            for (int c = 0; c < width; ++c) {
                uint64_t* sum = &sums[static_cast<size_t>(c) * 4];
                for (int x : columns[static_cast<size_t>(c)]) {
                    const uint8_t* p = &bgra[static_cast<size_t>(x) * 4];
                    const uint64_t a = p[3], weight = premultiplied ? 255 : a;
                    sum[0] += p[0] * weight;
                    sum[1] += p[1] * weight;
                    sum[2] += p[2] * weight;
                    sum[3] += a;
                }
            }
        }
        for (int c = 0; c < width; ++c) {
            const uint64_t* sum = &sums[static_cast<size_t>(c) * 4];
            const uint64_t n = static_cast<uint64_t>(rows[static_cast<size_t>(r)].size() * columns[static_cast<size_t>(c)].size());
            const uint64_t alphaSum = sum[3];
            uint32_t out = 0;
            if (alphaSum > 0) {
                // Colour: the alpha-weighted mean, Σ c·a / Σ a (a premultiplied channel already is
                // c·a / 255); alpha: the plain mean.
                auto channel = [&](int i) { return static_cast<uint32_t>(std::min<uint64_t>((sum[i] + alphaSum / 2) / alphaSum, 255)); };
                const uint32_t a = static_cast<uint32_t>((alphaSum + n / 2) / n);
                out = a << 24 | channel(2) << 16 | channel(1) << 8 | channel(0);
            }
            (*argb)[static_cast<size_t>(r) * static_cast<size_t>(width) + static_cast<size_t>(c)] = out;
        }
    }
    return true;
}

}  // namespace mirelo
