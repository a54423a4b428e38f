// The main window: its class, children, layout and message handling.
#pragma once
#include "common/win.h"

namespace mirelo {

class Editor;

extern const wchar_t kMainClassName[];  // "Mirelo_CLASS"

// Registers the window classes and creates the main window (menu 101) for the editor.
HWND CreateMainWindow(Editor& editor, int show);
// Sets the status bar's parts: two (the first ending at 100 pixels) with the cursor display on.
void LayoutStatusParts(Editor& editor);
// Places the status bar, the image bar and the view in the client area.
void LayoutFrame(Editor& editor);
// Restores a minimised main window.
void ShowMainWindow(Editor& editor);

}  // namespace mirelo
