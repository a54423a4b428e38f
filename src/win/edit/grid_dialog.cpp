#include "edit/grid_dialog.h"

#include "app/editor.h"
#include "app/command_registry.h"
#include "app/dialog_host.h"
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

int Limit(Editor& e, const Field& f) {
    ImageSlot* s = e.Current();
    return s ? (f.horizontal ? s->width : s->height) : 0;
}

// Dialog 123: grid spacing and offset, applied while they are typed; Cancel restores them.
class GridDialogHost : public DialogHost {
public:
    explicit GridDialogHost(Editor& e) : DialogHost(e, IDD_GRID), before_(e.settings) {}

private:
    void OnInit() override {
        Editor& e = editor();
        for (const auto& f : kFields) {
            SendDlgItemMessageW(dialog(), f.edit, EM_LIMITTEXT, 4, 0);
            SendDlgItemMessageW(dialog(), f.spin, UDM_SETBUDDY, reinterpret_cast<WPARAM>(Item(f.edit)), 0);
            SendDlgItemMessageW(dialog(), f.spin, UDM_SETRANGE32, 0, Limit(e, f));
            SetDlgItemInt(dialog(), f.edit, static_cast<UINT>(e.settings.*f.value), FALSE);
        }
        ready_ = true;
    }
    bool OnCommand(int id, int code, HWND) override {
        if (code != EN_CHANGE || !ready_) return false;
        Editor& e = editor();
        for (const auto& f : kFields) {
            if (f.edit != id) continue;
            BOOL ok = FALSE;
            int v = static_cast<int>(GetDlgItemInt(dialog(), id, &ok, FALSE));
            const int limit = Limit(e, f);
            if (v > limit) {
                v = limit;
                SetDlgItemInt(dialog(), id, static_cast<UINT>(v), FALSE);  // the larger value is replaced
            }
            e.settings.*f.value = v;
            e.ProgramChanged(change::kSettings);
        }
        return true;
    }
    void OnCancel() override {
        editor().settings = before_;
        editor().ProgramChanged(change::kSettings);
        End(IDCANCEL);
    }

    Settings before_;
    bool ready_ = false;
};
}  // namespace

void GridDialog(Editor& e) {
    if (!e.Current()) return;
    GridDialogHost(e).Run();
}

}  // namespace mirelo
