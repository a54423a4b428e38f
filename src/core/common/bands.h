// Work on a large picture split over two threads by bands of rows.
#pragma once
#include <cstdint>
#include <new>
#include <type_traits>

namespace mirelo {

// Work that only moves or re-encodes bytes: below this many pixels a second thread costs more
// than it saves.
constexpr int64_t kBandedMovePixels = int64_t{1} << 18;

// The program's second thread for pixel work. It is made once, at the first use, and then waits
// for work: making a thread for each command costs milliseconds on some systems (about 5 ms under
// Wine), as much as the work it was to halve.
namespace helper_thread {
// Starts task(argument) on the helper thread. False, with nothing started, when there is no
// second core, the helper could not be made, or it is busy (another caller, or this work's own
// nested call).
bool Start(void (*task)(void*), void* argument);
// Waits until the task started last has returned; false when it ended with an exception.
bool Wait();
}  // namespace helper_thread

// Runs beside() on the helper thread while here() runs on this one, and returns when both have.
// False, with neither run, when the helper is not free: the caller then does the work alone.
// An exception of beside() is reported as std::bad_alloc once here() has returned.
template <typename Here, typename Beside>
bool RunBeside(Here&& here, Beside&& beside) {
    using B = std::remove_reference_t<Beside>;
    if (!helper_thread::Start([](void* b) { (*static_cast<B*>(b))(); }, &beside)) return false;
    struct Joiner {
        bool ok = true;
        ~Joiner() noexcept(false) {
            const bool besideOk = helper_thread::Wait();
            if (!besideOk && ok) throw std::bad_alloc();
        }
    } joiner;
    try {
        here();
    } catch (...) {
        joiner.ok = false;  // the exception of here() is the one that leaves
        throw;
    }
    return true;
}

// body(y0, y1) on each band of rows [0, height): the top half on this thread and the bottom half
// on the helper thread when the picture has at least `minimumPixels` and the helper is free. The
// rows are shared at a multiple of `rowMultiple` (for work done in tiles). The work must give the
// same result however the rows are shared. False when working memory could not be had.
template <typename F>
bool ForBands(int height, int64_t pixels, F&& body, int rowMultiple = 1, int64_t minimumPixels = int64_t{1} << 16) {
    bool failedHere = false, failedBeside = false;
    auto run = [&](int y0, int y1, bool& failed) {
        try {
            body(y0, y1);
        } catch (const std::bad_alloc&) {
            failed = true;
        }
    };
    const int step = rowMultiple > 0 ? rowMultiple : 1;
    const int middle = (height / 2 + step - 1) / step * step;
    if (pixels >= minimumPixels && middle > 0 && middle < height &&
        RunBeside([&] { run(0, middle, failedHere); }, [&] { run(middle, height, failedBeside); }))
        return !failedHere && !failedBeside;
    run(0, height, failedHere);
    return !failedHere;
}

}  // namespace mirelo
