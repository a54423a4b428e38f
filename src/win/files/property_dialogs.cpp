#include "files/property_dialogs.h"

#include <commctrl.h>

#include "app/editor.h"
#include "edit/undo_history.h"
#include "files/file_names.h"
#include "files/open_image.h"
#include "files/properties.h"
#include "image/file_format.h"
#include "image/image_set.h"
#include "res/resource.h"

namespace mirelo {

namespace {
constexpr int kPropertyEdits[4] = {IDC_PROP_TITLE, IDC_PROP_AUTHOR, IDC_PROP_RIGHTS, IDC_PROP_COMMENT};

struct DialogContext {
    Editor* editor;
    int saveType = 0;
};

DialogContext* ContextOf(HWND dlg) { return reinterpret_cast<DialogContext*>(GetWindowLongPtrW(dlg, DWLP_USER)); }

DialogContext* Begin(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_INITDIALOG) SetWindowLongPtrW(dlg, DWLP_USER, lp);
    DialogContext* c = ContextOf(dlg);
    if (c) c->editor->TrackDialog(dlg, msg, wp);
    return c;
}

INT_PTR CALLBACK PropertiesProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    DialogContext* c = Begin(dlg, msg, wp, lp);
    switch (msg) {
    case WM_INITDIALOG: {
        if (ImageSlot* s = c->editor->Current())
            for (size_t i = 0; i < 4; ++i) SetDlgItemTextW(dlg, kPropertyEdits[i], W(s->properties[i]));
        if (c->editor->dialogObserver) c->editor->dialogObserver(dlg, IDD_PROPERTIES);
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) {
            EndDialog(dlg, LOWORD(wp));
            return TRUE;
        }
        break;
    default: break;
    }
    return FALSE;
}

INT_PTR CALLBACK SettingsProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    DialogContext* c = Begin(dlg, msg, wp, lp);
    switch (msg) {
    case WM_INITDIALOG: {
        ImageSlot* s = c->editor->Current();
        if (!s || !s->occupied()) {
            for (int id : kPropertyEdits) EnableWindow(GetDlgItem(dlg, id), FALSE);
        } else {
            const unsigned editable = EditablePropertyMask(c->saveType);
            for (size_t i = 0; i < 4; ++i) {
                SendDlgItemMessageW(dlg, kPropertyEdits[i], EM_LIMITTEXT, kPropertyTextLimit, 0);
                // As when an image is read: a property the bitmap does not hold keeps the image's value.
                Text value = s->properties[i];
                ReadProperty(s->bitmap.get(), kPropertyTags[i], &value);
                const bool enabled = (editable >> i) & 1u;
                SetDlgItemTextW(dlg, kPropertyEdits[i], enabled ? W(value) : L"");
                EnableWindow(GetDlgItem(dlg, kPropertyEdits[i]), enabled);
            }
        }
        if (c->editor->dialogObserver) c->editor->dialogObserver(dlg, IDD_PROPERTY_SETTINGS);
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wp) == IDOK) {
            if (ImageSlot* s = c->editor->Current(); s && s->occupied())
                for (size_t i = 0; i < 4; ++i)
                    WriteProperty(s->bitmap.get(), kPropertyTags[i], WindowText(GetDlgItem(dlg, kPropertyEdits[i])));
            EndDialog(dlg, IDOK);
            return TRUE;
        }
        if (LOWORD(wp) == IDCANCEL) {
            EndDialog(dlg, IDCANCEL);
            return TRUE;
        }
        break;
    default: break;
    }
    return FALSE;
}

// ---- Resolution ----

struct ResolutionRow {
    int edit, spin, slider;
};
constexpr ResolutionRow kRows[2] = {{IDC_RES_X, IDC_RES_SPIN_X, IDC_RES_SLIDER_X}, {IDC_RES_Y, IDC_RES_SPIN_Y, IDC_RES_SLIDER_Y}};
constexpr int kMaxResolution = 960;
constexpr int kSliderStep = 32;

const ResolutionRow* RowOf(int id) {
    for (const auto& r : kRows)
        if (r.edit == id || r.spin == id || r.slider == id) return &r;
    return nullptr;
}
const ResolutionRow& Other(const ResolutionRow& r) { return &r == &kRows[0] ? kRows[1] : kRows[0]; }
bool SameRatio(HWND dlg) { return IsDlgButtonChecked(dlg, IDC_RES_SAME_RATIO) == BST_CHECKED; }


void SetRow(HWND dlg, const ResolutionRow& r, int value, bool edit) {
    SendDlgItemMessageW(dlg, r.slider, TBM_SETPOS, TRUE, value);
    SendDlgItemMessageW(dlg, r.spin, UDM_SETPOS32, 0, value);
    if (edit) SetDlgItemInt(dlg, r.edit, static_cast<UINT>(value < 0 ? 0 : value), FALSE);
}

INT_PTR CALLBACK ResolutionProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    DialogContext* c = Begin(dlg, msg, wp, lp);
    switch (msg) {
    case WM_INITDIALOG: {
        ImageSlot* s = c->editor->Current();
        const int start[2] = {s ? s->dpiX : 96, s ? s->dpiY : 96};
        for (size_t i = 0; i < 2; ++i) {
            const ResolutionRow& r = kRows[i];
            SendDlgItemMessageW(dlg, r.edit, EM_LIMITTEXT, 4, 0);
            SendDlgItemMessageW(dlg, r.spin, UDM_SETBUDDY, reinterpret_cast<WPARAM>(GetDlgItem(dlg, r.edit)), 0);
            SendDlgItemMessageW(dlg, r.spin, UDM_SETRANGE32, 0, kMaxResolution);
            SendDlgItemMessageW(dlg, r.slider, TBM_SETRANGEMIN, FALSE, 0);
            SendDlgItemMessageW(dlg, r.slider, TBM_SETRANGEMAX, FALSE, kMaxResolution);
            SendDlgItemMessageW(dlg, r.slider, TBM_SETLINESIZE, 0, kSliderStep);
            SetRow(dlg, r, start[i], true);
        }
        CheckDlgButton(dlg, IDC_RES_SAME_RATIO, BST_CHECKED);
        if (c->editor->dialogObserver) c->editor->dialogObserver(dlg, IDD_RESOLUTION);
        return TRUE;
    }
    case WM_HSCROLL: {
        const ResolutionRow* r = lp ? RowOf(GetDlgCtrlID(reinterpret_cast<HWND>(lp))) : nullptr;
        if (!r) return TRUE;
        int pos = static_cast<int>(SendDlgItemMessageW(dlg, r->slider, TBM_GETPOS, 0, 0));
        pos = pos / kSliderStep * kSliderStep;
        SetRow(dlg, *r, pos, true);
        if (SameRatio(dlg)) SetRow(dlg, Other(*r), pos, true);
        return TRUE;
    }
    case WM_NOTIFY: {
        const auto* n = reinterpret_cast<const NMUPDOWN*>(lp);
        const ResolutionRow* r = RowOf(static_cast<int>(n->hdr.idFrom));
        if (n->hdr.code == UDN_DELTAPOS && r) {
            int pos = n->iPos + n->iDelta;
            pos = pos < 0 ? 0 : (pos > kMaxResolution ? kMaxResolution : pos);
            SendDlgItemMessageW(dlg, r->slider, TBM_SETPOS, TRUE, pos);
            if (SameRatio(dlg)) SendDlgItemMessageW(dlg, Other(*r).slider, TBM_SETPOS, TRUE, pos);
        }
        return FALSE;
    }
    case WM_COMMAND: {
        const int id = LOWORD(wp);
        if (HIWORD(wp) == EN_CHANGE) {
            const ResolutionRow* r = RowOf(id);
            if (r && GetFocus() == GetDlgItem(dlg, id)) {
                Text text = WindowText(GetDlgItem(dlg, id));
                int value = ParsePlainInt(text);
                SendDlgItemMessageW(dlg, r->slider, TBM_SETPOS, TRUE, value);
                if (SameRatio(dlg)) {
                    const ResolutionRow& o = Other(*r);
                    SetDlgItemTextW(dlg, o.edit, W(text));
                    SendDlgItemMessageW(dlg, o.slider, TBM_SETPOS, TRUE, value);
                }
            }
            return TRUE;
        }
        if (id == IDC_RES_DEFAULT) {
            for (const auto& r : kRows) SetRow(dlg, r, 96, true);
            return TRUE;
        }
        if (id == IDOK) {
            ImageSlot* s = c->editor->Current();
            const int x = ParsePlainInt(WindowText(GetDlgItem(dlg, IDC_RES_X)));
            const int y = ParsePlainInt(WindowText(GetDlgItem(dlg, IDC_RES_Y)));
            if (s && s->occupied() && (x != s->dpiX || y != s->dpiY)) {
                if (!IsMemoryImageName(s->rawFormatName)) {
                    RecordUndoStep(*c->editor);
                    DetachFromFile(*c->editor, *s);
                }
                s->dpiX = x;
                s->dpiY = y;
                if (x > 0 && y > 0)
                    gp::GdipBitmapSetResolution(s->bitmap.get(), static_cast<Gdiplus::REAL>(x), static_cast<Gdiplus::REAL>(y));
                RefreshStatusLine(*c->editor);
            }
            EndDialog(dlg, IDOK);
            return TRUE;
        }
        if (id == IDCANCEL) {
            EndDialog(dlg, IDCANCEL);
            return TRUE;
        }
        break;
    }
    default: break;
    }
    return FALSE;
}
}  // namespace

void PropertiesDialog(Editor& e) {
    DialogContext c{&e};
    DialogBoxParamW(e.instance, MAKEINTRESOURCEW(IDD_PROPERTIES), e.mainWindow, PropertiesProc, reinterpret_cast<LPARAM>(&c));
}

void PropertySettingsDialog(Editor& e, int saveType, HWND owner) {
    DialogContext c{&e, saveType};
    DialogBoxParamW(e.instance, MAKEINTRESOURCEW(IDD_PROPERTY_SETTINGS), owner ? owner : e.mainWindow, SettingsProc,
                    reinterpret_cast<LPARAM>(&c));
}

void ResolutionDialog(Editor& e) {
    if (!e.Current()) return;
    DialogContext c{&e};
    DialogBoxParamW(e.instance, MAKEINTRESOURCEW(IDD_RESOLUTION), e.mainWindow, ResolutionProc, reinterpret_cast<LPARAM>(&c));
}

}  // namespace mirelo
