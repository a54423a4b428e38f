// The image's text properties and resolution: looking at them (dialog 126), setting them for the
// file type being written (dialog 127) and changing the resolution (dialog 125).
#pragma once
#include "common/win.h"

namespace mirelo {

class Editor;

// Command 40082: the properties read when the current image was opened.
void PropertiesDialog(Editor& editor);
// Button "プロパティの設定..." of the save dialog: the properties the save type can carry.
void PropertySettingsDialog(Editor& editor, int saveType, HWND owner);
// Command 40081.
void ResolutionDialog(Editor& editor);

}  // namespace mirelo
