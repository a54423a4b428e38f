// The texture files of the pattern lists: choosing "ﾃｸｽﾁｬ..." opens a file-open dialog preset
// to the slot's previous file; OK keeps the chosen path for the slot, Cancel keeps the old one.
#pragma once
#include "common/win.h"

namespace mirelo {

class Editor;

// The id the texture file dialog reports to the editor's dialog observer once it is ready.
constexpr int kTextureDialogId = 2000;

// The filter of the dialog: "画像ファイル (*.bmp; gif; jpg; png; tif; ico; wmf; emf)" and its
// patterns, each part ending in a null character, the whole in a second one.
Text TextureDialogFilter();

// Keeps `path` (at most kTexturePathLimit characters) as texture slot `slot`'s file, as given
// and in the ANSI code page.
void SetTextureFile(Editor& editor, int slot, TextView path);

// Opens the dialog for texture slot `slot`; true when a file was chosen.
bool ChooseTextureFile(Editor& editor, int slot);

}  // namespace mirelo
