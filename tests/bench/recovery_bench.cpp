// Recovery copies of a 24-megapixel (6000 × 4000) 32-bit picture like a photograph: taking the
// snapshot of its rows (the part the interface thread waits for), writing the copy (compressing
// on the worker thread) and reading it back at the next start.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

#include "files/recovery_copy.h"

namespace mirelo {
namespace {

constexpr int kWidth = 6000, kHeight = 4000;

// Smooth gradients with a little noise: compresses about as a photograph does.
RecoveryImage Photo() {
    RecoveryImage im;
    im.width = kWidth;
    im.height = kHeight;
    im.format = fmt::k32ARGB;
    im.pixels.resize(size_t{kWidth} * kHeight * 4);
    std::mt19937 random(5);
    uint8_t* p = im.pixels.data();
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x, p += 4) {
            const uint32_t noise = random();
            p[0] = static_cast<uint8_t>(x / 24 + (noise & 7));
            p[1] = static_cast<uint8_t>(y / 16 + ((noise >> 3) & 7));
            p[2] = static_cast<uint8_t>((x + y) / 40 + ((noise >> 6) & 7));
            p[3] = 255;
        }
    return im;
}

const RecoveryImage& SharedPhoto() {
    static const RecoveryImage photo = Photo();
    return photo;
}

void RecoverySnapshotRows(benchmark::State& state) {
    const RecoveryImage& photo = SharedPhoto();
    for (auto _ : state) {
        std::vector<uint8_t> rows(photo.pixels.size());
        std::memcpy(rows.data(), photo.pixels.data(), rows.size());
        benchmark::DoNotOptimize(rows.data());
    }
}
BENCHMARK(RecoverySnapshotRows)->Unit(benchmark::kMillisecond);

// The same into a buffer kept from the image's previous copy: no new pages to map.
void RecoverySnapshotIntoKeptBuffer(benchmark::State& state) {
    const RecoveryImage& photo = SharedPhoto();
    std::vector<uint8_t> rows(photo.pixels.size());
    for (auto _ : state) {
        std::memcpy(rows.data(), photo.pixels.data(), rows.size());
        benchmark::DoNotOptimize(rows.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(RecoverySnapshotIntoKeptBuffer)->Unit(benchmark::kMillisecond);

void RecoveryWrite(benchmark::State& state) {
    const RecoveryImage& photo = SharedPhoto();
    size_t size = 0;
    for (auto _ : state) size = WriteRecoveryCopy(photo).size();
    state.counters["file_MB"] = static_cast<double>(size) / 1e6;
}
BENCHMARK(RecoveryWrite)->Unit(benchmark::kMillisecond);

void RecoveryRead(benchmark::State& state) {
    const std::vector<uint8_t> file = WriteRecoveryCopy(SharedPhoto());
    for (auto _ : state) benchmark::DoNotOptimize(ReadRecoveryCopy(file.data(), file.size()).error);
}
BENCHMARK(RecoveryRead)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace mirelo
