// The retouch brush: a stroke of a 50-pixel disc across a 4096 × 4096 32-bit image, in one step
// and in moves of 8 pixels as the mouse brings them, for the modes of different arithmetic and
// with the stroke mask, beside a plain copy of the image's bytes.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "draw/retouch.h"
#include "draw/shape_geometry.h"

namespace mirelo {
namespace {

constexpr int kSide = 4096;
constexpr int kBrush = 50;

struct Picture {
    std::vector<uint32_t> pixels;
    PixelView view;
    Picture() : pixels(static_cast<size_t>(kSide) * kSide) {
        for (int y = 0; y < kSide; ++y)
            for (int x = 0; x < kSide; ++x)
                pixels[static_cast<size_t>(y) * kSide + x] =
                    0xFF000000u | static_cast<uint32_t>((x * 7) & 0xFF) << 16 | static_cast<uint32_t>((y * 5) & 0xFF) << 8 |
                    static_cast<uint32_t>((x + y) & 0xFF);
        view = PixelView{kSide, kSide, kSide * 4, fmt::k32ARGB, reinterpret_cast<uint8_t*>(pixels.data())};
    }
};

std::vector<uint8_t> Disc(int side) {
    std::vector<uint8_t> tip(static_cast<size_t>(side) * side);
    const double r = side / 2.0;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            const double dx = x + 0.5 - r, dy = y + 0.5 - r;
            tip[static_cast<size_t>(y) * side + x] = dx * dx + dy * dy <= r * r ? 1 : 0;
        }
    return tip;
}

void CopyImage(benchmark::State& state) {
    Picture from, to;
    for (auto _ : state) {
        std::memcpy(to.pixels.data(), from.pixels.data(), from.pixels.size() * 4);
        benchmark::DoNotOptimize(to.pixels.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(CopyImage)->Unit(benchmark::kMillisecond);

// Across the middle row from the left edge to the right one; `move` pixels per step.
void StrokeAcross(benchmark::State& state, int mode, bool masked, int move) {
    Picture image;
    const std::vector<uint8_t> tip = Disc(kBrush);
    std::vector<uint8_t> mask(masked ? image.pixels.size() : 0);
    const RetouchRule rule = MakeRetouchRule(mode, 4, kBrush, masked, 128);
    for (auto _ : state) {
        if (masked) std::memset(mask.data(), 0, mask.size());
        for (int x = 0; x < kSide - 1; x += move) {
            const std::vector<IntPoint> points = LinePointsFrom({x, kSide / 2}, {std::min(kSide - 1, x + move), kSide / 2});
            RetouchStroke stroke;
            stroke.rule = rule;
            stroke.tip = tip.data();
            stroke.side = kBrush;
            stroke.points = points.data();
            stroke.pointCount = points.size();
            stroke.mask = masked ? mask.data() : nullptr;
            if (!RetouchStrokeStep(image.view, stroke).ok()) state.SkipWithError("the stroke was refused");
        }
        benchmark::ClobberMemory();
    }
}
BENCHMARK_CAPTURE(StrokeAcross, smudge_one_step, retouch_mode::kSmudge, false, kSide)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(StrokeAcross, smudge_moves_of_8, retouch_mode::kSmudge, false, 8)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(StrokeAcross, lighten_moves_of_8, retouch_mode::kLighten, false, 8)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(StrokeAcross, lighten_mask_moves_of_8, retouch_mode::kLighten, true, 8)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(StrokeAcross, saturate_moves_of_8, retouch_mode::kSaturate, false, 8)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(StrokeAcross, alpha_moves_of_8, retouch_mode::kAlpha, false, 8)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace mirelo
