// Recovery copies: everything needed to bring back an image with unsaved work after the program
// or the machine died: its pixels exactly in their own format, palette, resolution, properties,
// names, tool state, user paths and the floating paste and text objects.
//
// Layout, all little-endian:
//   manifest: 12-byte magic "MireloRC\r\n\x1a\n", u16 version, u16 part count (1..16), per part
//             {u32 kind, u32 stored length, u32 raw length, u32 CRC-32 of the stored bytes}, then
//             u32 CRC-32 of the manifest's bytes before it.
//   parts:    their stored bytes one after the other in manifest order; the file ends with the
//             last one. Kinds: 1 info, 2 pixels, 3 paths, 4 objects, 5 object pixels. Info and
//             pixels are required, each kind appears at most once, parts of unknown kinds are
//             checked and skipped. Raw length is the inflated size of a zlib part (2 and 5) and
//             equals the stored length of the others.
//   info:     u32 width, u32 height, u32 pixel format, f32 dpi x, f32 dpi y, i32 file type code,
//             u32 slot flags, u32 palette flags, u16 palette count + u32 ARGB entries, texts name,
//             path and raw format name, u32 property count + {u32 id, u16 type, u32 length,
//             bytes}, i32 tool, i32 zoom, 2 × u32 colours, 2 × u8 transparency, u8 active colour,
//             u16 option count + i32 options, i32 hot spot x, y. A text is u16 length + UTF-16.
//   pixels:   zlib stream of the rows, top first, each ⌈width × bits per pixel / 8⌉ bytes.
//   paths:    u8 mask of present paths (bit i: path i), per present path u8 fill mode, u32 point
//             count, f32 x/y pairs, u8 point types; then three anchors of i32 x, y.
//   objects:  u16 count, i32 selected (−1 none), per object its fields (see WriteObject).
//   object pixels: zlib stream of each image object's ARGB words, then its mask when it has one.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "common/text.h"
#include "image/pixel_format.h"
#include "image/slot_rules.h"
#include "select/edit_path.h"

namespace mirelo {

namespace recovery {
constexpr uint16_t kVersion = 1;
constexpr int kMaxSide = 65535;
constexpr size_t kMaxTextLength = 32767;
constexpr int kMaxObjects = 256;
constexpr size_t kMaxPathPoints = 1000000;
constexpr size_t kMaxProperties = 4096;
constexpr int kMaxParts = 16;
// Inflated pixels of the image, and of all objects together: what a bitmap with a 32-bit stride
// can hold.
constexpr uint64_t kMaxRawBytes = 0x7FFFFFFF;
constexpr size_t kPathCount = 4;    // selection, shape figure in progress, collected figures, transformed figures
constexpr size_t kAnchorCount = 3;  // selection polygon, shape figure, gradient start
}  // namespace recovery

// One metadata item of the image, as the imaging library keeps it.
struct RecoveryProperty {
    uint32_t id = 0;
    uint16_t type = 0;
    std::vector<uint8_t> bytes;
};

// A floating object: a pasted image (32-bit ARGB pixels) or a text.
struct RecoveryObject {
    bool isText = false;
    EditPath outline;                // the object's pixels: its rectangle or the pasted selection's outline
    std::vector<uint32_t> pixels;    // image objects: width × height ARGB words, top row first
    std::vector<uint8_t> mask;       // image objects: width × height bytes, or empty
    int32_t x = 0, y = 0, width = 0, height = 0;
    int32_t transparency = 0;        // 0 opaque … 255 invisible
    int32_t smoothingIndex = 0, interpolation = 5;
    int32_t rotationIndex = 0, widthIndex = 99, heightIndex = 99;
    int32_t skewX = 0, skewY = 0;    // the skew handle in image pixels
    // Texts.
    Text text, fontName;
    float fontSize = 0;
    std::array<int32_t, 7> textOptions{};  // font, size, smoothing, layout, alignment, style, tab width
    std::array<int32_t, 3> textExtra{};    // brush kind, gamma, texture wrap mode
    std::array<uint32_t, 2> colours{};
    std::array<uint8_t, 2> colourTransparency{};
    uint8_t activeColour = 0;
    float textBoxX = 0, textBoxY = 0, textWidth = 0, textHeight = 0;
    float textX = 0, textY = 0, frameWidth = 0, frameHeight = 0;
    bool inFrame = false;
};

struct RecoveryImage {
    int32_t width = 0, height = 0;
    PixelFormat format = 0;
    std::vector<uint8_t> pixels;      // height rows of RecoveryRowBytes(width, format), top first
    std::vector<uint32_t> palette;    // ARGB entries (indexed formats: 1 … 2^bits)
    uint32_t paletteFlags = 0;        // the palette's own flags (has alpha, grey scale, halftone)
    uint32_t flags = 0;               // the slot's flags (bit 0: a palette entry is transparent)
    float dpiX = 96, dpiY = 96;
    std::vector<RecoveryProperty> properties;
    Text name;                        // as the image bar shows it ("new1", a path …)
    Text path;                        // the file it came from, empty for none
    Text rawFormatName;               // "PNG", "MemoryBMP" …
    int32_t fileType = -1;
    int32_t tool = 1, zoom = 100;
    std::array<uint32_t, 2> colours{};  // Win32 form
    std::array<uint8_t, 2> colourTransparency{};
    uint8_t activeColour = 0;
    ToolSettings toolSettings = DefaultToolSettings();
    int32_t hotspotX = 0, hotspotY = 0;
    // selection, shape figure in progress, collected figures, transformed figures; absent or
    // with at least one point
    std::array<std::optional<EditPath>, recovery::kPathCount> paths;
    std::array<Anchor, recovery::kAnchorCount> anchors;  // selection, shape figure, gradient start
    std::vector<RecoveryObject> objects;  // back first
    int32_t selectedObject = -1;
};

enum class RecoveryError {
    kNone,
    kNotRecoveryCopy,  // too short for a manifest, or another magic
    kNewerVersion,
    kBadManifest,      // the manifest's checksum or its part table
    kTruncated,        // the file ends before its last part
    kTrailingBytes,    // bytes after the last part
    kBadChecksum,      // a part's CRC-32
    kMissingPart,
    kBadInfo,
    kBadPixels,
    kBadPaths,
    kBadObjects,
    kTooLarge,         // a size beyond the limits of recovery::
};

// A short English name of the reason, for logs and tests.
const char* RecoveryErrorName(RecoveryError error);

// Bytes of one stored row.
constexpr uint64_t RecoveryRowBytes(int64_t width, PixelFormat format) {
    return (static_cast<uint64_t>(width) * static_cast<uint64_t>(BitsPerPixel(format)) + 7) / 8;
}

// Whether the image can be written: a known format, sizes within the limits, vectors of the
// sizes their fields give, valid path types and finite numbers. The reader applies the same rules.
RecoveryError CheckRecoveryImage(const RecoveryImage& image);

// The whole file; empty when CheckRecoveryImage refuses the image or compression fails.
std::vector<uint8_t> WriteRecoveryCopy(const RecoveryImage& image);

struct RecoveryReadResult {
    RecoveryError error = RecoveryError::kNone;
    RecoveryImage image;  // complete only without an error
    bool ok() const { return error == RecoveryError::kNone; }
};

// Reads a file from outside: never reads past size, inflates only sizes the manifest and the
// fields agree on, and gives the first reason found for refusing it.
RecoveryReadResult ReadRecoveryCopy(const uint8_t* data, size_t size);

}  // namespace mirelo
