// What every effect rule shares (internal to the effects engine): the frame a rule reads and
// writes, the walk over the selected runs of rows, the split of the work over two threads, and
// small pixel helpers. The rules themselves are grouped by family in effects_*.cpp.
#pragma once
#include <atomic>
#include <cstdint>
#include <cstring>
#include <new>
#include <system_error>
#include <thread>

#include "common/bands.h"
#include "image/pixel_view.h"
#include "ops/effects.h"

namespace mirelo {
namespace effect_kit {

inline uint32_t Load32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

inline void Store32(uint8_t* p, uint32_t v) { std::memcpy(p, &v, 4); }

inline int Clamp255(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

// 0.114 B + 0.587 G + 0.299 R + 0.5 in single precision, summed in this order (the grey of the
// saturation rule, of monochrome and of solarisation).
inline float Luma(int b, int g, int r) { return 0.114f * b + 0.587f * g + 0.299f * r + 0.5f; }

inline uint8_t ClampByte(int v) { return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v)); }

}  // namespace effect_kit

// ---------------------------------------------------------------------------------------------
// The frame: what every rule reads and writes.

struct EffectFrame {
    PixelView src;  // the source, or a private copy of it when it shares memory with dst
    PixelView dst;
    const uint8_t* mask = nullptr;
    bool copyFirst = false;
    int w = 0, h = 0;

    // The pixels a per-pixel rule reads: the destination as it is, which copy-first makes the
    // source.
    const uint8_t* In(int y) const { return copyFirst ? src.Row(y) : dst.Row(y); }
    const uint8_t* MaskRow(int y) const { return mask ? mask + static_cast<size_t>(y) * w : nullptr; }
    bool Selected(int x, int y) const { return !mask || mask[static_cast<size_t>(y) * w + x] != 0; }
};

namespace effect_kit {

using Frame = EffectFrame;

// Calls run(x0, x1, selected) for the runs of selected and unselected pixels of a mask row,
// left to right; the whole row is one selected run without a mask.
template <typename F>
void ForRuns(const uint8_t* maskRow, int w, F&& run) {
    if (!maskRow) {
        run(0, w, true);
        return;
    }
    int x = 0;
    while (x < w) {
        const bool selected = maskRow[x] != 0;
        int end = x + 1;
        while (end < w && (maskRow[end] != 0) == selected) ++end;
        run(x, end, selected);
        x = end;
    }
}

// Applies a per-pixel kernel(in, out, count, x, y) to the selected runs of every row and, with
// copy-first, copies the unselected ones.
template <typename Kernel>
bool PerPixel(const Frame& f, const Kernel& shared) {
    return ForBands(f.h, int64_t{f.w} * f.h, [&](int y0, int y1) {
        // Each thread reads its own copy of the kernel's tables.
        const Kernel kernel(shared);
        for (int y = y0; y < y1; ++y) {
            const uint8_t* in = f.In(y);
            uint8_t* out = f.dst.Row(y);
            ForRuns(f.MaskRow(y), f.w, [&](int x0, int x1, bool selected) {
                if (selected)
                    kernel(in + x0 * 4, out + x0 * 4, x1 - x0, x0, y);
                else if (in != out)
                    std::memcpy(out + x0 * 4, in + x0 * 4, static_cast<size_t>(x1 - x0) * 4);
            });
        }
    });
}

// The copy-first fill on its own, for rules that do nothing at their value.
inline void CopyIfFirst(const Frame& f) {
    if (!f.copyFirst) return;
    ForBands(f.h, int64_t{f.w} * f.h, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y)
            if (f.src.Row(y) != f.dst.Row(y)) std::memcpy(f.dst.Row(y), f.src.Row(y), static_cast<size_t>(f.w) * 4);
    });
}

// The least and greatest grey (B + G + R) / 3 of the source, as floats. Division by 3 keeps the
// order, so these are the greys of the least and greatest sums.
struct GreyRange {
    float min = 255, max = 0;
};

// The grey range of the whole source (effects.cpp).
GreyRange SourceGreyRange(const Frame& f);

}  // namespace effect_kit
}  // namespace mirelo
