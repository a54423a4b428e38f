// Questions that protect a path still being edited when a tool option changes.
#pragma once

namespace mirelo {

class Editor;

// Asked by the option bar before it stores a new value of a tool option of the current image.
// False keeps the old value (the caller shows it again in its control).
bool ConfirmToolOptionChange(Editor& editor, int option, int newValue);

}  // namespace mirelo
