// The program's own clipboard records that carry a selection with its image: the outline
// (778 number of points, 779 point types, 780 points, 781 fill mode) and the mask (782 length,
// 783 one byte per pixel of the copied rectangle). The formats are used by number, without
// registration, and are read back only by this program.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "image/pixel_view.h"
#include "select/edit_path.h"

namespace mirelo {

namespace clip {
constexpr unsigned kPathCount = 778;
constexpr unsigned kPathTypes = 779;
constexpr unsigned kPathPoints = 780;
constexpr unsigned kFillMode = 781;
constexpr unsigned kMaskLength = 782;
constexpr unsigned kMask = 783;
}  // namespace clip

// A block as the clipboard gives it; an absent block has no data.
struct ByteSpan {
    const uint8_t* data = nullptr;
    size_t size = 0;
    bool present() const { return data != nullptr; }
};

// A selection outline: points as pairs of 32-bit floats x, y, one type per point, and the fill
// mode (0 alternate, 1 winding).
struct SelectionShape {
    std::vector<float> xy;  // 2 × number of points
    std::vector<uint8_t> types;
    int32_t fillMode = 0;
    size_t count() const { return types.size(); }
};

// The outline of a path, and a path from an outline.
SelectionShape ShapeOfPath(const EditPath& path);
EditPath PathOfShape(const SelectionShape& shape);

// The four records of an outline.
struct ShapeRecords {
    std::vector<uint8_t> count, types, points, fillMode;
};
// The two records of a mask.
struct MaskRecords {
    std::vector<uint8_t> length, mask;
};

// True when every type is a start, line or Bézier point with only the marker and close flags,
// the first point starts a figure and Bézier points come in threes.
bool ValidPathTypes(const uint8_t* types, size_t count);

// Writes the outline records; false (nothing written) for an outline of 2 points or fewer, one
// whose arrays disagree in length, invalid point types, or a fill mode other than 0 and 1.
bool WriteShapeRecords(const SelectionShape& shape, ShapeRecords* out);
void WriteMaskRecords(const uint8_t* mask, size_t length, MaskRecords* out);

// Reads the outline records. False, without reading past any block's end, unless all four are
// present, the number of points (at least 3) fits the sizes of 779 and 780, every type is valid,
// every coordinate is finite and the fill mode is 0 or 1.
bool ReadShapeRecords(ByteSpan count, ByteSpan types, ByteSpan points, ByteSpan fillMode, SelectionShape* out);

// Reads the mask records of a copied rectangle of width × height pixels. False unless both are
// present, the length equals width × height and the mask block holds that many bytes.
bool ReadMaskRecords(ByteSpan length, ByteSpan mask, int width, int height, std::vector<uint8_t>* out);

// Combines a mask of the view's size with the alpha of a 32-A8R8G8B8 view: each mask byte is
// ANDed with its pixel's alpha. False (mask unchanged) for another format or a size mismatch.
bool AndMaskWithAlpha(const PixelView& argb, std::vector<uint8_t>* mask);

// Writes a mask into a view of 24 to 32 bits per pixel: pixels whose mask byte is 0 lose their
// blue, green and red; in a 32-bit view every pixel's fourth byte becomes its mask byte.
// False (view unchanged) for another depth or a size mismatch.
bool WriteMaskIntoView(const PixelView& view, const std::vector<uint8_t>& mask);

}  // namespace mirelo
