// Every pixel effect at a typical value on a 4096 × 4096 32-bit image, as the effects dialog's
// preview runs it (copy-first into a second bitmap), beside a plain copy of the same bytes.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "ops/effects.h"

namespace mirelo {
namespace {

constexpr int kSide = 4096;

struct Images {
    std::vector<uint8_t> source = std::vector<uint8_t>(static_cast<size_t>(kSide) * kSide * 4);
    std::vector<uint8_t> destination = std::vector<uint8_t>(source.size());

    // Smooth colour waves with a little grain, and an alpha with an opaque disc, soft edges and
    // transparent corners (so that the alpha rules have work to do).
    Images() {
        uint32_t grain = 12345;
        for (int y = 0; y < kSide; ++y)
            for (int x = 0; x < kSide; ++x) {
                grain = grain * 1103515245u + 12345u;
                const int noise = static_cast<int>(grain >> 28) - 8;
                uint8_t* p = &source[(static_cast<size_t>(y) * kSide + x) * 4];
                p[0] = static_cast<uint8_t>(std::clamp(128 + static_cast<int>(100 * std::sin(x * 0.003)) + noise, 0, 255));
                p[1] = static_cast<uint8_t>(std::clamp(128 + static_cast<int>(100 * std::cos(y * 0.005)) + noise, 0, 255));
                p[2] = static_cast<uint8_t>(std::clamp((x ^ y) >> 4 & 0xFF, 0, 255));
                const double d = std::hypot(x - kSide / 2, y - kSide / 2);
                p[3] = static_cast<uint8_t>(d < 1800 ? 255 : d < 1900 ? static_cast<int>((1900 - d) * 2.55) / 32 * 32 : 0);
            }
    }
    PixelView View(std::vector<uint8_t>& bytes) { return PixelView{kSide, kSide, kSide * 4, fmt::k32ARGB, bytes.data()}; }
};

Images& Shared() {
    static Images images;
    return images;
}

void PlainCopy(benchmark::State& state) {
    Images& images = Shared();
    for (auto _ : state) {
        std::memcpy(images.destination.data(), images.source.data(), images.source.size());
        benchmark::DoNotOptimize(images.destination.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(PlainCopy)->Unit(benchmark::kMillisecond)->UseRealTime();

void ApplyEffect(benchmark::State& state, int effect, int value) {
    Images& images = Shared();
    EffectParams params;
    params.effect = effect;
    params.value = value;
    params.copyFirst = true;
    params.seed = 1;
    for (auto _ : state) {
        const OpStatus status = ApplyEffectPixels(images.View(images.source), images.View(images.destination), params);
        if (!status.ok()) state.SkipWithError("effect failed");
        benchmark::DoNotOptimize(images.destination.data());
        benchmark::ClobberMemory();
    }
}

// A typical value of each effect (for the kernels, the larger one).
const struct {
    int effect, value;
    const char* name;
} kTypical[kPixelEffectCount] = {
    {0, 150, "Brightness"}, {1, 150, "Contrast"},      {2, 70, "Gamma"},         {3, 400, "Saturation"},
    {4, 6, "Monochrome"},   {5, 2, "Solarise"},        {6, 31, "Posterise"},     {7, 2, "LuminanceAlpha"},
    {8, 8, "Mosaic"},       {9, 2, "Blur5x5"},         {10, 2, "BlurAlpha5x5"},  {11, 1, "Sharpen"},
    {12, 2, "Edges"},       {13, 2, "Emboss"},         {14, 30, "Noise"},        {15, 1, "Median3x3"},
    {16, 100, "Hue"},       {17, 1, "Circle"},         {18, 2, "Antialias"},     {19, 3, "Halftone"},
    {20, 7, "HalftoneNewspaper"}, {21, 50, "Binary"},  {22, 50, "BinaryDither"},
};

const bool kRegistered = [] {
    for (const auto& t : kTypical) {
        const std::string name = std::string("Effect") + (t.effect < 10 ? "0" : "") + std::to_string(t.effect) + "_" + t.name +
                                 "/" + std::to_string(t.value);
        benchmark::RegisterBenchmark(name.c_str(), ApplyEffect, t.effect, t.value)->Unit(benchmark::kMillisecond)->UseRealTime();
    }
    return true;
}();

}  // namespace
}  // namespace mirelo
