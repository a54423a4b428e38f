// The retouch brush's pixel work: the strength of each mode, the rule that changes one pixel from
// the one before it on the stroke, and the stroke step on locked 24- or 32-bit pixels. The brush
// changes pixels already there instead of painting a colour: it smudges colour or alpha, sets
// alpha, brightens or darkens, and raises or lowers saturation.
#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "edit/view_math.h"
#include "image/pixel_op.h"
#include "image/pixel_view.h"
#include "edit/tool_settings.h"

namespace mirelo {


// The entries of "描画：" (option 52).
namespace retouch_mode {
constexpr int kSmudge = 0;        // にじみ
constexpr int kSmudgeAlpha = 1;   // にじみ（透明度のみ）
constexpr int kAlpha = 2;         // 透明度
constexpr int kLighten = 3;       // 明度（高）
constexpr int kDarken = 4;        // 明度（低）
constexpr int kSaturate = 5;      // 彩度（高）
constexpr int kDesaturate = 6;    // 彩度（低）
constexpr int kCount = 7;
}  // namespace retouch_mode

constexpr int kRetouchStrengthCount = 9;
constexpr int kRetouchMaxSize = 100;

// Modes that work on alpha: choosing one converts an image without alpha to 32-bit ARGB.
constexpr bool RetouchModeNeedsAlpha(int mode) { return mode == retouch_mode::kSmudgeAlpha || mode == retouch_mode::kAlpha; }

// The strength factor H of a mode from the strength index k (0..8), the brush size s (1..100)
// and the ﾏｽｸ switch:
//   smudge (0, 1)         (k + 1) / 10
//   brightness (3, 4)     (k + 1) / (s + 50) × 255, with the mask (k + 1) × 25.5
//   saturation up (5)     1, 2, 3, 5, 10, 15, 20, 25 or 100, with the mask (k + 1) × 25.5
//   saturation down (6)   the negative of saturation up
//   alpha (2)             0 (the mode sets the current colour's alpha instead)
// Indices and sizes out of range are taken as the nearest valid one.
double RetouchStrength(int mode, int strengthIndex, int brushSize, bool mask);

// A mode with its strength in the integer form the pixel rule uses.
struct RetouchRule {
    int mode = retouch_mode::kSmudge;
    int sourceTenths = 1;  // smudge: the source's share, H × 10 (1..9); the destination keeps the rest
    int step = 0;          // brightness: trunc(H); saturation: trunc(H + 255) − 255
    uint8_t alpha = 255;   // 透明度: the current colour's alpha
};
RetouchRule MakeRetouchRule(int mode, int strengthIndex, int brushSize, bool mask, uint8_t alpha);

// The pixel rule: the destination pixel (B, G, R and, when `channels` is 4, A) changed from the
// source pixel. Every result is exact arithmetic truncated towards zero:
//   smudge       each channel (A only in 1) = trunc(source × H + destination × (1 − H))
//   alpha        A = the rule's alpha
//   brightness   each of B, G, R = min(255, v + step) or max(0, v − step)
//   saturation   Y = the luma 0.114 B + 0.587 G + 0.299 R rounded to a whole value; each of B,
//                G, R = clamp(v + (v − Y) / 255 × step, 0, 255), truncated
// With three channels the alpha modes change nothing.
void RetouchPixel(const uint8_t* source, uint8_t* destination, int channels, const RetouchRule& rule);
// The same rule on ARGB values (0xAARRGGBB), alpha included, for pixels read one at a time.
uint32_t RetouchArgb(uint32_t source, uint32_t destination, const RetouchRule& rule);
// A pixel changed `times` times in a row from itself (source and destination the same pixel), as a
// run of such visits does: stops early once the rule no longer changes it.
void RetouchPixelRepeated(uint8_t* pixel, int channels, const RetouchRule& rule, size_t times);
uint32_t RetouchArgbRepeated(uint32_t pixel, const RetouchRule& rule, size_t times);

// The brush's tip and its stroke.
struct RetouchStroke {
    RetouchRule rule;
    const uint8_t* tip = nullptr;  // side × side bytes, row by row; nonzero: the pixel is part of the tip
    int side = 0;
    const IntPoint* points = nullptr;  // the stroke's points in order (image pixels, may lie outside)
    size_t pointCount = 0;
    // With ﾏｽｸ あり: width × height bytes of the image, row by row; a pixel whose byte is set is
    // not changed again, and each changed pixel gets its byte set. Null with ﾏｽｸ なし.
    uint8_t* mask = nullptr;
};

// The stroke's pairs in their order: for every tip pixel (j, i), rows then columns, and every
// consecutive pair of points (P, Q), the source P + (j − side/2, i − side/2) and the destination
// Q + (j − side/2, i − side/2), both clamped into the width × height image. `visit(sx, sy, dx, dy,
// times)` changes the destination `times` times in a row (times > 1 only where source and
// destination are the same pixel); with a mask a destination already changed in this stroke is
// skipped and a visited one marked (once). The caller has checked the stroke.
//
// The points are first clipped to the picture grown by the tip's reach: a point farther out is
// moved onto that border, which changes no clamped source or destination of any tip pixel. Points
// that then coincide make pairs whose source is their destination for every tip pixel; a run of
// them is visited as one visit repeated, so a stroke dragged far outside the picture costs what
// its part near the picture costs, with the same result.
template <class Visit>
void WalkRetouchStroke(int width, int height, const RetouchStroke& stroke, Visit&& visit) {
    const int half = stroke.side / 2;
    // At or before −(side − 1 − half) every tip pixel clamps to the first column (row); at or
    // beyond width − 1 + half (height − 1 + half) to the last.
    const int reachBefore = stroke.side - 1 - half, reachAfter = half;
    struct Run {
        IntPoint at;
        size_t count;
    };
    std::vector<Run> runs;
    for (size_t n = 0; n < stroke.pointCount; ++n) {
        const IntPoint p{std::clamp(stroke.points[n].x, -reachBefore, width - 1 + reachAfter),
                         std::clamp(stroke.points[n].y, -reachBefore, height - 1 + reachAfter)};
        if (!runs.empty() && runs.back().at.x == p.x && runs.back().at.y == p.y)
            ++runs.back().count;
        else
            runs.push_back({p, 1});
    }
    if (runs.empty()) return;
    auto change = [&](int sx, int sy, int dx, int dy, size_t times) {
        if (times == 0) return;
        if (stroke.mask) {
            uint8_t& changed = stroke.mask[static_cast<size_t>(dy) * static_cast<size_t>(width) + static_cast<size_t>(dx)];
            if (changed) return;
            visit(sx, sy, dx, dy, size_t{1});
            changed = 1;
        } else {
            visit(sx, sy, dx, dy, times);
        }
    };
    for (int i = 0; i < stroke.side; ++i) {
        for (int j = 0; j < stroke.side; ++j) {
            if (!stroke.tip[static_cast<size_t>(i) * static_cast<size_t>(stroke.side) + static_cast<size_t>(j)]) continue;
            const int ox = j - half, oy = i - half;
            int sx = std::clamp(runs[0].at.x + ox, 0, width - 1);
            int sy = std::clamp(runs[0].at.y + oy, 0, height - 1);
            change(sx, sy, sx, sy, runs[0].count - 1);
            for (size_t n = 1; n < runs.size(); ++n) {
                const int dx = std::clamp(runs[n].at.x + ox, 0, width - 1);
                const int dy = std::clamp(runs[n].at.y + oy, 0, height - 1);
                change(sx, sy, dx, dy, 1);
                change(dx, dy, dx, dy, runs[n].count - 1);
                sx = dx;
                sy = dy;
            }
        }
    }
}

// Codes of the stroke step's refusals.
namespace retouch_status {
constexpr int kBadParams = 1;  // no pixels, no tip, no points, a mode or size out of range
constexpr int kBadFormat = 2;  // the view is not 24 or 32 bits per pixel
}  // namespace retouch_status

// Checks a stroke for an image of width × height.
OpStatus CheckRetouchStroke(int width, int height, const RetouchStroke& stroke);

// One move of the brush on the locked pixels of a 24- or 32-bit image, changed in place (every
// pair reads what the pairs before it wrote, so the image is both input and output). 24-bit
// pixels are B, G, R; 32-bit pixels B, G, R, A, the fourth byte taking the alpha modes. A stroke
// of fewer than two points changes nothing.
OpStatus RetouchStrokeStep(const PixelView& image, const RetouchStroke& stroke);

// The mode 透明度 stamp of a press: the tip centred on (x, y) (top-left at x − side/2,
// y − side/2), each of its pixels clamped into the image; `visit(x, y)` for each, in rows then
// columns (a clamped pixel may come more than once).
template <class Visit>
void WalkRetouchTip(int width, int height, const uint8_t* tip, int side, IntPoint at, Visit&& visit) {
    const int half = side / 2;
    for (int i = 0; i < side; ++i)
        for (int j = 0; j < side; ++j)
            if (tip[static_cast<size_t>(i) * static_cast<size_t>(side) + static_cast<size_t>(j)])
                visit(std::clamp(at.x + j - half, 0, width - 1), std::clamp(at.y + i - half, 0, height - 1));
}

// The part of the image a stroke can change: the points' bounding box grown by the tip on every
// side, cut to the image. False when the stroke has no points or the image no pixels.
bool RetouchStrokeBounds(int width, int height, const RetouchStroke& stroke, int* left, int* top, int* right, int* bottom);

// The state of a stroke kept with each image: the last point (x −1 when no stroke is under way)
// and, with ﾏｽｸ あり, the stroke mask.
struct RetouchState {
    IntPoint last{-1, -1};
    std::vector<uint8_t> mask;  // width × height bytes, empty with ﾏｽｸ なし
    int maskWidth = 0, maskHeight = 0;

    bool active() const { return last.x != -1; }
    // A fresh mask of the image's size, all 0; false when the memory cannot be had (no mask then).
    bool RenewMask(int width, int height);
    void DropMask() {
        std::vector<uint8_t>().swap(mask);
        maskWidth = maskHeight = 0;
    }
    // The mask when it fits an image of this size, else null.
    uint8_t* MaskFor(int width, int height) {
        return !mask.empty() && maskWidth == width && maskHeight == height ? mask.data() : nullptr;
    }
};

}  // namespace mirelo
