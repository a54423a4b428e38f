#include "clipboard/selection_records.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "common/bytes.h"

namespace mirelo {

namespace {
std::vector<uint8_t> Le32(uint32_t v) {
    return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
            static_cast<uint8_t>(v >> 24)};
}
float GetFloat(const uint8_t* p) {
    uint32_t u = Get32(p);
    float f;
    std::memcpy(&f, &u, sizeof f);
    return f;
}
void PutFloat(uint8_t* p, float f) {
    uint32_t u;
    std::memcpy(&u, &f, sizeof u);
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(u >> (8 * i));
}
bool ValidType(uint8_t t) {
    if (t & ~(pathtype::kMask | pathtype::kMarker | pathtype::kClose)) return false;
    uint8_t kind = t & pathtype::kMask;
    return kind == pathtype::kStart || kind == pathtype::kLine || kind == pathtype::kBezier;
}
}  // namespace

bool ValidPathTypes(const uint8_t* types, size_t count) {
    if (!types || count == 0) return false;
    if ((types[0] & pathtype::kMask) != pathtype::kStart) return false;
    for (size_t i = 0; i < count;) {
        if (!ValidType(types[i])) return false;
        if ((types[i] & pathtype::kMask) != pathtype::kBezier) {
            ++i;
            continue;
        }
        // A Bézier segment takes three points after the point it starts from.
        if (count - i < 3) return false;
        for (size_t k = 1; k < 3; ++k)
            if (!ValidType(types[i + k]) || (types[i + k] & pathtype::kMask) != pathtype::kBezier) return false;
        i += 3;
    }
    return true;
}

bool WriteShapeRecords(const SelectionShape& shape, ShapeRecords* out) {
    const size_t n = shape.count();
    if (!out || n <= 2 || shape.xy.size() != 2 * n || n > static_cast<size_t>(std::numeric_limits<int32_t>::max() / 8))
        return false;
    if (!ValidPathTypes(shape.types.data(), n) || (shape.fillMode != 0 && shape.fillMode != 1)) return false;
    out->count = Le32(static_cast<uint32_t>(n));
    out->types = shape.types;
    out->points.assign(8 * n, 0);
    for (size_t i = 0; i < 2 * n; ++i) PutFloat(out->points.data() + 4 * i, shape.xy[i]);
    out->fillMode = Le32(static_cast<uint32_t>(shape.fillMode));
    return true;
}

void WriteMaskRecords(const uint8_t* mask, size_t length, MaskRecords* out) {
    if (!out) return;
    out->length = Le32(static_cast<uint32_t>(length));
    out->mask.assign(mask, mask + (mask ? length : 0));
}

bool ReadShapeRecords(ByteSpan count, ByteSpan types, ByteSpan points, ByteSpan fillMode, SelectionShape* out) {
    if (!out || !count.present() || !types.present() || !points.present() || !fillMode.present()) return false;
    if (count.size < 4 || fillMode.size < 4) return false;
    const uint32_t n = Get32(count.data);
    if (n < 3 || n > static_cast<uint32_t>(std::numeric_limits<int32_t>::max())) return false;
    // Blocks may be longer than asked for (memory is handed out in whole units), never shorter.
    if (types.size < n || points.size / 8 < n) return false;
    const int32_t mode = static_cast<int32_t>(Get32(fillMode.data));
    if (mode != 0 && mode != 1) return false;
    if (!ValidPathTypes(types.data, n)) return false;
    SelectionShape s;
    s.xy.resize(2 * static_cast<size_t>(n));
    for (size_t i = 0; i < s.xy.size(); ++i) {
        float v = GetFloat(points.data + 4 * i);
        if (!std::isfinite(v)) return false;
        s.xy[i] = v;
    }
    s.types.assign(types.data, types.data + n);
    s.fillMode = mode;
    *out = std::move(s);
    return true;
}

bool ReadMaskRecords(ByteSpan length, ByteSpan mask, int width, int height, std::vector<uint8_t>* out) {
    if (!out || !length.present() || !mask.present() || length.size < 4 || width <= 0 || height <= 0) return false;
    const uint64_t expected = static_cast<uint64_t>(width) * static_cast<uint64_t>(height);
    const uint32_t n = Get32(length.data);
    if (n != expected || mask.size < n) return false;
    out->assign(mask.data, mask.data + n);
    return true;
}

bool AndMaskWithAlpha(const PixelView& argb, std::vector<uint8_t>* mask) {
    if (!mask || !argb.scan0 || argb.format != fmt::k32ARGB || argb.width <= 0 || argb.height <= 0 ||
        mask->size() != static_cast<size_t>(argb.width) * static_cast<size_t>(argb.height))
        return false;
    uint8_t* m = mask->data();
    for (int y = 0; y < argb.height; ++y) {
        const uint8_t* row = argb.Row(y);
        for (int x = 0; x < argb.width; ++x, ++m) *m = static_cast<uint8_t>(*m & row[4 * x + 3]);
    }
    return true;
}

bool WriteMaskIntoView(const PixelView& view, const std::vector<uint8_t>& mask) {
    const int bits = BitsPerPixel(view.format);
    if (!view.scan0 || bits < 24 || bits > 32 || view.width <= 0 || view.height <= 0 ||
        mask.size() != static_cast<size_t>(view.width) * static_cast<size_t>(view.height))
        return false;
    const int step = bits / 8;
    const uint8_t* m = mask.data();
    for (int y = 0; y < view.height; ++y) {
        uint8_t* p = view.Row(y);
        for (int x = 0; x < view.width; ++x, ++m, p += step) {
            if (*m == 0) p[0] = p[1] = p[2] = 0;
            if (step == 4) p[3] = *m;
        }
    }
    return true;
}

SelectionShape ShapeOfPath(const EditPath& path) {
    SelectionShape shape;
    shape.types = path.types;
    shape.xy.reserve(2 * path.size());
    for (const PointF& p : path.points) {
        shape.xy.push_back(p.x);
        shape.xy.push_back(p.y);
    }
    shape.fillMode = static_cast<int32_t>(path.fillMode);
    return shape;
}

EditPath PathOfShape(const SelectionShape& shape) {
    EditPath path;
    path.types = shape.types;
    for (size_t i = 0; i < shape.count() && 2 * i + 1 < shape.xy.size(); ++i) path.points.push_back({shape.xy[2 * i], shape.xy[2 * i + 1]});
    path.types.resize(path.points.size());
    path.fillMode = shape.fillMode == 1 ? FillMode::Winding : FillMode::Alternate;
    return path;
}

}  // namespace mirelo
