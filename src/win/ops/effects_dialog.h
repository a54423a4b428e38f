// The effects dialog (command 40043).
#pragma once

namespace mirelo {

class Editor;

// Opens dialog 113 on the current image; OK applies the stacked effects within the selection.
void EffectsDialog(Editor& editor);

}  // namespace mirelo
