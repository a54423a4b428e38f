#include "files/recovery_copy.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "common/bytes.h"

namespace mirelo {

namespace {

constexpr uint8_t kMagic[12] = {'M', 'i', 'r', 'e', 'l', 'o', 'R', 'C', '\r', '\n', 0x1A, '\n'};
constexpr size_t kPartEntrySize = 16;
constexpr size_t kFixedManifestSize = sizeof kMagic + 4;  // magic, version, part count
constexpr size_t kMaxPropertyBytes = size_t{1} << 24;
// Deflate gives at most about 1032 bytes for one; a longer claim is not a zlib stream.
constexpr uint64_t kMaxInflateRatio = 1040;

enum PartKind : uint32_t { kInfoPart = 1, kPixelsPart = 2, kPathsPart = 3, kObjectsPart = 4, kObjectPixelsPart = 5 };

uint32_t Crc(const uint8_t* data, size_t size) {
    uLong crc = crc32(0L, Z_NULL, 0);
    while (size > 0) {
        const uInt n = static_cast<uInt>(std::min<size_t>(size, 1u << 30));
        crc = crc32(crc, data, n);
        data += n;
        size -= n;
    }
    return static_cast<uint32_t>(crc);
}

uint32_t FloatBits(float f) {
    uint32_t u;
    std::memcpy(&u, &f, 4);
    return u;
}
float BitsFloat(uint32_t u) {
    float f;
    std::memcpy(&f, &u, 4);
    return f;
}

// ---- Writing ----

class ByteWriter {
public:
    std::vector<uint8_t> bytes;

    void U8(uint32_t v) { bytes.push_back(static_cast<uint8_t>(v)); }
    void U16(uint32_t v) {
        U8(v);
        U8(v >> 8);
    }
    void U32(uint32_t v) {
        for (int i = 0; i < 4; ++i) U8(v >> (8 * i));
    }
    void I32(int32_t v) { U32(static_cast<uint32_t>(v)); }
    void F32(float f) { U32(FloatBits(f)); }
    void Str(const Text& t) {
        U16(static_cast<uint32_t>(t.size()));
        for (char16_t c : t) U16(c);
    }
    void Bytes(const std::vector<uint8_t>& b) { bytes.insert(bytes.end(), b.begin(), b.end()); }
    void Path(const EditPath& p) {
        U8(static_cast<uint32_t>(p.fillMode));
        U32(static_cast<uint32_t>(p.points.size()));
        for (const PointF& q : p.points) {
            F32(q.x);
            F32(q.y);
        }
        Bytes(p.types);
    }
};

struct Part {
    uint32_t kind = 0;
    uint32_t rawLength = 0;
    std::vector<uint8_t> stored;
};

bool Deflate(const uint8_t* data, size_t size, std::vector<uint8_t>& out) {
    uLongf length = compressBound(static_cast<uLong>(size));
    out.resize(length);
    if (compress2(out.data(), &length, data, static_cast<uLong>(size), Z_BEST_SPEED) != Z_OK) return false;
    out.resize(length);
    return true;
}

void WriteInfo(ByteWriter& w, const RecoveryImage& im) {
    w.U32(static_cast<uint32_t>(im.width));
    w.U32(static_cast<uint32_t>(im.height));
    w.U32(im.format);
    w.F32(im.dpiX);
    w.F32(im.dpiY);
    w.I32(im.fileType);
    w.U32(im.flags);
    w.U32(im.paletteFlags);
    w.U16(static_cast<uint32_t>(im.palette.size()));
    for (uint32_t c : im.palette) w.U32(c);
    w.Str(im.name);
    w.Str(im.path);
    w.Str(im.rawFormatName);
    w.U32(static_cast<uint32_t>(im.properties.size()));
    for (const RecoveryProperty& p : im.properties) {
        w.U32(p.id);
        w.U16(p.type);
        w.U32(static_cast<uint32_t>(p.bytes.size()));
        w.Bytes(p.bytes);
    }
    w.I32(im.tool);
    w.I32(im.zoom);
    for (uint32_t c : im.colours) w.U32(c);
    for (uint8_t t : im.colourTransparency) w.U8(t);
    w.U8(im.activeColour);
    w.U16(static_cast<uint32_t>(im.toolSettings.size()));
    for (int32_t v : im.toolSettings) w.I32(v);
    w.I32(im.hotspotX);
    w.I32(im.hotspotY);
}

void WritePaths(ByteWriter& w, const RecoveryImage& im) {
    uint32_t mask = 0;
    for (size_t i = 0; i < im.paths.size(); ++i)
        if (im.paths[i]) mask |= 1u << i;
    w.U8(mask);
    for (const auto& p : im.paths)
        if (p) w.Path(*p);
    for (const Anchor& a : im.anchors) {
        w.I32(a.x);
        w.I32(a.y);
    }
}

void WriteObject(ByteWriter& w, const RecoveryObject& o) {
    w.U8(o.isText ? 1 : 0);
    w.U8(o.mask.empty() ? 0 : 1);
    for (int32_t v : {o.x, o.y, o.width, o.height, o.transparency, o.smoothingIndex, o.interpolation, o.rotationIndex,
                      o.widthIndex, o.heightIndex, o.skewX, o.skewY})
        w.I32(v);
    w.Path(o.outline);
    w.Str(o.text);
    w.Str(o.fontName);
    w.F32(o.fontSize);
    for (int32_t v : o.textOptions) w.I32(v);
    for (int32_t v : o.textExtra) w.I32(v);
    for (uint32_t c : o.colours) w.U32(c);
    for (uint8_t t : o.colourTransparency) w.U8(t);
    w.U8(o.activeColour);
    for (float f : {o.textBoxX, o.textBoxY, o.textWidth, o.textHeight, o.textX, o.textY, o.frameWidth, o.frameHeight})
        w.F32(f);
    w.U8(o.inFrame ? 1 : 0);
}

// The inflated object pixels: each image object's words, then its mask.
uint64_t ObjectPixelBytes(const std::vector<RecoveryObject>& objects) {
    uint64_t total = 0;
    for (const RecoveryObject& o : objects) {
        if (o.isText) continue;
        const uint64_t area = static_cast<uint64_t>(o.width) * static_cast<uint64_t>(o.height);
        total += area * 4 + (o.mask.empty() ? 0 : area);
    }
    return total;
}

// ---- Checking ----

bool Finite(float f) { return std::isfinite(f); }

bool ValidType(uint8_t t) {
    const uint8_t kind = t & pathtype::kMask;
    return (t & ~(pathtype::kMask | 0x10 | pathtype::kMarker | pathtype::kClose)) == 0 &&
           (kind == pathtype::kStart || kind == pathtype::kLine || kind == pathtype::kBezier);
}

bool ValidPath(const EditPath& p, bool mayBeEmpty) {
    if (p.points.size() != p.types.size() || p.points.size() > recovery::kMaxPathPoints) return false;
    if (p.points.empty() && !mayBeEmpty) return false;
    if (p.fillMode != FillMode::Alternate && p.fillMode != FillMode::Winding) return false;
    for (const PointF& q : p.points)
        if (!Finite(q.x) || !Finite(q.y)) return false;
    for (uint8_t t : p.types)
        if (!ValidType(t)) return false;
    return true;
}

bool KnownFormat(PixelFormat format) {
    size_t count = 0;
    const PixelFormatInfo* table = PixelFormatTable(&count);
    for (size_t i = 0; i < count; ++i)
        if (table[i].format == format && format != fmt::kMax) return true;
    return false;
}

bool ValidSide(int32_t v, int32_t least) { return v >= least && v <= recovery::kMaxSide; }

RecoveryError CheckObject(const RecoveryObject& o) {
    if (!ValidPath(o.outline, true)) return RecoveryError::kBadObjects;
    if (o.text.size() > recovery::kMaxTextLength || o.fontName.size() > recovery::kMaxTextLength)
        return RecoveryError::kTooLarge;
    for (float f : {o.fontSize, o.textBoxX, o.textBoxY, o.textWidth, o.textHeight, o.textX, o.textY, o.frameWidth,
                    o.frameHeight})
        if (!Finite(f)) return RecoveryError::kBadObjects;
    if (o.isText) {
        if (!ValidSide(o.width, 0) || !ValidSide(o.height, 0) || !o.pixels.empty() || !o.mask.empty())
            return RecoveryError::kBadObjects;
        return RecoveryError::kNone;
    }
    if (!ValidSide(o.width, 1) || !ValidSide(o.height, 1)) return RecoveryError::kBadObjects;
    const uint64_t area = static_cast<uint64_t>(o.width) * static_cast<uint64_t>(o.height);
    if (o.pixels.size() != area || (!o.mask.empty() && o.mask.size() != area)) return RecoveryError::kBadObjects;
    return RecoveryError::kNone;
}

// ---- Reading ----

// Reads fields from a part; any read past its end sets `failed` and gives zeros.
class ByteReader {
public:
    ByteReader(const uint8_t* data, size_t size) : p_(data), left_(size) {}
    bool failed = false;

    size_t Left() const { return left_; }
    bool Need(uint64_t n) {
        if (failed || n > left_) failed = true;
        return !failed;
    }
    const uint8_t* Take(size_t n) {
        if (!Need(n)) return nullptr;
        const uint8_t* at = p_;
        p_ += n;
        left_ -= n;
        return at;
    }
    uint32_t U8() {
        const uint8_t* at = Take(1);
        return at ? *at : 0;
    }
    uint32_t U16() {
        const uint8_t* at = Take(2);
        return at ? Get16(at) : 0;
    }
    uint32_t U32() {
        const uint8_t* at = Take(4);
        return at ? Get32(at) : 0;
    }
    int32_t I32() { return static_cast<int32_t>(U32()); }
    float F32() { return BitsFloat(U32()); }
    // False (and failed) for a text longer than the limit.
    bool Str(Text& t) {
        const size_t n = U16();
        if (n > recovery::kMaxTextLength) failed = true;
        if (!Need(2 * uint64_t{n})) return false;
        t.resize(n);
        for (size_t i = 0; i < n; ++i) t[i] = static_cast<char16_t>(U16());
        return true;
    }
    bool Path(EditPath& path) {
        const uint32_t mode = U8();
        const uint32_t n = U32();
        if (n > recovery::kMaxPathPoints) failed = true;
        if (!Need(uint64_t{n} * 9)) return false;
        path.fillMode = mode == 1 ? FillMode::Winding : mode == 0 ? FillMode::Alternate : static_cast<FillMode>(-1);
        path.points.resize(n);
        for (PointF& q : path.points) {
            q.x = F32();
            q.y = F32();
        }
        const uint8_t* types = Take(n);
        path.types.assign(types, types + n);
        return !failed;
    }

private:
    const uint8_t* p_;
    size_t left_;
};

bool Inflate(const uint8_t* data, size_t size, uint8_t* out, size_t outSize) {
    z_stream z{};
    if (inflateInit(&z) != Z_OK) return false;
    z.next_in = const_cast<Bytef*>(data);
    z.avail_in = static_cast<uInt>(size);
    z.next_out = out;
    z.avail_out = static_cast<uInt>(outSize);
    const int status = inflate(&z, Z_FINISH);
    const bool whole = status == Z_STREAM_END && z.avail_out == 0 && z.avail_in == 0;
    inflateEnd(&z);
    return whole;
}

struct PartRef {
    const uint8_t* data = nullptr;
    uint32_t stored = 0;
    uint32_t raw = 0;
    bool present = false;
};

bool Compressed(uint32_t kind) { return kind == kPixelsPart || kind == kObjectPixelsPart; }

// A zlib part's raw length that the stream could give and the limits allow.
RecoveryError CheckRawLength(const PartRef& part, uint64_t expected, RecoveryError bad) {
    if (expected > recovery::kMaxRawBytes) return RecoveryError::kTooLarge;
    if (part.raw != expected) return bad;
    if (expected > uint64_t{part.stored} * kMaxInflateRatio + 64) return bad;
    return RecoveryError::kNone;
}

RecoveryError ReadInfo(const PartRef& part, RecoveryImage& im) {
    ByteReader r(part.data, part.stored);
    im.width = r.I32();
    im.height = r.I32();
    im.format = r.U32();
    im.dpiX = r.F32();
    im.dpiY = r.F32();
    im.fileType = r.I32();
    im.flags = r.U32();
    im.paletteFlags = r.U32();
    const uint32_t paletteCount = r.U16();
    if (paletteCount > 256 || !r.Need(uint64_t{paletteCount} * 4)) return RecoveryError::kBadInfo;
    im.palette.resize(paletteCount);
    for (uint32_t& c : im.palette) c = r.U32();
    if (!r.Str(im.name) || !r.Str(im.path) || !r.Str(im.rawFormatName)) return RecoveryError::kBadInfo;
    const uint32_t propertyCount = r.U32();
    if (propertyCount > recovery::kMaxProperties || !r.Need(uint64_t{propertyCount} * 10)) return RecoveryError::kBadInfo;
    im.properties.resize(propertyCount);
    for (RecoveryProperty& p : im.properties) {
        p.id = r.U32();
        p.type = static_cast<uint16_t>(r.U16());
        const uint32_t n = r.U32();
        if (n > kMaxPropertyBytes) return RecoveryError::kTooLarge;
        const uint8_t* bytes = r.Take(n);
        if (!bytes) return RecoveryError::kBadInfo;
        p.bytes.assign(bytes, bytes + n);
    }
    im.tool = r.I32();
    im.zoom = r.I32();
    for (uint32_t& c : im.colours) c = r.U32();
    for (uint8_t& t : im.colourTransparency) t = static_cast<uint8_t>(r.U8());
    im.activeColour = static_cast<uint8_t>(r.U8());
    const uint32_t optionCount = r.U16();
    if (!r.Need(uint64_t{optionCount} * 4)) return RecoveryError::kBadInfo;
    // Options an older writer did not know keep their defaults; later ones are left out.
    for (uint32_t i = 0; i < optionCount; ++i) {
        const int32_t v = r.I32();
        if (i < im.toolSettings.size()) im.toolSettings[i] = v;
    }
    im.hotspotX = r.I32();
    im.hotspotY = r.I32();
    if (r.failed || r.Left() != 0) return RecoveryError::kBadInfo;
    return RecoveryError::kNone;
}

RecoveryError ReadPaths(const PartRef& part, RecoveryImage& im) {
    ByteReader r(part.data, part.stored);
    const uint32_t mask = r.U8();
    if (mask >> recovery::kPathCount) return RecoveryError::kBadPaths;
    for (size_t i = 0; i < recovery::kPathCount; ++i) {
        if (!(mask & (1u << i))) continue;
        im.paths[i].emplace();
        if (!r.Path(*im.paths[i])) return RecoveryError::kBadPaths;
    }
    for (Anchor& a : im.anchors) {
        a.x = r.I32();
        a.y = r.I32();
    }
    if (r.failed || r.Left() != 0) return RecoveryError::kBadPaths;
    return RecoveryError::kNone;
}

RecoveryError ReadObjects(const PartRef& part, RecoveryImage& im, std::vector<bool>& hasMask) {
    ByteReader r(part.data, part.stored);
    const uint32_t count = r.U16();
    im.selectedObject = r.I32();
    if (count > recovery::kMaxObjects) return RecoveryError::kTooLarge;
    im.objects.resize(count);
    hasMask.assign(count, false);
    for (size_t i = 0; i < count; ++i) {
        RecoveryObject& o = im.objects[i];
        o.isText = r.U8() != 0;
        hasMask[i] = r.U8() != 0;
        for (int32_t* v : {&o.x, &o.y, &o.width, &o.height, &o.transparency, &o.smoothingIndex, &o.interpolation,
                           &o.rotationIndex, &o.widthIndex, &o.heightIndex, &o.skewX, &o.skewY})
            *v = r.I32();
        if (!r.Path(o.outline) || !r.Str(o.text) || !r.Str(o.fontName)) return RecoveryError::kBadObjects;
        o.fontSize = r.F32();
        for (int32_t& v : o.textOptions) v = r.I32();
        for (int32_t& v : o.textExtra) v = r.I32();
        for (uint32_t& c : o.colours) c = r.U32();
        for (uint8_t& t : o.colourTransparency) t = static_cast<uint8_t>(r.U8());
        o.activeColour = static_cast<uint8_t>(r.U8());
        for (float* f : {&o.textBoxX, &o.textBoxY, &o.textWidth, &o.textHeight, &o.textX, &o.textY, &o.frameWidth,
                         &o.frameHeight})
            *f = r.F32();
        o.inFrame = r.U8() != 0;
        if (r.failed) return RecoveryError::kBadObjects;
        if (o.isText && hasMask[i]) return RecoveryError::kBadObjects;
        if (!o.isText && (!ValidSide(o.width, 1) || !ValidSide(o.height, 1))) return RecoveryError::kBadObjects;
    }
    if (r.Left() != 0) return RecoveryError::kBadObjects;
    return RecoveryError::kNone;
}

// Inflates the object pixels into the image objects read before.
RecoveryError ReadObjectPixels(const PartRef& part, RecoveryImage& im, const std::vector<bool>& hasMask) {
    uint64_t total = 0;
    for (size_t i = 0; i < im.objects.size(); ++i) {
        const RecoveryObject& o = im.objects[i];
        if (o.isText) continue;
        const uint64_t area = static_cast<uint64_t>(o.width) * static_cast<uint64_t>(o.height);
        total += area * 4 + (hasMask[i] ? area : 0);
    }
    if (total == 0) return part.present ? RecoveryError::kBadObjects : RecoveryError::kNone;
    if (!part.present) return RecoveryError::kMissingPart;
    if (RecoveryError e = CheckRawLength(part, total, RecoveryError::kBadObjects); e != RecoveryError::kNone) return e;
    std::vector<uint8_t> raw(static_cast<size_t>(total));
    if (!Inflate(part.data, part.stored, raw.data(), raw.size())) return RecoveryError::kBadObjects;
    const uint8_t* at = raw.data();
    for (size_t i = 0; i < im.objects.size(); ++i) {
        RecoveryObject& o = im.objects[i];
        if (o.isText) continue;
        const size_t area = static_cast<size_t>(o.width) * static_cast<size_t>(o.height);
        o.pixels.resize(area);
        for (uint32_t& c : o.pixels) {
            c = Get32(at);
            at += 4;
        }
        if (hasMask[i]) {
            o.mask.assign(at, at + area);
            at += area;
        }
    }
    return RecoveryError::kNone;
}

}  // namespace

const char* RecoveryErrorName(RecoveryError error) {
    switch (error) {
        case RecoveryError::kNone: return "none";
        case RecoveryError::kNotRecoveryCopy: return "not a recovery copy";
        case RecoveryError::kNewerVersion: return "newer version";
        case RecoveryError::kBadManifest: return "bad manifest";
        case RecoveryError::kTruncated: return "truncated";
        case RecoveryError::kTrailingBytes: return "trailing bytes";
        case RecoveryError::kBadChecksum: return "bad checksum";
        case RecoveryError::kMissingPart: return "missing part";
        case RecoveryError::kBadInfo: return "bad image information";
        case RecoveryError::kBadPixels: return "bad pixels";
        case RecoveryError::kBadPaths: return "bad paths";
        case RecoveryError::kBadObjects: return "bad objects";
        case RecoveryError::kTooLarge: return "too large";
    }
    return "?";
}

RecoveryError CheckRecoveryImage(const RecoveryImage& im) {
    if (!KnownFormat(im.format) || !ValidSide(im.width, 1) || !ValidSide(im.height, 1)) return RecoveryError::kBadInfo;
    const uint64_t pixelBytes = RecoveryRowBytes(im.width, im.format) * static_cast<uint64_t>(im.height);
    if (pixelBytes > recovery::kMaxRawBytes) return RecoveryError::kTooLarge;
    if (im.pixels.size() != pixelBytes) return RecoveryError::kBadPixels;
    const size_t paletteLimit = IsIndexed(im.format) ? size_t{1} << BitsPerPixel(im.format) : 256;
    if (im.palette.size() > paletteLimit || (IsIndexed(im.format) && im.palette.empty())) return RecoveryError::kBadInfo;
    if (!Finite(im.dpiX) || !Finite(im.dpiY) || im.dpiX < 0 || im.dpiY < 0) return RecoveryError::kBadInfo;
    for (const Text* t : {&im.name, &im.path, &im.rawFormatName})
        if (t->size() > recovery::kMaxTextLength) return RecoveryError::kTooLarge;
    if (im.properties.size() > recovery::kMaxProperties) return RecoveryError::kTooLarge;
    for (const RecoveryProperty& p : im.properties)
        if (p.bytes.size() > kMaxPropertyBytes) return RecoveryError::kTooLarge;
    for (const auto& p : im.paths)
        if (p && !ValidPath(*p, false)) return RecoveryError::kBadPaths;
    if (im.objects.size() > static_cast<size_t>(recovery::kMaxObjects)) return RecoveryError::kTooLarge;
    if (im.selectedObject < -1 || im.selectedObject >= static_cast<int32_t>(im.objects.size()))
        return RecoveryError::kBadObjects;
    for (const RecoveryObject& o : im.objects)
        if (RecoveryError e = CheckObject(o); e != RecoveryError::kNone) return e;
    if (ObjectPixelBytes(im.objects) > recovery::kMaxRawBytes) return RecoveryError::kTooLarge;
    return RecoveryError::kNone;
}

std::vector<uint8_t> WriteRecoveryCopy(const RecoveryImage& im) {
    if (CheckRecoveryImage(im) != RecoveryError::kNone) return {};
    std::vector<Part> parts;

    ByteWriter info;
    WriteInfo(info, im);
    parts.push_back({kInfoPart, 0, std::move(info.bytes)});

    Part pixels{kPixelsPart, static_cast<uint32_t>(im.pixels.size()), {}};
    if (!Deflate(im.pixels.data(), im.pixels.size(), pixels.stored)) return {};
    parts.push_back(std::move(pixels));

    ByteWriter paths;
    WritePaths(paths, im);
    parts.push_back({kPathsPart, 0, std::move(paths.bytes)});

    if (!im.objects.empty()) {
        ByteWriter objects;
        objects.U16(static_cast<uint32_t>(im.objects.size()));
        objects.I32(im.selectedObject);
        ByteWriter raw;
        raw.bytes.reserve(static_cast<size_t>(ObjectPixelBytes(im.objects)));
        for (const RecoveryObject& o : im.objects) {
            WriteObject(objects, o);
            if (o.isText) continue;
            const size_t at = raw.bytes.size();
            raw.bytes.resize(at + o.pixels.size() * 4);
            for (size_t i = 0; i < o.pixels.size(); ++i) Put32(raw.bytes.data() + at + 4 * i, o.pixels[i]);
            raw.Bytes(o.mask);
        }
        parts.push_back({kObjectsPart, 0, std::move(objects.bytes)});
        if (!raw.bytes.empty()) {
            Part objectPixels{kObjectPixelsPart, static_cast<uint32_t>(raw.bytes.size()), {}};
            if (!Deflate(raw.bytes.data(), raw.bytes.size(), objectPixels.stored)) return {};
            parts.push_back(std::move(objectPixels));
        }
    }

    ByteWriter file;
    uint64_t total = kFixedManifestSize + parts.size() * kPartEntrySize + 4;
    for (const Part& p : parts) {
        if (p.stored.size() > UINT32_MAX) return {};
        total += p.stored.size();
    }
    file.bytes.reserve(static_cast<size_t>(total));
    file.bytes.assign(kMagic, kMagic + sizeof kMagic);
    file.U16(recovery::kVersion);
    file.U16(static_cast<uint32_t>(parts.size()));
    for (const Part& p : parts) {
        const uint32_t stored = static_cast<uint32_t>(p.stored.size());
        file.U32(p.kind);
        file.U32(stored);
        file.U32(Compressed(p.kind) ? p.rawLength : stored);
        file.U32(Crc(p.stored.data(), p.stored.size()));
    }
    file.U32(Crc(file.bytes.data(), file.bytes.size()));
    for (const Part& p : parts) file.Bytes(p.stored);
    return std::move(file.bytes);
}

RecoveryReadResult ReadRecoveryCopy(const uint8_t* data, size_t size) {
    RecoveryReadResult result;
    auto fail = [&result](RecoveryError e) {
        result.error = e;
        result.image = RecoveryImage();
        return std::move(result);
    };
    if (size < kFixedManifestSize || std::memcmp(data, kMagic, sizeof kMagic) != 0)
        return fail(RecoveryError::kNotRecoveryCopy);
    const uint32_t version = Get16(data + sizeof kMagic);
    const uint32_t partCount = Get16(data + sizeof kMagic + 2);
    if (version == 0) return fail(RecoveryError::kBadManifest);
    if (version > recovery::kVersion) return fail(RecoveryError::kNewerVersion);
    if (partCount == 0 || partCount > static_cast<uint32_t>(recovery::kMaxParts)) return fail(RecoveryError::kBadManifest);
    const size_t manifestSize = kFixedManifestSize + partCount * kPartEntrySize;
    if (size < manifestSize + 4) return fail(RecoveryError::kTruncated);
    if (Crc(data, manifestSize) != Get32(data + manifestSize)) return fail(RecoveryError::kBadManifest);

    std::array<PartRef, 6> known{};
    const uint8_t* at = data + manifestSize + 4;
    size_t left = size - manifestSize - 4;
    for (uint32_t i = 0; i < partCount; ++i) {
        const uint8_t* entry = data + kFixedManifestSize + i * kPartEntrySize;
        const uint32_t kind = Get32(entry), stored = Get32(entry + 4), raw = Get32(entry + 8), crc = Get32(entry + 12);
        if (stored > left) return fail(RecoveryError::kTruncated);
        if (Crc(at, stored) != crc) return fail(RecoveryError::kBadChecksum);
        if (kind >= kInfoPart && kind <= kObjectPixelsPart) {
            PartRef& part = known[kind];
            if (part.present || (!Compressed(kind) && raw != stored)) return fail(RecoveryError::kBadManifest);
            part = PartRef{at, stored, raw, true};
        }
        at += stored;
        left -= stored;
    }
    if (left != 0) return fail(RecoveryError::kTrailingBytes);
    if (!known[kInfoPart].present || !known[kPixelsPart].present) return fail(RecoveryError::kMissingPart);

    RecoveryImage& im = result.image;
    if (RecoveryError e = ReadInfo(known[kInfoPart], im); e != RecoveryError::kNone) return fail(e);
    if (!KnownFormat(im.format) || !ValidSide(im.width, 1) || !ValidSide(im.height, 1))
        return fail(RecoveryError::kBadInfo);
    const PartRef& pixels = known[kPixelsPart];
    const uint64_t pixelBytes = RecoveryRowBytes(im.width, im.format) * static_cast<uint64_t>(im.height);
    if (RecoveryError e = CheckRawLength(pixels, pixelBytes, RecoveryError::kBadPixels); e != RecoveryError::kNone)
        return fail(e);

    if (known[kPathsPart].present)
        if (RecoveryError e = ReadPaths(known[kPathsPart], im); e != RecoveryError::kNone) return fail(e);
    std::vector<bool> hasMask;
    if (known[kObjectsPart].present)
        if (RecoveryError e = ReadObjects(known[kObjectsPart], im, hasMask); e != RecoveryError::kNone) return fail(e);
    if (RecoveryError e = ReadObjectPixels(known[kObjectPixelsPart], im, hasMask); e != RecoveryError::kNone)
        return fail(e);

    // The largest allocation last, once everything else has been found sound.
    im.pixels.resize(static_cast<size_t>(pixelBytes));
    if (!Inflate(pixels.data, pixels.stored, im.pixels.data(), im.pixels.size())) return fail(RecoveryError::kBadPixels);
    if (RecoveryError e = CheckRecoveryImage(im); e != RecoveryError::kNone) return fail(e);
    return result;
}

}  // namespace mirelo
