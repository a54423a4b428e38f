// When an image with unsaved work gets its next recovery copy. A copy is due at the latest 10 s
// after the first change it does not hold yet, and earlier once the changes have paused for 2 s,
// but never sooner than 10 s after the image's previous copy. Times are milliseconds of a
// monotonic clock the caller reads; images are known by the slot's serial.
#pragma once
#include <cstdint>
#include <map>
#include <vector>

namespace mirelo {

class RecoverySchedule {
public:
    static constexpr int64_t kIntervalMs = 10000;  // the latest delay, and the shortest spacing of copies
    static constexpr int64_t kQuietMs = 2000;      // a pause in the changes after which a copy is taken early

    // The image's pixels, objects, paths or names changed.
    void Changed(uint64_t image, int64_t now);
    // A snapshot for a copy was taken: it holds every change noted so far.
    void CopyTaken(uint64_t image, int64_t now);
    // Writing the copy failed: the changes stay pending and the next try comes an interval later.
    void CopyFailed(uint64_t image, int64_t now);
    // The image was saved or closed: nothing is pending and its spacing starts anew.
    void Forget(uint64_t image);

    // When the image's next copy is due, −1 when none is pending.
    int64_t DueAt(uint64_t image) const;
    // The images whose copy is due at `now`, in order of their serials.
    std::vector<uint64_t> Due(int64_t now) const;
    // The earliest due time of any image, −1 when nothing is pending (for the caller's timer).
    int64_t NextDue() const;

private:
    struct Entry {
        bool pending = false;
        int64_t firstChange = 0;  // the first change the last copy does not hold
        int64_t lastChange = 0;
        bool copied = false;
        int64_t lastCopy = 0;     // the last snapshot or failed write
    };
    std::map<uint64_t, Entry> entries_;
};

}  // namespace mirelo
