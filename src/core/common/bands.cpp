#include "common/bands.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace mirelo::helper_thread {
namespace {

struct Helper {
    std::atomic<bool> busy{false};  // taken by the caller that starts a task, until it has waited
    std::mutex lock;
    std::condition_variable wake, finished;
    void (*task)(void*) = nullptr;
    void* argument = nullptr;
    bool running = false, failed = false;

    [[noreturn]] void Loop() {
        std::unique_lock<std::mutex> hold(lock);
        for (;;) {
            wake.wait(hold, [this] { return running; });
            hold.unlock();
            bool ok = true;
            try {
                task(argument);
            } catch (...) {
                ok = false;
            }
            hold.lock();
            failed = !ok;
            running = false;
            finished.notify_one();
        }
    }
};

// The one helper, made at the first use and kept for the life of the process (its thread is
// never joined: it waits for work until the process ends). Null when there is none.
Helper* TheHelper() {
    static Helper* const helper = []() -> Helper* {
        if (std::thread::hardware_concurrency() < 2) return nullptr;
        Helper* made = new (std::nothrow) Helper;
        if (!made) return nullptr;
        try {
            std::thread(&Helper::Loop, made).detach();
        } catch (...) {
            delete made;
            return nullptr;
        }
        return made;
    }();
    return helper;
}

}  // namespace

bool Start(void (*task)(void*), void* argument) {
    Helper* h = TheHelper();
    bool expected = false;
    if (!h || !h->busy.compare_exchange_strong(expected, true, std::memory_order_acquire)) return false;
    {
        std::lock_guard<std::mutex> hold(h->lock);
        h->task = task;
        h->argument = argument;
        h->running = true;
    }
    h->wake.notify_one();
    return true;
}

bool Wait() {
    Helper* h = TheHelper();
    bool ok;
    {
        std::unique_lock<std::mutex> hold(h->lock);
        h->finished.wait(hold, [h] { return !h->running; });
        ok = !h->failed;
    }
    h->busy.store(false, std::memory_order_release);
    return ok;
}

}  // namespace mirelo::helper_thread
