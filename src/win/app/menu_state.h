// Enabling, greying and checking of menu items and tool-bar buttons for the current state.
#pragma once
#include "common/win.h"

namespace mirelo {

class Editor;

// The menu bar's pop-ups and the main tool bar's buttons; then the image controls.
void RefreshMenuState(Editor& editor);
// The items of one pop-up of the main menu (position 0..7) or of a context menu.
void RefreshPopup(Editor& editor, HMENU popup, int position);
// Enables or disables the controls that need an image.
void EnableImageControls(Editor& editor, bool enabled);
// Radio checks of the colour-format, grid and image-select items.
void CheckFormatItem(Editor& editor);
void CheckGridItem(Editor& editor);
void CheckImageItem(Editor& editor);
// Radio check of the palette method and the check marks of the on/off settings.
void CheckSettingItems(Editor& editor);
// True when another program left a bitmap on the clipboard.
bool ClipboardHasImage();

}  // namespace mirelo
