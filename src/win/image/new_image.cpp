#include "image/new_image.h"

#include <cwchar>

#include "app/editor.h"
#include "app/command_registry.h"
#include "app/dialog_host.h"
#include "image/bitmap_access.h"
#include "res/resource.h"

namespace mirelo {

namespace {
constexpr int kSizeMax = 2400;
constexpr int kDpiMax = 960;
constexpr int kSliderStep = 32;

struct Row {
    int edit, spin, slider;
    int max;
    int NewImageValues::*value;
    bool resolution;
};

const Row kRows[] = {
    {IDC_NEW_WIDTH, IDC_NEW_SPIN_WIDTH, IDC_NEW_SLIDER_WIDTH, kSizeMax, &NewImageValues::width, false},
    {IDC_NEW_HEIGHT, IDC_NEW_SPIN_HEIGHT, IDC_NEW_SLIDER_HEIGHT, kSizeMax, &NewImageValues::height, false},
    {IDC_NEW_DPIX, IDC_NEW_SPIN_DPIX, IDC_NEW_SLIDER_DPIX, kDpiMax, &NewImageValues::dpiX, true},
    {IDC_NEW_DPIY, IDC_NEW_SPIN_DPIY, IDC_NEW_SLIDER_DPIY, kDpiMax, &NewImageValues::dpiY, true},
};

const Row* RowOf(int id) {
    for (const auto& r : kRows)
        if (r.edit == id || r.spin == id || r.slider == id) return &r;
    return nullptr;
}

// The other resolution row of a resolution row.
const Row& OtherResolution(const Row& r) { return r.edit == IDC_NEW_DPIX ? kRows[3] : kRows[2]; }

void SetSlider(HWND dlg, const Row& r, int pos) { SendDlgItemMessageW(dlg, r.slider, TBM_SETPOS, TRUE, pos); }
void SetSpin(HWND dlg, const Row& r, int pos) { SendDlgItemMessageW(dlg, r.spin, UDM_SETPOS32, 0, pos); }

bool SameRatio(HWND dlg) { return IsDlgButtonChecked(dlg, IDC_NEW_SAME_RATIO) == BST_CHECKED; }

void InitControls(HWND dlg, Editor& e) {
    for (const auto& r : kRows) {
        SendDlgItemMessageW(dlg, r.edit, EM_LIMITTEXT, 4, 0);
        SendDlgItemMessageW(dlg, r.spin, UDM_SETBUDDY, reinterpret_cast<WPARAM>(GetDlgItem(dlg, r.edit)), 0);
        SendDlgItemMessageW(dlg, r.spin, UDM_SETRANGE32, 0, r.max);
        SendDlgItemMessageW(dlg, r.slider, TBM_SETRANGEMIN, FALSE, 0);
        SendDlgItemMessageW(dlg, r.slider, TBM_SETRANGEMAX, FALSE, r.max);
        SendDlgItemMessageW(dlg, r.slider, TBM_SETLINESIZE, 0, kSliderStep);
        SendDlgItemMessageW(dlg, r.slider, TBM_SETPAGESIZE, 0, kSliderStep * 4);
    }
    NewImageValues start = e.newImage;
    for (const auto& r : kRows) {
        SetSpin(dlg, r, start.*r.value);
        SetDlgItemInt(dlg, r.edit, static_cast<UINT>(start.*r.value), FALSE);
        SetSlider(dlg, r, start.*r.value);
    }
    CheckDlgButton(dlg, IDC_NEW_SAME_RATIO, BST_CHECKED);
}

void OnSlider(HWND dlg, HWND slider) {
    const Row* r = RowOf(GetDlgCtrlID(slider));
    if (!r) return;
    int pos = static_cast<int>(SendMessageW(slider, TBM_GETPOS, 0, 0));
    pos = pos / kSliderStep * kSliderStep;
    SetSlider(dlg, *r, pos);
    SetSpin(dlg, *r, pos);
    SetDlgItemInt(dlg, r->edit, static_cast<UINT>(pos), FALSE);
    if (r->resolution && SameRatio(dlg)) {
        const Row& o = OtherResolution(*r);
        SetSpin(dlg, o, pos);
        SetDlgItemInt(dlg, o.edit, static_cast<UINT>(pos), FALSE);
        SetSlider(dlg, o, pos);
    }
}

void OnEditChange(HWND dlg, Editor& e, const Row& r) {
    Text text = WindowText(GetDlgItem(dlg, r.edit));
    int value = ParsePlainInt(text);
    e.newImage.*r.value = value;
    if (GetFocus() == GetDlgItem(dlg, r.edit)) SetSlider(dlg, r, value);
    if (r.resolution && SameRatio(dlg)) {
        const Row& o = OtherResolution(r);
        HWND other = GetDlgItem(dlg, o.edit);
        if (WindowText(other) != text) {
            SetWindowTextW(other, W(text));
            SetSlider(dlg, o, value);
        }
    }
}

void OnSpinStep(HWND dlg, const NMUPDOWN* n) {
    const Row* r = RowOf(static_cast<int>(n->hdr.idFrom));
    if (!r) return;
    int pos = n->iPos + n->iDelta;
    pos = pos < 0 ? 0 : (pos > r->max ? r->max : pos);
    SetSlider(dlg, *r, pos);
}

// Dialog 116: size and resolution of a new image; OK makes it.
class NewImageDialogHost : public DialogHost {
public:
    explicit NewImageDialogHost(Editor& e) : DialogHost(e, IDD_NEWIMAGE) {}

private:
    void OnInit() override { InitControls(dialog(), editor()); }
    bool OnMessage(UINT msg, WPARAM, LPARAM lp, INT_PTR* result) override {
        if (msg == WM_HSCROLL) {
            if (lp) OnSlider(dialog(), reinterpret_cast<HWND>(lp));
            *result = TRUE;
            return true;
        }
        if (msg == WM_NOTIFY && reinterpret_cast<NMHDR*>(lp)->code == UDN_DELTAPOS)
            OnSpinStep(dialog(), reinterpret_cast<NMUPDOWN*>(lp));  // the control still takes its step
        return false;
    }
    bool OnCommand(int id, int code, HWND) override {
        if (code == EN_CHANGE) {
            if (const Row* r = RowOf(id); r && r->edit == id) OnEditChange(dialog(), editor(), *r);
            return true;
        }
        if (id != IDC_NEW_DEFAULT) return false;
        for (const Row* r : {&kRows[2], &kRows[3]}) {
            SetSpin(dialog(), *r, 96);
            SetDlgItemInt(dialog(), r->edit, 96, FALSE);
            SetSlider(dialog(), *r, 96);
        }
        return true;
    }
    void OnOk() override {
        Editor& e = editor();
        const bool transparent = IsDlgButtonChecked(dialog(), IDC_NEW_TRANSPARENT) == BST_CHECKED;
        End(IDOK);
        e.activeDialog = nullptr;
        CreateNewImage(e, e.newImage.width, e.newImage.height, e.newImage.dpiX, e.newImage.dpiY, transparent);
    }
};
}  // namespace

void NewImageDialog(Editor& e) { NewImageDialogHost(e).Run(); }

bool CreateNewImage(Editor& e, int width, int height, int dpiX, int dpiY, bool transparent) {
    const Text name = e.images.NextNewName();
    if (!HasRoomFor(e, name)) return false;
    GpBitmapOwner bitmap;
    if (width <= 0 || height <= 0 || !CreateGpBitmap(bitmap, width, height, fmt::k32ARGB)) {
        e.messages.LowLevel(u"Bmpを作成できません");
        return false;
    }
    {
        BitmapLock lock(e.messages, bitmap, kLockWrite, fmt::k32ARGB, BitmapRole::Destination);
        if (!lock.ok()) return false;
        FillStored(lock.view(), transparent ? 0x00000000u : 0xFFFFFFFFu);
        if (lock.Unlock() != Gdiplus::Ok) return false;
    }
    if (dpiX > 0 && dpiY > 0)
        bitmap.Check(gp::GdipBitmapSetResolution(bitmap.get(), static_cast<Gdiplus::REAL>(dpiX), static_cast<Gdiplus::REAL>(dpiY)));
    return AddImage(e, std::move(bitmap), name) >= 0;
}

}  // namespace mirelo
