#include "app/recovery_schedule.h"

#include <algorithm>

namespace mirelo {

void RecoverySchedule::Changed(uint64_t image, int64_t now) {
    Entry& e = entries_[image];
    if (!e.pending) e.firstChange = now;
    e.pending = true;
    e.lastChange = now;
}

void RecoverySchedule::CopyTaken(uint64_t image, int64_t now) {
    Entry& e = entries_[image];
    e.pending = false;
    e.copied = true;
    e.lastCopy = now;
}

void RecoverySchedule::CopyFailed(uint64_t image, int64_t now) {
    auto it = entries_.find(image);
    if (it == entries_.end()) return;
    it->second.copied = true;
    it->second.lastCopy = now;
}

void RecoverySchedule::Forget(uint64_t image) { entries_.erase(image); }

int64_t RecoverySchedule::DueAt(uint64_t image) const {
    auto it = entries_.find(image);
    if (it == entries_.end() || !it->second.pending) return -1;
    const Entry& e = it->second;
    const int64_t wanted = std::min(e.firstChange + kIntervalMs, e.lastChange + kQuietMs);
    return e.copied ? std::max(wanted, e.lastCopy + kIntervalMs) : wanted;
}

std::vector<uint64_t> RecoverySchedule::Due(int64_t now) const {
    std::vector<uint64_t> due;
    for (const auto& [image, e] : entries_) {
        const int64_t at = DueAt(image);
        if (at >= 0 && at <= now) due.push_back(image);
    }
    return due;
}

int64_t RecoverySchedule::NextDue() const {
    int64_t next = -1;
    for (const auto& [image, e] : entries_) {
        const int64_t at = DueAt(image);
        if (at >= 0 && (next < 0 || at < next)) next = at;
    }
    return next;
}

}  // namespace mirelo
