// Opening icon (.ico) and pointer (.cur) files with the program's own reader.
#pragma once
#include "common/win.h"

namespace mirelo {

class Editor;

// Puts every loadable image of the file into a slot of its own: the first free slot for the first
// one, then the next free slot after the one used before. Each image becomes 32-A8R8G8B8 with
// its transparency mask applied, keeps the hot spot of a pointer file (0, 0 for icons), gets file
// type 3 and is named "<file name>-<bpp>bpp-<width>x<height>" after the depth it had in the file.
// When some images could
// not be loaded, says how many. False when none was (an unreadable file, no usable entry), so
// that the caller can hand the file to GDI+.
bool OpenIconFile(Editor& editor, const Text& path);

}  // namespace mirelo
