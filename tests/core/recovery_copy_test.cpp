#include <gtest/gtest.h>
#include <zlib.h>

#include <cmath>
#include <functional>
#include <random>
#include <vector>

#include "byte_buffers.h"
#include "files/recovery_copy.h"

namespace mirelo {
namespace {

constexpr size_t kManifestStart = 16;  // magic, version, part count

EditPath SomePath(float shift, size_t points) {
    EditPath p;
    for (size_t i = 0; i < points; ++i) {
        p.points.push_back({shift + static_cast<float>(i) * 1.25f, -shift - static_cast<float>(i)});
        p.types.push_back(i == 0 ? pathtype::kStart : i + 1 == points ? (pathtype::kBezier | pathtype::kClose) : pathtype::kBezier);
    }
    p.fillMode = FillMode::Winding;
    return p;
}

RecoveryImage SmallImage(PixelFormat format, int width = 7, int height = 5, uint32_t seed = 1) {
    RecoveryImage im;
    im.width = width;
    im.height = height;
    im.format = format;
    std::mt19937 random(seed);
    im.pixels.resize(static_cast<size_t>(RecoveryRowBytes(width, format)) * static_cast<size_t>(height));
    for (uint8_t& b : im.pixels) b = static_cast<uint8_t>(random());
    if (IsIndexed(format)) {
        im.palette.resize(size_t{1} << BitsPerPixel(format));
        for (uint32_t& c : im.palette) c = 0xFF000000u | (random() & 0xFFFFFF);
        im.palette[1] = 0x00123456;  // the transparent entry
        im.paletteFlags = 1;
        im.flags = 1;
    }
    return im;
}

// Every field of a copy differs from its default.
RecoveryImage FullImage() {
    RecoveryImage im = SmallImage(fmt::k32ARGB, 9, 4);
    im.dpiX = 72.5f, im.dpiY = 300.25f, im.fileType = 4, im.tool = 6, im.zoom = 250;
    im.properties = {{270, 2, {'T', 'i', 't', 0}}, {37510, 7, {}}, {0x5090, 3, {1, 2, 3, 4}}};
    im.name = u"写真.png", im.path = u"C:\\Users\\誰か\\写真.png", im.rawFormatName = u"PNG";
    im.colours = {0x00123456, 0x00ABCDEF}, im.colourTransparency = {10, 200}, im.activeColour = 1;
    for (size_t i = 0; i < im.toolSettings.size(); ++i) im.toolSettings[i] = static_cast<int32_t>(i * 7) - 100;
    im.hotspotX = 3, im.hotspotY = -4;
    im.paths[0] = SomePath(1.5f, 4), im.paths[2] = SomePath(-8.0f, 7), im.paths[3] = SomePath(1e6f, 1);
    im.paths[2]->fillMode = FillMode::Alternate;
    im.anchors = {Anchor{1, 2}, Anchor{-1, -1}, Anchor{30, 40}};

    RecoveryObject masked, plain, text;
    masked.outline = SomePath(0, 5), masked.width = 3, masked.height = 2;
    masked.pixels = {0x80FF0000, 0xFF00FF00, 0x000000FF, 1, 2, 0xFFFFFFFF}, masked.mask = {0, 255, 1, 2, 3, 4};
    masked.x = -5, masked.y = 6, masked.transparency = 77, masked.smoothingIndex = 3, masked.interpolation = 7;
    masked.rotationIndex = 45, masked.widthIndex = 149, masked.heightIndex = 49, masked.skewX = 12, masked.skewY = -3;
    plain.width = 1, plain.height = 1, plain.pixels = {0x12345678};
    text.isText = true, text.width = 40, text.height = 12, text.fontSize = 13.5f;
    text.text = u"こんにちは\r\n世界\t!", text.fontName = u"ＭＳ ゴシック";
    text.textOptions = {1, 2, 3, 4, 5, 6, 7}, text.textExtra = {8, 9, 10};
    text.colours = {0x0000FF, 0xFF0000}, text.colourTransparency = {1, 254}, text.activeColour = 1;
    text.textBoxX = 1.5f, text.textBoxY = 2.5f, text.textWidth = 100.25f, text.textHeight = 20.75f;
    text.textX = -3, text.textY = 4, text.frameWidth = 120, text.frameHeight = 30, text.inFrame = true;
    im.objects = {masked, plain, text};
    im.selectedObject = 2;
    return im;
}

void ExpectSamePath(const EditPath& a, const EditPath& b) {
    EXPECT_EQ(a.points, b.points);
    EXPECT_EQ(a.types, b.types);
    EXPECT_EQ(a.fillMode, b.fillMode);
}

// Every number of an object or of an image outside its vectors and texts (doubles hold them all exactly).
std::vector<double> Numbers(const RecoveryObject& o) {
    std::vector<double> n = {double(o.isText), double(o.x), double(o.y), double(o.width), double(o.height),
                             double(o.transparency), double(o.smoothingIndex), double(o.interpolation),
                             double(o.rotationIndex), double(o.widthIndex), double(o.heightIndex), double(o.skewX),
                             double(o.skewY), o.fontSize, double(o.activeColour), o.textBoxX, o.textBoxY, o.textWidth,
                             o.textHeight, o.textX, o.textY, o.frameWidth, o.frameHeight, double(o.inFrame)};
    n.insert(n.end(), o.textOptions.begin(), o.textOptions.end());
    n.insert(n.end(), o.textExtra.begin(), o.textExtra.end());
    n.insert(n.end(), o.colours.begin(), o.colours.end());
    n.insert(n.end(), o.colourTransparency.begin(), o.colourTransparency.end());
    return n;
}
std::vector<double> Numbers(const RecoveryImage& im) {
    std::vector<double> n = {double(im.width), double(im.height), double(im.format), double(im.paletteFlags),
                             double(im.flags), im.dpiX, im.dpiY, double(im.fileType), double(im.tool), double(im.zoom),
                             double(im.activeColour), double(im.hotspotX), double(im.hotspotY), double(im.selectedObject)};
    n.insert(n.end(), im.colours.begin(), im.colours.end());
    n.insert(n.end(), im.colourTransparency.begin(), im.colourTransparency.end());
    n.insert(n.end(), im.toolSettings.begin(), im.toolSettings.end());
    for (const Anchor& a : im.anchors) n.insert(n.end(), {double(a.x), double(a.y)});
    for (const RecoveryProperty& p : im.properties) n.insert(n.end(), {double(p.id), double(p.type), double(p.bytes.size())});
    return n;
}

void ExpectSame(const RecoveryImage& a, const RecoveryImage& b) {
    EXPECT_EQ(Numbers(a), Numbers(b));
    EXPECT_EQ(a.pixels, b.pixels);
    EXPECT_EQ(a.palette, b.palette);
    for (size_t i = 0; i < a.properties.size() && i < b.properties.size(); ++i)
        EXPECT_EQ(a.properties[i].bytes, b.properties[i].bytes);
    EXPECT_EQ(a.name, b.name);
    EXPECT_EQ(a.path, b.path);
    EXPECT_EQ(a.rawFormatName, b.rawFormatName);
    for (size_t i = 0; i < a.paths.size(); ++i) {
        ASSERT_EQ(a.paths[i].has_value(), b.paths[i].has_value()) << "path " << i;
        if (a.paths[i]) ExpectSamePath(*a.paths[i], *b.paths[i]);
    }
    ASSERT_EQ(a.objects.size(), b.objects.size());
    for (size_t i = 0; i < a.objects.size(); ++i) {
        const RecoveryObject &p = a.objects[i], &q = b.objects[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(Numbers(p), Numbers(q));
        ExpectSamePath(p.outline, q.outline);
        EXPECT_EQ(p.pixels, q.pixels);
        EXPECT_EQ(p.mask, q.mask);
        EXPECT_EQ(p.text, q.text);
        EXPECT_EQ(p.fontName, q.fontName);
    }
}

// The CRC-32 of every part and of the manifest made right again after a test changed bytes.
// A part count the reader refuses before any checksum is left alone.
void Reseal(std::vector<uint8_t>& file) {
    const size_t parts = Get16(file, 14);
    if (parts == 0 || parts > static_cast<size_t>(recovery::kMaxParts)) return;
    size_t at = kManifestStart + parts * 16 + 4;
    for (size_t i = 0; i < parts; ++i) {
        const size_t entry = kManifestStart + i * 16;
        const uint32_t stored = Get32(file, entry + 4);
        Put32(file, entry + 12, static_cast<uint32_t>(crc32(0, file.data() + at, stored)));
        at += stored;
    }
    const size_t manifest = kManifestStart + parts * 16;
    Put32(file, manifest, static_cast<uint32_t>(crc32(0, file.data(), static_cast<uInt>(manifest))));
}

// Where a part's stored bytes start, by its place in the manifest.
size_t PartOffset(const std::vector<uint8_t>& file, size_t index) {
    const size_t parts = Get16(file, 14);
    size_t at = kManifestStart + parts * 16 + 4;
    for (size_t i = 0; i < index; ++i) at += Get32(file, kManifestStart + i * 16 + 4);
    return at;
}

RecoveryError ErrorOf(const std::vector<uint8_t>& file) { return ReadRecoveryCopy(file.data(), file.size()).error; }

TEST(RecoveryCopy, EveryPixelFormatComesBackExactly) {
    size_t count = 0;
    const PixelFormatInfo* table = PixelFormatTable(&count);
    int formats = 0;
    for (size_t i = 0; i < count; ++i) {
        if (table[i].format == fmt::kMax) continue;
        ++formats;
        SCOPED_TRACE(ToUtf8(table[i].name));
        const RecoveryImage im = SmallImage(table[i].format, 7 + static_cast<int>(i), 5, static_cast<uint32_t>(i));
        const std::vector<uint8_t> file = WriteRecoveryCopy(im);
        ASSERT_FALSE(file.empty());
        const RecoveryReadResult back = ReadRecoveryCopy(file.data(), file.size());
        ASSERT_EQ(back.error, RecoveryError::kNone) << RecoveryErrorName(back.error);
        ExpectSame(im, back.image);
    }
    EXPECT_EQ(formats, 14);
}

TEST(RecoveryCopy, PathsObjectsAndNamesComeBack) {
    const RecoveryImage im = FullImage();
    const std::vector<uint8_t> file = WriteRecoveryCopy(im);
    const RecoveryReadResult back = ReadRecoveryCopy(file.data(), file.size());
    ASSERT_EQ(back.error, RecoveryError::kNone) << RecoveryErrorName(back.error);
    ExpectSame(im, back.image);
    // A large flat picture compresses.
    RecoveryImage flat = SmallImage(fmt::k64PARGB, 1000, 500);
    std::fill(flat.pixels.begin(), flat.pixels.end(), uint8_t{0x40});
    const std::vector<uint8_t> small = WriteRecoveryCopy(flat);
    EXPECT_LT(small.size(), flat.pixels.size() / 100);
    EXPECT_EQ(ReadRecoveryCopy(small.data(), small.size()).image.pixels, flat.pixels);
}

TEST(RecoveryCopy, RefusesImagesBeyondTheRules) {
    const std::vector<std::pair<std::function<void(RecoveryImage&)>, RecoveryError>> cases = {
        {[](RecoveryImage& im) { im.format = fmt::kMax; }, RecoveryError::kBadInfo},
        {[](RecoveryImage& im) { im.width = 0; }, RecoveryError::kBadInfo},
        {[](RecoveryImage& im) { im.height = 65536; }, RecoveryError::kBadInfo},
        {[](RecoveryImage& im) { im.pixels.pop_back(); }, RecoveryError::kBadPixels},
        {[](RecoveryImage& im) { im.width = 65535, im.height = 65535; }, RecoveryError::kTooLarge},
        {[](RecoveryImage& im) { im.palette.resize(257); }, RecoveryError::kBadInfo},
        {[](RecoveryImage& im) { im.dpiX = NAN; }, RecoveryError::kBadInfo},
        {[](RecoveryImage& im) { im.path.assign(32768, u'a'); }, RecoveryError::kTooLarge},
        {[](RecoveryImage& im) { im.paths[1] = EditPath(); }, RecoveryError::kBadPaths},
        {[](RecoveryImage& im) { im.paths[0]->types[1] = 2; }, RecoveryError::kBadPaths},
        {[](RecoveryImage& im) { im.paths[0]->points[0].y = INFINITY; }, RecoveryError::kBadPaths},
        {[](RecoveryImage& im) { im.paths[0] = SomePath(0, recovery::kMaxPathPoints + 1); }, RecoveryError::kBadPaths},
        {[](RecoveryImage& im) { im.objects.resize(257); }, RecoveryError::kTooLarge},
        {[](RecoveryImage& im) { im.selectedObject = 3; }, RecoveryError::kBadObjects},
        {[](RecoveryImage& im) { im.objects[0].mask.pop_back(); }, RecoveryError::kBadObjects},
        {[](RecoveryImage& im) { im.objects[1].pixels.clear(); }, RecoveryError::kBadObjects},
        {[](RecoveryImage& im) { im.objects[2].textY = NAN; }, RecoveryError::kBadObjects},
        {[](RecoveryImage& im) { im.objects[2].text.assign(32768, u'x'); }, RecoveryError::kTooLarge},
    };
    EXPECT_EQ(CheckRecoveryImage(FullImage()), RecoveryError::kNone);
    for (size_t i = 0; i < cases.size(); ++i) {
        RecoveryImage im = FullImage();
        cases[i].first(im);
        EXPECT_EQ(CheckRecoveryImage(im), cases[i].second) << "case " << i;
        EXPECT_TRUE(WriteRecoveryCopy(im).empty()) << "case " << i;
    }
    RecoveryImage indexed = SmallImage(fmt::k4Index);
    indexed.palette.clear();
    EXPECT_EQ(CheckRecoveryImage(indexed), RecoveryError::kBadInfo);
    indexed.palette.resize(17);
    EXPECT_EQ(CheckRecoveryImage(indexed), RecoveryError::kBadInfo);
    indexed.palette.resize(2);  // fewer entries than indices are allowed
    EXPECT_EQ(CheckRecoveryImage(indexed), RecoveryError::kNone);
}

TEST(RecoveryCopy, EveryTruncationIsRefused) {
    const std::vector<uint8_t> file = WriteRecoveryCopy(FullImage());
    ASSERT_FALSE(file.empty());
    for (size_t n = 0; n < file.size(); ++n) {
        // A copy of the prefix alone, so that the sanitizer sees any read past it.
        const std::vector<uint8_t> cut(file.begin(), file.begin() + static_cast<ptrdiff_t>(n));
        EXPECT_EQ(ReadRecoveryCopy(cut.data(), cut.size()).error,
                  n < kManifestStart ? RecoveryError::kNotRecoveryCopy : RecoveryError::kTruncated)
            << "length " << n;
    }
    std::vector<uint8_t> longer = file;
    longer.push_back(0);
    EXPECT_EQ(ErrorOf(longer), RecoveryError::kTrailingBytes);
}

TEST(RecoveryCopy, DamagedBytesAreRefused) {
    const std::vector<uint8_t> file = WriteRecoveryCopy(FullImage());
    const size_t parts = Get16(file, 14);
    ASSERT_EQ(parts, 5u);
    std::mt19937 random(7);
    for (size_t start = 0; start < file.size(); start += 3) {
        std::vector<uint8_t> damaged = file;
        for (size_t i = start; i < damaged.size(); ++i) damaged[i] = static_cast<uint8_t>(random());
        if (damaged[start] == file[start]) damaged[start] ^= 1;
        EXPECT_NE(ErrorOf(damaged), RecoveryError::kNone) << "random from " << start;
    }
    // One byte changed: in the magic, the version, the part table, its checksum, in each part.
    const std::vector<std::pair<size_t, RecoveryError>> flips = {
        {0, RecoveryError::kNotRecoveryCopy},         {9, RecoveryError::kNotRecoveryCopy},
        {12, RecoveryError::kNewerVersion},           {14, RecoveryError::kBadManifest},
        {kManifestStart + 5, RecoveryError::kBadManifest}, {kManifestStart + parts * 16, RecoveryError::kBadManifest},
    };
    for (const auto& [at, expected] : flips) {
        std::vector<uint8_t> damaged = file;
        damaged[at] ^= 0x40;
        EXPECT_EQ(ErrorOf(damaged), expected) << "byte " << at;
    }
    for (size_t part = 0; part < parts; ++part) {
        std::vector<uint8_t> damaged = file;
        damaged[PartOffset(file, part) + 1] ^= 1;
        EXPECT_EQ(ErrorOf(damaged), RecoveryError::kBadChecksum) << "part " << part;
    }
}

TEST(RecoveryCopy, ManifestAndContentsMustAgree) {
    const std::vector<uint8_t> file = WriteRecoveryCopy(FullImage());
    const size_t info = PartOffset(file, 0);
    const auto entry = [](size_t part, size_t field) { return kManifestStart + part * 16 + field; };
    // Each change is sealed with right checksums, so that only the contents are wrong.
    const std::vector<std::pair<std::function<void(std::vector<uint8_t>&)>, RecoveryError>> cases = {
        {[&](std::vector<uint8_t>& f) { Put16(f, 12, 0); }, RecoveryError::kBadManifest},
        {[&](std::vector<uint8_t>& f) { Put16(f, 14, 0); }, RecoveryError::kBadManifest},
        {[&](std::vector<uint8_t>& f) { Put32(f, entry(1, 0), 1); }, RecoveryError::kBadManifest},    // two info parts
        {[&](std::vector<uint8_t>& f) { Put32(f, entry(0, 8), 3); }, RecoveryError::kBadManifest},    // plain raw length
        {[&](std::vector<uint8_t>& f) { Put32(f, entry(1, 0), 99); }, RecoveryError::kMissingPart},   // no pixels
        {[&](std::vector<uint8_t>& f) { Put32(f, entry(4, 0), 99); }, RecoveryError::kMissingPart},   // no object pixels
        {[&](std::vector<uint8_t>& f) { Put32(f, entry(1, 8), Get32(f, entry(1, 8)) + 1); }, RecoveryError::kBadPixels},
        {[&](std::vector<uint8_t>& f) { Put32(f, entry(4, 8), Get32(f, entry(4, 8)) - 1); }, RecoveryError::kBadObjects},
        {[&](std::vector<uint8_t>& f) { Put32(f, info, 0); }, RecoveryError::kBadInfo},
        {[&](std::vector<uint8_t>& f) { Put32(f, info + 8, fmt::k8Index); }, RecoveryError::kBadPixels},
        {[&](std::vector<uint8_t>& f) { Put32(f, info, 20000), Put32(f, info + 4, 20000); }, RecoveryError::kBadPixels},
        {[&](std::vector<uint8_t>& f) { Put32(f, info, 65535), Put32(f, info + 4, 65535); }, RecoveryError::kTooLarge},
        {[&](std::vector<uint8_t>& f) { Put16(f, info + 32, 0xFFFF); }, RecoveryError::kBadInfo},  // palette count
        {[&](std::vector<uint8_t>& f) { Put16(f, info + 34, 0x8000); }, RecoveryError::kBadInfo},  // name length
        {[&](std::vector<uint8_t>& f) { f[PartOffset(f, 2)] = 0x10; }, RecoveryError::kBadPaths},
        {[&](std::vector<uint8_t>& f) { f[PartOffset(f, 2) + 1] = 2; }, RecoveryError::kBadPaths},  // fill mode
        {[&](std::vector<uint8_t>& f) { Put16(f, PartOffset(f, 3), 300); }, RecoveryError::kTooLarge},
        {[&](std::vector<uint8_t>& f) { Put32(f, PartOffset(f, 3) + 2, 5); }, RecoveryError::kBadObjects},  // selected
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        std::vector<uint8_t> changed = file;
        cases[i].first(changed);
        Reseal(changed);
        const RecoveryReadResult r = ReadRecoveryCopy(changed.data(), changed.size());
        EXPECT_EQ(r.error, cases[i].second) << "case " << i << ": " << RecoveryErrorName(r.error);
        EXPECT_EQ(r.image.pixels.size(), 0u);
    }
}

TEST(RecoveryCopy, PartsOfUnknownKindsAreSkipped) {
    std::vector<uint8_t> file = WriteRecoveryCopy(FullImage());
    // A sixth entry of kind 40 with three bytes at the end.
    const size_t parts = Get16(file, 14);
    const std::vector<uint8_t> entry = {40, 0, 0, 0, 3, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0};
    file.insert(file.begin() + static_cast<ptrdiff_t>(kManifestStart + parts * 16), entry.begin(), entry.end());
    Put16(file, 14, static_cast<uint32_t>(parts + 1));
    file.insert(file.end(), {1, 2, 3});
    Reseal(file);
    const RecoveryReadResult r = ReadRecoveryCopy(file.data(), file.size());
    ASSERT_EQ(r.error, RecoveryError::kNone) << RecoveryErrorName(r.error);
    ExpectSame(FullImage(), r.image);
}

}  // namespace
}  // namespace mirelo
