// The outline of a brush tip shown at the cursor by the shape tool's stamping and the retouch
// brush: yellow, then black dashes as the selection's.
#pragma once
#include "app/tool.h"
#include "select/edit_path.h"
#include "select/path_mask.h"

namespace mirelo {

// Draws the outline of a side × side tip whose top-left corner is at (cursor − side / 2) in image
// pixels: below 200 % zoom `shape` (the tip's rectangle, ellipse or diamond with its corner at
// (0, 0)) scaled to the view, from 200 % the edges of the tip's pixels. Both pens are zoom / 1000
// wide, at least 1; the black one is dotted at exactly 200 %, else dashed {2, 2}.
void DrawTipOutline(const OverlayTarget& target, IntPoint cursor, int side, const EditPath& shape, const PixelOutline& edges);

}  // namespace mirelo
