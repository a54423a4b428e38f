// Tool-bar icons, drawn with GDI+ on a 16-unit design grid scaled to the requested size.
//
// Conventions of the grid: the pixel offset mode is "half", so unit square (x, y)-(x+1, y+1) is
// one pixel at 16 px. One-unit outlines run along half-unit coordinates (x.5) and fills end on
// whole units, which keeps edges sharp at 16 px and at every whole multiple of it. Each icon is
// drawn at four times its size and averaged down, so edges look the same on every rasteriser.
#include "ui/toolbar_icons.h"

#include "ui/disabled_look.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "common/gdiplus.h"

namespace mirelo {
namespace {

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
void AppendArc(std::vector<P>& out, P centre, float r, float startDeg, float sweepDeg) {
    int steps = static_cast<int>(std::ceil(std::fabs(sweepDeg) / 7.5f));
    if (steps < 1) steps = 1;
    for (int i = 0; i <= steps; ++i) {
        float a = (startDeg + sweepDeg * static_cast<float>(i) / static_cast<float>(steps)) * kPi / 180.0f;
        out.push_back({centre.x + r * std::cos(a), centre.y + r * std::sin(a)});
    }
}

// The outline of a band of the given width along a smooth centre line.
std::vector<P> Band(const std::vector<P>& centre, float width) {
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

// --- the icons, on the 16-unit grid ---

// A sheet of paper with its top-right corner folded over.
void Page(Canvas& c, float x0, float y0, float x1, float y1, float fold) {
    c.Polygon({{x0, y0}, {x1 - fold, y0}, {x1, y0 + fold}, {x1, y1}, {x0, y1}}, kWhite);
    c.Polygon({{x1 - fold, y0}, {x1 - fold, y0 + fold}, {x1, y0 + fold}}, kPaleGrey, kInk, Gdiplus::LineJoinBevel);
}

void DrawNew(Canvas& c) { Page(c, 2.5f, 1.5f, 13.5f, 14.5f, 4.0f); }

void DrawOpen(Canvas& c) {
    // back of the folder with its tab, a sheet inside, then the front flap swung open
    c.Polygon({{1.5f, 13.5f}, {1.5f, 2.5f}, {5.5f, 2.5f}, {7.5f, 4.5f}, {12.5f, 4.5f}, {12.5f, 13.5f}}, kDarkYellow);
    c.Rect(3.5f, 5.5f, 10.5f, 9.5f, kWhite);
    c.Polygon({{1.5f, 13.5f}, {4.5f, 7.5f}, {14.5f, 7.5f}, {12.5f, 13.5f}}, kYellow, kInk, Gdiplus::LineJoinBevel);
}

void DrawSave(Canvas& c) {
    c.Polygon({{1.5f, 1.5f}, {12.5f, 1.5f}, {14.5f, 3.5f}, {14.5f, 14.5f}, {1.5f, 14.5f}}, kBlue);
    c.Rect(4.5f, 1.5f, 11.5f, 5.5f, kPaleGrey);  // shutter
    c.FillRect(9.0f, 1.5f, 10.0f, 5.5f, kInk);
    c.Rect(3.5f, 8.5f, 12.5f, 14.5f, kWhite);  // label
    c.FillRect(5.0f, 10.0f, 11.0f, 11.0f, kGrey);
    c.FillRect(5.0f, 12.0f, 11.0f, 13.0f, kGrey);
}

// A red cross from (x0, y0) to (x1, y1) with a white rim so that it stands off what lies below.
void RedCross(Canvas& c, float x0, float y0, float x1, float y1) {
    c.Line(x0, y0, x1, y1, kWhite, 4.5f, Gdiplus::LineCapRound);
    c.Line(x1, y0, x0, y1, kWhite, 4.5f, Gdiplus::LineCapRound);
    c.Line(x0, y0, x1, y1, kRed, 2.25f, Gdiplus::LineCapRound);
    c.Line(x1, y0, x0, y1, kRed, 2.25f, Gdiplus::LineCapRound);
}

void DrawClose(Canvas& c) {
    Page(c, 1.5f, 1.5f, 11.5f, 13.5f, 3.5f);
    RedCross(c, 8.5f, 8.5f, 14.0f, 14.0f);
}

// Arrow that leaves to the right along the top, turns down and comes back along the bottom,
// its head pointing left at the top.
void DrawUndo(Canvas& c) {
    std::vector<P> shaft{{5.5f, 5.5f}};
    AppendArc(shaft, {9.5f, 9.0f}, 3.5f, -90.0f, 180.0f);
    shaft.push_back({5.0f, 12.5f});
    c.Outlined({Band(shaft, 2.0f), {{1.5f, 5.5f}, {6.0f, 1.75f}, {6.0f, 9.25f}}}, kBlue);
}

void DrawRedo(Canvas& c) {
    c.MirrorX();
    DrawUndo(c);
}

void DrawCut(Canvas& c) {
    // blades cross at the pivot; each ends in a ring on the opposite side
    c.Polygon({{3.5f, 1.0f}, {5.0f, 1.0f}, {11.0f, 10.0f}, {9.0f, 10.5f}}, kInk, 0);
    c.Polygon({{12.5f, 1.0f}, {11.0f, 1.0f}, {5.0f, 10.0f}, {7.0f, 10.5f}}, kInk, 0);
    c.Ellipse(4.5f, 12.0f, 2.25f, 2.25f, 0, kRed, 2.0f);
    c.Ellipse(11.5f, 12.0f, 2.25f, 2.25f, 0, kRed, 2.0f);
    c.Ellipse(8.0f, 7.0f, 0.6f, 0.6f, kWhite, 0);
}

void DrawCopy(Canvas& c) {
    c.Rect(1.5f, 1.5f, 9.5f, 10.5f, kWhite);
    c.Rect(6.5f, 5.5f, 14.5f, 14.5f, kWhite);
    for (float y : {8.0f, 10.0f, 12.0f}) c.FillRect(8.0f, y, 13.0f, y + 1.0f, kBlue);
}

void DrawPaste(Canvas& c) {
    c.Rect(1.5f, 2.5f, 12.5f, 14.5f, kDarkYellow);  // board
    c.Rect(4.5f, 1.5f, 9.5f, 4.5f, kGrey);          // clip
    c.Rect(6.5f, 6.5f, 14.5f, 14.5f, kWhite);       // page
    for (float y : {9.0f, 11.0f}) c.FillRect(8.0f, y, 13.0f, y + 1.0f, kBlue);
}

// Three quarters of a circle, clockwise from the right round to the top, with the head at the
// top pointing right.
void DrawRotateRight(Canvas& c) {
    std::vector<P> ring;
    AppendArc(ring, {8.0f, 9.0f}, 4.5f, 0.0f, 270.0f);
    c.Outlined({Band(ring, 2.0f), {{7.5f, 1.25f}, {12.0f, 4.5f}, {7.5f, 7.75f}}}, kGreen);
}

void DrawRotateLeft(Canvas& c) {
    c.MirrorX();
    DrawRotateRight(c);
}

void DrawFitWindow(Canvas& c) {
    c.Rect(1.5f, 1.5f, 14.5f, 14.5f, kWhite);
    // four arrows from the middle out into the corners
    const float heads[4][2] = {{3, 3}, {13, 3}, {3, 13}, {13, 13}};
    for (const auto& h : heads) {
        float sx = h[0] < 8 ? 1.0f : -1.0f, sy = h[1] < 8 ? 1.0f : -1.0f;
        c.Polygon({{h[0], h[1]}, {h[0] + 4 * sx, h[1]}, {h[0], h[1] + 4 * sy}}, kBlue, 0);
        c.Line(h[0] + 1.5f * sx, h[1] + 1.5f * sy, 8.0f - 1.75f * sx, 8.0f - 1.75f * sy, kBlue, 1.5f);
    }
}

void DrawActualSize(Canvas& c) {
    c.Rect(1.5f, 1.5f, 14.5f, 14.5f, kWhite);
    // "1:1" in block figures
    for (float x : {4.0f, 11.0f}) {
        c.FillRect(x, 4.0f, x + 2.0f, 12.0f, kInk);
        c.Polygon({{x, 4.0f}, {x, 6.0f}, {x - 1.0f, 6.0f}, {x - 1.0f, 5.0f}}, kInk, 0);
    }
    c.FillRect(7.0f, 5.0f, 9.0f, 7.0f, kInk);
    c.FillRect(7.0f, 9.0f, 9.0f, 11.0f, kInk);
}

void DrawSelect(Canvas& c) {
    c.Rect(1.5f, 1.5f, 14.5f, 14.5f, kPaleBlue, kWhite);
    // marching ants over the white outline: seven equal steps along each side, on at both ends
    const float w = c.Outline();
    const float lo = c.SnapCentre(1.5f) - w / 2, hi = c.SnapCentre(14.5f) + w / 2;
    const float step = (hi - lo) / 7.0f;
    for (int k = 0; k < 7; k += 2) {
        float a = c.SnapEdge(lo + step * static_cast<float>(k)), b = c.SnapEdge(lo + step * static_cast<float>(k + 1));
        c.FillRect(a, lo, b, lo + w, kInk);
        c.FillRect(a, hi - w, b, hi, kInk);
        c.FillRect(lo, a, lo + w, b, kInk);
        c.FillRect(hi - w, a, hi, b, kInk);
    }
}

// A pencil lying from the tip at (tx, ty) up to the right; the local x axis runs along it.
void Pencil(Canvas& c, float tx, float ty) {
    Canvas::State s = c.Save();
    c.Translate(tx, ty);
    c.Rotate(-45.0f);
    const float w = 1.9f;
    c.Polygon({{0.0f, 0.0f}, {3.2f, -w}, {3.2f, w}}, kPaleGrey, kInk, Gdiplus::LineJoinBevel);  // wood
    c.Polygon({{0.0f, 0.0f}, {1.2f, -w * 1.2f / 3.2f}, {1.2f, w * 1.2f / 3.2f}}, kInk, 0);      // lead
    c.Polygon({{3.2f, -w}, {10.0f, -w}, {10.0f, w}, {3.2f, w}}, kYellow);
    c.Polygon({{10.0f, -w}, {12.0f, -w}, {12.0f, w}, {10.0f, w}}, kRed);
    c.Restore(s);
}

void DrawShape(Canvas& c) {
    // a wave running from the tip
    static const Gdiplus::GpPointF wave[] = {{3.0f, 13.0f},  {5.0f, 15.5f},  {7.0f, 15.5f}, {8.75f, 12.75f},
                                             {10.5f, 10.0f}, {12.5f, 10.0f}, {14.5f, 12.5f}};
    GpPathOwner curve = c.NewPath();
    if (curve) c.Check(gp::GdipAddPathBeziers(curve.get(), wave, 7));
    c.Stroke(curve, kBlue, 1.5f, Gdiplus::LineCapRound, Gdiplus::LineJoinRound);
    Pencil(c, 3.0f, 13.0f);
}

void DrawRetouch(Canvas& c) {
    // a soft dab of paint under the brush
    for (float r : {4.0f, 3.2f, 2.4f, 1.6f}) c.Ellipse(4.5f, 11.5f, r, r, kSoftBlue, 0);
    Canvas::State s = c.Save();
    c.Translate(4.0f, 12.0f);
    c.Rotate(-45.0f);
    GpPathOwner tuft = c.NewPath();
    if (tuft) {
        c.Check(gp::GdipAddPathBezier(tuft.get(), 0.0f, 0.0f, 1.0f, -1.6f, 2.5f, -1.6f, 4.5f, -1.6f));
        c.Check(gp::GdipAddPathLine(tuft.get(), 4.5f, -1.6f, 4.5f, 1.6f));
        c.Check(gp::GdipAddPathBezier(tuft.get(), 4.5f, 1.6f, 2.5f, 1.6f, 1.0f, 1.6f, 0.0f, 0.0f));
        c.Check(gp::GdipClosePathFigure(tuft.get()));
    }
    c.Fill(tuft, kBlue);
    c.Stroke(tuft, kInk, c.Outline(), Gdiplus::LineCapFlat, Gdiplus::LineJoinRound);
    c.Rect(4.5f, -1.9f, 7.0f, 1.9f, kGrey);                                                       // ferrule
    c.Polygon({{7.0f, -1.2f}, {13.5f, -0.9f}, {13.5f, 0.9f}, {7.0f, 1.2f}}, kRed, kInk, Gdiplus::LineJoinRound);  // handle
    c.Restore(s);
}

void DrawFill(Canvas& c) {
    // paint running off the rim into a drop
    c.Line(12.0f, 8.0f, 13.0f, 11.0f, kBlue, 1.5f, Gdiplus::LineCapRound);
    c.Ellipse(13.0f, 12.5f, 1.7f, 1.7f, kBlue, 0);
    Canvas::State s = c.Save();
    c.Translate(6.5f, 8.5f);
    c.Rotate(35.0f);
    GpPathOwner handle = c.NewPath();
    if (handle) c.Check(gp::GdipAddPathArc(handle.get(), -3.5f, -8.0f, 7.0f, 8.0f, 180.0f, 180.0f));
    c.Stroke(handle, kInk, c.Outline());
    c.Polygon({{-4.0f, -3.5f}, {4.0f, -3.5f}, {3.0f, 4.0f}, {-3.0f, 4.0f}}, kWhite, kInk, Gdiplus::LineJoinRound);
    c.Ellipse(0.0f, -3.5f, 4.0f, 1.4f, kBlue);
    c.Restore(s);
}

void DrawEyedropper(Canvas& c) {
    c.Ellipse(2.5f, 13.5f, 1.3f, 1.3f, kBlue, 0);  // drop
    Canvas::State s = c.Save();
    c.Translate(4.5f, 11.5f);
    c.Rotate(-45.0f);
    c.Polygon({{0.0f, -0.6f}, {3.0f, -1.3f}, {8.0f, -1.3f}, {8.0f, 1.3f}, {3.0f, 1.3f}, {0.0f, 0.6f}}, kWhite, kInk,
              Gdiplus::LineJoinRound);
    c.Polygon({{0.5f, -0.5f}, {3.0f, -0.9f}, {5.5f, -0.9f}, {5.5f, 0.9f}, {3.0f, 0.9f}, {0.5f, 0.5f}}, kBlue, 0);
    c.Rect(8.0f, -2.3f, 9.5f, 2.3f, kGrey);  // collar
    GpPathOwner bulb = c.NewPath();
    if (bulb) {
        c.Check(gp::GdipAddPathLine(bulb.get(), 9.5f, -1.8f, 11.5f, -1.8f));
        c.Check(gp::GdipAddPathArc(bulb.get(), 9.7f, -1.8f, 3.6f, 3.6f, -90.0f, 180.0f));
        c.Check(gp::GdipAddPathLine(bulb.get(), 11.5f, 1.8f, 9.5f, 1.8f));
        c.Check(gp::GdipClosePathFigure(bulb.get()));
    }
    c.Fill(bulb, kBulb);
    c.Stroke(bulb, kInk, c.Outline(), Gdiplus::LineCapFlat, Gdiplus::LineJoinRound);
    c.Restore(s);
}

void DrawText(Canvas& c) {
    GpPathOwner glyph = c.NewPath(Gdiplus::FillModeAlternate);
    c.AddPolygon(glyph, {{1.5f, 14.0f}, {6.5f, 2.0f}, {9.5f, 2.0f}, {14.5f, 14.0f}, {11.3f, 14.0f}, {10.05f, 11.0f},
                         {5.95f, 11.0f}, {4.7f, 14.0f}});
    c.AddPolygon(glyph, {{6.78f, 9.0f}, {9.22f, 9.0f}, {8.0f, 6.08f}});
    c.Fill(glyph, kInk);
}

void DrawPalette(Canvas& c) {
    // a rounded board with a notch for the brushes, and a thumb hole
    static const Gdiplus::GpPointF outline[] = {{1.5f, 8.0f},  {3.5f, 3.5f},   {8.5f, 2.0f},   {13.5f, 3.5f},
                                                {14.5f, 7.5f}, {12.5f, 9.5f},  {10.5f, 10.0f}, {10.0f, 12.5f},
                                                {7.5f, 14.0f}, {3.5f, 13.0f}};
    GpPathOwner board = c.NewPath(Gdiplus::FillModeAlternate);
    if (board) {
        c.Check(gp::GdipAddPathClosedCurve2(board.get(), outline, 10, 0.5f));
        c.Check(gp::GdipAddPathEllipse(board.get(), 4.0f, 9.0f, 3.0f, 3.0f));  // thumb hole
    }
    c.Fill(board, kWhite);
    c.Stroke(board, kInk, c.Outline());
    c.Ellipse(5.0f, 6.0f, 1.5f, 1.5f, kRed, 0);
    c.Ellipse(8.5f, 4.75f, 1.5f, 1.5f, kYellow, 0);
    c.Ellipse(12.0f, 6.0f, 1.5f, 1.5f, kGreen, 0);
    c.Ellipse(8.75f, 8.5f, 1.5f, 1.5f, kBlue, 0);
}

void DrawTransparentColour(Canvas& c) {
    c.Rect(1.5f, 1.5f, 14.5f, 14.5f, kWhite, 0);
    // four by four squares filling the inside of the outline
    const float w = c.Outline();
    const float lo = c.SnapCentre(1.5f) + w / 2, hi = c.SnapCentre(14.5f) - w / 2;
    float edge[5];
    for (int k = 0; k <= 4; ++k) edge[k] = c.SnapEdge(lo + (hi - lo) * static_cast<float>(k) / 4.0f);
    for (int row = 0; row < 4; ++row)
        for (int col = row % 2; col < 4; col += 2) c.FillRect(edge[col], edge[row], edge[col + 1], edge[row + 1], kCheckGrey);
    c.Rect(1.5f, 1.5f, 14.5f, 14.5f, 0);
}

// The vertex handle of a path: a small white square.
void Vertex(Canvas& c, float x, float y) { c.Rect(x - 1.5f, y - 1.5f, x + 1.5f, y + 1.5f, kWhite); }

void DrawPathDeletePoint(Canvas& c) {
    c.Line(2.5f, 12.5f, 6.5f, 3.5f, kBlue, 2.0f, Gdiplus::LineCapRound);
    c.Line(6.5f, 3.5f, 11.0f, 10.5f, kBlue, 2.0f, Gdiplus::LineCapRound);
    Vertex(c, 2.5f, 12.5f);
    Vertex(c, 6.5f, 3.5f);
    Vertex(c, 11.5f, 10.5f);
    RedCross(c, 9.5f, 8.5f, 14.0f, 13.0f);
}

// Two figures of a path: a filled triangle and an ellipse.
void TwoFigures(Canvas& c) {
    c.Polygon({{1.5f, 12.5f}, {5.0f, 4.5f}, {8.5f, 12.5f}}, kPaleBlue, kInk, Gdiplus::LineJoinRound);
    c.Ellipse(11.0f, 6.5f, 3.5f, 4.5f, kYellow);
}

void DrawPathDeleteLast(Canvas& c) {
    TwoFigures(c);
    RedCross(c, 10.0f, 10.0f, 14.0f, 14.0f);
}

void DrawPathDeleteAll(Canvas& c) {
    TwoFigures(c);
    RedCross(c, 3.0f, 3.0f, 13.0f, 13.0f);
}

bool DrawIcon(Canvas& c, ToolIcon icon) {
    switch (icon) {
    case ToolIcon::New: DrawNew(c); break;
    case ToolIcon::Open: DrawOpen(c); break;
    case ToolIcon::Save: DrawSave(c); break;
    case ToolIcon::Close: DrawClose(c); break;
    case ToolIcon::Undo: DrawUndo(c); break;
    case ToolIcon::Redo: DrawRedo(c); break;
    case ToolIcon::Cut: DrawCut(c); break;
    case ToolIcon::Copy: DrawCopy(c); break;
    case ToolIcon::Paste: DrawPaste(c); break;
    case ToolIcon::RotateRight: DrawRotateRight(c); break;
    case ToolIcon::RotateLeft: DrawRotateLeft(c); break;
    case ToolIcon::FitWindow: DrawFitWindow(c); break;
    case ToolIcon::ActualSize: DrawActualSize(c); break;
    case ToolIcon::Select: DrawSelect(c); break;
    case ToolIcon::Shape: DrawShape(c); break;
    case ToolIcon::Retouch: DrawRetouch(c); break;
    case ToolIcon::Fill: DrawFill(c); break;
    case ToolIcon::Eyedropper: DrawEyedropper(c); break;
    case ToolIcon::Text: DrawText(c); break;
    case ToolIcon::Palette: DrawPalette(c); break;
    case ToolIcon::TransparentColour: DrawTransparentColour(c); break;
    case ToolIcon::PathDeletePoint: DrawPathDeletePoint(c); break;
    case ToolIcon::PathDeleteLast: DrawPathDeleteLast(c); break;
    case ToolIcon::PathDeleteAll: DrawPathDeleteAll(c); break;
    default: return false;
    }
    return c.ok();
}

// Renders one icon at kSupersample times its size and averages each block of samples into one
// pixel of the strip at column x0. Averaging premultiplied samples gives the same smooth edges
// whatever the rasteriser does at small sizes, and edges on whole grid units stay sharp.
constexpr int kSupersample = 4;

bool RenderIcon(ToolIcon icon, int size, BYTE* stripBits, int stripStride, int x0) {
    const int big = size * kSupersample;
    GpBitmapOwner bitmap;
    if (gp::GdipCreateBitmapFromScan0(big, big, 0, PixelFormat32bppPARGB, nullptr, bitmap.put()) != Gdiplus::Ok ||
        !bitmap)
        return false;
    {
        GpGraphicsOwner graphics;
        if (gp::GdipGetImageGraphicsContext(bitmap.get(), graphics.put()) != Gdiplus::Ok || !graphics) return false;
        Canvas c(graphics.get(), static_cast<float>(size) / 16.0f);
        c.Check(gp::GdipGraphicsClear(graphics.get(), 0));
        c.Check(gp::GdipSetSmoothingMode(graphics.get(), Gdiplus::SmoothingModeAntiAlias));
        c.Check(gp::GdipSetPixelOffsetMode(graphics.get(), Gdiplus::PixelOffsetModeHalf));
        c.Check(gp::GdipSetCompositingQuality(graphics.get(), Gdiplus::CompositingQualityHighQuality));
        const float scale = static_cast<float>(big) / 16.0f;
        c.Scale(scale, scale);
        if (!c.ok() || !DrawIcon(c, icon)) return false;
    }
    Gdiplus::GpRect rect(0, 0, big, big);
    Gdiplus::BitmapData data{};
    if (gp::GdipBitmapLockBits(bitmap.get(), &rect, Gdiplus::ImageLockModeRead, PixelFormat32bppPARGB, &data) !=
        Gdiplus::Ok)
        return false;
    constexpr int kSamples = kSupersample * kSupersample;
    std::vector<unsigned> sums(static_cast<size_t>(size) * 4);
    for (int y = 0; y < size; ++y) {
        std::fill(sums.begin(), sums.end(), 0u);
        for (int sy = 0; sy < kSupersample; ++sy) {
            const BYTE* src = static_cast<const BYTE*>(data.Scan0) +
                              static_cast<ptrdiff_t>(y * kSupersample + sy) * data.Stride;
            for (int x = 0; x < big; ++x)
                for (int ch = 0; ch < 4; ++ch) sums[static_cast<size_t>(x / kSupersample) * 4 + ch] += src[x * 4 + ch];
        }
        BYTE* dst = stripBits + static_cast<ptrdiff_t>(y) * stripStride + static_cast<ptrdiff_t>(x0) * 4;
        for (size_t i = 0; i < sums.size(); ++i) dst[i] = static_cast<BYTE>((sums[i] + kSamples / 2) / kSamples);
    }
    return gp::GdipBitmapUnlockBits(bitmap.get(), &data) == Gdiplus::Ok;
}

}  // namespace

HBITMAP DrawToolbarIcons(const ToolIcon* icons, int count, int size) {
    if (!icons || count <= 0 || size <= 0 || size > 1024 || count > 4096) return nullptr;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = count * size;
    info.bmiHeader.biHeight = -size;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP strip = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!strip || !bits) {
        if (strip) DeleteObject(strip);
        return nullptr;
    }
    GdiFlush();
    const int stride = count * size * 4;
    std::memset(bits, 0, static_cast<size_t>(stride) * static_cast<size_t>(size));
    for (int i = 0; i < count; ++i) {
        if (!RenderIcon(icons[i], size, static_cast<BYTE*>(bits), stride, i * size)) {
            DeleteObject(strip);
            return nullptr;
        }
    }
    return strip;
}

HIMAGELIST CreateToolbarImageList(const ToolIcon* icons, int count, int size, bool disabled) {
    HBITMAP strip = DrawToolbarIcons(icons, count, size);
    if (!strip) return nullptr;
    DIBSECTION dib{};
    if (disabled && GetObjectW(strip, sizeof dib, &dib) == sizeof dib && dib.dsBm.bmBits) {
        FadeToGrey(PixelView{count * size, size, dib.dsBm.bmWidthBytes, fmt::k32PARGB, static_cast<uint8_t*>(dib.dsBm.bmBits)});
        GdiFlush();
    }
    HIMAGELIST list = ImageList_Create(size, size, ILC_COLOR32, count, 0);
    bool ok = list && ImageList_Add(list, strip, nullptr) == 0 && ImageList_GetImageCount(list) == count;
    DeleteObject(strip);
    if (!ok) {
        if (list) ImageList_Destroy(list);
        return nullptr;
    }
    return list;
}

}  // namespace mirelo
