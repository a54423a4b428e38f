// Work on a large picture split over two threads by bands of rows.
#pragma once
#include <atomic>
#include <cstdint>
#include <new>
#include <system_error>
#include <thread>

namespace mirelo {

// Work that only moves or re-encodes bytes: below this many pixels a second thread costs more
// than it saves.
constexpr int64_t kBandedMovePixels = int64_t{1} << 18;

// body(y0, y1) on each band of rows [0, height): the top half on this thread and the bottom half
// on a second one when the picture has at least `minimumPixels` and two cores are there. The
// rows are shared at a multiple of `rowMultiple` (for work done in tiles). The work must give the
// same result however the rows are shared. False when working memory could not be had.
template <typename F>
bool ForBands(int height, int64_t pixels, F&& body, int rowMultiple = 1, int64_t minimumPixels = int64_t{1} << 16) {
    std::atomic<bool> failed{false};
    auto run = [&](int y0, int y1) {
        try {
            body(y0, y1);
        } catch (const std::bad_alloc&) {
            failed = true;
        }
    };
    const int step = rowMultiple > 0 ? rowMultiple : 1;
    const int middle = (height / 2 + step - 1) / step * step;
    if (pixels >= minimumPixels && middle > 0 && middle < height && std::thread::hardware_concurrency() >= 2) {
        std::thread other;
        try {
            other = std::thread(run, middle, height);
        } catch (const std::system_error&) {
            run(0, height);  // no second thread: this one does it all
            return !failed;
        }
        run(0, middle);
        other.join();
        return !failed;
    }
    run(0, height);
    return !failed;
}

}  // namespace mirelo
