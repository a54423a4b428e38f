#include "common/pixel_memory.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace mirelo::pixel_memory {

size_t threshold = size_t{8} << 20;

namespace {
constexpr size_t kMostKeptBlocks = 4;
constexpr size_t kMostKeptBytes = size_t{768} << 20;

struct Block {
    void* memory = nullptr;
    size_t size = 0;
};

struct Pool {
    std::mutex mutex;
    std::vector<Block> kept;                          // oldest first
    std::unordered_map<const void*, Block> inUse;     // by the bitmap over it
    size_t keptBytes = 0;

    ~Pool() {
        for (const Block& b : kept) VirtualFree(b.memory, 0, MEM_RELEASE);
    }
    // A kept block of at least `size` bytes and not much more, taken out of the pool.
    bool Take(size_t size, Block* out) {
        std::lock_guard<std::mutex> lock(mutex);
        auto best = kept.end();
        for (auto it = kept.begin(); it != kept.end(); ++it)
            if (it->size >= size && it->size - size <= size / 4 && (best == kept.end() || it->size < best->size)) best = it;
        if (best == kept.end()) return false;
        *out = *best;
        keptBytes -= best->size;
        kept.erase(best);
        return true;
    }
    void Keep(const Block& b) {
        std::vector<Block> released;
        {
            std::lock_guard<std::mutex> lock(mutex);
            kept.push_back(b);
            keptBytes += b.size;
            while (!kept.empty() && (kept.size() > kMostKeptBlocks || keptBytes > kMostKeptBytes)) {
                released.push_back(kept.front());
                keptBytes -= kept.front().size;
                kept.erase(kept.begin());
            }
        }
        for (const Block& r : released) VirtualFree(r.memory, 0, MEM_RELEASE);
    }
};

Pool& ThePool() {
    static Pool pool;
    return pool;
}

int BitsOf(Gdiplus::PixelFormat format) { return static_cast<int>((format >> 8) & 0xFF); }
}  // namespace

Gdiplus::GpBitmap* Create(int width, int height, Gdiplus::PixelFormat format) {
    const int bits = BitsOf(format);
    if (width <= 0 || height <= 0 || bits < 16 || (format & PixelFormatIndexed)) return nullptr;
    const uint64_t stride = ((uint64_t(width) * uint64_t(bits) + 31) >> 5) << 2;
    const uint64_t bytes = stride * uint64_t(height);
    if (bytes < threshold || stride > 0x7FFFFFFF || bytes > SIZE_MAX / 2) return nullptr;
    Pool& pool = ThePool();
    Block block;
    if (pool.Take(static_cast<size_t>(bytes), &block)) {
        std::memset(block.memory, 0, static_cast<size_t>(bytes));
    } else {
        block.size = static_cast<size_t>(bytes);
        block.memory = VirtualAlloc(nullptr, block.size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);  // zero pages
        if (!block.memory) return nullptr;
    }
    Gdiplus::GpBitmap* bitmap = nullptr;
    if (gp::GdipCreateBitmapFromScan0(width, height, static_cast<INT>(stride), format, static_cast<BYTE*>(block.memory), &bitmap) !=
            Gdiplus::Ok ||
        !bitmap) {
        pool.Keep(block);
        return nullptr;
    }
    std::lock_guard<std::mutex> lock(pool.mutex);
    pool.inUse[bitmap] = block;
    return bitmap;
}

void Disposed(const void* bitmap) {
    Pool& pool = ThePool();
    Block block;
    {
        std::lock_guard<std::mutex> lock(pool.mutex);
        auto it = pool.inUse.find(bitmap);
        if (it == pool.inUse.end()) return;
        block = it->second;
        pool.inUse.erase(it);
    }
    pool.Keep(block);
}

size_t KeptBlocks() {
    std::lock_guard<std::mutex> lock(ThePool().mutex);
    return ThePool().kept.size();
}

size_t KeptBytes() {
    std::lock_guard<std::mutex> lock(ThePool().mutex);
    return ThePool().keptBytes;
}

}  // namespace mirelo::pixel_memory
