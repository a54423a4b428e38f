// The view's per-paint work on a large image: composing the visible part and the grid.
#include <benchmark/benchmark.h>

#include <vector>

#include "edit/view_math.h"

namespace mirelo {
namespace {

struct Frame {
    static constexpr int kImage = 4096, kClientW = 1200, kClientH = 900;
    std::vector<uint8_t> image = std::vector<uint8_t>(static_cast<size_t>(kImage) * kImage * 4, 0x80);
    std::vector<uint8_t> buffer = std::vector<uint8_t>(static_cast<size_t>(DwordStride(kClientW, 24)) * kClientH, 0);
    PixelView src{kImage, kImage, kImage * 4, fmt::k32ARGB, image.data()};
    PixelView dst{kClientW, kClientH, static_cast<int>(DwordStride(kClientW, 24)), fmt::k24RGB, buffer.data()};
};

void ComposeAtZoom(benchmark::State& state) {
    static Frame f;
    int zoom = static_cast<int>(state.range(0));
    ViewLayout l = ComputeLayout(Frame::kImage, Frame::kImage, zoom, Frame::kClientW, Frame::kClientH);
    int w = std::min(l.zoomedWidth, Frame::kClientW), h = std::min(l.zoomedHeight, Frame::kClientH);
    SourceRect from = VisibleSource(l, 0, 0, l.originX, l.originY, w, h, Frame::kImage, Frame::kImage);
    // The locked part starts at the first visible pixel.
    PixelView part = f.src;
    part.scan0 = f.image.data() + (static_cast<size_t>(from.top) * Frame::kImage + from.left) * 4;
    part.width = from.right - from.left;
    part.height = from.bottom - from.top;
    for (auto _ : state) {
        ComposeZoomed(f.dst, l.originX, l.originY, w, h, part, from, l, 0, 0);
        benchmark::DoNotOptimize(f.buffer.data());
    }
    state.SetLabel("zoom " + std::to_string(zoom) + " %");
}
BENCHMARK(ComposeAtZoom)->Arg(21)->Arg(100)->Arg(5000)->Unit(benchmark::kMillisecond);

void GridAtZoom(benchmark::State& state) {
    static Frame f;
    int zoom = static_cast<int>(state.range(0));
    ViewLayout l = ComputeLayout(Frame::kImage, Frame::kImage, zoom, Frame::kClientW, Frame::kClientH);
    for (auto _ : state) {
        DrawGrid(f.dst, l.originX, l.originY, Frame::kClientW, Frame::kClientH, zoom, 0, 0, GridSettings{1, 1, 0, 0},
                 Frame::kImage, Frame::kImage);
        benchmark::DoNotOptimize(f.buffer.data());
    }
}
BENCHMARK(GridAtZoom)->Arg(500)->Arg(5000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace mirelo
