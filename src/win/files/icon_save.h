// Writing icon (.ico) and pointer (.cur) files from open images: the question that chooses the
// kind, the dialogs that choose the images, their order, hot spots and pointer options, and the
// entries and the file itself.
#pragma once
#include <cstdint>
#include <functional>
#include <vector>

#include "common/win.h"
#include "files/icon_file.h"

namespace mirelo {

class Editor;

// One line of the image list of the icon and pointer dialogs: the image's slot and the pointer
// options chosen for it. The options stay with their image when lines are moved or removed.
struct IconListItem {
    int slot = -1;
    bool oneBit = false;             // "1bit色に変換": written as a 1-bit entry
    bool inverted = false;           // "反転表示": pixels of the inversion colour invert the screen
    bool hasInversionColour = false;
    uint32_t inversionColour = 0;    // GDI+ colour 0xAARRGGBB
};

// The id under which the colour chooser of the inversion colour reaches the editor's dialog
// observer: the chooser's own template number (DLG_COLOR of <colordlg.h>).
constexpr int kInversionColourChooserId = 10;

// Save with type 3: asks whether to write an icon (Yes: the icon dialog) or a pointer file (No:
// the save name gets the extension ".cur", then the pointer dialog). When the renamed file
// already exists and the user does not want it overwritten, `reopenSaveDialog` runs instead.
void IconOrPointerQuestion(Editor& editor, const std::function<void()>& reopenSaveDialog);

// Dialog 109: chooses and orders the images of an icon file; OK writes it to editor.saveName.
void IconDialog(Editor& editor);
// Dialog 110: the same for a pointer file, with hot spots and per-image options.
void PointerDialog(Editor& editor);
// Dialog 112: the hot spot of the image in `slot`; true when OK stored it.
bool HotSpotDialog(Editor& editor, HWND owner, int slot);
// Dialog 111: inversion and 1-bit options of one list line; true when OK stored them.
bool PointerOptionsDialog(Editor& editor, HWND owner, IconListItem& item);

// The bitmap entry of the item's image (for images below 256 × 256). Brings the image itself
// into a form such an entry holds: transparent pixels become 0x00000000 (direct colours),
// pixels of the inversion colour white, formats with alpha 32-A8R8G8B8, deeper ones 32-R8G8B8;
// with the 1-bit option the entry is 1-bit and the image is shown as it will look (32-A8R8G8B8,
// mask applied). On failure the image stays as it was and the result is false.
bool MakeBitmapEntry(Editor& editor, IconListItem& item, IconWriteEntry* out);
// A PNG entry: the image of `slot` encoded by the PNG encoder.
bool MakePngEntry(Editor& editor, int slot, IconWriteEntry* out);
// Writes the entries as an icon or pointer file. Nothing is written when there is no entry or
// an entry has no data; a file that was there stays as it was unless the new one was written
// completely.
bool WriteIconFile(const std::vector<IconWriteEntry>& entries, const Text& path, bool pointer);

}  // namespace mirelo
