// The conversion of a 24-megapixel (6000 × 3750) picture to 8-bit indexed, as the editor's
// command runs it (ConvertToIndexed), beside a plain copy of the 67.5 MB of its 24-bit pixels:
// median cut with and without dithering, uniform division and the fixed palette with dithering.
// The picture is generated like a photograph (smooth shading, fine noise, hard edges); with
// MIRELO_BENCH_QUANTIZE_BMP naming a BMP of a photograph, the same cases run on it as well.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "colour/indexed_op.h"
#include "files/bmp_file.h"

namespace mirelo {
namespace {

constexpr int kWidth = 6000, kHeight = 3750;

OwnedPixels Generated() {
    OwnedPixels p;
    p.Allocate(kWidth, kHeight, fmt::k32ARGB);
    std::mt19937 rng(5);
    for (int y = 0; y < kHeight; ++y) {
        uint8_t* row = p.view.Row(y);
        for (int x = 0; x < kWidth; ++x) {
            const int edge = ((x / 370 + y / 230) % 5 == 0) ? 40 : 0;
            const int noise = static_cast<int>(rng() % 13) - 6;
            const int value[3] = {(x * 255 / kWidth + noise + edge) & 0xFF, (y * 255 / kHeight - noise) & 0xFF,
                                  ((x + y) / 40 + noise + edge) & 0xFF};
            for (int c = 0; c < 3; ++c) row[x * 4 + c] = static_cast<uint8_t>(value[c]);
            row[x * 4 + 3] = 255;
        }
    }
    return p;
}

void CopyOf24BitPixels(benchmark::State& state) {
    const size_t size = size_t{kWidth} * kHeight * 3;
    std::vector<uint8_t> from(size, 1), to(size, 0);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), size);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(size));
}
BENCHMARK(CopyOf24BitPixels)->Unit(benchmark::kMillisecond);

using Picture = std::function<const OwnedPixels&()>;  // made when a case first runs

void ToIndexed(benchmark::State& state, const Picture& picture, int mode, bool dither) {
    const PixelView& in = picture().view;
    if (!in.scan0) {
        state.SkipWithError("no picture");
        return;
    }
    OwnedPixels target;
    target.Allocate(in.width, in.height, fmt::k8Index);
    for (auto _ : state) {
        IndexedOpOutput output;
        IndexedOpParams params;
        params.mode = mode;
        params.dither = dither;
        params.sourceFormat = fmt::k24RGB;
        params.output = &output;
        if (!ConvertToIndexed(in, target.view, params).ok() || output.palette.empty()) state.SkipWithError("the conversion failed");
        benchmark::ClobberMemory();
    }
}

void Register(const std::string& name, const Picture& picture) {
    static const struct {
        const char* name;
        int mode;
        bool dither;
    } kCases[] = {{"MedianCutDither", 12, true}, {"MedianCut", 12, false}, {"UniformDither", 9, true}, {"FixedDither", 10, true}};
    for (const auto& c : kCases)
        benchmark::RegisterBenchmark((name + "/" + c.name).c_str(), ToIndexed, picture, c.mode, c.dither)
            ->Unit(benchmark::kMillisecond)
            ->MinTime(1.0);
}

const bool kRegistered = [] {
    Register("ToIndexed24MP", []() -> const OwnedPixels& {
        static const OwnedPixels generated = Generated();
        return generated;
    });
    if (const char* path = std::getenv("MIRELO_BENCH_QUANTIZE_BMP")) {
        Register("ToIndexedPhotograph", [path = std::string(path)]() -> const OwnedPixels& {
            static const OwnedPixels photo = [&path] {
                std::ifstream file(path, std::ios::binary);
                const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
                OwnedPixels p;
                PixelFormat format = 0;
                std::string error;
                if (!ReadBmp(bytes, &p, &format, &error)) p = OwnedPixels{};
                return p;
            }();
            return photo;
        });
    }
    return true;
}();

}  // namespace
}  // namespace mirelo
