// How the selection shows on the view: its outline, the rubber band of a drag and the rubber
// line of a polygon in progress, drawn with two pens (white, and a blue dash that moves).
#pragma once
#include "app/tool.h"

namespace mirelo {

// Draws the selection outline of the slot into the view's 24-bit back buffer when it has a
// selection: below 200 % the path itself, from 200 % on the edges between selected and
// unselected pixels.
void DrawSelectionOutline(Editor& editor, ImageSlot& slot, const PixelView& buffer, const ViewLayout& layout, int scrollX, int scrollY);
// A rectangle (corners a and c) or an ellipse (in the box a, c) in view pixels.
void DrawRubberShape(Editor& editor, const ImageSlot& slot, const OverlayTarget& target, IntPoint a, IntPoint c, bool ellipse);
void DrawRubberLine(Editor& editor, const ImageSlot& slot, const OverlayTarget& target, IntPoint from, IntPoint to);

// The marching outline: the view calls this on its march timer; the dash moves on and the view
// is repainted when the current image has a selection.
constexpr UINT_PTR kMarchTimer = 2;
constexpr UINT kMarchPeriodMs = 250;
void MarchSelection(Editor& editor);

}  // namespace mirelo
