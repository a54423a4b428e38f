// Geometry of the canvas view: zoom ladder, layout, coordinate mapping, scroll positions,
// the pixel grid, and the unsaved-work reminder in the title.
#pragma once
#include <cstdint>
#include <optional>

#include "common/text.h"
#include "image/pixel_view.h"

namespace mirelo {

constexpr int kZoomMin = 10;
constexpr int kZoomMax = 5000;

struct ViewLayout {
    int zoom = 100;
    int zoomedWidth = 0, zoomedHeight = 0;
    int originX = 0, originY = 0;  // where the image starts when it is smaller than the client area
};

// Zoomed size trunc(size × zoom ÷ 100); the origin centres an image smaller than the client
// area with (client − zoomed + 1) ÷ 2.
ViewLayout ComputeLayout(int imageWidth, int imageHeight, int zoom, int clientWidth, int clientHeight);

struct IntPoint {
    int x, y;
};
IntPoint ClientToImage(const ViewLayout& l, int scrollX, int scrollY, int clientX, int clientY);
IntPoint ImageToClient(const ViewLayout& l, int scrollX, int scrollY, int imageX, int imageY);
bool IsInImage(const ViewLayout& l, int clientWidth, int clientHeight, int clientX, int clientY);

// One step of the zoom spin from b in direction d (±1): 10, 20, …, 90, 100, 200, …, 5000, with
// odd values snapping onto that ladder. The result stays within 10..5000.
int ZoomSpinStep(int b, int d);
// A slider value snapped down to the ladder (to tens up to 100, to hundreds above).
int SnapZoomSlider(int value);
// The slider's line step for a value: 100 above 90, else 10; 10 at exactly 100 when moving down.
int ZoomSliderLineStep(int value, bool movingDown);
// The zoom that fits the image into the client area (less 2 pixels), at most 100 with noEnlarge.
int FitZoomPercent(int imageWidth, int imageHeight, int clientWidth, int clientHeight, bool noEnlarge);

// Relative scroll position kept across a layout change: pos ÷ (max − page + 1) clamped to 0..1
// when page < max; 0.5 when max < page; 0 when equal.
double ScrollRatio(int pos, int max, int page);
int ScrollPositionFromRatio(int max, int page, double ratio);

// What a scroll bar over 0..max keeps of a page and a position it is given: the page at most the
// range's length (max + 1), the position within [0, max − page + 1].
struct ScrollValues {
    int max = 0, page = 0, pos = 0;
    bool operator==(const ScrollValues& o) const { return max == o.max && page == o.page && pos == o.pos; }
};
ScrollValues KeptScrollValues(int max, int page, int pos);

// Whether the grid is drawn: from 100 % for spacings above 1, from 500 % for finer ones.
bool GridVisible(int zoom, int spacingX, int spacingY);

struct GridSettings {
    int spacingX = 0, spacingY = 0;  // 0 in one direction: the image's size in that direction
    int offsetX = 0, offsetY = 0;
};

// Sets the grid pixels of a 24-bit back buffer inside the image area (x0, y0, w, h): white over
// dark pixels (R + G + B < 384), black over light ones.
void DrawGrid(const PixelView& buffer, int x0, int y0, int w, int h, int zoom, int scrollX, int scrollY,
              const GridSettings& grid, int imageWidth, int imageHeight);

// The unsaved-work reminder: after 30 minutes without saving, a marquee runs in the title.
class SaveReminder {
public:
    static constexpr uint64_t kDelayMs = 1800000;
    explicit SaveReminder(uint64_t nowMs) : since_(nowMs) {}
    // Restarts the 30 minutes (after a save).
    void Restart(uint64_t nowMs);
    // One timer tick; gives the new title when it changes.
    std::optional<Text> Tick(uint64_t nowMs);
    bool running() const { return running_; }

private:
    uint64_t since_;
    bool running_ = false;
    int k_ = 0;
    Text last_;
};

// The title on the k-th tick of the marquee.
Text ReminderTitle(int k);

}  // namespace mirelo

namespace mirelo {

// The image pixels that are visible in the area (x0, y0, w, h) of the view: [left, right) × [top, bottom).
struct SourceRect {
    int left, top, right, bottom;
};
SourceRect VisibleSource(const ViewLayout& l, int scrollX, int scrollY, int x0, int y0, int w, int h, int imageWidth,
                         int imageHeight);

// Draws image pixels (`source` holds the image's pixels from `from.left`, `from.top` on) over a
// 24-bit back buffer inside the area (x0, y0, w, h), scaled nearest-neighbour with the view's
// mapping: buffer pixel (x, y) shows image pixel ClientToImage(x, y). The source is 32-bit ARGB
// (blended by its alpha), 24-bit or 32-bit RGB as the image holds them (opaque), or 8-bit indexed
// with its palette (blended by the entries' alpha), so that a photograph is read where it lies,
// without a converted copy.
bool ComposableSource(PixelFormat format);
// With `checkerboard`, transparent and translucent pixels are shown over grey and white squares of
// 8 × 8 buffer pixels (the same size at every zoom, moving with the picture as it scrolls)
// instead of over what the buffer held.
void ComposeZoomed(const PixelView& buffer, int x0, int y0, int w, int h, const PixelView& source, const SourceRect& from,
                   const ViewLayout& l, int scrollX, int scrollY, bool checkerboard = false);

}  // namespace mirelo
