#include "draw/shape_geometry.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace mirelo {

namespace {
int SignOf(int v) { return v < 0 ? -1 : 1; }
}  // namespace

DragBox ComputeDragBox(const DragInput& in) {
    DragBox box;
    box.ellipse = in.ellipse;
    const int zoom = std::max(1, in.zoom);
    const int right = in.left + in.zoomedWidth, bottom = in.top + in.zoomedHeight;
    const int cx = std::clamp(in.cursor.x, in.left, std::max(in.left, right));
    const int cy = std::clamp(in.cursor.y, in.top, std::max(in.top, bottom));
    // An anchor that reads as a negative 16-bit coordinate was never set on the image.
    const int ax = static_cast<int16_t>(in.anchor.x) < 0 ? cx : in.anchor.x;
    const int ay = static_cast<int16_t>(in.anchor.y) < 0 ? cy : in.anchor.y;
    const auto toImageX = [&](int v) { return (v - in.left) * 100 / zoom; };
    const auto toImageY = [&](int v) { return (v - in.top) * 100 / zoom; };
    if (in.ellipse) {
        int w = cx - ax, h = cy - ay;
        if (in.square) {
            if (h < w)
                w = SignOf(w) * std::abs(h);
            else
                h = SignOf(h) * std::abs(w);
            // A square leaving the image is cut at the edge on that axis, and the other follows.
            if (ax + w < in.left || ax + w > right) {
                w = std::clamp(ax + w, in.left, right) - ax;
                h = SignOf(h) * std::abs(w);
            }
            if (ay + h < in.top || ay + h > bottom) {
                h = std::clamp(ay + h, in.top, bottom) - ay;
                w = SignOf(w) * std::abs(h);
            }
        }
        box.a = toImageX(ax);
        box.b = toImageY(ay);
        box.c = w * 100 / zoom;
        box.d = h * 100 / zoom;
    } else {
        int x0 = std::min(ax, cx), x1 = std::max(ax, cx), y0 = std::min(ay, cy), y1 = std::max(ay, cy);
        if (in.square) {
            // The corner at the anchor stays where it is.
            if (x1 - x0 < y1 - y0) {
                if (ay == y0)
                    y1 = y0 + (x1 - x0);
                else
                    y0 = y1 - (x1 - x0);
            } else {
                if (ax == x0)
                    x1 = x0 + (y1 - y0);
                else
                    x0 = x1 - (y1 - y0);
            }
        }
        box.a = toImageX(x0);
        box.b = toImageY(y0);
        box.c = toImageX(x1);
        box.d = toImageY(y1);
    }
    const bool nonEmpty = in.ellipse ? (box.c != 0 && box.d != 0) : (box.c > box.a && box.d > box.b);
    if (nonEmpty) {
        box.c -= 1;
        box.d -= 1;
    }
    if (in.ellipse) {
        box.viewA = in.left + box.a * zoom / 100;
        box.viewB = in.top + box.b * zoom / 100;
        box.viewC = box.c * zoom / 100;
        box.viewD = box.d * zoom / 100;
    } else {
        box.viewA = in.left + box.a * zoom / 100;
        box.viewB = in.top + box.b * zoom / 100;
        box.viewC = in.left + box.c * zoom / 100;
        box.viewD = in.top + box.d * zoom / 100;
    }
    return box;
}

std::vector<IntPoint> StampLinePoints(IntPoint from, IntPoint to) {
    // Start at the end with the smaller major coordinate.
    const bool alongX = std::abs(to.x - from.x) >= std::abs(to.y - from.y);
    if (alongX ? to.x < from.x : to.y < from.y) std::swap(from, to);
    return LinePointsFrom(from, to);
}

std::vector<IntPoint> LinePointsFrom(IntPoint from, IntPoint to) {
    std::vector<IntPoint> points;
    const int dx = std::abs(to.x - from.x), dy = std::abs(to.y - from.y);
    const bool alongX = dx >= dy;
    const int major = alongX ? dx : dy, minor = alongX ? dy : dx;
    const int majorStep = alongX ? (to.x >= from.x ? 1 : -1) : (to.y >= from.y ? 1 : -1);
    const int minorStep = alongX ? (to.y >= from.y ? 1 : -1) : (to.x >= from.x ? 1 : -1);
    // The minor coordinate moves when the error term is non-negative.
    int error = 2 * minor - major;
    IntPoint p = from;
    points.reserve(static_cast<size_t>(major) + 1);
    for (int i = 0; i <= major; ++i) {
        points.push_back(p);
        if (error >= 0) {
            (alongX ? p.y : p.x) += minorStep;
            error -= 2 * major;
        }
        error += 2 * minor;
        (alongX ? p.x : p.y) += majorStep;
    }
    return points;
}

}  // namespace mirelo
