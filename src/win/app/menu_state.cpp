#include "app/menu_state.h"

#include "app/commands.h"
#include "app/editor.h"

namespace mirelo {

namespace {
void EnableTop(HMENU menu, int position, bool enabled) {
    EnableMenuItem(menu, static_cast<UINT>(position), MF_BYPOSITION | (enabled ? MF_ENABLED : MF_GRAYED));
}
}  // namespace

bool ClipboardHasImage() { return IsClipboardFormatAvailable(CF_DIB) || IsClipboardFormatAvailable(CF_BITMAP); }

void RefreshMenuState(Editor& e) {
    if (!e.menu) return;
    ImageSlot* slot = e.Current();
    bool open = slot && slot->occupied();
    EnableTop(e.menu, 1, open || ClipboardHasImage());
    EnableTop(e.menu, 2, open && slot->pasteObjectCount > 0);
    bool paths = open && ((slot->tool == kToolSelect && slot->selectionPath) ||
                          (slot->tool == kToolShape && (slot->drawPath || slot->otherPath)));
    EnableTop(e.menu, 3, paths);
    EnableTop(e.menu, 4, open);
    EnableTop(e.menu, 5, open);
    EnableTop(e.menu, 6, open && e.images.Occupied() >= 2);
    EnableTop(e.menu, 7, open);
    if (e.mainWindow && GetMenu(e.mainWindow) == e.menu) DrawMenuBar(e.mainWindow);
}

void CheckFormatItem(Editor& e) {
    ImageSlot* slot = e.Current();
    if (!e.menu || !slot) return;
    if (int id = FormatCommand(slot->pixelFormat))
        CheckMenuRadioItem(e.menu, cmd::k1Index, cmd::k64PARGB, static_cast<UINT>(id), MF_BYCOMMAND);
}

void CheckGridItem(Editor& e) {
    if (!e.menu) return;
    int id = GridCommandForSpacing(e.settings.gridX, e.settings.gridY);
    CheckMenuRadioItem(e.menu, cmd::kGridNone, cmd::kGridCustom, static_cast<UINT>(id), MF_BYCOMMAND);
}

void CheckImageItem(Editor& e) {
    int count = e.images.Occupied();
    if (!e.menu || count < 1 || e.images.current < 0) return;
    CheckMenuRadioItem(e.menu, cmd::kImageSelectFirst, static_cast<UINT>(cmd::kImageSelectFirst + count - 1),
                       static_cast<UINT>(cmd::kImageSelectFirst + count - 1 - e.images.current), MF_BYCOMMAND);
}

void CheckSettingItems(Editor& e) {
    if (!e.menu) return;
    CheckMenuRadioItem(e.menu, cmd::kPaletteMedianCut, cmd::kPaletteMono, static_cast<UINT>(e.settings.paletteMethod),
                       MF_BYCOMMAND);
    CheckMenuItem(e.menu, cmd::kDither, MF_BYCOMMAND | (e.settings.dither ? MF_CHECKED : MF_UNCHECKED));
    CheckMenuItem(e.menu, cmd::kObjFrames, MF_BYCOMMAND | (e.settings.objectFrames ? MF_CHECKED : MF_UNCHECKED));
    CheckMenuItem(e.menu, cmd::kCursorCoords, MF_BYCOMMAND | (e.settings.cursorCoords ? MF_CHECKED : MF_UNCHECKED));
}

}  // namespace mirelo
