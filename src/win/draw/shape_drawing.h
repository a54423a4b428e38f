// What the shape tool draws into the image: the shapes of a drag, the figures of clicks, a
// freehand stroke, and the stamps of the pen tip. Each drawing records its undo step first (the
// stamps: the caller, once per stroke) and reports the change of the image.
#pragma once
#include <vector>

#include "common/gdiplus.h"
#include "draw/shape_geometry.h"
#include "select/edit_path.h"

namespace mirelo {

class Editor;
struct ImageSlot;
class PenTip;

// A graphics on the image bitmap, clipped to the image, antialiased when ｽﾑｰｽﾞ is あり.
class ImageCanvas {
public:
    explicit ImageCanvas(ImageSlot& slot);
    Gdiplus::GpGraphics* get() const { return graphics_.get(); }
    explicit operator bool() const { return static_cast<bool>(graphics_); }

private:
    GpGraphicsOwner graphics_;
};

// Kinds 円形, 円弧, 矩形 and their filled forms, from the drag box. An empty box draws nothing
// and records nothing. True when the image changed.
bool DrawDragShape(Editor& editor, ImageSlot& slot, int kind, const DragBox& box);

// The drag box's shape drawn with `pen` through `graphics` (outline only), as the preview shows it.
void OutlineDragShape(Gdiplus::GpGraphics* graphics, Gdiplus::GpPen* pen, int kind, const DragBox& box, const ImageSlot& slot);

// The clicked points of kinds 直線, 曲線, 多角形, 閉曲線 and the filled 多角形 and 閉曲線 as the
// kind's figure, filled (the filled kinds) and outlined into the image.
void DrawClickFigure(Editor& editor, ImageSlot& slot, const std::vector<PointF>& points);

// The end of a freehand stroke drawn as a path (機能 あり): the drawPath with the main pen, or, when
// the stroke has no points (a click), one stamp of the tip at the figure anchor in the pen's brush.
void DrawFreehandStroke(Editor& editor, ImageSlot& slot, const PenTip& tip);

// Stamps of the tip along the line from `from` to `to` (both included) into the image.
void StampLine(ImageSlot& slot, const PenTip& tip, IntPoint from, IntPoint to);

}  // namespace mirelo
