#include "draw/arrow_dialog.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "app/editor.h"
#include "app/command_registry.h"
#include "app/dialog_host.h"
#include "draw/arrow_rules.h"
#include "draw/pens.h"
#include "image/bitmap_access.h"
#include "res/resource.h"
#include "edit/viewport.h"

namespace mirelo {

namespace {
constexpr int kFieldLimit = 4;  // characters an edit takes from the keyboard

class ArrowDialog : public DialogHost {
public:
    explicit ArrowDialog(Editor& e) : DialogHost(e, IDD_ARROW) {}

private:
    void OnInit() override {
        for (int id : {IDC_ARROW_HEIGHT, IDC_ARROW_WIDTH, IDC_ARROW_SHAPE}) SendDlgItemMessageW(dialog(), id, EM_LIMITTEXT, kFieldLimit, 0);
        ShowSettings();
    }

    bool OnCommand(int id, int code, HWND) override {
        if (id == IDC_ARROW_SAME_RATIO && code == BN_CLICKED) {
            linked_ = IsDlgButtonChecked(dialog(), IDC_ARROW_SAME_RATIO) == BST_CHECKED;
            if (linked_) ratio_ = FixArrowRatio(editor().arrow);
            EnableWindow(Item(IDC_ARROW_SHAPE), !linked_);
            EnableWindow(Item(IDC_ARROW_SPIN_SHAPE), !linked_);
            SetRanges();
            return true;
        }
        const bool field = id == IDC_ARROW_HEIGHT || id == IDC_ARROW_WIDTH || id == IDC_ARROW_SHAPE;
        if (!field || updating_) return false;
        if (code == EN_KILLFOCUS && id != IDC_ARROW_SHAPE) {
            ShowValue(id);
            return true;
        }
        if (code != EN_CHANGE) return false;
        BOOL ok = FALSE;
        const int typed = static_cast<int>(GetDlgItemInt(dialog(), id, &ok, TRUE));
        if (!ok) return true;  // no number yet ("" or "-")
        ArrowSettings& a = editor().arrow;
        const ArrowRatio* ratio = linked_ ? &ratio_ : nullptr;
        if (id == IDC_ARROW_HEIGHT) {
            TypeArrowHeight(a, typed, ratio);
            if (linked_) {
                ShowValue(IDC_ARROW_WIDTH);
                ShowValue(IDC_ARROW_SHAPE);
            }
        } else if (id == IDC_ARROW_WIDTH) {
            TypeArrowWidth(a, typed, ratio);
            if (linked_) ShowValue(IDC_ARROW_HEIGHT);
        } else {
            TypeArrowShape(a, typed);
        }
        SetRanges();
        Changed();
        return true;
    }

    // Enter shows the stored values again; the window stays.
    void OnOk() override { ShowSettings(); }
    void OnCancel() override {
        End(IDCANCEL);
        editor().ProgramChanged(change::kSettings);  // the check mark of 矢印の編集
    }

    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR* result) override {
        if (msg == WM_SHOWWINDOW && wp) {
            ShowSettings();  // the ranges are set on every opening
            return false;
        }
        if (msg == WM_DRAWITEM && wp == IDC_ARROW_PREVIEW) {
            DrawPreview(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
            *result = TRUE;
            return true;
        }
        return false;
    }

    void ShowValue(int id) {
        const ArrowSettings& a = editor().arrow;
        const int value = id == IDC_ARROW_HEIGHT ? a.height : id == IDC_ARROW_WIDTH ? a.width : a.shape;
        updating_ = true;
        SetDlgItemInt(dialog(), id, static_cast<UINT>(value), TRUE);
        updating_ = false;
    }
    void ShowSettings() {
        for (int id : {IDC_ARROW_HEIGHT, IDC_ARROW_WIDTH, IDC_ARROW_SHAPE}) ShowValue(id);
        SetRanges();
        Changed();
    }
    void SetRanges() {
        const ArrowRanges r = ArrowSpinRanges(editor().arrow, linked_ ? &ratio_ : nullptr);
        const std::pair<int, SpinRange> spins[] = {
            {IDC_ARROW_SPIN_HEIGHT, r.height}, {IDC_ARROW_SPIN_WIDTH, r.width}, {IDC_ARROW_SPIN_SHAPE, r.shape}};
        updating_ = true;
        for (const auto& [id, range] : spins) SendDlgItemMessageW(dialog(), id, UDM_SETRANGE32, static_cast<WPARAM>(range.low), range.high);
        updating_ = false;
    }
    // The preview and the shape tool's preview on the view follow every change.
    void Changed() {
        InvalidateRect(Item(IDC_ARROW_PREVIEW), nullptr, FALSE);
        editor().Changed(change::kOverlay);
    }

    // A horizontal line of an opaque black pen 5 wide ending in the arrow, antialiased.
    void DrawPreview(const DRAWITEMSTRUCT& d) {
        const int w = d.rcItem.right - d.rcItem.left, h = d.rcItem.bottom - d.rcItem.top;
        GpBitmapOwner buffer;
        if (w <= 0 || h <= 0 || !CreateGpBitmap(buffer, w, h, fmt::k32ARGB)) return;
        {
            GpGraphicsOwner g;
            if (gp::GdipGetImageGraphicsContext(buffer.get(), g.put()) != Gdiplus::Ok) return;
            gp::GdipGraphicsClear(g.get(), ArgbFromWin32(GetSysColor(COLOR_WINDOW)));
            gp::GdipSetSmoothingMode(g.get(), Gdiplus::SmoothingModeAntiAlias);
            GpPenOwner pen;
            Gdiplus::GpPen* made = nullptr;
            if (gp::GdipCreatePen1(0xFF000000, 5.0f, Gdiplus::UnitWorld, &made) == Gdiplus::Ok) {
                pen.reset(made);
                SetArrowCap(pen, editor().arrow, false);
                const int margin = std::max(4, w / 8);
                gp::GdipDrawLineI(g.get(), made, margin, h / 2, w - margin, h / 2);
            }
        }
        GpGraphicsOwner target;
        if (gp::GdipCreateFromHDC(d.hDC, target.put()) == Gdiplus::Ok)
            gp::GdipDrawImageRectI(target.get(), buffer.get(), d.rcItem.left, d.rcItem.top, w, h);
    }

    bool linked_ = false;
    bool updating_ = false;
    ArrowRatio ratio_;
};
}  // namespace

HWND CreateArrowWindow(Editor& e) {
    e.arrowDialog = std::make_unique<ArrowDialog>(e);
    e.arrowWindow = e.arrowDialog->Create(e.OwnerWindow());
    return e.arrowWindow;
}

void PlaceArrowWindow(Editor& e) {
    if (!e.arrowWindow) return;
    // At the top right corner of the view.
    const RECT view = e.View().ScreenRect();
    if (view.right <= view.left) return;
    RECT a;
    GetWindowRect(e.arrowWindow, &a);
    // Level with the view's outer edge, above its sunken border.
    const int top = view.top - GetSystemMetrics(SM_CYEDGE);
    SetWindowPos(e.arrowWindow, nullptr, view.right - (a.right - a.left), top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void ToggleArrowWindow(Editor& e) {
    HWND w = e.arrowWindow;
    if (!w) return;
    if (IsWindowVisible(w)) {
        ShowWindow(w, SW_HIDE);
    } else {
        PlaceArrowWindow(e);
        ShowWindow(w, SW_SHOW);
    }
    e.ProgramChanged(change::kSettings);
}

void HideArrowWindow(Editor& e) {
    if (e.arrowWindow && IsWindowVisible(e.arrowWindow)) {
        ShowWindow(e.arrowWindow, SW_HIDE);
        e.ProgramChanged(change::kSettings);
    }
}

}  // namespace mirelo
