#include "edit/grid_dialog.h"

#include "app/editor.h"
#include "app/menu_state.h"
#include "res/resource.h"

namespace mirelo {

namespace {
struct Field {
    int edit, spin;
    int Settings::*value;
    bool horizontal;
};
const Field kFields[] = {
    {IDC_GRID_OFFSET_X, IDC_GRID_SPIN_OFFSET_X, &Settings::gridOffsetX, true},
    {IDC_GRID_OFFSET_Y, IDC_GRID_SPIN_OFFSET_Y, &Settings::gridOffsetY, false},
    {IDC_GRID_SPACING_X, IDC_GRID_SPIN_SPACING_X, &Settings::gridX, true},
    {IDC_GRID_SPACING_Y, IDC_GRID_SPIN_SPACING_Y, &Settings::gridY, false},
};

struct GridDialogState {
    Editor* editor;
    Settings before;
    bool ready = false;
};

int Limit(Editor& e, const Field& f) {
    ImageSlot* s = e.Current();
    return s ? (f.horizontal ? s->width : s->height) : 0;
}

void Apply(Editor& e) {
    CheckGridItem(e);
    if (e.view) InvalidateRect(e.view, nullptr, FALSE);
}

INT_PTR CALLBACK GridProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    auto* st = reinterpret_cast<GridDialogState*>(GetWindowLongPtrW(dlg, DWLP_USER));
    if (st) st->editor->TrackDialog(dlg, msg, wp);
    switch (msg) {
    case WM_INITDIALOG: {
        st = reinterpret_cast<GridDialogState*>(lp);
        SetWindowLongPtrW(dlg, DWLP_USER, lp);
        Editor& e = *st->editor;
        for (const auto& f : kFields) {
            SendDlgItemMessageW(dlg, f.edit, EM_LIMITTEXT, 4, 0);
            SendDlgItemMessageW(dlg, f.spin, UDM_SETBUDDY, reinterpret_cast<WPARAM>(GetDlgItem(dlg, f.edit)), 0);
            SendDlgItemMessageW(dlg, f.spin, UDM_SETRANGE32, 0, Limit(e, f));
            SetDlgItemInt(dlg, f.edit, static_cast<UINT>(e.settings.*f.value), FALSE);
        }
        st->ready = true;
        if (e.dialogObserver) e.dialogObserver(dlg, IDD_GRID);
        return TRUE;
    }
    case WM_COMMAND: {
        if (!st) return FALSE;
        Editor& e = *st->editor;
        int id = LOWORD(wp);
        if (HIWORD(wp) == EN_CHANGE && st->ready) {
            for (const auto& f : kFields) {
                if (f.edit != id) continue;
                BOOL ok = FALSE;
                int v = static_cast<int>(GetDlgItemInt(dlg, id, &ok, FALSE));
                int limit = Limit(e, f);
                if (v > limit) {
                    v = limit;
                    SetDlgItemInt(dlg, id, static_cast<UINT>(v), FALSE);  // the larger value is replaced
                }
                e.settings.*f.value = v;
                Apply(e);
            }
            return TRUE;
        }
        if (id == IDOK) {
            EndDialog(dlg, IDOK);
            return TRUE;
        }
        if (id == IDCANCEL) {
            e.settings = st->before;
            Apply(e);
            EndDialog(dlg, IDCANCEL);
            return TRUE;
        }
        return FALSE;
    }
    }
    return FALSE;
}
}  // namespace

void GridDialog(Editor& e) {
    if (!e.Current()) return;
    GridDialogState st{&e, e.settings};
    DialogBoxParamW(e.instance, MAKEINTRESOURCEW(IDD_GRID), e.mainWindow, GridProc, reinterpret_cast<LPARAM>(&st));
}

}  // namespace mirelo
