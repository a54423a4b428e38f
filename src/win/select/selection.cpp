#include "select/selection.h"

#include <algorithm>
#include <cmath>

#include "app/editor.h"
#include "clipboard/selection_records.h"
#include "image/bitmap_access.h"
#include "select/path_mask.h"

namespace mirelo {

FillMode SelectionFillMode(const ImageSlot& s) {
    return s.toolSettings[kSelectionOverlapOption] ? FillMode::Winding : FillMode::Alternate;
}

GpMatrixOwner ToGpMatrix(const Affine& a) {
    GpMatrixOwner m;
    gp::GdipCreateMatrix2(static_cast<float>(a.m11), static_cast<float>(a.m12), static_cast<float>(a.m21), static_cast<float>(a.m22),
                          static_cast<float>(a.dx), static_cast<float>(a.dy), m.put());
    return m;
}

GpPathOwner ToGpPath(const EditPath& path) {
    GpPathOwner out;
    const auto mode = static_cast<Gdiplus::GpFillMode>(path.fillMode);
    const GpStatus status =
        path.empty() ? gp::GdipCreatePath(mode, out.put())
                     : gp::GdipCreatePath2(reinterpret_cast<const Gdiplus::GpPointF*>(path.points.data()), path.types.data(),
                                           static_cast<INT>(path.size()), mode, out.put());
    if (status != Gdiplus::Ok) out.reset();
    return out;
}

EditPath FromGpPath(Gdiplus::GpPath* path) {
    EditPath out;
    INT count = 0;
    if (!path || gp::GdipGetPointCount(path, &count) != Gdiplus::Ok || count <= 0) return out;
    std::vector<PointF> points(static_cast<size_t>(count));
    std::vector<uint8_t> types(static_cast<size_t>(count));
    Gdiplus::GpFillMode mode = Gdiplus::FillModeAlternate;
    if (gp::GdipGetPathPoints(path, reinterpret_cast<Gdiplus::GpPointF*>(points.data()), count) != Gdiplus::Ok ||
        gp::GdipGetPathTypes(path, types.data(), count) != Gdiplus::Ok)
        return out;
    gp::GdipGetPathFillMode(path, &mode);
    out.points = std::move(points);
    out.types = std::move(types);
    out.fillMode = mode == Gdiplus::FillModeWinding ? FillMode::Winding : FillMode::Alternate;
    return out;
}

bool SelectionMask(Editor& e, const std::optional<EditPath>& path, FillMode mode, const IntRect& area,
                   std::vector<uint8_t>* mask) {
    if (!path) {
        e.messages.Show(e.messages.mainWindow, u"pathがありません", u"Get_PathMask Error", MB_OK);
        return false;
    }
    EditPath filled = *path;
    filled.fillMode = mode;
    return PathMask(filled, area.x, area.y, area.width, area.height, mask);
}

IntRect SelectionArea(const EditPath& path, int w, int h) {
    float l, t, r, b;
    path.Bounds(&l, &t, &r, &b);
    // The outline covers the pixels its points round to, so the area runs to the nearest pixels.
    const int x0 = std::max(0, static_cast<int>(std::floor(l + 0.5f))), y0 = std::max(0, static_cast<int>(std::floor(t + 0.5f)));
    const int x1 = std::min(w - 1, static_cast<int>(std::floor(r + 0.5f))), y1 = std::min(h - 1, static_cast<int>(std::floor(b + 0.5f)));
    if (path.empty() || x1 < x0 || y1 < y0) return IntRect{x0, y0, 0, 0};
    return IntRect{x0, y0, x1 - x0 + 1, y1 - y0 + 1};
}

bool CombineMaskWithAlpha(Editor&, GpBitmapOwner& bitmap, std::vector<uint8_t>& mask, const IntRect& area) {
    const PixelFormat format = FormatOf(bitmap.get());
    if (!HasAlpha(format) && !IsIndexed(format)) return false;
    if (mask.size() != static_cast<size_t>(area.width) * static_cast<size_t>(area.height)) return false;
    Gdiplus::GpRect rect(area.x, area.y, area.width, area.height);
    Gdiplus::BitmapData data{};
    if (gp::GdipBitmapLockBits(bitmap.get(), &rect, kLockRead, fmt::k32ARGB, &data) != Gdiplus::Ok) return true;
    const PixelView view{area.width, area.height, data.Stride, fmt::k32ARGB, static_cast<uint8_t*>(data.Scan0)};
    AndMaskWithAlpha(view, &mask);
    gp::GdipBitmapUnlockBits(bitmap.get(), &data);
    return true;
}

bool WriteMaskIntoBitmap(Editor& e, GpBitmapOwner& bitmap, const std::vector<uint8_t>& mask) {
    if (!bitmap || mask.empty()) {
        e.messages.Show(e.messages.mainWindow, bitmap ? u"maskがありません" : u"Bmpがありません", u"Set_PathMask Error", MB_OK);
        return false;
    }
    const PixelFormat format = FormatOf(bitmap.get());
    const int bits = BitsPerPixel(format);
    int w = 0, h = 0;
    if (!ImageSize(bitmap.get(), &w, &h) || mask.size() != static_cast<size_t>(w) * static_cast<size_t>(h)) return false;
    if (bits < 24 || bits > 32) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (mask[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)] == 0)
                    gp::GdipBitmapSetPixel(bitmap.get(), x, y, 0);
        return true;
    }
    BitmapLock lock(e.messages, bitmap, kLockReadWrite, format, BitmapRole::Image);
    if (!lock.ok()) return false;
    WriteMaskIntoView(lock.view(), mask);
    return lock.Unlock() == Gdiplus::Ok;
}

void SelectAll(ImageSlot& s) {
    s.selectionPath = WholePicturePath(s.width, s.height);
    s.selectionAnchor.Clear();
}

void Deselect(ImageSlot& s) {
    s.selectionPath.reset();
    s.selectionAnchor.Clear();
}

}  // namespace mirelo
