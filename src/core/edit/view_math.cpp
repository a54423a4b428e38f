#include "edit/view_math.h"

#include <algorithm>

namespace mirelo {

ViewLayout ComputeLayout(int imageWidth, int imageHeight, int zoom, int clientWidth, int clientHeight) {
    ViewLayout l;
    l.zoom = zoom < 1 ? 1 : zoom;
    l.zoomedWidth = static_cast<int>(int64_t{imageWidth} * l.zoom / 100);
    l.zoomedHeight = static_cast<int>(int64_t{imageHeight} * l.zoom / 100);
    l.originX = l.zoomedWidth < clientWidth ? (clientWidth - l.zoomedWidth + 1) / 2 : 0;
    l.originY = l.zoomedHeight < clientHeight ? (clientHeight - l.zoomedHeight + 1) / 2 : 0;
    return l;
}

IntPoint ClientToImage(const ViewLayout& l, int scrollX, int scrollY, int clientX, int clientY) {
    return {static_cast<int>((int64_t{clientX} + scrollX - l.originX) * 100 / l.zoom),
            static_cast<int>((int64_t{clientY} + scrollY - l.originY) * 100 / l.zoom)};
}

IntPoint ImageToClient(const ViewLayout& l, int scrollX, int scrollY, int imageX, int imageY) {
    return {static_cast<int>(l.originX + int64_t{imageX} * l.zoom / 100 - scrollX),
            static_cast<int>(l.originY + int64_t{imageY} * l.zoom / 100 - scrollY)};
}

bool IsInImage(const ViewLayout& l, int clientWidth, int clientHeight, int x, int y) {
    return x >= l.originX && x < l.originX + std::min(l.zoomedWidth, clientWidth) && y >= l.originY &&
           y < l.originY + std::min(l.zoomedHeight, clientHeight);
}

int ZoomSpinStep(int b, int d) {
    int v;
    // A value between the rungs steps down onto the rung below it (85 → 80, not 70).
    if (b < 100 && b % 10 != 0 && d < 0)
        v = b - b % 10;
    else if (b <= 90 || (b == 100 && d < 0))
        v = b + 10 * d - b % 10;
    else if (b > 100 && b % 100 != 0 && d < 0)
        v = b - b % 100;
    else
        v = b + 100 * d - b % 100;
    return std::clamp(v, kZoomMin, kZoomMax);
}

int SnapZoomSlider(int value) {
    int v = value <= 100 ? value - value % 10 : value - value % 100;
    return std::clamp(v, kZoomMin, kZoomMax);
}

int ZoomSliderLineStep(int value, bool movingDown) {
    if (value == 100 && movingDown) return 10;
    return value > 90 ? 100 : 10;
}

int FitZoomPercent(int imageWidth, int imageHeight, int clientWidth, int clientHeight, bool noEnlarge) {
    // Nothing to fit into (a view not laid out yet): actual size.
    if (imageWidth <= 0 || imageHeight <= 0 || clientWidth <= 2 || clientHeight <= 2) return 100;
    double ratio = std::min(static_cast<double>(clientWidth - 2) / imageWidth, static_cast<double>(clientHeight - 2) / imageHeight);
    if (noEnlarge && ratio > 1.0) ratio = 1.0;
    int zoom = static_cast<int>(ratio * 100.0);
    return zoom < 1 ? 1 : zoom;
}

double ScrollRatio(int pos, int max, int page) {
    if (page < max) return std::clamp(static_cast<double>(pos) / (max - page + 1), 0.0, 1.0);
    if (max < page) return 0.5;
    return 0.0;
}

int ScrollPositionFromRatio(int max, int page, double ratio) { return static_cast<int>((max - page + 1) * ratio); }

ScrollValues KeptScrollValues(int max, int page, int pos) {
    ScrollValues v;
    v.max = std::max(max, 0);
    v.page = std::clamp(page, 0, v.max + 1);
    v.pos = std::clamp(pos, 0, v.max - std::max(v.page - 1, 0));
    return v;
}

bool GridVisible(int zoom, int spacingX, int spacingY) {
    if (spacingX <= 0 && spacingY <= 0) return false;  // "none"
    return zoom > 99 && (zoom > 499 || (spacingX > 1 && spacingY > 1));
}

void DrawGrid(const PixelView& buf, int x0, int y0, int w, int h, int zoom, int scrollX, int scrollY,
              const GridSettings& grid, int imageWidth, int imageHeight) {
    if (BitsPerPixel(buf.format) != 24 || w <= 0 || h <= 0) return;
    const int64_t r = std::max(1, zoom / 100);
    const int64_t stepX = int64_t{grid.spacingX > 0 ? grid.spacingX : imageWidth} * r;
    const int64_t stepY = int64_t{grid.spacingY > 0 ? grid.spacingY : imageHeight} * r;
    if (stepX <= 0 || stepY <= 0) return;
    const int64_t ox = grid.offsetX * r % stepX, oy = grid.offsetY * r % stepY;
    const int xEnd = std::min(x0 + w, buf.width), yEnd = std::min(y0 + h, buf.height);
    const int xStart = std::max(x0, 0), yStart = std::max(y0, 0);
    auto mark = [](uint8_t* p) {
        bool dark = p[0] + p[1] + p[2] < 384;
        uint8_t v = dark ? 255 : 0;
        p[0] = p[1] = p[2] = v;
    };
    for (int py = yStart; py < yEnd; ++py) {
        uint8_t* row = buf.Row(py);
        bool lineRow = ((py + int64_t{scrollY} + oy - y0) % stepY + stepY) % stepY == 0;
        if (lineRow) {
            for (int px = xStart; px < xEnd; ++px) mark(row + px * 3);
            continue;
        }
        // First column of this row that lies on a vertical line, then every stepX.
        int64_t phase = ((xStart + int64_t{scrollX} + ox - x0) % stepX + stepX) % stepX;
        for (int64_t px = xStart + (phase ? stepX - phase : 0); px < xEnd; px += stepX) mark(row + px * 3);
    }
}

Text ReminderTitle(int k) {
    static const Text kMarquee = u"・・・　３０分間、保存が行われていません";
    return Text(u"Mirelo　") + kMarquee.substr(0, static_cast<size_t>(std::min(k, 20)));
}

void SaveReminder::Restart(uint64_t nowMs) {
    since_ = nowMs;
    running_ = false;
    k_ = 0;
}

std::optional<Text> SaveReminder::Tick(uint64_t nowMs) {
    if (!running_) {
        if (nowMs - since_ <= kDelayMs) return std::nullopt;
        running_ = true;
        k_ = 0;
    }
    Text title;
    if (k_ == 30) {
        title = u"Mirelo";
        running_ = false;
        k_ = 0;
        since_ = nowMs;
    } else {
        title = ReminderTitle(k_++);
    }
    if (title == last_) return std::nullopt;
    last_ = title;
    return title;
}

}  // namespace mirelo

#include <vector>

namespace mirelo {

SourceRect VisibleSource(const ViewLayout& l, int scrollX, int scrollY, int x0, int y0, int w, int h, int imageWidth,
                         int imageHeight) {
    IntPoint a = ClientToImage(l, scrollX, scrollY, x0, y0);
    IntPoint b = ClientToImage(l, scrollX, scrollY, x0 + w - 1, y0 + h - 1);
    SourceRect r{std::clamp(a.x, 0, imageWidth), std::clamp(a.y, 0, imageHeight), std::clamp(b.x + 1, 0, imageWidth),
                 std::clamp(b.y + 1, 0, imageHeight)};
    return r;
}

bool ComposableSource(PixelFormat format) {
    return format == fmt::k32ARGB || format == fmt::k32RGB || format == fmt::k24RGB || format == fmt::k8Index;
}

namespace {
constexpr uint8_t kCheckerDark = 0xCC, kCheckerLight = 0xFF;
}

void ComposeZoomed(const PixelView& buffer, int x0, int y0, int w, int h, const PixelView& source, const SourceRect& from,
                   const ViewLayout& l, int scrollX, int scrollY, bool checkerboard) {
    if (BitsPerPixel(buffer.format) != 24 || !ComposableSource(source.format) || w <= 0 || h <= 0) return;
    const bool indexed = source.format == fmt::k8Index;
    const int step = indexed ? 4 : BitsPerPixel(source.format) / 8;
    const bool opaque = source.format != fmt::k32ARGB && !indexed;
    // An indexed picture's entries as B, G, R, A (missing ones opaque black).
    uint8_t entries[256][4] = {};
    if (indexed)
        for (int i = 0; i < 256; ++i) {
            const uint32_t c = i < source.paletteCount && source.palette ? source.palette[i] : 0xFF000000u;
            entries[i][0] = static_cast<uint8_t>(c);
            entries[i][1] = static_cast<uint8_t>(c >> 8);
            entries[i][2] = static_cast<uint8_t>(c >> 16);
            entries[i][3] = static_cast<uint8_t>(c >> 24);
        }
    const int xs = std::max(x0, 0), ys = std::max(y0, 0);
    const int xe = std::min(x0 + w, buffer.width), ye = std::min(y0 + h, buffer.height);
    if (xs >= xe || ys >= ye) return;
    // Source column of every buffer column, −1 where it falls outside the locked pixels.
    std::vector<int> column(static_cast<size_t>(xe - xs));
    for (int x = xs; x < xe; ++x) {
        int ix = ClientToImage(l, scrollX, scrollY, x, 0).x - from.left;
        column[static_cast<size_t>(x - xs)] = (ix >= 0 && ix < source.width) ? ix : -1;
    }
    for (int y = ys; y < ye; ++y) {
        int iy = ClientToImage(l, scrollX, scrollY, 0, y).y - from.top;
        if (iy < 0 || iy >= source.height) continue;
        const uint8_t* src = source.Row(iy);
        uint8_t* dst = buffer.Row(y);
        for (int x = xs; x < xe; ++x) {
            int ix = column[static_cast<size_t>(x - xs)];
            if (ix < 0) continue;
            const uint8_t* p = indexed ? entries[src[ix]] : src + ix * step;  // B, G, R (, A)
            uint8_t* q = dst + x * 3;
            unsigned a = opaque ? 255u : p[3];
            if (a != 255 && checkerboard) {
                // The square's grey or white, counted from the picture's corner on the zoomed picture.
                const int cx = x - l.originX + scrollX, cy = y - l.originY + scrollY;
                const uint8_t square = ((cx >> 3) + (cy >> 3)) & 1 ? kCheckerLight : kCheckerDark;
                q[0] = q[1] = q[2] = square;
            }
            if (a == 255) {
                q[0] = p[0];
                q[1] = p[1];
                q[2] = p[2];
            } else if (a != 0) {
                for (int c = 0; c < 3; ++c) q[c] = static_cast<uint8_t>((p[c] * a + q[c] * (255 - a) + 127) / 255);
            }
        }
    }
}

}  // namespace mirelo
