// The pens and brushes of the shape tool, the fill tool and the shape path, made afresh for every
// drawing from the image's options and two colours and from the program-wide arrow cap, colour
// swatches and texture files (the rules without GDI+ are in the core's draw/pen_rules.h).
#pragma once
#include <memory>
#include <new>

#include "common/gdiplus.h"
#include "draw/pen_rules.h"
#include "edit/view_math.h"

namespace mirelo {

class Editor;
struct ImageSlot;

// The image's two drawing colours; the current and the other one as ARGB.
ColourPair DrawingColours(const ImageSlot& slot);
Gdiplus::ARGB CurrentColour(const ImageSlot& slot);
Gdiplus::ARGB OtherColour(const ImageSlot& slot);
// "線幅：" in pixels (1..100).
int LineWidth(const ImageSlot& slot);

// The reference rectangle R of the gradients and textures: the bounds of the otherPath when it
// exists, else of the drawPath when it has points, else `dragBounds` (the drag box as x, y,
// width, height), grown by half the line width on each side.
IntRect ReferenceRect(const ImageSlot& slot, const IntRect& dragBounds = {});

// The main pen: the current colour at the line width in World units, the dash style of 線種,
// the dash cap of ﾍﾟﾝ先, the join of 角, the caps of 始点 and 終点 (the arrow from the editor's
// arrow settings) and the pattern of ﾊﾟﾀｰﾝ(線) over `reference`. GDI+ failures are kept as the
// pen's last status; the owner is empty only when no pen could be made.
GpPenOwner MakeMainPen(const Editor& editor, const ImageSlot& slot, const IntRect& reference);
// The same with R = ReferenceRect(slot).
GpPenOwner MakeMainPen(const Editor& editor, const ImageSlot& slot);

// Start and end caps from entries of the "始点：" and "終点：" lists.
void SetPenCaps(GpPenOwner& pen, int startIndex, int endIndex, const ArrowSettings& arrow);
// The adjustable arrow as the pen's start or end cap.
void SetArrowCap(GpPenOwner& pen, const ArrowSettings& arrow, bool atStart);

// The brush of a pen pattern entry (ﾊﾟﾀｰﾝ(線), or the text tool's list) over `reference`:
// gradients with gamma correction and TileFlipX, the texture of `textureSlot` with `wrapMode`,
// hatches in the current colour on the other one; empty for ｿﾘｯﾄﾞ.
GpBrushOwner MakePenPatternBrush(const Editor& editor, const ImageSlot& slot, int pattern, bool gamma, int wrapMode,
                                 int textureSlot, const IntRect& reference);
// A texture brush of a texture file slot; a brush that draws nothing (with the failure as its
// last status) when the file is missing or cannot be read.
GpBrushOwner MakeTextureBrush(const Editor& editor, int textureSlot, int wrapMode);

// The brush the fill brush factory hands to its caller: the brush and the last GDI+ status of the
// calls that made it. Allocated by GDI+ (GdipAlloc), and only with `new (std::nothrow)`.
struct BrushRecord {
    GpBrushOwner brush;

    Gdiplus::GpBrush* get() const { return brush.get(); }
    GpStatus status() const { return brush.lastStatus(); }

    static void* operator new(size_t size, const std::nothrow_t&) noexcept;
    static void operator delete(void* p) noexcept;
    static void operator delete(void* p, const std::nothrow_t&) noexcept;
};
using BrushRecordPtr = std::unique_ptr<BrushRecord>;

// The fill brush of the shape tool (options 35..41) or the fill tool (42..48). `reference` is R,
// `clicked` the clicked image pixel (fill tool), `shape` the path of the shape (the circular
// gradients need it). None when no brush could be made, without a path for a circular gradient,
// and at the first click of the fill tool's two-click gradient, which only stores that point.
BrushRecordPtr MakeFillBrush(const Editor& editor, ImageSlot& slot, BrushUser user, const IntRect& reference,
                             IntPoint clicked, Gdiplus::GpPath* shape);
// What a caller draws with when it gets no brush: a solid brush of the other colour for the shape
// tool and the shape path, of the current colour for the fill tool.
BrushRecordPtr FallbackBrush(const ImageSlot& slot, BrushUser user);
// MakeFillBrush, or the fallback when it makes none; none only when the click just stored the
// start of the two-click gradient.
BrushRecordPtr MakeFillBrushOrFallback(const Editor& editor, ImageSlot& slot, BrushUser user, const IntRect& reference,
                                       IntPoint clicked, Gdiplus::GpPath* shape);
// True when a click of the fill tool would only store the start of its two-click gradient.
bool ClickOnlyMarksGradientStart(const ImageSlot& slot);

}  // namespace mirelo
