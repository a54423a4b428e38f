// The arrow editing window "矢印の編集" (modeless dialog 122): the program-wide arrow cap of the
// line ends "→" in tenths of the pen width, with a preview of a line ending in it.
#pragma once
#include "common/win.h"

namespace mirelo {

class Editor;

// Creates the window, hidden, over the main window (once, with the frame).
HWND CreateArrowWindow(Editor& editor);
// Command 40080: shows the window at the view's top-right corner when it is hidden, hides it when
// it is shown.
void ToggleArrowWindow(Editor& editor);
void HideArrowWindow(Editor& editor);
// Keeps the window's right edge at the view's client right edge and its top at the view's top.
void PlaceArrowWindow(Editor& editor);

}  // namespace mirelo
