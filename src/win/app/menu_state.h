// Enabling and checking of menu items for the current state.
#pragma once

namespace mirelo {

class Editor;

// Enables the main menu's pop-ups for the current image and redraws the menu bar.
void RefreshMenuState(Editor& editor);
// Radio checks of the colour-format, grid and image-select items.
void CheckFormatItem(Editor& editor);
void CheckGridItem(Editor& editor);
void CheckImageItem(Editor& editor);
// Radio check of the palette method and the check marks of the on/off settings.
void CheckSettingItems(Editor& editor);
// True when another program left a bitmap on the clipboard.
bool ClipboardHasImage();

}  // namespace mirelo
