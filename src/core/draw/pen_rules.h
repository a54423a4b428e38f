// The rules behind the pens and brushes of the shape tool, the fill tool and the shape path that
// need no drawing library: what each entry of the pattern lists makes, the cap and dash-cap
// values of the shape bar's lists, the reference rectangle of gradients, the two drawing colours
// as ARGB, and the colours of the circular gradients taken from the colour swatches.
#pragma once
#include <array>
#include <cstdint>
#include <vector>

#include "select/edit_path.h"
#include "edit/tool_settings.h"

namespace mirelo {


constexpr int kHatchStyleCount = 53;
constexpr int kSwatchCount = 16;
constexpr uint32_t kInitialSwatch = 0xFF7F7F7F;  // Win32 form; the top byte is not used
using Swatches = std::array<uint32_t, kSwatchCount>;

// The texture files: one per pattern list that offers "ﾃｸｽﾁｬ...".
enum TextureSlot : int { kTexturePen = 0, kTextureShapeFill = 1, kTextureFillTool = 2, kTextureText = 3 };
constexpr int kTextureSlotCount = 4;
constexpr size_t kTexturePathLimit = 260;  // characters kept of a texture file's path

// Whom a fill brush is made for.
enum class BrushUser { ShapeTool, FillTool };
constexpr int FillBase(BrushUser user) { return user == BrushUser::ShapeTool ? kShapeFillBase : kFillToolFillBase; }

enum class PatternKind {
    Solid,
    Linear,           // a gradient over the reference rectangle, `value` = GDI+ linear gradient mode
    TwoClickLinear,   // the fill tool's gradient from a first click to a second
    Circular,         // path gradient, every surround colour the current colour
    CircularMiddle,   // the same with a preset blend through the swatches (中間色)
    CircularVertex,   // surround colours from the swatches (頂点色)
    Texture,
    Hatch,            // `value` = GDI+ hatch style
};
struct Pattern {
    PatternKind kind = PatternKind::Solid;
    int value = 0;
};

// Entry of "ﾊﾟﾀｰﾝ(線)：" (also the text tool's pattern list): 0 solid, 1..4 linear, 5 texture,
// 6..58 hatch styles 0..52. Any other index is solid.
Pattern PenPattern(int index);
// Entry of "ﾊﾟﾀｰﾝ(塗)：": 0 solid, 1..4 linear (4 is the two-click gradient for the fill tool),
// 5..7 circular, 8 texture, 9..61 hatch styles 0..52. Any other index is solid.
Pattern FillPattern(int index, BrushUser user);
// The texture slot whose file is chosen when a pattern list's option takes `value`; −1 when the
// value is not the list's "ﾃｸｽﾁｬ..." entry.
int TextureSlotForChoice(int option, int value);

// GDI+ dash cap of the "ﾍﾟﾝ先：" entry: ■ flat 0, ● round 2, ◆ triangle 3.
int DashCapFromPenTip(int index);
// The "始点：" and "終点：" entries: 0..3 are the GDI+ anchor caps 16 + index (NoAnchor,
// SquareAnchor, RoundAnchor, DiamondAnchor); 4 "→" is the adjustable arrow.
constexpr int kArrowCapIndex = 4;
bool IsArrowCap(int index);
int AnchorCapFromIndex(int index);  // 16 for an index outside 0..3

// The program-wide arrow cap, in tenths of the pen width.
struct ArrowSettings {
    int height = 40;
    int width = 30;
    int shape = 10;  // the middle inset
};
struct ArrowCapSize {
    float height, width, middleInset;  // in pen widths
};
ArrowCapSize ArrowCapFrom(const ArrowSettings& arrow);

// The reference rectangle of gradients and textures: the bounds grown by half the line width
// (integer division) on each side.
IntRect ReferenceRectFromBounds(const IntRect& bounds, int lineWidth);

// The two drawing colours of an image: Win32 colours with transparency bytes, `active` picks the
// current one.
struct ColourPair {
    std::array<uint32_t, 2> colours{};
    std::array<uint8_t, 2> transparency{};
    int active = 0;

    int CurrentIndex() const { return active == 1 ? 1 : 0; }
    uint8_t CurrentTransparency() const { return transparency[static_cast<size_t>(CurrentIndex())]; }
    uint8_t OtherTransparency() const { return transparency[static_cast<size_t>(1 - CurrentIndex())]; }
    // ARGB with alpha = 255 − transparency.
    uint32_t Current() const;
    uint32_t Other() const;
};

// The colours of a circular gradient over a path of `pointCount` surround points.
struct CircularColours {
    uint32_t centre = 0;
    std::vector<uint32_t> surround;  // one per point; empty when the path has none
    bool invalidParameter = false;   // no surround point: the brush's status is InvalidParameter
    std::vector<uint32_t> blendColours;  // 中間色: the preset blend, boundary (0) to centre (1)
    std::vector<float> blendPositions;
};
// `colourIndex` is the "色数：" entry (0..15 for 1..16 colours).
CircularColours CircularGradientColours(PatternKind kind, int colourIndex, int pointCount, const ColourPair& colours,
                                        const Swatches& swatches);

}  // namespace mirelo
