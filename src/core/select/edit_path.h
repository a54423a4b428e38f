// A user path: figures of points with point types (start, line, Bézier, with the close and marker
// flags), the same model as a GDI+ path, so that it travels to the clipboard and into GDI+
// unchanged. Shapes are added as GDI+ adds them (rectangles, ellipses as four Béziers, cardinal
// curves, arcs, pies); the editing rules of the selection and shape paths work on it directly.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace mirelo {

struct PointF {
    float x = 0, y = 0;
    bool operator==(const PointF& o) const { return x == o.x && y == o.y; }
};

// x' = m11·x + m21·y + dx, y' = m12·x + m22·y + dy (the order of a GDI+ matrix).
struct Affine {
    double m11 = 1, m12 = 0, m21 = 0, m22 = 1, dx = 0, dy = 0;
    static Affine Translate(double x, double y) { return {1, 0, 0, 1, x, y}; }
    static Affine Scale(double sx, double sy) { return {sx, 0, 0, sy, 0, 0}; }
    static Affine Rotate(double degrees);
    // This transform applied after `first`.
    Affine After(const Affine& first) const;
    PointF Apply(PointF p) const;
};

struct IntRect {
    int x = 0, y = 0, width = 0, height = 0;
};

enum class FillMode : int32_t { Alternate = 0, Winding = 1 };

class EditPath {
public:
    std::vector<PointF> points;
    std::vector<uint8_t> types;
    FillMode fillMode = FillMode::Alternate;

    size_t size() const { return points.size(); }
    bool empty() const { return points.empty(); }

    // The next point added starts a new figure.
    void StartFigure() { newFigure_ = true; }
    // Closes the current figure (its last point gets the close flag); the next point starts anew.
    void CloseFigure();
    // Straight segments through the points, continuing the open figure (a first point equal to
    // the figure's last point is not repeated).
    void AddLines(const PointF* p, size_t n);
    void AddLine(float x0, float y0, float x1, float y1);
    // Cubic Béziers: 1 + 3k points, continuing the open figure.
    void AddBeziers(const PointF* p, size_t n);
    // A new closed figure through the points.
    void AddPolygon(const PointF* p, size_t n);
    // A closed rectangle figure: (x, y), (x + w, y), (x + w, y + h), (x, y + h).
    void AddRectangle(float x, float y, float w, float h);
    // A closed ellipse of four Béziers (13 points) in the box.
    void AddEllipse(float x, float y, float w, float h);
    // The arc of the ellipse in the box from `start` over `sweep` degrees, continuing the figure.
    void AddArc(float x, float y, float w, float h, float start, float sweep);
    // A closed pie: centre, arc, back to the centre.
    void AddPie(float x, float y, float w, float h, float start, float sweep);
    // A cardinal spline through the points (tension 0.5), continuing the figure.
    void AddCurve(const PointF* p, size_t n);
    // A closed cardinal spline through the points, as a new figure.
    void AddClosedCurve(const PointF* p, size_t n);
    // Appends another path's figures; its first figure starts a new one.
    void AddPath(const EditPath& other);
    void Reset();

    void Transform(const Affine& m);
    // Bounds of the points (control points included); all zero for an empty path.
    void Bounds(float* left, float* top, float* right, float* bottom) const;
    // Integer bounds as GDI+ gives them: x, y the floor of the least coordinates, width and
    // height to the ceiling of the greatest.
    IntRect BoundsI() const;

    // True when the last figure carries the close flag.
    bool LastFigureClosed() const;
    // Index where the last figure starts, searched among all points but the last one: −1 when
    // no point before the last one starts a figure.
    long LastFigureStart() const;

    // Each figure as a closed polygon of straight segments (Béziers flattened); `closed` tells
    // which figures carry the close flag (all figures are closed for filling).
    struct Polygon {
        std::vector<PointF> points;
        bool closed = false;
    };
    std::vector<Polygon> Flatten(float tolerance = 0.25f) const;

    // True when the point lies inside the filled path under its fill mode.
    bool Contains(float x, float y) const;

private:
    bool newFigure_ = true;
    void Append(PointF p, uint8_t type);
};

namespace pathtype {
constexpr uint8_t kStart = 0;
constexpr uint8_t kLine = 1;
constexpr uint8_t kBezier = 3;
constexpr uint8_t kMask = 0x07;
constexpr uint8_t kMarker = 0x20;
constexpr uint8_t kClose = 0x80;
}  // namespace pathtype

// An anchor: the last clicked point of a figure in progress, (−1, −1) when none.
struct Anchor {
    int x = -1, y = -1;
    bool set() const { return x != -1 || y != -1; }
    void Clear() { x = y = -1; }
};

// The selection of a whole picture: one rectangle over its pixel centres, (0, 0) to
// (width − 1, height − 1).
EditPath WholePicturePath(int width, int height);
// True when `path` is exactly that rectangle.
bool IsWholePicturePath(const EditPath& path, int width, int height);

// Removes the last point of the last figure. A figure left with more than one point comes back
// as straight segments and the anchor moves to its new last point; otherwise the figure goes
// whole and the anchor is cleared. Returns false when the path is left empty (delete it).
bool DeleteLastPoint(EditPath& path, Anchor& anchor);
// Removes the last figure; false when the path is left empty.
bool DeleteLastFigure(EditPath& path);

// The transform of the collected shape path about the centre of its integer bounds: rotation in
// degrees, width and height scale as list indices (factor (index + 1) / 100).
Affine PathTransformAbout(const IntRect& bounds, int rotation, int widthIndex, int heightIndex);

}  // namespace mirelo
