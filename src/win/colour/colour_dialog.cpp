#include "colour/colour_dialog.h"

#include <vector>

#include "app/editor.h"
#include "app/command_registry.h"
#include "colour/palette_colours.h"
#include "app/dialog_host.h"
#include "edit/undo_history.h"
#include "image/bitmap_access.h"
#include "image/file_format.h"
#include "res/resource.h"
#include "ui/colour_panels.h"
#include "ui/custom_controls.h"

namespace mirelo {

namespace {
struct Field {
    int edit, spin, max;
};
const Field kRgbFields[3] = {
    {IDC_COLOUR_RED, IDC_COLOUR_SPIN_RED, 255},
    {IDC_COLOUR_GREEN, IDC_COLOUR_SPIN_GREEN, 255},
    {IDC_COLOUR_BLUE, IDC_COLOUR_SPIN_BLUE, 255},
};
const Field kHlsFields[3] = {
    {IDC_COLOUR_HUE, IDC_COLOUR_SPIN_HUE, 360},
    {IDC_COLOUR_LIGHTNESS, IDC_COLOUR_SPIN_LIGHTNESS, 100},
    {IDC_COLOUR_SATURATION, IDC_COLOUR_SPIN_SATURATION, 100},
};

const Field* FieldOf(const Field (&fields)[3], int id) {
    for (const Field& f : fields)
        if (f.edit == id || f.spin == id) return &f;
    return nullptr;
}

// The grid of dialog 108: the palette of an indexed image, else the basic colours.
std::vector<uint32_t> GridColours(Editor& e) {
    std::vector<uint32_t> out;
    if (const ImageSlot* s = e.Current(); s && s->occupied() && IsIndexed(s->pixelFormat)) {
        std::vector<uint32_t> entries;
        if (ReadPaletteEntries(s->bitmap.get(), &entries)) {
            const PaletteWork work = PaletteWork::FromPalette(entries);
            return std::vector<uint32_t>(work.colours.begin(), work.colours.end());
        }
    }
    const auto basic = BasicColours();
    return std::vector<uint32_t>(basic.begin(), basic.end());
}

// Both dialogs show the working colours the same way: the selected custom swatch or the current
// colour's swatch highlighted.
void ShowSlots(HWND dlg, const ColourWorkSet& set) {
    HWND custom = GetDlgItem(dlg, IDC_COLOUR_CUSTOM), current = GetDlgItem(dlg, IDC_COLOUR_CURRENT);
    SetControlColours(custom, set.custom.data(), set.custom.size());
    SetControlSelected(custom, set.selected < kCustomColourCount ? set.selected : -1);
    SetControlColours(current, &set.current, 1);
    SetControlSelected(current, set.selected == kCurrentColourSlot ? 0 : -1);
}

// Selects the slot of a click on the custom colours or the current colour; false for other controls.
bool SelectSlot(HWND dlg, ColourWorkSet& set, int id, int code) {
    if (code != kColourClicked) return id == IDC_COLOUR_CUSTOM || id == IDC_COLOUR_CURRENT;
    if (id == IDC_COLOUR_CUSTOM)
        set.Select(ControlHit(GetDlgItem(dlg, id)));
    else if (id == IDC_COLOUR_CURRENT)
        set.Select(kCurrentColourSlot);
    else
        return false;
    ShowSlots(dlg, set);
    return true;
}

// Dialog 108 "色選択".
class ColourDialogHost : public DialogHost {
public:
    ColourDialogHost(Editor& e, ColourWorkSet& set) : DialogHost(e, IDD_COLOUR), set_(set) {}

private:
    void OnInit() override {
        for (const auto* fields : {&kRgbFields, &kHlsFields})
            for (const Field& f : *fields) {
                SendDlgItemMessageW(dialog(), f.spin, UDM_SETRANGE32, 0, f.max);
                SendDlgItemMessageW(dialog(), f.edit, EM_LIMITTEXT, 3, 0);
            }
        SendDlgItemMessageW(dialog(), IDC_COLOUR_RGB, EM_LIMITTEXT, 32, 0);
        grid_ = GridColours(editor());
        SetControlColours(Item(IDC_COLOUR_GRID), grid_.data(), grid_.size());
        ShowSlots(dialog(), set_);
        SetRgbFields(RgbFromWin32(set_.SelectedColour()));
    }

    bool OnCommand(int id, int code, HWND control) override {
        if (code == EN_CHANGE) {
            if (FieldOf(kRgbFields, id)) {
                RgbChanged();
                return true;
            }
            if (FieldOf(kHlsFields, id)) {
                if (HlsFocused()) HlsChanged();
                return true;
            }
            return false;
        }
        if (SelectSlot(dialog(), set_, id, code)) return true;
        switch (id) {
        case IDC_COLOUR_APPLY:
            if (code == BN_CLICKED) SetRgbFields(ReadRgbHexText(WindowText(Item(IDC_COLOUR_RGB))));
            return true;
        case IDC_COLOUR_GRID:
            if (code == kColourClicked) {
                const int hit = ControlHit(control);
                if (hit >= 0 && static_cast<size_t>(hit) < grid_.size()) SetRgbFields(RgbFromWin32(grid_[static_cast<size_t>(hit)]));
            }
            return true;
        case IDC_COLOUR_SPECTRUM:
            if (code == kColourPicked) SetRgbFields(RgbFromWin32(static_cast<uint32_t>(SendMessageW(control, kColourGetPicked, 0, 0))));
            return true;
        default: return false;
        }
    }

    bool OnMessage(UINT msg, WPARAM, LPARAM lp, INT_PTR*) override {
        // A spin step edits its field: the field takes the focus first, so that a step of hue,
        // lightness or saturation recomputes red, green and blue as typing there does.
        if (msg == WM_NOTIFY && reinterpret_cast<NMHDR*>(lp)->code == UDN_DELTAPOS) {
            const int spin = static_cast<int>(reinterpret_cast<NMHDR*>(lp)->idFrom);
            const Field* f = FieldOf(kHlsFields, spin);
            if (!f) f = FieldOf(kRgbFields, spin);
            if (f && f->spin == spin) SetFocus(Item(f->edit));
        }
        return false;
    }

    int Value(const Field& f) const {
        const int v = ParsePlainInt(WindowText(Item(f.edit)));
        return v < 0 ? 0 : (v > f.max ? f.max : v);
    }
    bool HlsFocused() const {
        const HWND focus = GetFocus();
        for (const Field& f : kHlsFields)
            if (focus == Item(f.edit)) return true;
        return false;
    }
    void SetRgbFields(Rgb c) {
        SetDlgItemInt(dialog(), IDC_COLOUR_RED, static_cast<UINT>(c.red), FALSE);
        SetDlgItemInt(dialog(), IDC_COLOUR_GREEN, static_cast<UINT>(c.green), FALSE);
        SetDlgItemInt(dialog(), IDC_COLOUR_BLUE, static_cast<UINT>(c.blue), FALSE);
    }
    // Red, green or blue typed: the hexadecimal text and the selected slot follow, and hue,
    // lightness and saturation unless one of them is being typed.
    void RgbChanged() {
        const Rgb c{Value(kRgbFields[0]), Value(kRgbFields[1]), Value(kRgbFields[2])};
        SetDlgItemTextW(dialog(), IDC_COLOUR_RGB, W(RgbHexText(c)));
        set_.StoreSelected(Win32FromRgb(c));
        ShowSlots(dialog(), set_);
        if (HlsFocused()) return;
        const Hls h = RgbToHls(c);
        SetDlgItemInt(dialog(), IDC_COLOUR_HUE, static_cast<UINT>(h.hue), FALSE);
        SetDlgItemInt(dialog(), IDC_COLOUR_LIGHTNESS, static_cast<UINT>(h.lightness), FALSE);
        SetDlgItemInt(dialog(), IDC_COLOUR_SATURATION, static_cast<UINT>(h.saturation), FALSE);
    }
    void HlsChanged() { SetRgbFields(HlsToRgb(Hls{Value(kHlsFields[0]), Value(kHlsFields[1]), Value(kHlsFields[2])})); }

    ColourWorkSet& set_;
    std::vector<uint32_t> grid_;
};

// Dialog 117 "パレット".
class PaletteDialogHost : public DialogHost {
public:
    PaletteDialogHost(Editor& e, ColourWorkSet& set, PaletteWork& work) : DialogHost(e, IDD_PALETTE), set_(set), work_(work) {}

private:
    void OnInit() override {
        CheckRadioButton(dialog(), IDC_PALETTE_TAKE, IDC_PALETTE_REPLACE, IDC_PALETTE_TAKE);
        ShowGrid();
        ShowSlots(dialog(), set_);
    }
    bool OnCommand(int id, int code, HWND control) override {
        if (SelectSlot(dialog(), set_, id, code)) return true;
        if (id != IDC_COLOUR_GRID) return false;
        if (code != kColourClicked) return true;
        const PaletteMode mode = IsDlgButtonChecked(dialog(), IDC_PALETTE_REPLACE) == BST_CHECKED ? PaletteMode::Replace : PaletteMode::Take;
        switch (ClickPaletteSwatch(set_, work_, ControlHit(control), mode)) {
        case PaletteClick::SlotChanged: ShowSlots(dialog(), set_); break;
        case PaletteClick::EntryChanged: ShowGrid(); break;
        case PaletteClick::Nothing: break;
        }
        return true;
    }
    void ShowGrid() { SetControlColours(Item(IDC_COLOUR_GRID), work_.colours.data(), work_.colours.size()); }

    ColourWorkSet& set_;
    PaletteWork& work_;
};
}  // namespace

bool ColourSelectDialog(Editor& e, ColourWorkSet& set) {
    ColourWorkSet work = set;
    ColourDialogHost host(e, work);
    if (host.Run() != IDOK) return false;
    set = work;
    return true;
}

bool EditDrawingColour(Editor& e, int which, int initialSlot) {
    ImageSlot* s = e.Current();
    if (!s || !s->occupied()) return false;
    const size_t index = which == 1 ? 1 : 0;
    ColourWorkSet set = ColourWorkSet::Open(s->colours[index], e.colourSwatches, initialSlot);
    if (!ColourSelectDialog(e, set)) return false;
    s->colours[index] = set.current;
    e.colourSwatches = set.custom;
    DrawingColoursChanged(e);
    ShowColourPanels(e);
    return true;
}

void ColourSelectCommand(Editor& e) {
    ImageSlot* s = e.Current();
    if (!s || !s->occupied()) return;
    if (IsIndexed(s->pixelFormat))
        EditDrawingColour(e, 0, kCurrentColourSlot);
    else if (s->tool != kToolSelect)
        EditDrawingColour(e, s->activeColour, kCurrentColourSlot);
}

void PaletteDialog(Editor& e) {
    ImageSlot* s = e.Current();
    if (!s || !s->occupied()) return;
    const bool indexed = IsIndexed(s->pixelFormat);
    std::vector<uint32_t> entries;
    uint32_t flags = 0;
    if (indexed && !ReadPaletteEntries(s->bitmap.get(), &entries, &flags)) {
        e.messages.LowLevel(u"パレットを取得できません");
        return;
    }
    ColourWorkSet set = ColourWorkSet::Open(s->colours[0], e.colourSwatches, kCurrentColourSlot);
    PaletteWork work = PaletteWork::FromPalette(entries);
    PaletteDialogHost host(e, set, work);
    if (host.Run() != IDOK) return;

    s->colours[0] = set.current;
    e.colourSwatches = set.custom;
    DrawingColoursChanged(e);
    ShowColourPanels(e);
    bool changed = false;
    if (indexed && PaletteDiffers(entries, work)) changed = ChangePalette(e, *s, PaletteFromWork(entries, work), flags);
    UpdatePaletteAlphaFlag(s->bitmap.get());
    if (changed)
        ImageChanged(e, e.images.current, kChangedBitmap);
    else
        e.Changed(change::kHistory);
}

}  // namespace mirelo
