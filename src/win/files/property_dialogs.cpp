#include "files/property_dialogs.h"

#include <commctrl.h>

#include "app/editor.h"
#include "app/dialog_host.h"
#include "edit/undo_history.h"
#include "files/file_names.h"
#include "image/detached_copy.h"
#include "image/properties.h"
#include "image/file_format.h"
#include "image/image_set.h"
#include "res/resource.h"

namespace mirelo {

namespace {
constexpr int kPropertyEdits[4] = {IDC_PROP_TITLE, IDC_PROP_AUTHOR, IDC_PROP_RIGHTS, IDC_PROP_COMMENT};

// Dialog 126: the four properties read when the image was opened.
class PropertiesDialogHost : public DialogHost {
public:
    explicit PropertiesDialogHost(Editor& e) : DialogHost(e, IDD_PROPERTIES) {}

private:
    void OnInit() override {
        if (ImageSlot* s = editor().Current())
            for (size_t i = 0; i < 4; ++i) SetDlgItemTextW(dialog(), kPropertyEdits[i], W(s->properties[i]));
    }
};

// Dialog 127: the properties the chosen save type can write, written into the bitmap on OK.
class SettingsDialogHost : public DialogHost {
public:
    SettingsDialogHost(Editor& e, int saveType) : DialogHost(e, IDD_PROPERTY_SETTINGS), saveType_(saveType) {}

private:
    void OnInit() override {
        ImageSlot* s = editor().Current();
        if (!s || !s->occupied()) {
            for (int id : kPropertyEdits) EnableWindow(Item(id), FALSE);
            return;
        }
        const unsigned editable = EditablePropertyMask(saveType_);
        for (size_t i = 0; i < 4; ++i) {
            SendDlgItemMessageW(dialog(), kPropertyEdits[i], EM_LIMITTEXT, kPropertyTextLimit, 0);
            // As when an image is read: a property the bitmap does not hold keeps the image's value.
            Text value = s->properties[i];
            ReadProperty(s->bitmap.get(), kPropertyTags[i], &value);
            const bool enabled = (editable >> i) & 1u;
            SetDlgItemTextW(dialog(), kPropertyEdits[i], enabled ? W(value) : L"");
            EnableWindow(Item(kPropertyEdits[i]), enabled);
        }
    }
    void OnOk() override {
        if (ImageSlot* s = editor().Current(); s && s->occupied())
            for (size_t i = 0; i < 4; ++i) WriteProperty(s->bitmap.get(), kPropertyTags[i], WindowText(Item(kPropertyEdits[i])));
        End(IDOK);
    }

    int saveType_;
};

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

// Dialog 125: the image's resolution, with linked directions; OK records an undo step for an
// image from a file and applies it.
class ResolutionDialogHost : public DialogHost {
public:
    explicit ResolutionDialogHost(Editor& e) : DialogHost(e, IDD_RESOLUTION) {}

private:
    void OnInit() override {
        HWND dlg = dialog();
        ImageSlot* s = editor().Current();
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
    }
    bool OnMessage(UINT msg, WPARAM, LPARAM lp, INT_PTR* result) override {
        HWND dlg = dialog();
        if (msg == WM_HSCROLL) {
            *result = TRUE;
            const ResolutionRow* r = lp ? RowOf(GetDlgCtrlID(reinterpret_cast<HWND>(lp))) : nullptr;
            if (!r) return true;
            int pos = static_cast<int>(SendDlgItemMessageW(dlg, r->slider, TBM_GETPOS, 0, 0));
            pos = pos / kSliderStep * kSliderStep;
            SetRow(dlg, *r, pos, true);
            if (SameRatio(dlg)) SetRow(dlg, Other(*r), pos, true);
            return true;
        }
        if (msg == WM_NOTIFY) {
            const auto* n = reinterpret_cast<const NMUPDOWN*>(lp);
            const ResolutionRow* r = RowOf(static_cast<int>(n->hdr.idFrom));
            if (n->hdr.code == UDN_DELTAPOS && r) {
                int pos = n->iPos + n->iDelta;
                pos = pos < 0 ? 0 : (pos > kMaxResolution ? kMaxResolution : pos);
                SendDlgItemMessageW(dlg, r->slider, TBM_SETPOS, TRUE, pos);
                if (SameRatio(dlg)) SendDlgItemMessageW(dlg, Other(*r).slider, TBM_SETPOS, TRUE, pos);
            }
        }
        return false;
    }
    bool OnCommand(int id, int code, HWND) override {
        HWND dlg = dialog();
        if (code == EN_CHANGE) {
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
            return true;
        }
        if (id == IDC_RES_DEFAULT) {
            for (const auto& r : kRows) SetRow(dlg, r, 96, true);
            return true;
        }
        return false;
    }
    void OnOk() override {
        Editor& e = editor();
        ImageSlot* s = e.Current();
        const int x = ParsePlainInt(WindowText(Item(IDC_RES_X)));
        const int y = ParsePlainInt(WindowText(Item(IDC_RES_Y)));
        if (s && s->occupied() && (x != s->dpiX || y != s->dpiY)) {
            if (!IsMemoryImageName(s->rawFormatName)) {
                RecordUndoStep(e);
                DetachFromFile(e, *s);
            }
            s->dpiX = x;
            s->dpiY = y;
            if (x > 0 && y > 0)
                gp::GdipBitmapSetResolution(s->bitmap.get(), static_cast<Gdiplus::REAL>(x), static_cast<Gdiplus::REAL>(y));
            ImageChanged(e, e.images.current, kChangedBitmap);
        }
        End(IDOK);
    }
};
}  // namespace

void PropertiesDialog(Editor& e) { PropertiesDialogHost(e).Run(); }

void PropertySettingsDialog(Editor& e, int saveType, HWND owner) { SettingsDialogHost(e, saveType).Run(owner); }

void ResolutionDialog(Editor& e) {
    if (!e.Current()) return;
    ResolutionDialogHost(e).Run();
}

}  // namespace mirelo
