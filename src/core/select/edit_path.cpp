#include "select/edit_path.h"

#include <algorithm>
#include <cmath>

namespace mirelo {

namespace {
constexpr double kPi = 3.14159265358979323846;
// Distance of a quarter ellipse's Bézier control points from its ends, per radius.
constexpr double kQuarterArc = 0.5522847498307936;
constexpr float kTension = 0.5f;

PointF Lerp(PointF a, PointF b, float t) { return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t}; }

// Appends the flattened Bézier (p0 exclusive, p3 inclusive).
void FlattenBezier(PointF p0, PointF p1, PointF p2, PointF p3, float tolerance, std::vector<PointF>& out) {
    // Enough steps that the chords stay within the tolerance (second differences bound).
    const float ddx = std::max(std::fabs(p0.x - 2 * p1.x + p2.x), std::fabs(p1.x - 2 * p2.x + p3.x));
    const float ddy = std::max(std::fabs(p0.y - 2 * p1.y + p2.y), std::fabs(p1.y - 2 * p2.y + p3.y));
    const float dd = std::sqrt(ddx * ddx + ddy * ddy);
    int steps = static_cast<int>(std::ceil(std::sqrt(dd * 0.75f / tolerance)));
    steps = std::clamp(steps, 1, 1000);
    for (int i = 1; i <= steps; ++i) {
        const float t = static_cast<float>(i) / static_cast<float>(steps);
        const PointF a = Lerp(p0, p1, t), b = Lerp(p1, p2, t), c = Lerp(p2, p3, t);
        const PointF d = Lerp(a, b, t), e = Lerp(b, c, t);
        out.push_back(i == steps ? p3 : Lerp(d, e, t));
    }
}

// The Bézier control points of a cardinal spline through pts (closed: wrapping around).
std::vector<PointF> CardinalBeziers(const PointF* p, size_t n, bool closed) {
    std::vector<PointF> out;
    if (n < 2) return out;
    auto at = [&](long i) {
        const long m = static_cast<long>(n);
        if (closed) return p[((i % m) + m) % m];
        return p[std::clamp(i, 0L, m - 1)];
    };
    const size_t segments = closed ? n : n - 1;
    const float k = kTension / 3.0f;
    out.push_back(p[0]);
    for (size_t s = 0; s < segments; ++s) {
        const long i = static_cast<long>(s);
        const PointF a = at(i), b = at(i + 1), prev = at(i - 1), next = at(i + 2);
        out.push_back({a.x + k * (b.x - prev.x), a.y + k * (b.y - prev.y)});
        out.push_back({b.x - k * (next.x - a.x), b.y - k * (next.y - a.y)});
        out.push_back(b);
    }
    return out;
}

// Bézier points of an elliptical arc (first point included).
std::vector<PointF> ArcBeziers(float x, float y, float w, float h, float start, float sweep) {
    std::vector<PointF> out;
    const double cx = x + w / 2.0, cy = y + h / 2.0, rx = w / 2.0, ry = h / 2.0;
    sweep = std::clamp(sweep, -360.0f, 360.0f);
    const int parts = std::max(1, static_cast<int>(std::ceil(std::fabs(sweep) / 90.0f - 1e-4f)));
    const double step = sweep / parts * kPi / 180.0;
    double a = start * kPi / 180.0;
    auto point = [&](double t) { return PointF{static_cast<float>(cx + rx * std::cos(t)), static_cast<float>(cy + ry * std::sin(t))}; };
    out.push_back(point(a));
    const double k = 4.0 / 3.0 * std::tan(step / 4.0);
    for (int i = 0; i < parts; ++i) {
        const double b = a + step;
        out.push_back({static_cast<float>(cx + rx * (std::cos(a) - k * std::sin(a))), static_cast<float>(cy + ry * (std::sin(a) + k * std::cos(a)))});
        out.push_back({static_cast<float>(cx + rx * (std::cos(b) + k * std::sin(b))), static_cast<float>(cy + ry * (std::sin(b) - k * std::cos(b)))});
        out.push_back(point(b));
        a = b;
    }
    return out;
}
}  // namespace

Affine Affine::Rotate(double degrees) {
    const double r = degrees * kPi / 180.0, c = std::cos(r), s = std::sin(r);
    return {c, s, -s, c, 0, 0};
}

Affine Affine::After(const Affine& f) const {
    return {f.m11 * m11 + f.m12 * m21, f.m11 * m12 + f.m12 * m22, f.m21 * m11 + f.m22 * m21,
            f.m21 * m12 + f.m22 * m22, f.dx * m11 + f.dy * m21 + dx, f.dx * m12 + f.dy * m22 + dy};
}

PointF Affine::Apply(PointF p) const {
    return {static_cast<float>(m11 * p.x + m21 * p.y + dx), static_cast<float>(m12 * p.x + m22 * p.y + dy)};
}

void EditPath::Append(PointF p, uint8_t type) {
    if (newFigure_ || points.empty()) {
        type = pathtype::kStart;
        newFigure_ = false;
    }
    points.push_back(p);
    types.push_back(type);
}

void EditPath::CloseFigure() {
    if (!types.empty()) types.back() |= pathtype::kClose;
    newFigure_ = true;
}

void EditPath::AddLines(const PointF* p, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        if (i == 0 && !newFigure_ && !points.empty() && points.back() == p[0]) continue;
        Append(p[i], pathtype::kLine);
    }
}

void EditPath::AddLine(float x0, float y0, float x1, float y1) {
    const PointF p[2] = {{x0, y0}, {x1, y1}};
    AddLines(p, 2);
}

void EditPath::AddBeziers(const PointF* p, size_t n) {
    if (n < 4 || (n - 1) % 3 != 0) return;
    if (newFigure_ || points.empty() || !(points.back() == p[0])) Append(p[0], pathtype::kLine);
    for (size_t i = 1; i < n; ++i) Append(p[i], pathtype::kBezier);
}

void EditPath::AddPolygon(const PointF* p, size_t n) {
    if (n < 2) return;
    StartFigure();
    for (size_t i = 0; i < n; ++i) Append(p[i], pathtype::kLine);
    CloseFigure();
}

EditPath WholePicturePath(int width, int height) {
    EditPath all;
    all.AddRectangle(0, 0, static_cast<float>(width - 1), static_cast<float>(height - 1));
    return all;
}

bool IsWholePicturePath(const EditPath& path, int width, int height) {
    const EditPath all = WholePicturePath(width, height);
    if (path.types != all.types || path.points.size() != all.points.size()) return false;
    for (size_t i = 0; i < all.points.size(); ++i)
        if (path.points[i].x != all.points[i].x || path.points[i].y != all.points[i].y) return false;
    return true;
}

void EditPath::AddRectangle(float x, float y, float w, float h) {
    const PointF p[4] = {{x, y}, {x + w, y}, {x + w, y + h}, {x, y + h}};
    AddPolygon(p, 4);
}

void EditPath::AddEllipse(float x, float y, float w, float h) {
    const float cx = x + w / 2, cy = y + h / 2, ox = static_cast<float>(w / 2 * kQuarterArc),
                oy = static_cast<float>(h / 2 * kQuarterArc), r = x + w, b = y + h;
    const PointF p[13] = {{r, cy},       {r, cy + oy}, {cx + ox, b}, {cx, b},     {cx - ox, b},
                          {x, cy + oy},  {x, cy},      {x, cy - oy}, {cx - ox, y}, {cx, y},
                          {cx + ox, y},  {r, cy - oy}, {r, cy}};
    StartFigure();
    AddBeziers(p, 13);
    CloseFigure();
}

void EditPath::AddArc(float x, float y, float w, float h, float start, float sweep) {
    const std::vector<PointF> p = ArcBeziers(x, y, w, h, start, sweep);
    AddBeziers(p.data(), p.size());
}

void EditPath::AddPie(float x, float y, float w, float h, float start, float sweep) {
    StartFigure();
    Append({x + w / 2, y + h / 2}, pathtype::kStart);
    const std::vector<PointF> p = ArcBeziers(x, y, w, h, start, sweep);
    Append(p[0], pathtype::kLine);
    AddBeziers(p.data(), p.size());
    CloseFigure();
}

void EditPath::AddCurve(const PointF* p, size_t n) {
    if (n == 1) {
        AddLines(p, 1);
        return;
    }
    const std::vector<PointF> b = CardinalBeziers(p, n, false);
    AddBeziers(b.data(), b.size());
}

void EditPath::AddClosedCurve(const PointF* p, size_t n) {
    if (n < 2) return;
    StartFigure();
    const std::vector<PointF> b = CardinalBeziers(p, n, true);
    AddBeziers(b.data(), b.size());
    CloseFigure();
}

void EditPath::AddPath(const EditPath& other) {
    if (other.empty()) return;
    StartFigure();
    for (size_t i = 0; i < other.size(); ++i) {
        points.push_back(other.points[i]);
        types.push_back(i == 0 ? pathtype::kStart : other.types[i]);
    }
    newFigure_ = other.newFigure_;
}

void EditPath::Reset() {
    points.clear();
    types.clear();
    newFigure_ = true;
}

void EditPath::Transform(const Affine& m) {
    for (PointF& p : points) p = m.Apply(p);
}

void EditPath::Bounds(float* l, float* t, float* r, float* b) const {
    *l = *t = *r = *b = 0;
    if (points.empty()) return;
    *l = *r = points[0].x;
    *t = *b = points[0].y;
    for (const PointF& p : points) {
        *l = std::min(*l, p.x), *r = std::max(*r, p.x);
        *t = std::min(*t, p.y), *b = std::max(*b, p.y);
    }
}

IntRect EditPath::BoundsI() const {
    float l, t, r, b;
    Bounds(&l, &t, &r, &b);
    IntRect out;
    out.x = static_cast<int>(std::floor(l));
    out.y = static_cast<int>(std::floor(t));
    out.width = static_cast<int>(std::ceil(r)) - out.x;
    out.height = static_cast<int>(std::ceil(b)) - out.y;
    return out;
}

bool EditPath::LastFigureClosed() const { return !types.empty() && (types.back() & pathtype::kClose); }

long EditPath::LastFigureStart() const {
    for (long i = static_cast<long>(types.size()) - 2; i >= 0; --i)
        if (types[static_cast<size_t>(i)] == pathtype::kStart) return i;
    return -1;
}

std::vector<EditPath::Polygon> EditPath::Flatten(float tolerance) const {
    std::vector<Polygon> out;
    for (size_t i = 0; i < points.size(); ++i) {
        const uint8_t kind = types[i] & pathtype::kMask;
        if (kind == pathtype::kStart || out.empty()) {
            out.emplace_back();
            out.back().points.push_back(points[i]);
        } else if (kind == pathtype::kBezier && i + 2 < points.size()) {
            FlattenBezier(out.back().points.back(), points[i], points[i + 1], points[i + 2], tolerance, out.back().points);
            i += 2;
        } else {
            out.back().points.push_back(points[i]);
        }
        if (types[i] & pathtype::kClose) out.back().closed = true;
    }
    return out;
}

bool EditPath::Contains(float x, float y) const {
    int winding = 0, crossings = 0;
    for (const Polygon& poly : Flatten()) {
        const size_t n = poly.points.size();
        for (size_t i = 0; i < n; ++i) {
            const PointF a = poly.points[i], b = poly.points[(i + 1) % n];
            if ((a.y <= y) == (b.y <= y)) continue;
            const float cx = a.x + (y - a.y) * (b.x - a.x) / (b.y - a.y);
            if (cx > x) {
                ++crossings;
                winding += b.y > a.y ? 1 : -1;
            }
        }
    }
    return fillMode == FillMode::Winding ? winding != 0 : (crossings & 1) != 0;
}

bool DeleteLastPoint(EditPath& path, Anchor& anchor) {
    const long n = static_cast<long>(path.size());
    const long s = path.LastFigureStart();
    const long first = s >= 0 ? s : 0;
    EditPath rebuilt;
    rebuilt.fillMode = path.fillMode;
    if (s > 0) {
        rebuilt.points.assign(path.points.begin(), path.points.begin() + s);
        rebuilt.types.assign(path.types.begin(), path.types.begin() + s);
    }
    if (n - first > 2) {
        rebuilt.StartFigure();
        rebuilt.AddLines(path.points.data() + first, static_cast<size_t>(n - 1 - first));
        const PointF last = path.points[static_cast<size_t>(n - 2)];
        anchor.x = static_cast<int>(last.x);
        anchor.y = static_cast<int>(last.y);
    } else {
        anchor.Clear();
    }
    path = std::move(rebuilt);
    return !path.empty();
}

bool DeleteLastFigure(EditPath& path) {
    const long s = path.LastFigureStart();
    if (s <= 0) {
        path.Reset();
        return false;
    }
    path.points.resize(static_cast<size_t>(s));
    path.types.resize(static_cast<size_t>(s));
    path.StartFigure();
    return true;
}

Affine PathTransformAbout(const IntRect& b, int rotation, int widthIndex, int heightIndex) {
    const double cx = b.x + b.width / 2, cy = b.y + b.height / 2;
    // Each step is prepended: the point is moved to the centre, scaled, rotated and moved back.
    return Affine::Translate(cx, cy)
        .After(Affine::Rotate(rotation))
        .After(Affine::Scale((widthIndex + 1) / 100.0, (heightIndex + 1) / 100.0))
        .After(Affine::Translate(-cx, -cy));
}

}  // namespace mirelo
