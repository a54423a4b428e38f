#include "select/path_mask.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "select/outline_stroke.h"

namespace mirelo {

namespace {
struct Edge {
    double yTop, yBottom;  // yTop < yBottom
    double xAtTop, slope;  // x = xAtTop + (y − yTop) · slope
    int direction;         // +1 downwards, −1 upwards
};

struct Crossing {
    double x;
    int direction;
    bool operator<(const Crossing& o) const { return x < o.x; }
};

void FillRows(const std::vector<EditPath::Polygon>& polygons, FillMode mode, int width, int height, uint8_t* out) {
    std::vector<Edge> edges;
    for (const EditPath::Polygon& poly : polygons) {
        const size_t n = poly.points.size();
        for (size_t i = 0; i < n; ++i) {
            const PointF a = poly.points[i], b = poly.points[(i + 1) % n];
            if (a.y == b.y || !std::isfinite(a.x) || !std::isfinite(a.y) || !std::isfinite(b.x) || !std::isfinite(b.y)) continue;
            const bool down = b.y > a.y;
            const PointF top = down ? a : b, bottom = down ? b : a;
            if (bottom.y <= 0 || top.y >= height) continue;
            edges.push_back({top.y, bottom.y, top.x, static_cast<double>(bottom.x - top.x) / (bottom.y - top.y), down ? 1 : -1});
        }
    }
    if (edges.empty()) return;
    std::sort(edges.begin(), edges.end(), [](const Edge& a, const Edge& b) { return a.yTop < b.yTop; });
    std::vector<const Edge*> active;
    std::vector<Crossing> crossings;
    size_t next = 0;
    const int firstRow = std::max(0, static_cast<int>(std::ceil(edges.front().yTop)));
    for (int y = firstRow; y < height; ++y) {
        const double sample = y;
        while (next < edges.size() && edges[next].yTop <= sample) active.push_back(&edges[next++]);
        active.erase(std::remove_if(active.begin(), active.end(), [&](const Edge* e) { return e->yBottom <= sample; }), active.end());
        if (active.empty()) {
            if (next == edges.size()) break;
            continue;
        }
        crossings.clear();
        for (const Edge* e : active) crossings.push_back({e->xAtTop + (sample - e->yTop) * e->slope, e->direction});
        std::sort(crossings.begin(), crossings.end());
        uint8_t* row = out + static_cast<size_t>(y) * static_cast<size_t>(width);
        int winding = 0;
        for (size_t i = 0; i + 1 < crossings.size(); ++i) {
            winding += mode == FillMode::Winding ? crossings[i].direction : 1;
            const bool inside = mode == FillMode::Winding ? winding != 0 : (winding & 1) != 0;
            if (!inside) continue;
            // Pixels whose point x lies in [left crossing, right crossing).
            const double from = std::ceil(crossings[i].x), to = std::ceil(crossings[i + 1].x);
            const int x0 = static_cast<int>(std::clamp(from, 0.0, static_cast<double>(width)));
            const int x1 = static_cast<int>(std::clamp(to, 0.0, static_cast<double>(width)));
            if (x1 > x0) std::memset(row + x0, 255, static_cast<size_t>(x1 - x0));
        }
    }
}

// An aliased one-pixel line: each step of the longer axis covers the pixel nearest the line.
void DrawLine(PointF a, PointF b, int width, int height, uint8_t* out) {
    double x0 = a.x, y0 = a.y, x1 = b.x, y1 = b.y;
    if (!std::isfinite(x0) || !std::isfinite(y0) || !std::isfinite(x1) || !std::isfinite(y1)) return;
    if (!ClipSegment(x0, y0, x1, y1, -1.0, -1.0, width, height)) return;
    const double steps = std::ceil(std::max(std::fabs(x1 - x0), std::fabs(y1 - y0)));
    const long n = static_cast<long>(steps);
    for (long i = 0; i <= n; ++i) {
        const double t = n ? static_cast<double>(i) / static_cast<double>(n) : 0.0;
        const long x = static_cast<long>(std::floor(x0 + (x1 - x0) * t + 0.5));
        const long y = static_cast<long>(std::floor(y0 + (y1 - y0) * t + 0.5));
        if (x >= 0 && y >= 0 && x < width && y < height) out[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] = 255;
    }
}
}  // namespace

bool PathMask(const EditPath& path, int left, int top, int width, int height, std::vector<uint8_t>* mask) {
    if (width < 0 || height < 0) return false;
    mask->assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
    if (width == 0 || height == 0) return true;
    std::vector<EditPath::Polygon> polygons = path.Flatten();
    for (EditPath::Polygon& poly : polygons)
        for (PointF& p : poly.points) p = {p.x - static_cast<float>(left), p.y - static_cast<float>(top)};
    FillRows(polygons, path.fillMode, width, height, mask->data());
    for (const EditPath::Polygon& poly : polygons) {
        const size_t n = poly.points.size();
        if (n == 1) DrawLine(poly.points[0], poly.points[0], width, height, mask->data());
        for (size_t i = 0; i + 1 < n; ++i) DrawLine(poly.points[i], poly.points[i + 1], width, height, mask->data());
        if (poly.closed && n > 2) DrawLine(poly.points[n - 1], poly.points[0], width, height, mask->data());
    }
    return true;
}

PixelOutline OutlineOfMask(const std::vector<uint8_t>& mask, int width, int height) {
    PixelOutline out;
    auto inside = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < width && y < height && mask[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] != 0;
    };
    // Horizontal edges on the line y, between rows y − 1 and y.
    for (int y = 0; y <= height; ++y) {
        int runStart = -1;
        for (int x = 0; x <= width; ++x) {
            const bool edge = x < width && inside(x, y - 1) != inside(x, y);
            if (edge && runStart < 0) runStart = x;
            if (!edge && runStart >= 0) {
                out.horizontal.push_back({y, runStart, x});
                runStart = -1;
            }
        }
    }
    // Vertical edges on the line x, between columns x − 1 and x, joined down the rows.
    std::vector<long> open(static_cast<size_t>(width) + 1, -1);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x <= width; ++x) {
            const bool edge = inside(x - 1, y) != inside(x, y);
            long& run = open[static_cast<size_t>(x)];
            if (!edge) {
                run = -1;
                continue;
            }
            if (run >= 0 && out.vertical[static_cast<size_t>(run)].to == y)
                out.vertical[static_cast<size_t>(run)].to = y + 1;
            else {
                run = static_cast<long>(out.vertical.size());
                out.vertical.push_back({x, y, y + 1});
            }
        }
    }
    std::stable_sort(out.vertical.begin(), out.vertical.end(), [](const EdgeRun& a, const EdgeRun& b) { return a.at < b.at; });
    return out;
}

}  // namespace mirelo
