#include "app/menu_state.h"

#include "app/commands.h"
#include "app/editor.h"
#include "image/pixel_format.h"

namespace mirelo {

namespace {
UINT Flag(bool enabled) { return enabled ? MF_ENABLED : MF_GRAYED; }

void EnableTop(HMENU menu, int position, bool enabled) {
    EnableMenuItem(menu, static_cast<UINT>(position), MF_BYPOSITION | Flag(enabled));
}

void EnableItem(HMENU menu, int id, bool enabled) { EnableMenuItem(menu, static_cast<UINT>(id), MF_BYCOMMAND | Flag(enabled)); }

// Enables a sub-menu of a pop-up, found by its text.
void EnableSubMenu(HMENU popup, TextView text, bool enabled) {
    wchar_t buf[64];
    for (int i = 0; i < GetMenuItemCount(popup); ++i) {
        if (!GetSubMenu(popup, i)) continue;
        GetMenuStringW(popup, static_cast<UINT>(i), buf, 64, MF_BYPOSITION);
        if (FromW(buf) == text) EnableMenuItem(popup, static_cast<UINT>(i), MF_BYPOSITION | Flag(enabled));
    }
}

void EnableButton(HWND bar, int id, bool enabled) {
    if (bar) SendMessageW(bar, TB_ENABLEBUTTON, id, MAKELONG(enabled ? TRUE : FALSE, 0));
}

struct State {
    ImageSlot* slot;
    bool open;
    bool indexed;
    bool textSelected;
    const PasteObject* selected;
};

State Read(Editor& e) {
    State s{};
    s.slot = e.Current();
    s.open = s.slot && s.slot->occupied();
    s.indexed = s.open && IsIndexed(s.slot->pixelFormat);
    s.selected = s.open ? e.SelectedObject() : nullptr;
    s.textSelected = s.selected && s.selected->isText;
    return s;
}

bool HasPathsForTool(const ImageSlot& slot) {
    return (slot.tool == kToolSelect && slot.selectionPath) || (slot.tool == kToolShape && (slot.drawPath || slot.otherPath));
}
}  // namespace

bool ClipboardHasImage() { return IsClipboardFormatAvailable(CF_DIB) || IsClipboardFormatAvailable(CF_BITMAP); }

void RefreshMenuState(Editor& e) {
    State s = Read(e);
    bool clip = ClipboardHasImage();
    if (e.menu) {
        EnableTop(e.menu, 0, true);
        EnableTop(e.menu, 1, s.open || clip);
        EnableTop(e.menu, 2, s.open && s.slot->pasteObjectCount > 0);
        bool paths = s.open && HasPathsForTool(*s.slot);
        EnableTop(e.menu, 3, paths);
        if (s.open && !paths) s.slot->workPath.reset();  // nothing to edit: the path being edited is reset
        EnableTop(e.menu, 4, s.open);
        EnableTop(e.menu, 5, s.open);
        EnableTop(e.menu, 6, s.open && e.images.Occupied() >= 2);
        EnableTop(e.menu, 7, s.open);
        if (e.mainWindow && GetMenu(e.mainWindow) == e.menu) {
            if (e.view) SendMessageW(e.view, WM_SETREDRAW, FALSE, 0);
            DrawMenuBar(e.mainWindow);
            if (e.view) SendMessageW(e.view, WM_SETREDRAW, TRUE, 0);
        }
    }
    // The image controls first, so that the finer rules of the buttons below stay in force.
    EnableImageControls(e, s.open);
    EnableButton(e.mainToolBar, cmd::kCut, s.open && !s.indexed && !s.textSelected);
    EnableButton(e.mainToolBar, cmd::kCopy, s.open && !s.textSelected);
    EnableButton(e.mainToolBar, cmd::kPaste, clip);
    EnableButton(e.mainToolBar, cmd::kUndo, s.open && s.slot->undo.canUndo);
    EnableButton(e.mainToolBar, cmd::kRedo, s.open && s.slot->undo.canRedo);
    if (e.view) InvalidateRect(e.view, nullptr, FALSE);
}

void EnableImageControls(Editor& e, bool enabled) {
    for (HWND w : {e.angleEdit, e.angleSpin})
        if (w) EnableWindow(w, enabled);
    for (int id : {cmd::kSave, cmd::kClose, cmd::kCut, cmd::kCopy, cmd::kRotateRight, cmd::kRotateLeft})
        EnableButton(e.mainToolBar, id, enabled);
    for (int id = cmd::kToolSelect; id <= cmd::kToolText; ++id) EnableButton(e.toolBar, id, enabled);
    EnableButton(e.viewToolBar, cmd::kFitWindow, enabled);
    EnableButton(e.viewToolBar, cmd::kActualSize, enabled);
    if (ImageSlot* s = e.Current(); s && enabled && e.toolBar) {
        int id = cmd::kToolSelect + s->tool - 1;
        if (id >= cmd::kToolSelect && id <= cmd::kToolText) SendMessageW(e.toolBar, TB_CHECKBUTTON, id, MAKELONG(TRUE, 0));
    }
}

void RefreshPopup(Editor& e, HMENU popup, int position) {
    State s = Read(e);
    switch (position) {
    case 0:
        for (int id : {cmd::kClose, cmd::kSave, cmd::kSaveAs}) EnableItem(popup, id, s.open);
        EnableSubMenu(popup, u"印刷(&P)", s.open);
        EnableSubMenu(popup, u"ｲﾒｰｼﾞｽｷｬﾅ(&I)", e.scannerLoaded);
        break;
    case 1:
        EnableItem(popup, cmd::kSelectAll, s.open);
        EnableItem(popup, cmd::kUndo, s.open && s.slot->undo.canUndo);
        EnableItem(popup, cmd::kRedo, s.open && s.slot->undo.canRedo);
        EnableItem(popup, cmd::kErase, s.open && !s.indexed);
        EnableItem(popup, cmd::kCut, s.open && !s.indexed && !s.textSelected);
        EnableItem(popup, cmd::kCopy, s.open && !s.textSelected);
        EnableSubMenu(popup, u"貼り付け", ClipboardHasImage());
        EnableItem(popup, cmd::kSelectNone, s.open && s.slot->selectionPath);
        break;
    case 2: {
        bool selected = s.open && s.selected;
        for (int id : {cmd::kObjDelete, cmd::kObjMerge, cmd::kObjFrames}) EnableItem(popup, id, selected);
        EnableItem(popup, cmd::kObjReset, selected && s.selected->transformed);
        EnableItem(popup, cmd::kObjEditText, s.textSelected);
        bool several = selected && e.PasteObjectCountOf(e.images.current) >= 2;
        EnableItem(popup, cmd::kObjForward, several);
        EnableItem(popup, cmd::kObjBackward, several);
        EnableItem(popup, cmd::kObjMergeAll, s.open);
        break;
    }
    case 3: {
        bool paths = s.open && HasPathsForTool(*s.slot);
        for (int id = cmd::kPathClose; id <= cmd::kPathDeleteAll; ++id) EnableItem(popup, id, paths);
        break;
    }
    case 4:
        EnableSubMenu(popup, u"反転(&M)", !s.textSelected);
        break;
    case 5:
        CheckFormatItem(e);
        break;
    case 6:
        CheckImageItem(e);
        break;
    case 7: {
        CheckGridItem(e);
        bool arrowShown = e.arrowWindow && IsWindowVisible(e.arrowWindow);
        CheckMenuItem(popup, cmd::kArrowEdit, MF_BYCOMMAND | (arrowShown ? MF_CHECKED : MF_UNCHECKED));
        bool arrowOption = false;
        if (s.open && s.slot->tool == kToolShape) {
            int shape = s.slot->toolSettings[3];
            bool lineShape = shape == 1 || shape == 2 || shape == 4;
            arrowOption = lineShape && (s.slot->toolSettings[14] == 4 || s.slot->toolSettings[15] == 4);
        }
        EnableItem(popup, cmd::kArrowEdit, arrowOption);
        EnableItem(popup, cmd::kColourSelect, s.open && (e.colourPanelVisible || e.palettePanelVisible));
        break;
    }
    default:
        break;
    }
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
