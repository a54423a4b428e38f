#include "app/dispatch.h"


#include "app/commands.h"
#include "app/editor.h"
#include "app/frame.h"
#include "app/help.h"
#include "clipboard/clipboard_commands.h"
#include "colour/indexed_conversion.h"
#include "edit/grid_dialog.h"
#include "edit/view.h"
#include "files/open_image.h"
#include "files/property_dialogs.h"
#include "files/save_image.h"
#include "app/menu_state.h"
#include "image/image_set.h"
#include "image/format_change.h"
#include "image/new_image.h"
#include "res/resource.h"

namespace mirelo {

namespace {
void ToggleCursorCoords(Editor& e) {
    e.settings.cursorCoords = !e.settings.cursorCoords;
    CheckSettingItems(e);
    LayoutStatusParts(e);
    if (e.Current()) RefreshStatusLine(e);
}

void SetTool(Editor& e, int tool) {
    if (ImageSlot* s = e.Current()) s->tool = tool;
    RefreshMenuState(e);
}

void SetGrid(Editor& e, int x, int y) {
    e.settings.gridX = x;
    e.settings.gridY = y;
    CheckGridItem(e);
    if (e.view) InvalidateRect(e.view, nullptr, FALSE);
}

void ShowAbout(Editor& e) {
    HICON icon = LoadIconW(e.instance, MAKEINTRESOURCEW(IDI_MIRELO));
    Text text = MessageText(u"Mirelo ver %s").Arg(kVersionText).Str();
    ShellAboutW(e.mainWindow, W(kAppTitle), W(text), icon);
}

void Run(Editor& e, HWND hwnd, int id) {
    if (id >= cmd::kImageBarFirst && id <= cmd::kImageBarLast) {
        SelectImage(e, id - cmd::kImageBarFirst);
        return;
    }
    if (id >= cmd::kImageSelectFirst && id <= cmd::kImageSelectLast) {
        SelectFromImageMenu(e, id);
        return;
    }
    if (int spacing = GridSpacingForCommand(id)) {
        SetGrid(e, spacing, spacing);
        return;
    }
    switch (id) {
    case cmd::kNew: NewImageDialog(e); break;
    case cmd::kOpen: OpenDialog(e); break;
    case cmd::kSaveAs: SaveAsDialog(e); break;
    case cmd::kResolution: ResolutionDialog(e); break;
    case cmd::kProperties: PropertiesDialog(e); break;
    case cmd::kClose:
        if (e.Current()->undo.HasUndoableStep() && e.messages.App(u"この画像を閉じますか？", MB_YESNO) != IDYES) break;
        CloseCurrentImage(e);
        break;
    case cmd::kSave: SaveInPlace(e); break;
    case cmd::kUndo: Undo(e); break;
    case cmd::kRedo: Redo(e); break;
    case cmd::kCopy: CopySelection(e); break;
    case cmd::kPaste:  // into a current image: as a paste object, which comes with the paste objects
        if (!e.Current()) PasteAsNewImage(e);
        break;
    case cmd::kPasteNew: PasteAsNewImage(e); break;
    case cmd::kExit: SendMessageW(e.mainWindow ? e.mainWindow : hwnd, WM_CLOSE, 0, 0); break;
    case cmd::kObjFrames:
        e.settings.objectFrames = !e.settings.objectFrames;
        CheckSettingItems(e);
        if (e.view) InvalidateRect(e.view, nullptr, FALSE);
        break;
    case cmd::kPaletteMedianCut:
    case cmd::kPaletteUniform:
    case cmd::kPaletteFixed:
    case cmd::kPaletteMono:
        e.settings.paletteMethod = id;
        CheckSettingItems(e);
        break;
    case cmd::kDither:
        e.settings.dither = !e.settings.dither;
        CheckSettingItems(e);
        break;
    case cmd::k1Index:
    case cmd::k4Index:
    case cmd::k8Index: IndexedCommand(e, id); break;
    case cmd::kLoadFixedPalette: FixedPaletteDialog(e); break;
    case cmd::k16RGB555:
    case cmd::k16RGB565:
    case cmd::k16ARGB1555:
    case cmd::k24RGB:
    case cmd::k32RGB:
    case cmd::k32ARGB:
    case cmd::k32PARGB:
    case cmd::k48RGB:
    case cmd::k64ARGB:
    case cmd::k64PARGB: ChangeFormatCommand(e, id); break;
    case cmd::kGridNone: SetGrid(e, 0, 0); break;
    case cmd::kGridCustom: GridDialog(e); break;
    case cmd::kCursorCoords: ToggleCursorCoords(e); break;
    case cmd::kAbout: ShowAbout(e); break;
    case cmd::kHelp: ShowHelp(e); break;
    case cmd::kFitWindow: FitZoom(e, false); break;
    case cmd::kActualSize: ActualSize(e); break;
    case cmd::kDelete: {
        bool selected = e.images.current >= 0 && e.images.selectedPasteObject[static_cast<size_t>(e.images.current)] >= 0;
        SendMessageW(hwnd, WM_COMMAND, selected ? cmd::kObjDelete : cmd::kErase, 0);
        break;
    }
    case cmd::kPalSelect:
    case cmd::kToolSelect: SetTool(e, kToolSelect); break;
    case cmd::kToolShape: SetTool(e, kToolShape); break;
    case cmd::kToolRetouch: SetTool(e, kToolRetouch); break;
    case cmd::kPalFill:
    case cmd::kToolFill: SetTool(e, kToolFill); break;
    case cmd::kPalEyedropper:
    case cmd::kToolEyedropper: SetTool(e, kToolEyedropper); break;
    case cmd::kToolText: SetTool(e, kToolText); break;
    default: break;  // owned by subsystems that add their actions here
    }
}
}  // namespace

int ResolvePendingPath(Editor& e) {
    ImageSlot* s = e.Current();
    if (!s || !(s->drawPath || s->otherPath)) return IDYES;
    int answer = e.messages.App(u"編集中のパスを描画しますか？", MB_YESNOCANCEL);
    if (answer == IDNO) {
        s->drawPath.reset();
        s->otherPath.reset();
        s->workPath.reset();
        s->pathMarks[2] = s->pathMarks[3] = -1;
    }
    return answer;
}

void DispatchCommand(Editor& e, HWND hwnd, WPARAM wparam) {
    int id = LOWORD(wparam);
    const CommandInfo* info = FindCommand(id);
    if (!info) return;
    if ((info->guards & kGuardPendingPath) && ResolvePendingPath(e) == IDCANCEL) return;
    if ((info->guards & kGuardImage) && !e.Current()) return;
    if ((info->guards & kGuardPasteObjects) && e.Current() && e.Current()->pasteObjectCount > 0) {
        e.messages.App(u"貼紙を削除、またはマージして下さい");
        return;
    }
    if (e.commandObserver) e.commandObserver(id);
    Run(e, hwnd, id);
}

void KeyToCommand(Editor& e, HWND hwnd, WPARAM key) {
    (void)e;
    int id = KeyToCommandId(static_cast<unsigned>(key), GetKeyState(VK_CONTROL) < 0);
    if (id) SendMessageW(hwnd, WM_COMMAND, static_cast<WPARAM>(id), 0);
}

void ShowContextMenu(Editor& e, HWND hwnd, POINT screen) {
    if (!e.view || !e.menu) return;
    RECT r;
    GetWindowRect(e.view, &r);
    if (!PtInRect(&r, screen)) return;
    ImageSlot* s = e.Current();
    int position = 0;
    if (s) {
        e.images.selectedPasteObject[static_cast<size_t>(e.images.current)] = -1;
        bool paths = (s->tool == kToolSelect && s->selectionPath && s->pathMarks[0] != -1) ||
                     (s->tool == kToolShape && (s->drawPath || s->otherPath));
        position = paths ? 3 : 1;
    }
    HMENU popup = GetSubMenu(e.menu, position);
    RefreshPopup(e, popup, position);
    int chosen = TrackPopupMenu(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON, screen.x, screen.y, 0, hwnd, nullptr);
    if (chosen)
        SendMessageW(hwnd, WM_COMMAND, static_cast<WPARAM>(chosen), 0);
    else
        e.menuDismissed = true;
    RefreshMenuState(e);
}

}  // namespace mirelo
