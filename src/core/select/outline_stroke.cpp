#include "select/outline_stroke.h"

#include <algorithm>
#include <cmath>

namespace mirelo {

bool ClipSegment(double& x0, double& y0, double& x1, double& y1, double loX, double loY, double hiX, double hiY, double* t0out,
                 double* t1out) {
    double t0 = 0, t1 = 1;
    const double dx = x1 - x0, dy = y1 - y0;
    const double p[4] = {-dx, dx, -dy, dy}, q[4] = {x0 - loX, hiX - x0, y0 - loY, hiY - y0};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0) return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (t0 > t1) return false;
    }
    const double ox = x0, oy = y0;
    x0 = ox + t0 * dx, y0 = oy + t0 * dy;
    x1 = ox + t1 * dx, y1 = oy + t1 * dy;
    if (t0out) *t0out = t0;
    if (t1out) *t1out = t1;
    return true;
}

namespace {
void Plot(const PixelView& v, long x, long y, int width, uint32_t rgb) {
    const long x0 = x - width / 2, y0 = y - width / 2;
    for (long yy = std::max(0L, y0); yy < std::min<long>(v.height, y0 + width); ++yy) {
        uint8_t* row = v.Row(static_cast<int>(yy));
        for (long xx = std::max(0L, x0); xx < std::min<long>(v.width, x0 + width); ++xx) {
            uint8_t* p = row + xx * 3;
            p[0] = static_cast<uint8_t>(rgb), p[1] = static_cast<uint8_t>(rgb >> 8), p[2] = static_cast<uint8_t>(rgb >> 16);
        }
    }
}

// One segment starting `along` pixels into its polyline; dashed draws only the "on" parts.
void Segment(const PixelView& v, PointF a, PointF b, double along, const OutlineStroke& s, bool dashed) {
    double x0 = a.x, y0 = a.y, x1 = b.x, y1 = b.y, t0 = 0, t1 = 1;
    if (!std::isfinite(x0) || !std::isfinite(y0) || !std::isfinite(x1) || !std::isfinite(y1)) return;
    const double margin = s.width;
    if (!ClipSegment(x0, y0, x1, y1, -margin, -margin, v.width + margin, v.height + margin, &t0, &t1)) return;
    const double length = std::hypot(b.x - a.x, b.y - a.y);
    const double period = static_cast<double>(s.dashOn + s.dashOff) * s.width, on = static_cast<double>(s.dashOn) * s.width;
    const long steps = static_cast<long>(std::ceil(std::max(std::fabs(x1 - x0), std::fabs(y1 - y0))));
    for (long i = 0; i <= steps; ++i) {
        const double t = steps ? static_cast<double>(i) / static_cast<double>(steps) : 0.0;
        if (dashed) {
            const double d = along + (t0 + (t1 - t0) * t) * length + static_cast<double>(s.phase) * s.width;
            if (std::fmod(d, period) >= on) continue;
        }
        Plot(v, static_cast<long>(std::floor(x0 + (x1 - x0) * t + 0.5)), static_cast<long>(std::floor(y0 + (y1 - y0) * t + 0.5)), s.width,
             dashed ? s.dash : s.solid);
    }
}
}  // namespace

void StrokeOutline(const PixelView& v, const std::vector<EditPath::Polygon>& lines, const OutlineStroke& s) {
    if (BitsPerPixel(v.format) != 24 || !v.scan0 || s.width < 1 || s.dashOn + s.dashOff < 1) return;
    for (bool dashed : {false, true}) {
        for (const EditPath::Polygon& line : lines) {
            const size_t n = line.points.size();
            const size_t segments = line.closed && n > 2 ? n : (n ? n - 1 : 0);
            double along = 0;
            if (n == 1) Segment(v, line.points[0], line.points[0], 0, s, dashed);
            for (size_t i = 0; i < segments; ++i) {
                const PointF a = line.points[i], b = line.points[(i + 1) % n];
                Segment(v, a, b, along, s, dashed);
                along += std::hypot(b.x - a.x, b.y - a.y);
            }
        }
    }
}

}  // namespace mirelo
