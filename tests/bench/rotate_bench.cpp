// Quarter turns and flips of a 4096 × 4096 32-bit image beside a plain copy of its bytes.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "ops/rotate_flip.h"

namespace mirelo {
namespace {

constexpr int kSide = 4096;

struct Square {
    std::vector<uint8_t> bytes;
    PixelView view;
    explicit Square(PixelFormat format, int width = kSide, int height = kSide) {
        const int stride = static_cast<int>(DwordStride(width, BitsPerPixel(format)));
        bytes.resize(static_cast<size_t>(stride) * height);
        for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 2654435761u >> 24);
        view = PixelView{width, height, stride, format, bytes.data()};
    }
};

void CopyImageBytes(benchmark::State& state) {
    Square from(fmt::k32ARGB), to(fmt::k32ARGB);
    for (auto _ : state) {
        std::memcpy(to.bytes.data(), from.bytes.data(), from.bytes.size());
        benchmark::DoNotOptimize(to.bytes.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(from.bytes.size()));
}
BENCHMARK(CopyImageBytes)->Unit(benchmark::kMillisecond);

void Move(benchmark::State& state, PixelFormat format, int kind) {
    Square from(format), to(format);
    for (auto _ : state) {
        benchmark::DoNotOptimize(RotateFlipPixels(from.view, to.view, {kind}).code);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(from.bytes.size()));
}

// A photograph's size (6000 × 3750), whose rows are not a power of two apart.
void MovePhoto(benchmark::State& state, PixelFormat format, int kind) {
    Square from(format, 6000, 3750);
    const bool swaps = SwapsSides(kind);
    Square to(format, swaps ? 3750 : 6000, swaps ? 6000 : 3750);
    for (auto _ : state) {
        benchmark::DoNotOptimize(RotateFlipPixels(from.view, to.view, {kind}).code);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(from.bytes.size()));
}
BENCHMARK_CAPTURE(MovePhoto, QuarterTurnClockwise24, fmt::k24RGB, rotate_flip::kClockwise)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(MovePhoto, FlipLeftRight24, fmt::k24RGB, rotate_flip::kLeftRight)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_CAPTURE(Move, QuarterTurnClockwise32, fmt::k32ARGB, rotate_flip::kClockwise)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Move, QuarterTurnAnticlockwise32, fmt::k32ARGB, rotate_flip::kAnticlockwise)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Move, HalfTurn32, fmt::k32ARGB, rotate_flip::kHalfTurn)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Move, FlipLeftRight32, fmt::k32ARGB, rotate_flip::kLeftRight)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Move, QuarterTurnClockwise24, fmt::k24RGB, rotate_flip::kClockwise)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Move, FlipLeftRight24, fmt::k24RGB, rotate_flip::kLeftRight)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Move, QuarterTurnClockwise8, fmt::k8Index, rotate_flip::kClockwise)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Move, QuarterTurnClockwise1, fmt::k1Index, rotate_flip::kClockwise)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace mirelo
