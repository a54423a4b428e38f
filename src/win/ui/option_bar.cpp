#include "ui/option_bar.h"

#include <algorithm>
#include <limits>
#include <vector>

#include "app/commands.h"
#include "app/editor.h"
#include "ui/frame.h"
#include "app/command_registry.h"
#include "common/codepage.h"
#include "draw/pen_rules.h"
#include "draw/texture_files.h"
#include "select/path_guard.h"
#include "ui/frame_bars.h"
#include "ui/option_bands.h"
#include "paste/paste_objects.h"

namespace mirelo {

namespace {
constexpr int kDroppedHeight = 300;  // the open list
constexpr int kMaxListWidth = 220;
constexpr int kFontListWidth = 160;
constexpr int kGap = 4;

HFONT GuiFont() { return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)); }

int BandIndex(const Editor& e, int band) {
    return static_cast<int>(SendMessageW(e.frame.topRebar, RB_IDTOINDEX, static_cast<WPARAM>(band), 0));
}

UINT BandStyle(const Editor& e, int index) {
    REBARBANDINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = RBBIM_STYLE;
    SendMessageW(e.frame.topRebar, RB_GETBANDINFOW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&info));
    return info.fStyle;
}

void SetBandStyle(const Editor& e, int index, UINT style) {
    REBARBANDINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = RBBIM_STYLE;
    info.fStyle = style;
    SendMessageW(e.frame.topRebar, RB_SETBANDINFOW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&info));
}

int CALLBACK CollectFace(const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM param) {
    auto* faces = reinterpret_cast<std::vector<FontFace>*>(param);
    Text name = FromW(font->lfFaceName);
    faces->push_back({name, TextToCp932(name)});
    return 1;
}

// The face names of the installed font families, in the order of the font list.
std::vector<Text> InstalledFonts(HWND window) {
    std::vector<FontFace> faces;
    HDC dc = GetDC(window);
    LOGFONTW wanted{};
    wanted.lfCharSet = DEFAULT_CHARSET;
    EnumFontFamiliesExW(dc, &wanted, CollectFace, reinterpret_cast<LPARAM>(&faces), 0);
    ReleaseDC(window, dc);
    return FontNameList(faces);
}

void FillList(HWND list, const std::vector<Text>& entries) {
    SendMessageW(list, CB_INITSTORAGE, entries.size(), entries.size() * 16 * sizeof(wchar_t));
    for (const Text& t : entries) SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(W(t)));
}

int TextWidth(HDC dc, const wchar_t* text, int length) {
    SIZE size{};
    GetTextExtentPoint32W(dc, text, length, &size);
    return size.cx;
}

// The widest entry of a list.
int WidestEntry(HDC dc, HWND list) {
    int widest = 0;
    const int count = static_cast<int>(SendMessageW(list, CB_GETCOUNT, 0, 0));
    std::vector<wchar_t> buffer;
    for (int i = 0; i < count; ++i) {
        const int length = static_cast<int>(SendMessageW(list, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0));
        if (length <= 0) continue;
        buffer.assign(static_cast<size_t>(length) + 1, L'\0');
        SendMessageW(list, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buffer.data()));
        widest = std::max(widest, TextWidth(dc, buffer.data(), length));
    }
    return widest;
}

// Places the labels and lists of a band side by side, then its path buttons, and gives the
// band its panel's size.
SIZE LayoutObjectAlpha(Editor& e);

void LayoutBand(Editor& e, int band) {
    HWND panel = e.frame.optionBands[static_cast<size_t>(band)];
    if (!panel) return;
    const std::vector<OptionControl>& controls = OptionControls();
    HWND pathBar = band == 1 ? e.frame.selectionPathBar : band == 12 ? e.frame.shapePathBar : nullptr;
    SIZE bar{};
    if (pathBar) SendMessageW(pathBar, TB_GETMAXSIZE, 0, reinterpret_cast<LPARAM>(&bar));
    // Band 27 ends with the transparency control of a picture object.
    if (band == 27 && e.frame.objectAlphaPanel) {
        pathBar = e.frame.objectAlphaPanel;
        bar = LayoutObjectAlpha(e);
    }

    int rowHeight = static_cast<int>(bar.cy);
    for (size_t i = 0; i < controls.size(); ++i) {
        if (controls[i].band != band) continue;
        RECT r{};
        GetWindowRect(e.frame.optionLists[i], &r);  // the closed list
        rowHeight = std::max(rowHeight, static_cast<int>(r.bottom - r.top));
    }
    rowHeight += Scaled(e, 2);

    HDC dc = GetDC(panel);
    HGDIOBJ old = SelectObject(dc, GuiFont());
    int x = Scaled(e, 2);
    for (size_t i = 0; i < controls.size(); ++i) {
        const OptionControl& c = controls[i];
        if (c.band != band) continue;
        HWND label = e.frame.optionLabels[i], list = e.frame.optionLists[i];
        const Text text(c.label);
        const int labelWidth = TextWidth(dc, W(text), static_cast<int>(text.size())) + Scaled(e, 2);
        MoveWindow(label, x, 0, labelWidth, rowHeight, TRUE);
        x += labelWidth;
        const int widest = WidestEntry(dc, list);
        const int limit = Scaled(e, c.kind == ListKind::Fonts ? kFontListWidth : kMaxListWidth);
        const int listWidth = std::min(widest + GetSystemMetrics(SM_CXVSCROLL) + Scaled(e, 10), limit);
        RECT r{};
        GetWindowRect(list, &r);
        const int listHeight = r.bottom - r.top;
        MoveWindow(list, x, (rowHeight - listHeight) / 2, listWidth, Scaled(e, kDroppedHeight), TRUE);
        SendMessageW(list, CB_SETDROPPEDWIDTH, static_cast<WPARAM>(std::max(listWidth, widest + Scaled(e, 24))), 0);
        x += listWidth + Scaled(e, kGap);
    }
    SelectObject(dc, old);
    ReleaseDC(panel, dc);
    if (pathBar) {
        MoveWindow(pathBar, x, (rowHeight - bar.cy) / 2, bar.cx, bar.cy, TRUE);
        x += bar.cx + Scaled(e, kGap);
    }
    SetWindowPos(panel, nullptr, 0, 0, x, rowHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

    REBARBANDINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = RBBIM_CHILDSIZE | RBBIM_SIZE | RBBIM_IDEALSIZE;
    info.cxMinChild = static_cast<UINT>(x);
    info.cyMinChild = static_cast<UINT>(rowHeight);
    info.cx = static_cast<UINT>(x);
    info.cxIdeal = static_cast<UINT>(x);
    SendMessageW(e.frame.topRebar, RB_SETBANDINFOW, static_cast<WPARAM>(BandIndex(e, band)), reinterpret_cast<LPARAM>(&info));
}

// The arrow keys on the rotation list go round: before entry 0 comes the last (360), after the
// last comes 0. The choice is announced as a choice made with the keys.
LRESULT CALLBACK WrappingListProc(HWND list, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
    if (msg == WM_KEYDOWN && !SendMessageW(list, CB_GETDROPPEDSTATE, 0, 0)) {
        const int count = static_cast<int>(SendMessageW(list, CB_GETCOUNT, 0, 0));
        const int at = static_cast<int>(SendMessageW(list, CB_GETCURSEL, 0, 0));
        int next = -1;
        if ((wp == VK_LEFT || wp == VK_UP) && at == 0) next = count - 1;
        if ((wp == VK_RIGHT || wp == VK_DOWN) && at == count - 1) next = 0;
        if (next >= 0 && count > 0) {
            SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(next), 0);
            SendMessageW(GetParent(list), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(list), CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
            return 0;
        }
    }
    return DefSubclassProc(list, msg, wp, lp);
}

// The transparency control's own layout: "透明", the slider, the number with its spin; its size.
SIZE LayoutObjectAlpha(Editor& e) {
    HDC dc = GetDC(e.frame.objectAlphaPanel);
    HGDIOBJ old = SelectObject(dc, GuiFont());
    const int labelWidth = TextWidth(dc, L"透明", 2) + Scaled(e, 4);
    SelectObject(dc, old);
    ReleaseDC(e.frame.objectAlphaPanel, dc);
    const int h = Scaled(e, 22), slider = Scaled(e, 100), edit = Scaled(e, 34), spin = Scaled(e, 16);
    MoveWindow(e.frame.objectAlphaLabel, 0, 0, labelWidth, h, TRUE);
    MoveWindow(e.frame.objectAlphaSlider, labelWidth, 0, slider, h, TRUE);
    MoveWindow(e.frame.objectAlphaEdit, labelWidth + slider, Scaled(e, 1), edit, h - Scaled(e, 2), TRUE);
    SendMessageW(e.frame.objectAlphaSpin, UDM_SETBUDDY, reinterpret_cast<WPARAM>(e.frame.objectAlphaEdit), 0);
    const SIZE size{labelWidth + slider + edit + spin, h};
    MoveWindow(e.frame.objectAlphaPanel, 0, 0, size.cx, size.cy, TRUE);
    return size;
}

void CreateObjectAlpha(Editor& e) {
    HWND panel = CreatePanel(e, e.frame.optionBands[27]);
    e.frame.objectAlphaPanel = panel;
    e.frame.objectAlphaLabel = CreateWindowExW(0, L"STATIC", L"透明", WS_CHILD | WS_VISIBLE | SS_CENTERIMAGE | SS_NOPREFIX, 0, 0, 0, 0, panel,
                                               nullptr, e.instance, nullptr);
    e.frame.objectAlphaSlider = CreateWindowExW(0, TRACKBAR_CLASSW, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | TBS_HORZ | TBS_AUTOTICKS, 0, 0,
                                                0, 0, panel, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kObjectAlphaSliderId)), e.instance,
                                                nullptr);
    SendMessageW(e.frame.objectAlphaSlider, TBM_SETRANGE, TRUE, MAKELPARAM(0, 255));
    SendMessageW(e.frame.objectAlphaSlider, TBM_SETTICFREQ, 64, 0);
    e.frame.objectAlphaEdit = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"0", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_NUMBER | ES_RIGHT, 0, 0,
                                              0, 0, panel, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kObjectAlphaEditId)), e.instance,
                                              nullptr);
    SendMessageW(e.frame.objectAlphaEdit, EM_LIMITTEXT, 3, 0);
    e.frame.objectAlphaSpin = CreateWindowExW(0, UPDOWN_CLASSW, L"",
                                              WS_CHILD | WS_VISIBLE | UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS | UDS_NOTHOUSANDS, 0,
                                              0, 0, 0, panel, nullptr, e.instance, nullptr);
    SendMessageW(e.frame.objectAlphaSpin, UDM_SETRANGE32, 0, 255);
    for (HWND w : {e.frame.objectAlphaLabel, e.frame.objectAlphaEdit})
        SendMessageW(w, WM_SETFONT, reinterpret_cast<WPARAM>(GuiFont()), FALSE);
}

// A new transparency from the slider or the number, for the selected picture object.
void OnObjectAlphaChanged(Editor& e, int value, bool fromSlider) {
    if (e.frame.updatingObjectAlpha) return;
    value = std::clamp(value, 0, 255);
    e.frame.updatingObjectAlpha = true;
    if (fromSlider)
        SetWindowTextW(e.frame.objectAlphaEdit, W(ToText(value)));
    else
        SendMessageW(e.frame.objectAlphaSlider, TBM_SETPOS, TRUE, value);
    e.frame.updatingObjectAlpha = false;
    SetSelectedObjectTransparency(e, value);
}

// Shows the value of the current image's option in list i.
void ShowValue(Editor& e, size_t i, const ImageSlot& slot) {
    const OptionControl& c = OptionControls()[i];
    const int option = OptionFor(c, slot.tool);
    if (option < 0) return;
    int index = ListIndex(c, slot.toolSettings[static_cast<size_t>(option)]);
    if (slot.tool == kToolText && option == kTextLayoutOption)
        index = ShownLayoutEntry(index, static_cast<int>(SendMessageW(e.frame.optionLists[i], CB_GETCOUNT, 0, 0)));
    if (SendMessageW(e.frame.optionLists[i], CB_GETCURSEL, 0, 0) != index)
        SendMessageW(e.frame.optionLists[i], CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

BandState CurrentBands(Editor& e, int* tool) {
    const ImageSlot* s = e.Current();
    const bool open = s && s->occupied();
    *tool = open ? s->tool : 0;
    return ComputeBands(*tool, open ? s->toolSettings : DefaultToolSettings(), open,
                        open && s->pasteObjects.Selected() != nullptr);
}

// Each shown band takes the room its row leaves.
void MaximiseBands(Editor& e) {
    for (int b = 1; b < kOptionBandCount; ++b) {
        const int index = BandIndex(e, b);
        if (!(BandStyle(e, index) & RBBS_HIDDEN)) SendMessageW(e.frame.topRebar, RB_MAXIMIZEBAND, static_cast<WPARAM>(index), FALSE);
    }
}

// … and the frame follows the rebar's height.
void MaximiseShownBands(Editor& e) {
    MaximiseBands(e);
    LayoutFrame(e);
}

// Whether the bar already shows what the rules give: its bands, path buttons and greyed lists.
bool BandsShown(Editor& e, const BandState& st, int tool) {
    size_t n = 0;
    const ToolBarButton* buttons = PathToolBarButtons(&n);
    for (size_t i = 0; i < n && i < st.shapePathButtons.size(); ++i) {
        const WPARAM id = static_cast<WPARAM>(buttons[i].command);
        if ((SendMessageW(e.frame.selectionPathBar, TB_ISBUTTONHIDDEN, id, 0) != 0) == st.selectionPathButtons[i] ||
            (SendMessageW(e.frame.shapePathBar, TB_ISBUTTONHIDDEN, id, 0) != 0) == st.shapePathButtons[i])
            return false;
    }
    const std::vector<OptionControl>& controls = OptionControls();
    for (size_t i = 0; i < controls.size(); ++i) {
        const int option = OptionFor(controls[i], tool);
        if ((IsWindowEnabled(e.frame.optionLists[i]) != FALSE) != (option < 0 || !st.disabled.test(static_cast<size_t>(option)))) return false;
    }
    for (int b = 1; b < kOptionBandCount; ++b) {
        const bool shown = st.shown.test(static_cast<size_t>(b));
        if (((BandStyle(e, BandIndex(e, b)) & RBBS_HIDDEN) == 0) != shown ||
            ((GetWindowLongW(e.frame.optionBands[static_cast<size_t>(b)], GWL_STYLE) & WS_VISIBLE) != 0) != shown)
            return false;
    }
    return true;
}

// Runs the band rules for the current image and shows their outcome.
void ApplyBands(Editor& e) {
    int tool = 0;
    const BandState st = CurrentBands(e, &tool);
    // Laying the bar out again moves and repaints the whole frame: only when something differs.
    if (BandsShown(e, st, tool)) return;
    // The rebar lays itself out again at each band shown, hidden or widened; drawing is held and
    // the frame follows its height once, at the end, instead of at each step.
    e.frame.holdLayout = true;
    SendMessageW(e.frame.topRebar, WM_SETREDRAW, FALSE, 0);
    size_t n = 0;
    const ToolBarButton* buttons = PathToolBarButtons(&n);
    for (size_t i = 0; i < n && i < st.shapePathButtons.size(); ++i) {
        const WPARAM id = static_cast<WPARAM>(buttons[i].command);
        SendMessageW(e.frame.selectionPathBar, TB_HIDEBUTTON, id, MAKELONG(st.selectionPathButtons[i] ? FALSE : TRUE, 0));
        SendMessageW(e.frame.shapePathBar, TB_HIDEBUTTON, id, MAKELONG(st.shapePathButtons[i] ? FALSE : TRUE, 0));
    }
    LayoutBand(e, 1);
    LayoutBand(e, 12);
    const std::vector<OptionControl>& controls = OptionControls();
    for (size_t i = 0; i < controls.size(); ++i) {
        const int option = OptionFor(controls[i], tool);
        EnableWindow(e.frame.optionLists[i], option < 0 || !st.disabled.test(static_cast<size_t>(option)));
    }
    for (int b = 1; b < kOptionBandCount; ++b) {
        const int index = BandIndex(e, b);
        const bool shown = st.shown.test(static_cast<size_t>(b));
        if (((BandStyle(e, index) & RBBS_HIDDEN) == 0) != shown)
            SendMessageW(e.frame.topRebar, RB_SHOWBAND, static_cast<WPARAM>(index), shown ? TRUE : FALSE);
        ShowWindow(e.frame.optionBands[static_cast<size_t>(b)], shown ? SW_SHOWNA : SW_HIDE);
    }
    ArrangeOptionRows(e);
    MaximiseBands(e);
    SendMessageW(e.frame.topRebar, WM_SETREDRAW, TRUE, 0);
    e.frame.holdLayout = false;
    LayoutFrame(e);
    // Drawing was held while the bands changed: the bar and its tool bars are painted afresh.
    RedrawWindow(e.frame.topRebar, nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
}

void OnListChanged(Editor& e, size_t i) {
    ImageSlot* s = e.Current();
    if (!s || !s->occupied()) return;
    const OptionControl& c = OptionControls()[i];
    const int option = OptionFor(c, s->tool);
    if (option < 0) return;
    const int chosen = static_cast<int>(SendMessageW(e.frame.optionLists[i], CB_GETCURSEL, 0, 0));
    if (chosen < 0) return;
    const int value = StoredValue(c, chosen);
    if (!ConfirmToolOptionChange(e, option, value)) {
        if (const ImageSlot* now = e.Current()) ShowValue(e, i, *now);
        return;
    }
    s = e.Current();
    if (!s) return;
    s->toolSettings[static_cast<size_t>(option)] = value;
    for (const auto& observer : e.commands.OptionObservers()) observer(e, option);
    if (BandRulesRead(option))
        ApplyBands(e);
    else
        MaximiseShownBands(e);
    // "ﾃｸｽﾁｬ..." in a pattern list is stored like any other entry, and its file is chosen, once
    // the list is closed on it (moving through a dropped list with the keys only passes over it).
    e.frame.pendingTextureList = -1;
    if (const int texture = TextureSlotForChoice(option, value); texture >= 0) {
        if (SendMessageW(e.frame.optionLists[i], CB_GETDROPPEDSTATE, 0, 0))
            e.frame.pendingTextureList = static_cast<int>(i);
        else
            ChooseTextureFile(e, texture);
    }
    e.Changed(change::kToolOptions);
}
// The file of a pattern list that was closed on "ﾃｸｽﾁｬ...".
void ChooseTextureOfList(Editor& e, size_t i) {
    const ImageSlot* s = e.Current();
    if (!s || !s->occupied()) return;
    const int option = OptionFor(OptionControls()[i], s->tool);
    if (option < 0) return;
    if (const int texture = TextureSlotForChoice(option, s->toolSettings[static_cast<size_t>(option)]); texture >= 0)
        ChooseTextureFile(e, texture);
}
}  // namespace

void CreateOptionBands(Editor& e) {
    if (!e.frame.topRebar) return;
    const std::vector<OptionControl>& controls = OptionControls();
    for (int b = 1; b < kOptionBandCount; ++b) e.frame.optionBands[static_cast<size_t>(b)] = CreatePanel(e, e.frame.topRebar);
    e.frame.optionLists.assign(controls.size(), nullptr);
    e.frame.optionLabels.assign(controls.size(), nullptr);
    for (size_t i = 0; i < controls.size(); ++i) {
        const OptionControl& c = controls[i];
        HWND panel = e.frame.optionBands[static_cast<size_t>(c.band)];
        e.frame.optionLabels[i] = CreateWindowExW(0, L"STATIC", W(c.label), WS_CHILD | WS_VISIBLE | SS_CENTERIMAGE | SS_NOPREFIX,
                                                  0, 0, 0, 0, panel, nullptr, e.instance, nullptr);
        HWND list = CreateWindowExW(0, WC_COMBOBOXW, L"", WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST, 0, 0,
                                    Scaled(e, 80), Scaled(e, kDroppedHeight), panel,
                                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(kOptionControlFirstId + static_cast<int>(i))),
                                    e.instance, nullptr);
        e.frame.optionLists[i] = list;
        if (c.kind == ListKind::Fonts) e.fontNames = InstalledFonts(e.frame.mainWindow);
        FillList(list, c.kind == ListKind::Fonts ? e.fontNames : ListEntries(c));
        if (c.band == 27 && c.option.shape == kTransformRotationOption) SetWindowSubclass(list, WrappingListProc, 0, 0);
    }
    size_t n = 0;
    const ToolBarButton* paths = PathToolBarButtons(&n);
    e.frame.selectionPathBar = CreateButtonBar(e, e.frame.optionBands[1], paths, n);
    e.frame.shapePathBar = CreateButtonBar(e, e.frame.optionBands[12], paths, n);
    CreateObjectAlpha(e);

    for (int b = 1; b < kOptionBandCount; ++b) {
        REBARBANDINFOW band{};
        band.cbSize = sizeof band;
        band.fMask = RBBIM_STYLE | RBBIM_CHILD | RBBIM_ID;
        band.fStyle = RBBS_CHILDEDGE | RBBS_GRIPPERALWAYS | RBBS_HIDDEN;
        band.hwndChild = e.frame.optionBands[static_cast<size_t>(b)];
        band.wID = static_cast<UINT>(b);
        SendMessageW(e.frame.topRebar, RB_INSERTBANDW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&band));
        // Some rebars show the child of a band inserted hidden.
        ShowWindow(band.hwndChild, SW_HIDE);
    }
}

void LayoutOptionBands(Editor& e) {
    if (!e.frame.optionBands[1]) return;
    const LPARAM redraw = TRUE;
    for (HWND w : e.frame.optionLabels) SendMessageW(w, WM_SETFONT, reinterpret_cast<WPARAM>(GuiFont()), redraw);
    for (HWND w : e.frame.optionLists) SendMessageW(w, WM_SETFONT, reinterpret_cast<WPARAM>(GuiFont()), redraw);
    size_t n = 0;
    const ToolBarButton* paths = PathToolBarButtons(&n);
    SetButtonImages(e, e.frame.selectionPathBar, paths, n);
    SetButtonImages(e, e.frame.shapePathBar, paths, n);
    for (int b = 1; b < kOptionBandCount; ++b) LayoutBand(e, b);
}

void ShowOptionValues(Editor& e) {
    if (const ImageSlot* s = e.Current(); s && s->occupied())
        for (size_t i = 0; i < e.frame.optionLists.size(); ++i) ShowValue(e, i, *s);
}

void ShowToolSettings(Editor& e) {
    if (!e.frame.optionBands[1]) return;
    if (const ImageSlot* s = e.Current(); s && s->occupied()) {
        // A text without a frame is offered only the four layouts that need none; a picture
        // object shows its transparency.
        const PasteObject* o = s->pasteObjects.Selected();
        LimitOptionList(e, kToolText, kTextLayoutOption, o && o->isText && !o->inFrame ? 4 : 16);
        // Without a selected picture object (after a switch to another image too) the control
        // shows no other image's object.
        ShowObjectTransparency(e, o && !o->isText ? o->transparency : 0);
        for (size_t i = 0; i < e.frame.optionLists.size(); ++i) ShowValue(e, i, *s);
    }
    ApplyBands(e);
}

void ArrangeOptionRows(Editor& e) {
    if (!e.frame.optionBands[1] || !e.frame.mainWindow) return;
    RECT client{};
    GetClientRect(e.frame.mainWindow, &client);
    const int available = client.right > 0 ? static_cast<int>(client.right) : std::numeric_limits<int>::max();
    int x = 0;
    bool first = true;
    for (int b = 1; b < kOptionBandCount; ++b) {
        const int index = BandIndex(e, b);
        REBARBANDINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = RBBIM_STYLE | RBBIM_CHILDSIZE;
        SendMessageW(e.frame.topRebar, RB_GETBANDINFOW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&info));
        if (info.fStyle & RBBS_HIDDEN) continue;
        RECT borders{};
        SendMessageW(e.frame.topRebar, RB_GETBANDBORDERS, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&borders));
        const int width = static_cast<int>(info.cxMinChild) + borders.left + borders.right;
        // The option bands start below the main tool bar.
        const bool newRow = first || x + width > available;
        if (newRow) x = 0;
        x += width;
        first = false;
        if (((info.fStyle & RBBS_BREAK) != 0) != newRow) SetBandStyle(e, index, newRow ? (info.fStyle | RBBS_BREAK) : (info.fStyle & ~RBBS_BREAK));
    }
}

bool HandleOptionBarCommand(Editor& e, WPARAM wparam, LPARAM lparam) {
    const int id = LOWORD(wparam);
    if (id == kObjectAlphaEditId && reinterpret_cast<HWND>(lparam) == e.frame.objectAlphaEdit) {
        if (HIWORD(wparam) == EN_CHANGE) OnObjectAlphaChanged(e, ParsePlainInt(WindowText(e.frame.objectAlphaEdit)), false);
        return true;
    }
    const std::vector<HWND>& lists = e.frame.optionLists;
    if (id < kOptionControlFirstId || id >= kOptionControlFirstId + static_cast<int>(lists.size())) return false;
    const size_t i = static_cast<size_t>(id - kOptionControlFirstId);
    if (reinterpret_cast<HWND>(lparam) != lists[i]) return false;
    switch (HIWORD(wparam)) {
    case CBN_SELCHANGE: OnListChanged(e, i); break;
    case CBN_SELENDCANCEL: e.frame.pendingTextureList = -1; break;
    case CBN_CLOSEUP:
        if (e.frame.pendingTextureList == static_cast<int>(i)) {
            e.frame.pendingTextureList = -1;
            ChooseTextureOfList(e, i);
        }
        break;
    default: break;
    }
    return true;
}

bool HandleObjectAlphaScroll(Editor& e, LPARAM lparam) {
    if (!e.frame.objectAlphaSlider || reinterpret_cast<HWND>(lparam) != e.frame.objectAlphaSlider) return false;
    OnObjectAlphaChanged(e, static_cast<int>(SendMessageW(e.frame.objectAlphaSlider, TBM_GETPOS, 0, 0)), true);
    return true;
}

void ShowObjectTransparency(Editor& e, int value) {
    if (!e.frame.objectAlphaSlider) return;
    e.frame.updatingObjectAlpha = true;
    SendMessageW(e.frame.objectAlphaSlider, TBM_SETPOS, TRUE, value);
    SetWindowTextW(e.frame.objectAlphaEdit, W(ToText(value)));
    e.frame.updatingObjectAlpha = false;
}

void LimitOptionList(Editor& e, int tool, int option, size_t count) {
    const std::vector<OptionControl>& controls = OptionControls();
    for (size_t i = 0; i < controls.size() && i < e.frame.optionLists.size(); ++i) {
        if (OptionFor(controls[i], tool) != option || controls[i].kind == ListKind::Fonts) continue;
        HWND list = e.frame.optionLists[i];
        std::vector<Text> entries = ListEntries(controls[i]);
        if (count < entries.size()) entries.resize(count);
        if (static_cast<size_t>(SendMessageW(list, CB_GETCOUNT, 0, 0)) == entries.size()) return;
        const LRESULT chosen = SendMessageW(list, CB_GETCURSEL, 0, 0);
        SendMessageW(list, CB_RESETCONTENT, 0, 0);
        FillList(list, entries);
        SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(chosen < static_cast<LRESULT>(entries.size()) ? chosen : 0), 0);
        return;
    }
}

}  // namespace mirelo
