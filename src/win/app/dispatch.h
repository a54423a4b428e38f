// Command dispatch: the common guards and the owner of each command.
#pragma once
#include "common/win.h"

namespace mirelo {

class Editor;

// Low 16 bits of wparam: the command id.
void DispatchCommand(Editor& editor, HWND hwnd, WPARAM wparam);
// A key press that reached the main window.
void KeyToCommand(Editor& editor, HWND hwnd, WPARAM key);

}  // namespace mirelo
