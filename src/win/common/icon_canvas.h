// Drawing a tool-bar button image on the 16-unit design grid: the canvas every image is drawn
// on, its colours and its shape helpers. The images of the program's own buttons are in
// ui/toolbar_icons.cpp; a tool draws its own beside its code (its descriptor's `icon`).
//
// Conventions of the grid: the pixel offset mode is "half", so unit square (x, y)-(x+1, y+1) is
// one pixel at 16 px. One-unit outlines run along half-unit coordinates (x.5) and fills end on
// whole units, which keeps edges sharp at 16 px and at every whole multiple of it.
#pragma once
#include <cmath>
#include <vector>

#include "common/gdiplus.h"
#include "common/tool_icons.h"

namespace mirelo {
namespace icon {

using Gdiplus::ARGB;

struct P {
    float x, y;
};

constexpr ARGB kInk = 0xFF404040;
constexpr ARGB kBlue = 0xFF3A78D8;
constexpr ARGB kYellow = 0xFFF2C230;
constexpr ARGB kDarkYellow = 0xFFD9A21B;
constexpr ARGB kWhite = 0xFFFFFFFF;
constexpr ARGB kRed = 0xFFD84040;
constexpr ARGB kGreen = 0xFF40A860;
constexpr ARGB kPaleGrey = 0xFFE4E4E4;
constexpr ARGB kGrey = 0xFFB0B0B0;
constexpr ARGB kCheckGrey = 0xFFC8C8C8;
constexpr ARGB kBulb = 0xFF585858;
constexpr ARGB kPaleBlue = 0xFFD2E0F6;
constexpr ARGB kSoftBlue = 0x403A78D8;  // translucent blue, not premultiplied (GDI+ colour)

constexpr float kPi = 3.14159265f;

// Drawing on one icon: every GDI+ call goes through Check, and ok() tells whether all worked.
//
// Upright shapes are snapped to the pixels of the finished icon, so that at sizes that are not a
// multiple of 16 (20, 24 px …) frames and fills still have sharp edges. Outlines are a whole
// number of pixels wide: the one-unit outline of the grid, rounded.
class Canvas {
public:
    // pixels: pixels of the finished icon per grid unit.
    Canvas(Gdiplus::GpGraphics* g, float pixels) : g_(g), px_(pixels) {
        float w = std::floor(pixels + 0.5f);
        outline_ = (w < 1.0f ? 1.0f : w) / pixels;
    }
    bool ok() const { return ok_; }
    // Width of an outline, in grid units.
    float Outline() const { return outline_; }
    // A grid coordinate moved to the nearest pixel edge (while shapes are upright).
    float SnapEdge(float v) const { return snap_ ? std::round(v * px_) / px_ : v; }
    // A grid coordinate moved so that an outline centred on it covers whole pixels.
    float SnapCentre(float v) const {
        if (!snap_) return v;
        const int w = static_cast<int>(std::lround(outline_ * px_));
        return (w % 2 ? std::round(v * px_ - 0.5f) + 0.5f : std::round(v * px_)) / px_;
    }
    void Check(GpStatus s) {
        if (s != Gdiplus::Ok) ok_ = false;
    }

    // --- paths ---
    GpPathOwner NewPath(Gdiplus::FillMode mode = Gdiplus::FillModeAlternate) {
        GpPathOwner path;
        Check(gp::GdipCreatePath(mode, path.put()));
        return path;
    }
    void AddPolygon(GpPathOwner& path, const std::vector<P>& pts) {
        if (!path) return;
        std::vector<Gdiplus::GpPointF> v;
        v.reserve(pts.size());
        for (const P& p : pts) v.emplace_back(p.x, p.y);
        Check(gp::GdipAddPathPolygon(path.get(), v.data(), static_cast<INT>(v.size())));
    }
    GpPathOwner PolygonPath(const std::vector<P>& pts) {
        GpPathOwner path = NewPath();
        AddPolygon(path, pts);
        return path;
    }
    GpPathOwner EllipsePath(float cx, float cy, float rx, float ry) {
        GpPathOwner path = NewPath();
        if (path) Check(gp::GdipAddPathEllipse(path.get(), cx - rx, cy - ry, 2 * rx, 2 * ry));
        return path;
    }

    // --- painting ---
    void Fill(const GpPathOwner& path, ARGB colour) {
        if (!path) return;
        Gdiplus::GpSolidFill* solid = nullptr;
        Check(gp::GdipCreateSolidFill(colour, &solid));
        GpBrushOwner brush(solid);
        if (brush) Check(gp::GdipFillPath(g_, brush.get(), path.get()));
    }
    void Stroke(const GpPathOwner& path, ARGB colour, float width,
                Gdiplus::LineCap cap = Gdiplus::LineCapFlat,
                Gdiplus::LineJoin join = Gdiplus::LineJoinMiter) {
        if (!path) return;
        GpPenOwner pen;
        Check(gp::GdipCreatePen1(colour, width, Gdiplus::UnitWorld, pen.put()));
        if (!pen) return;
        Check(gp::GdipSetPenLineCap197819(pen.get(), cap, cap, Gdiplus::DashCapFlat));
        Check(gp::GdipSetPenLineJoin(pen.get(), join));
        Check(gp::GdipDrawPath(g_, pen.get(), path.get()));
    }

    // Filled shape with an outline (either may be 0 for none). The corners of an outlined shape
    // lie on the middle of its outline; those of a shape without one on its edge.
    void Polygon(std::vector<P> pts, ARGB fill, ARGB ink = kInk, Gdiplus::LineJoin join = Gdiplus::LineJoinMiter) {
        for (P& p : pts) p = ink ? P{SnapCentre(p.x), SnapCentre(p.y)} : P{SnapEdge(p.x), SnapEdge(p.y)};
        GpPathOwner path = PolygonPath(pts);
        if (fill) Fill(path, fill);
        if (ink) Stroke(path, ink, outline_, Gdiplus::LineCapFlat, join);
    }
    void Rect(float x0, float y0, float x1, float y1, ARGB fill, ARGB ink = kInk) {
        Polygon({{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}}, fill, ink);
    }
    void FillRect(float x0, float y0, float x1, float y1, ARGB fill) { Rect(x0, y0, x1, y1, fill, 0); }
    // width 0: an outline.
    void Ellipse(float cx, float cy, float rx, float ry, ARGB fill, ARGB ink = kInk, float width = 0.0f) {
        GpPathOwner path = EllipsePath(cx, cy, rx, ry);
        if (fill) Fill(path, fill);
        if (ink) Stroke(path, ink, width > 0 ? width : outline_);
    }
    void Line(float x0, float y0, float x1, float y1, ARGB colour, float width,
              Gdiplus::LineCap cap = Gdiplus::LineCapFlat) {
        GpPathOwner path = NewPath();
        if (path) Check(gp::GdipAddPathLine(path.get(), x0, y0, x1, y1));
        Stroke(path, colour, width, cap);
    }

    // Shapes filled with one colour and outlined together: the outline runs round their union.
    void Outlined(const std::vector<std::vector<P>>& shapes, ARGB fill) {
        std::vector<GpPathOwner> paths;
        for (const auto& s : shapes) paths.push_back(PolygonPath(s));
        for (const auto& p : paths) Stroke(p, kInk, 2.0f, Gdiplus::LineCapFlat, Gdiplus::LineJoinRound);
        for (const auto& p : paths) Fill(p, fill);
    }

    // --- transforms ---
    struct State {
        Gdiplus::GraphicsState graphics;
        bool snap;
    };
    State Save() {
        State state{0, snap_};
        Check(gp::GdipSaveGraphics(g_, &state.graphics));
        return state;
    }
    void Restore(const State& state) {
        Check(gp::GdipRestoreGraphics(g_, state.graphics));
        snap_ = state.snap;
    }
    void Translate(float dx, float dy) {
        Check(gp::GdipTranslateWorldTransform(g_, dx, dy, Gdiplus::MatrixOrderPrepend));
    }
    // Turned shapes are no longer snapped.
    void Rotate(float degrees) {
        Check(gp::GdipRotateWorldTransform(g_, degrees, Gdiplus::MatrixOrderPrepend));
        snap_ = false;
    }
    void Scale(float sx, float sy) { Check(gp::GdipScaleWorldTransform(g_, sx, sy, Gdiplus::MatrixOrderPrepend)); }
    // Mirrors the 16-unit cell left to right (pixel edges stay on pixel edges). Only at the start
    // of an icon: snapping assumes the mirror is the only transform.
    void MirrorX() {
        Translate(16.0f, 0.0f);
        Scale(-1.0f, 1.0f);
    }

private:
    Gdiplus::GpGraphics* g_;
    float px_;
    float outline_;
    bool snap_ = true;
    bool ok_ = true;
};

// Points along a circular arc; angles in degrees, clockwise on screen (y points down).
inline void AppendArc(std::vector<P>& out, P centre, float r, float startDeg, float sweepDeg) {
    int steps = static_cast<int>(std::ceil(std::fabs(sweepDeg) / 7.5f));
    if (steps < 1) steps = 1;
    for (int i = 0; i <= steps; ++i) {
        float a = (startDeg + sweepDeg * static_cast<float>(i) / static_cast<float>(steps)) * kPi / 180.0f;
        out.push_back({centre.x + r * std::cos(a), centre.y + r * std::sin(a)});
    }
}

// The outline of a band of the given width along a smooth centre line.
inline std::vector<P> Band(const std::vector<P>& centre, float width) {
    std::vector<P> left, right;
    const size_t n = centre.size();
    for (size_t i = 0; i < n; ++i) {
        P a = centre[i == 0 ? 0 : i - 1];
        P b = centre[i + 1 < n ? i + 1 : n - 1];
        float dx = b.x - a.x, dy = b.y - a.y;
        float len = std::sqrt(dx * dx + dy * dy);
        if (len <= 0) len = 1;
        float nx = -dy / len * width / 2, ny = dx / len * width / 2;
        left.push_back({centre[i].x + nx, centre[i].y + ny});
        right.push_back({centre[i].x - nx, centre[i].y - ny});
    }
    for (size_t i = n; i-- > 0;) left.push_back(right[i]);
    return left;
}

}  // namespace icon
}  // namespace mirelo
