// The retouch brush's reaction to its option lists.
#pragma once

namespace mirelo {

class Editor;

// After a change of the retouch options of the current image: choosing にじみ（透明度のみ） or
// 透明度 converts an image without alpha to 32-bit ARGB at once (with its undo step), and a change
// of ﾏｽｸ makes the stroke mask anew (or drops it with なし). The brush size is read at each use.
void ApplyRetouchOption(Editor& editor, int option);

}  // namespace mirelo
