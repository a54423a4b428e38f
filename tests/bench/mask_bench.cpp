// The selection mask of a large image beside a plain copy of the same number of bytes.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "select/path_mask.h"

namespace mirelo {
namespace {

constexpr int kSide = 4096;

void CopySameBytes(benchmark::State& state) {
    std::vector<uint8_t> from(static_cast<size_t>(kSide) * kSide, 1), to(from.size());
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), from.size());
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(CopySameBytes)->Unit(benchmark::kMillisecond);

void MaskOf(benchmark::State& state, const EditPath& path) {
    std::vector<uint8_t> mask;
    for (auto _ : state) {
        PathMask(path, 0, 0, kSide, kSide, &mask);
        benchmark::DoNotOptimize(mask.data());
    }
}

void MaskEllipse(benchmark::State& state) {
    EditPath p;
    p.AddEllipse(100, 200, 3800, 3500);
    MaskOf(state, p);
}
BENCHMARK(MaskEllipse)->Unit(benchmark::kMillisecond);

// A star-like polygon of 200 vertices over most of the image.
void MaskPolygon200(benchmark::State& state) {
    std::vector<PointF> star;
    for (int i = 0; i < 200; ++i) {
        const double a = i * 2 * 3.14159265358979 / 200, r = i % 2 ? 2000 : 1300;
        star.push_back({static_cast<float>(2048 + r * std::cos(a)), static_cast<float>(2048 + r * std::sin(a))});
    }
    EditPath p;
    p.AddPolygon(star.data(), star.size());
    MaskOf(state, p);
}
BENCHMARK(MaskPolygon200)->Unit(benchmark::kMillisecond);

void OutlineOfEllipseMask(benchmark::State& state) {
    EditPath p;
    p.AddEllipse(100, 200, 3800, 3500);
    std::vector<uint8_t> mask;
    PathMask(p, 0, 0, kSide, kSide, &mask);
    for (auto _ : state) benchmark::DoNotOptimize(OutlineOfMask(mask, kSide, kSide).horizontal.size());
}
BENCHMARK(OutlineOfEllipseMask)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace mirelo
