// Opening an image file into the first free slot.
#pragma once
#include <vector>

#include "common/win.h"

namespace mirelo {

class Editor;

// Decodes the file and registers it in the first free slot as the current image. `last` marks
// the last file of a batch (menus, view and status line are refreshed then). Reports a failure.
bool OpenImageFile(Editor& editor, const Text& path, bool last);

// Opens files in order, the last with the mark; then rebuilds the image-select menu.
void OpenImageFiles(Editor& editor, const std::vector<Text>& paths);

}  // namespace mirelo
