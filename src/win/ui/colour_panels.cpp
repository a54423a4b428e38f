#include "ui/colour_panels.h"

#include <vector>

#include "app/command_registry.h"
#include "app/commands.h"
#include "app/editor.h"
#include "colour/colour_dialog.h"
#include "colour/colour_models.h"
#include "image/bitmap_access.h"
#include "res/resource.h"
#include "ui/custom_controls.h"
#include "ui/frame_bars.h"

namespace mirelo {

namespace {
const wchar_t kColourPanelClass[] = L"Mirelo_COLOURPANEL";
// The panels' labels.
constexpr int kLabelColours = 2020, kLabelAlpha = 2021, kLabelCustom = 2022, kLabelPalette = 2023, kLabelPaletteColour = 2024;
constexpr int kPanelWidth = 160;

struct PanelState {
    Editor* editor = nullptr;
    bool updating = false;  // the program is setting the transparency controls
    int paletteHit = -1;    // the palette entry clicked last
};

PanelState* StateOf(HWND panel) { return reinterpret_cast<PanelState*>(GetWindowLongPtrW(panel, GWLP_USERDATA)); }
HFONT GuiFont() { return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)); }

HWND MakeChild(Editor& e, HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, int id, DWORD exStyle = 0) {
    HWND w = CreateWindowExW(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), e.instance, nullptr);
    SendMessageW(w, WM_SETFONT, reinterpret_cast<WPARAM>(GuiFont()), FALSE);
    return w;
}

void Place(HWND panel, int id, int x, int y, int w, int h) {
    if (HWND c = GetDlgItem(panel, id)) MoveWindow(c, x, y, w, h, TRUE);
}

void SetTextIfChanged(HWND w, const Text& text) {
    if (w && WindowText(w) != text) SetWindowTextW(w, W(text));
}

ImageSlot* OpenSlot(Editor& e) {
    ImageSlot* s = e.Current();
    return s && s->occupied() ? s : nullptr;
}

void SetTransparency(Editor& e, HWND panel, PanelState& st, int value, bool fromSlider) {
    ImageSlot* s = OpenSlot(e);
    if (!s) return;
    value = value < 0 ? 0 : (value > 255 ? 255 : value);
    s->colourTransparency[s->activeColour ? 1 : 0] = static_cast<uint8_t>(value);
    DrawingColoursChanged(e);
    st.updating = true;
    if (fromSlider)
        SetTextIfChanged(GetDlgItem(panel, IDC_PANEL_ALPHA_EDIT), ToText(value));
    else
        SendDlgItemMessageW(panel, IDC_PANEL_ALPHA_SLIDER, TBM_SETPOS, TRUE, value);
    st.updating = false;
}

void OnColourPanelCommand(Editor& e, HWND panel, PanelState& st, int id, int code) {
    ImageSlot* s = OpenSlot(e);
    if (!s) return;
    switch (id) {
    case IDC_PANEL_COLOUR_FIRST:
    case IDC_PANEL_COLOUR_SECOND: {
        const int which = id == IDC_PANEL_COLOUR_FIRST ? 0 : 1;
        if (code == kColourClicked) {
            s->activeColour = static_cast<uint8_t>(which);
            DrawingColoursChanged(e);
            ShowColourPanels(e);
        } else if (code == kColourDoubleClicked) {
            EditDrawingColour(e, which, kCurrentColourSlot);
        }
        break;
    }
    case IDC_PANEL_CUSTOM: {
        const int hit = ControlHit(GetDlgItem(panel, id));
        if (hit < 0 || hit >= kCustomColourCount) break;
        if (code == kColourClicked) {
            s->colours[s->activeColour ? 1 : 0] = e.colourSwatches[static_cast<size_t>(hit)] & 0xFFFFFFu;
            DrawingColoursChanged(e);
            ShowColourPanels(e);
        } else if (code == kColourDoubleClicked) {
            EditDrawingColour(e, s->activeColour, hit);
        }
        break;
    }
    case IDC_PANEL_ALPHA_EDIT:
        if (code == EN_CHANGE && !st.updating)
            SetTransparency(e, panel, st, ParsePlainInt(WindowText(GetDlgItem(panel, id))), false);
        break;
    default: break;
    }
}

void OnPalettePanelCommand(Editor& e, HWND panel, PanelState& st, int id, int code) {
    ImageSlot* s = OpenSlot(e);
    if (!s) return;
    if (id == IDC_PANEL_PALETTE_GRID && code == kColourClicked) {
        const int hit = ControlHit(GetDlgItem(panel, id));
        std::vector<uint32_t> entries;
        if (hit < 0 || !ReadPaletteEntries(s->bitmap.get(), &entries) || static_cast<size_t>(hit) >= entries.size()) return;
        s->colours[0] = Win32FromArgb(entries[static_cast<size_t>(hit)]);
        st.paletteHit = hit;
        ShowColourPanels(e);
    } else if (id == IDC_PANEL_PALETTE_COLOUR && code == kColourDoubleClicked) {
        SendMessageW(e.frame.mainWindow, WM_COMMAND, cmd::kColourSelect, 0);
    }
}

LRESULT CALLBACK PanelProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* st = new PanelState;
        st->editor = static_cast<Editor*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(st));
        return DefWindowProcW(hwnd, msg, wp, lp);
    }
    PanelState* st = StateOf(hwnd);
    if (msg == WM_NCDESTROY) {
        delete st;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        return DefWindowProcW(hwnd, msg, wp, lp);
    }
    if (!st || !st->editor) return DefWindowProcW(hwnd, msg, wp, lp);
    Editor& e = *st->editor;
    switch (msg) {
    case WM_COMMAND: {
        const int id = LOWORD(wp), code = HIWORD(wp);
        if (id == cmd::kColourSelect) {
            if (code == BN_CLICKED) SendMessageW(e.frame.mainWindow, WM_COMMAND, cmd::kColourSelect, 0);
        } else if (hwnd == e.frame.palettePanel) {
            OnPalettePanelCommand(e, hwnd, *st, id, code);
        } else {
            OnColourPanelCommand(e, hwnd, *st, id, code);
        }
        return 0;
    }
    case WM_HSCROLL:
        if (reinterpret_cast<HWND>(lp) == GetDlgItem(hwnd, IDC_PANEL_ALPHA_SLIDER) && !st->updating)
            SetTransparency(e, hwnd, *st, static_cast<int>(SendMessageW(reinterpret_cast<HWND>(lp), TBM_GETPOS, 0, 0)), true);
        return 0;
    default: break;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

HWND MakePanel(Editor& e) {
    return CreateWindowExW(WS_EX_CONTROLPARENT, kColourPanelClass, L"", WS_CHILD | WS_CLIPCHILDREN, 0, 0, 0, 0, e.frame.rightPanel, nullptr,
                           e.instance, &e);
}

void CreateColourPanel(Editor& e) {
    HWND p = e.frame.colourPanel = MakePanel(e);
    MakeChild(e, p, L"STATIC", L"描画色", SS_NOPREFIX, kLabelColours);
    MakeChild(e, p, kCustomClassNames[2], L"", 0, IDC_PANEL_COLOUR_FIRST);
    MakeChild(e, p, kCustomClassNames[2], L"", 0, IDC_PANEL_COLOUR_SECOND);
    MakeChild(e, p, L"STATIC", L"透明度", SS_NOPREFIX | SS_CENTERIMAGE, kLabelAlpha);
    // Read-only like the zoom box: the keys typed in the frame stay the editor's shortcuts.
    HWND edit = MakeChild(e, p, L"EDIT", L"0", ES_NUMBER | ES_RIGHT | ES_READONLY, IDC_PANEL_ALPHA_EDIT, WS_EX_CLIENTEDGE);
    SendMessageW(edit, EM_LIMITTEXT, 3, 0);
    HWND spin = MakeChild(e, p, UPDOWN_CLASSW, L"", UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS | UDS_NOTHOUSANDS, IDC_PANEL_ALPHA_SPIN);
    SendMessageW(spin, UDM_SETRANGE32, 0, 255);
    HWND slider = MakeChild(e, p, TRACKBAR_CLASSW, L"", TBS_HORZ | TBS_NOTICKS | WS_TABSTOP, IDC_PANEL_ALPHA_SLIDER);
    SendMessageW(slider, TBM_SETRANGEMIN, FALSE, 0);
    SendMessageW(slider, TBM_SETRANGEMAX, FALSE, 255);
    SendMessageW(slider, TBM_SETPAGESIZE, 0, 16);
    MakeChild(e, p, L"STATIC", L"作成した色", SS_NOPREFIX, kLabelCustom);
    MakeChild(e, p, kCustomClassNames[1], L"", 0, IDC_PANEL_CUSTOM);
    MakeChild(e, p, L"BUTTON", L"色選択...", BS_PUSHBUTTON | WS_TABSTOP, cmd::kColourSelect);
}

void CreatePalettePanel(Editor& e) {
    HWND p = e.frame.palettePanel = MakePanel(e);
    size_t n = 0;
    const ToolBarButton* buttons = PaletteToolBarButtons(&n);
    HWND bar = e.frame.paletteToolBar = CreateButtonBar(e, p, buttons, n);
    for (size_t i = 0; i < n; ++i) {
        const int id = buttons[i].command;
        if (id == 0) continue;
        TBBUTTONINFOW info{};
        info.cbSize = sizeof info;
        info.dwMask = TBIF_STYLE;
        info.fsStyle = id == cmd::kPalTransparent ? BTNS_CHECK : (id == cmd::kPalDialog ? BTNS_BUTTON : BTNS_CHECKGROUP);
        SendMessageW(bar, TB_SETBUTTONINFOW, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(&info));
    }
    MakeChild(e, p, L"STATIC", L"パレット", SS_NOPREFIX, kLabelPalette);
    MakeChild(e, p, kCustomClassNames[0], L"", 0, IDC_PANEL_PALETTE_GRID);
    MakeChild(e, p, L"STATIC", L"描画色", SS_NOPREFIX, kLabelPaletteColour);
    MakeChild(e, p, kCustomClassNames[2], L"", 0, IDC_PANEL_PALETTE_COLOUR);
    MakeChild(e, p, L"STATIC", L"", SS_NOPREFIX | SS_CENTERIMAGE, IDC_PANEL_PALETTE_HEX);
    MakeChild(e, p, L"BUTTON", L"色選択...", BS_PUSHBUTTON | WS_TABSTOP, cmd::kColourSelect);
}

void ShowColourPanel(Editor& e, const ImageSlot* s) {
    HWND p = e.frame.colourPanel;
    for (HWND c = GetWindow(p, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if (GetDlgCtrlID(c) != cmd::kColourSelect) SetEnabled(c, s != nullptr);
    // Command 40044 edits no colour of a direct-colour image while the selection tool is chosen.
    SetEnabled(GetDlgItem(p, cmd::kColourSelect), s && s->tool != kToolSelect);
    const int active = s && s->activeColour ? 1 : 0;
    for (int which : {0, 1}) {
        HWND swatch = GetDlgItem(p, which ? IDC_PANEL_COLOUR_SECOND : IDC_PANEL_COLOUR_FIRST);
        const uint32_t colour = s ? s->colours[static_cast<size_t>(which)] : 0xFFFFFFu;
        SetControlColours(swatch, &colour, 1);
        SetControlSelected(swatch, s && which == active ? 0 : -1);
    }
    SetControlColours(GetDlgItem(p, IDC_PANEL_CUSTOM), e.colourSwatches.data(), e.colourSwatches.size());
    PanelState* st = StateOf(p);
    const int transparency = s ? s->colourTransparency[static_cast<size_t>(active)] : 0;
    st->updating = true;
    HWND slider = GetDlgItem(p, IDC_PANEL_ALPHA_SLIDER);
    if (SendMessageW(slider, TBM_GETPOS, 0, 0) != transparency) SendMessageW(slider, TBM_SETPOS, TRUE, transparency);
    SetTextIfChanged(GetDlgItem(p, IDC_PANEL_ALPHA_EDIT), ToText(transparency));
    st->updating = false;
}

void ShowPalettePanel(Editor& e, const ImageSlot& s) {
    HWND p = e.frame.palettePanel;
    PanelState* st = StateOf(p);
    std::vector<uint32_t> entries;
    ReadPaletteEntries(s.bitmap.get(), &entries);
    const PaletteWork shown = PaletteWork::FromPalette(entries);
    SetControlColours(GetDlgItem(p, IDC_PANEL_PALETTE_GRID), shown.colours.data(), shown.colours.size());
    // The entry of the panel's colour: the one clicked last while it still has it, else the first.
    const uint32_t colour = s.colours[0] & 0xFFFFFFu;
    int selected = -1;
    if (st->paletteHit >= 0 && st->paletteHit < shown.count && shown.colours[static_cast<size_t>(st->paletteHit)] == colour)
        selected = st->paletteHit;
    for (int i = 0; selected < 0 && i < shown.count; ++i)
        if (shown.colours[static_cast<size_t>(i)] == colour) selected = i;
    SetControlSelected(GetDlgItem(p, IDC_PANEL_PALETTE_GRID), selected);
    SetControlColours(GetDlgItem(p, IDC_PANEL_PALETTE_COLOUR), &colour, 1);
    SetTextIfChanged(GetDlgItem(p, IDC_PANEL_PALETTE_HEX), RgbHexText(RgbFromWin32(colour)));
    HWND bar = e.frame.paletteToolBar;
    auto check = [bar](int id, bool on) {
        if (SendMessageW(bar, TB_ISBUTTONCHECKED, static_cast<WPARAM>(id), 0) != (on ? TRUE : FALSE))
            SendMessageW(bar, TB_CHECKBUTTON, static_cast<WPARAM>(id), MAKELONG(on ? TRUE : FALSE, 0));
    };
    for (const ToolDescriptor* tool : Tools())
        if (tool->paletteCommand != 0) check(tool->paletteCommand, s.tool == tool->id);
    check(cmd::kPalTransparent, (s.flags & 1u) != 0);
}
}  // namespace

void CreateColourPanels(Editor& e) {
    if (!e.frame.rightPanel) return;
    RegisterCustomControls(e.instance);
    RegisterWindowClass(e.instance, kColourPanelClass, PanelProc, 0, COLOR_BTNFACE);
    CreateColourPanel(e);
    CreatePalettePanel(e);
    e.colourPanelVisible = true;
    e.palettePanelVisible = false;
    ShowWindow(e.frame.colourPanel, SW_SHOWNA);
    ShowColourPanel(e, nullptr);
}

void LayoutColourPanels(Editor& e) {
    if (!e.frame.colourPanel || !e.frame.palettePanel) return;
    auto s = [&e](int v) { return Scaled(e, v); };
    const int width = s(kPanelWidth), m = s(8), inner = width - 2 * m;
    for (HWND panel : {e.frame.colourPanel, e.frame.palettePanel})
        for (HWND c = GetWindow(panel, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
            SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(GuiFont()), TRUE);

    HWND p = e.frame.colourPanel;
    MoveWindow(p, 0, 0, width, s(250), TRUE);
    const int half = (inner - s(8)) / 2;
    Place(p, kLabelColours, m, s(8), inner, s(16));
    Place(p, IDC_PANEL_COLOUR_FIRST, m, s(26), half, s(40));
    Place(p, IDC_PANEL_COLOUR_SECOND, m + half + s(8), s(26), half, s(40));
    Place(p, kLabelAlpha, m, s(74), s(60), s(22));
    Place(p, IDC_PANEL_ALPHA_EDIT, m + inner - s(56), s(74), s(56), s(22));
    SendDlgItemMessageW(p, IDC_PANEL_ALPHA_SPIN, UDM_SETBUDDY, reinterpret_cast<WPARAM>(GetDlgItem(p, IDC_PANEL_ALPHA_EDIT)), 0);
    Place(p, IDC_PANEL_ALPHA_SLIDER, m - s(4), s(100), inner + s(8), s(26));
    Place(p, kLabelCustom, m, s(134), inner, s(16));
    Place(p, IDC_PANEL_CUSTOM, m, s(152), inner, s(42));
    Place(p, cmd::kColourSelect, m, s(204), inner, s(26));

    p = e.frame.palettePanel;
    MoveWindow(p, 0, 0, width, s(330), TRUE);
    size_t n = 0;
    const ToolBarButton* buttons = PaletteToolBarButtons(&n);
    SetButtonImages(e, e.frame.paletteToolBar, buttons, n);
    SIZE bar{};
    SendMessageW(e.frame.paletteToolBar, TB_GETMAXSIZE, 0, reinterpret_cast<LPARAM>(&bar));
    MoveWindow(e.frame.paletteToolBar, s(4), s(4), width - s(8), bar.cy, TRUE);
    const int top = s(8) + bar.cy;
    Place(p, kLabelPalette, m, top, inner, s(16));
    Place(p, IDC_PANEL_PALETTE_GRID, m, top + s(18), inner, inner);
    const int below = top + s(18) + inner + s(8);
    Place(p, kLabelPaletteColour, m, below, inner, s(16));
    Place(p, IDC_PANEL_PALETTE_COLOUR, m, below + s(18), half, s(30));
    Place(p, IDC_PANEL_PALETTE_HEX, m + half + s(8), below + s(18), half, s(30));
    Place(p, cmd::kColourSelect, m, below + s(56), inner, s(26));
}

void ShowColourPanels(Editor& e) {
    HWND colourPanel = e.frame.colourPanel, palettePanel = e.frame.palettePanel;
    if (!colourPanel || !palettePanel) return;
    const ImageSlot* s = OpenSlot(e);
    const bool indexed = s && IsIndexed(s->pixelFormat);
    if (e.palettePanelVisible != indexed || e.colourPanelVisible == indexed) {
        e.palettePanelVisible = indexed;
        e.colourPanelVisible = !indexed;
        ShowWindow(indexed ? colourPanel : palettePanel, SW_HIDE);
        ShowWindow(indexed ? palettePanel : colourPanel, SW_SHOWNA);
    }
    if (indexed)
        ShowPalettePanel(e, *s);
    else
        ShowColourPanel(e, s);
}

bool RepaintColourSwatch(Editor& e) {
    ShowColourPanels(e);
    const ImageSlot* s = OpenSlot(e);
    if (!s) return false;
    HWND swatch = IsIndexed(s->pixelFormat) ? GetDlgItem(e.frame.palettePanel, IDC_PANEL_PALETTE_COLOUR)
                                            : GetDlgItem(e.frame.colourPanel, s->activeColour ? IDC_PANEL_COLOUR_SECOND : IDC_PANEL_COLOUR_FIRST);
    return swatch && InvalidateRect(swatch, nullptr, FALSE) != FALSE;
}

}  // namespace mirelo
