// The fill tool's area fill of a flat 4096 × 4096 32-bit image from its centre, beside a plain copy
// of the image; and the magic wand on a 1280 × 1280 region of a photograph (a 32-bit BMP named by
// MIRELO_BENCH_WAND_BMP, which tools/bench-fill.sh makes).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "files/bmp_file.h"
#include "ops/flood_fill.h"
#include "select/magic_wand.h"

namespace mirelo {
namespace {

constexpr int kSide = 4096;

struct Flat {
    std::vector<uint32_t> pixels;
    PixelView view;
    Flat() : pixels(static_cast<size_t>(kSide) * kSide, 0xFF336699u) {
        view = PixelView{kSide, kSide, kSide * 4, fmt::k32ARGB, reinterpret_cast<uint8_t*>(pixels.data())};
    }
};

void CopyFlatImage(benchmark::State& state) {
    Flat from, to;
    for (auto _ : state) {
        std::memcpy(to.pixels.data(), from.pixels.data(), from.pixels.size() * 4);
        benchmark::DoNotOptimize(to.pixels.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(CopyFlatImage)->Unit(benchmark::kMillisecond);

// Into another image, as mirelo-tool writes its output.
void AreaFillFlatImage(benchmark::State& state) {
    Flat from, to;
    for (auto _ : state) {
        const OpStatus s = AreaFill(from.view, to.view, {kSide / 2, kSide / 2, 0xFFFF0000u, {}});
        if (!s.ok() || to.pixels[0] != 0xFFFF0000u) state.SkipWithError("the fill did not fill");
        benchmark::ClobberMemory();
    }
}
BENCHMARK(AreaFillFlatImage)->Unit(benchmark::kMillisecond);

// In place, as the editor fills its locked bitmap (two colours by turns).
void AreaFillFlatImageInPlace(benchmark::State& state) {
    Flat image;
    uint32_t colour = 0xFFFF0000u;
    for (auto _ : state) {
        const OpStatus s = AreaFill(image.view, image.view, {kSide / 2, kSide / 2, colour, {}});
        if (!s.ok() || image.pixels.back() != colour) state.SkipWithError("the fill did not fill");
        colour ^= 0x00FFFF00u;
        benchmark::ClobberMemory();
    }
}
BENCHMARK(AreaFillFlatImageInPlace)->Unit(benchmark::kMillisecond);

void WandOnPhotograph(benchmark::State& state, std::string path, int tolerance) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    OwnedPixels argb;
    PixelFormat format = 0;
    std::string error;
    if (!ReadBmp(bytes, &argb, &format, &error)) {
        state.SkipWithError(("cannot read " + path + ": " + error).c_str());
        return;
    }
    size_t vertices = 0;
    for (auto _ : state) {
        std::vector<IntPoint> v;
        const WandParams p{argb.view.width / 2, argb.view.height / 2, ToleranceFromIndices(0, tolerance, tolerance, tolerance), false};
        if (!FindWandOutline(argb.view, p, &v).ok()) state.SkipWithError("the wand failed");
        vertices = v.size();
    }
    state.counters["vertices"] = static_cast<double>(vertices);
}

const bool kWandRegistered = [] {
    if (const char* path = std::getenv("MIRELO_BENCH_WAND_BMP")) {
        for (int t : {5, 10, 20})
            benchmark::RegisterBenchmark(("WandOnPhotograph1280/tolerance" + std::to_string(t * 3)).c_str(), WandOnPhotograph,
                                         std::string(path), t)
                ->Unit(benchmark::kMillisecond);
    }
    return true;
}();

}  // namespace
}  // namespace mirelo
