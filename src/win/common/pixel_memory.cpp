#include "common/pixel_memory.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <vector>

#include "image/pixel_format.h"

namespace mirelo::pixel_memory {

size_t threshold = size_t{8} << 20;

namespace {
constexpr size_t kMostKeptBlocks = 4;
constexpr size_t kPage = 4096;

// The size of a fresh block for a bitmap of `bytes`: a little more, so that the same picture
// turned a quarter (whose rows' padding differs) fits the block made for it.
size_t BlockSize(size_t bytes) {
    constexpr size_t kGrain = size_t{64} << 10;
    const size_t more = bytes + bytes / 64;
    return (more + kGrain - 1) / kGrain * kGrain;
}

struct Block {
    void* memory = nullptr;
    size_t size = 0;
    bool clean = false;  // all zero
};

// The pool and its worker, which works on the second core while the user looks at a result: it
// zeroes blocks that came back, touches every page of fresh blocks for the sizes asked for last
// (so that their page faults are paid there), and gives blocks over the limits back.
class Pool {
public:
    Pool() {
        MEMORYSTATUSEX status{};
        status.dwLength = sizeof status;
        const uint64_t physical = GlobalMemoryStatusEx(&status) ? status.ullTotalPhys : 0;
        mostKeptBytes_ = static_cast<size_t>(std::min<uint64_t>(uint64_t{768} << 20, std::max<uint64_t>(physical / 16, uint64_t{64} << 20)));
    }

    // A block of at least `size` bytes and not much more, all zero; false when none is kept.
    bool Take(size_t size, Block* out) {
        std::unique_lock<std::mutex> lock(mutex_);
        auto best = kept_.end();
        for (auto it = kept_.begin(); it != kept_.end(); ++it)
            if (it->size >= size && it->size - size <= size / 4 &&
                (best == kept_.end() || it->clean > best->clean || (it->clean == best->clean && it->size < best->size)))
                best = it;
        if (best == kept_.end()) return false;
        *out = *best;
        keptBytes_ -= best->size;
        kept_.erase(best);
        lock.unlock();
        if (!out->clean) std::memset(out->memory, 0, size);
        return true;
    }
    // Makes sure a block of `size` bytes will be ready for the next bitmap of this size.
    void Expect(size_t size) {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const Block& b : kept_)
            if (b.size >= size && b.size - size <= size / 4) return;
        if (std::find(wanted_.begin(), wanted_.end(), size) == wanted_.end()) wanted_.push_back(size);
        Wake();
    }
    void Keep(const Block& b) {
        std::lock_guard<std::mutex> lock(mutex_);
        kept_.push_back(b);
        keptBytes_ += b.size;
        Wake();
    }
    // Every kept block is written again by the worker, and so is a block it is making now.
    void TouchAgain() {
        std::lock_guard<std::mutex> lock(mutex_);
        for (Block& b : kept_) b.clean = false;
        ++touchRound_;
        Wake();
    }
    void NoteInUse(const void* bitmap, const Block& b) {
        std::lock_guard<std::mutex> lock(mutex_);
        inUse_[bitmap] = b;
    }
    bool TakeInUse(const void* bitmap, Block* out) {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = inUse_.find(bitmap);
        if (it == inUse_.end()) return false;
        *out = it->second;
        inUse_.erase(it);
        return true;
    }
    size_t KeptBlocks() {
        std::lock_guard<std::mutex> lock(mutex_);
        return kept_.size();
    }
    size_t KeptBytes() {
        std::lock_guard<std::mutex> lock(mutex_);
        return keptBytes_;
    }

private:
    void Wake() {  // with the mutex held
        if (!worker_.joinable()) worker_ = std::thread([this] { Work(); });
        wake_.notify_one();
    }
    void Work() {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return OverLimits() || HasDirty() || !wanted_.empty(); });
            if (OverLimits()) {  // the oldest go back to the system
                const Block oldest = kept_.front();
                kept_.erase(kept_.begin());
                keptBytes_ -= oldest.size;
                lock.unlock();
                VirtualFree(oldest.memory, 0, MEM_RELEASE);
                lock.lock();
            } else if (HasDirty()) {
                auto it = std::find_if(kept_.begin(), kept_.end(), [](const Block& b) { return !b.clean; });
                Block b = *it;
                kept_.erase(it);
                keptBytes_ -= b.size;
                lock.unlock();
                std::memset(b.memory, 0, b.size);
                b.clean = true;
                lock.lock();
                kept_.push_back(b);
                keptBytes_ += b.size;
            } else {
                const size_t size = wanted_.front();
                wanted_.erase(wanted_.begin());
                if (size > mostKeptBytes_) continue;
                const unsigned round = touchRound_;
                lock.unlock();
                const size_t blockSize = BlockSize(size);
                Block b{VirtualAlloc(nullptr, blockSize, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE), blockSize, true};
                if (b.memory)
                    for (size_t at = 0; at < blockSize; at += kPage) static_cast<volatile uint8_t*>(b.memory)[at] = 0;
                lock.lock();
                if (b.memory) {
                    b.clean = round == touchRound_;  // else its first pages are to be written again
                    kept_.push_back(b);
                    keptBytes_ += b.size;
                }
            }
        }
    }
    bool OverLimits() const { return !kept_.empty() && (kept_.size() > kMostKeptBlocks || keptBytes_ > mostKeptBytes_); }
    bool HasDirty() const {
        return std::any_of(kept_.begin(), kept_.end(), [](const Block& b) { return !b.clean; });
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::thread worker_;
    std::vector<Block> kept_;  // oldest first
    std::vector<size_t> wanted_;
    std::unordered_map<const void*, Block> inUse_;  // by the bitmap over it
    size_t keptBytes_ = 0, mostKeptBytes_ = 0;
    unsigned touchRound_ = 0;
};

// Never destroyed: the worker may still run while the program ends.
Pool& ThePool() {
    static Pool* pool = new Pool;
    return *pool;
}

// The bytes of a bitmap the pool can hold (16 bits per pixel and more, not indexed), and its
// rows' stride; 0 for others.
uint64_t PooledBytes(int width, int height, Gdiplus::PixelFormat format, uint64_t* stride = nullptr) {
    const auto f = static_cast<mirelo::PixelFormat>(format);
    if (width <= 0 || height <= 0 || BitsPerPixel(f) < 16 || IsIndexed(f)) return 0;
    const auto rowBytes = static_cast<uint64_t>(DwordStride(width, BitsPerPixel(f)));
    if (stride) *stride = rowBytes;
    return rowBytes * uint64_t(height);
}
}  // namespace

Gdiplus::GpBitmap* Create(int width, int height, Gdiplus::PixelFormat format) {
    uint64_t stride = 0;
    const uint64_t bytes = PooledBytes(width, height, format, &stride);
    if (bytes == 0 || bytes < threshold || stride > 0x7FFFFFFF || bytes > SIZE_MAX / 2) return nullptr;
    const auto size = static_cast<size_t>(bytes);
    Pool& pool = ThePool();
    Block block;
    if (!pool.Take(size, &block)) {
        block = Block{VirtualAlloc(nullptr, BlockSize(size), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE), BlockSize(size), true};  // zero pages
        if (!block.memory) return nullptr;
    }
    pool.Expect(size);  // the next bitmap of this size finds its memory ready
    Gdiplus::GpBitmap* bitmap = nullptr;
    if (gp::GdipCreateBitmapFromScan0(width, height, static_cast<INT>(stride), format, static_cast<BYTE*>(block.memory), &bitmap) !=
            Gdiplus::Ok ||
        !bitmap) {
        block.clean = false;
        pool.Keep(block);
        return nullptr;
    }
    pool.NoteInUse(bitmap, block);
    return bitmap;
}

void Expect(int width, int height, Gdiplus::PixelFormat format) {
    const uint64_t bytes = PooledBytes(width, height, format);
    if (bytes != 0 && bytes >= threshold && bytes <= SIZE_MAX / 2) ThePool().Expect(static_cast<size_t>(bytes));
}

void Disposed(const void* bitmap) {
    Block block;
    if (!ThePool().TakeInUse(bitmap, &block)) return;
    block.clean = false;
    ThePool().Keep(block);
}

void TouchAgain() { ThePool().TouchAgain(); }

size_t KeptBlocks() { return ThePool().KeptBlocks(); }
size_t KeptBytes() { return ThePool().KeptBytes(); }

}  // namespace mirelo::pixel_memory
