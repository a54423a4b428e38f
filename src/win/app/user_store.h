// The settings kept between runs in the registry (HKEY_CURRENT_USER\<Editor::settingsKey>).
#pragma once
#include "app/user_settings.h"
#include "common/win.h"

namespace mirelo {

class Editor;

// Reads the stored settings into the editor (settings, recent files, custom colours). Gives the
// window place to use, checked against the monitors there are now; `set` is false without one.
WindowPlace LoadUserSettings(Editor& editor);
// Writes the editor's settings, with the main window's place when it exists.
void SaveUserSettings(Editor& editor);

}  // namespace mirelo
