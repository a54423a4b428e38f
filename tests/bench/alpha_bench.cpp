// The transparency change of a 4096 × 4096 32-bit image beside a plain copy of its bytes (the
// copy is CopyImageBytes of the rotation benchmarks): the uniform level into a new image and in
// place, and the luminance of another image of the same size.
#include <benchmark/benchmark.h>

#include <vector>

#include "ops/alpha_change.h"

namespace mirelo {
namespace {

constexpr int kSide = 4096;

struct Picture {
    std::vector<uint8_t> bytes;
    PixelView view;
    Picture() : bytes(static_cast<size_t>(kSide) * kSide * 4) {
        for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 2654435761u >> 24);
        view = PixelView{kSide, kSide, kSide * 4, fmt::k32ARGB, bytes.data()};
    }
};

void Alpha(benchmark::State& state, AlphaChangeParams::Source source, int operation, bool inPlace) {
    Picture in, out, other;
    AlphaChangeParams params;
    params.source = source;
    params.operation = operation;
    params.value = 100;
    params.levels = &other.view;
    const PixelView& target = inPlace ? in.view : out.view;
    for (auto _ : state) {
        benchmark::DoNotOptimize(ChangeAlpha(in.view, target, params).code);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(in.bytes.size()));
}

BENCHMARK_CAPTURE(Alpha, UniformReplaceIntoNewImage, AlphaChangeParams::Source::Uniform, alpha_change::kReplace, false)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Alpha, UniformSubtractInPlace, AlphaChangeParams::Source::Uniform, alpha_change::kSubtract, true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Alpha, OtherImageLuminanceAverageInPlace, AlphaChangeParams::Source::Image, alpha_change::kAverage, true)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace mirelo
