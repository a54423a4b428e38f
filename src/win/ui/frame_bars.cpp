#include "ui/frame_bars.h"

#include <algorithm>
#include <vector>

#include "app/commands.h"
#include "app/editor.h"
#include "edit/view_math.h"
#include "ui/colour_panels.h"
#include "ui/option_bar.h"
#include "ui/toolbar_icons.h"

namespace mirelo {

namespace {
const wchar_t kPanelClass[] = L"Mirelo_PANEL";
constexpr int kImageBarWidth = 44;
constexpr int kAngleBoxWidth = 52;
constexpr int kSmoothBoxWidth = 58;  // the smoothing check box after the angle box
constexpr int kIconSize = 16;

IconDrawing IconOf(int command) {
    // A tool's buttons show its own image.
    if (const ToolDescriptor* tool = FindToolByCommand(command)) return tool->icon;
    ToolIcon icon = ToolIcon::Count;
    switch (command) {
    case cmd::kNew: icon = ToolIcon::New; break;
    case cmd::kOpen: icon = ToolIcon::Open; break;
    case cmd::kSave: icon = ToolIcon::Save; break;
    case cmd::kClose: icon = ToolIcon::Close; break;
    case cmd::kUndo: icon = ToolIcon::Undo; break;
    case cmd::kRedo: icon = ToolIcon::Redo; break;
    case cmd::kCut: icon = ToolIcon::Cut; break;
    case cmd::kCopy: icon = ToolIcon::Copy; break;
    case cmd::kPaste: icon = ToolIcon::Paste; break;
    case cmd::kRotateRight: icon = ToolIcon::RotateRight; break;
    case cmd::kRotateLeft: icon = ToolIcon::RotateLeft; break;
    case cmd::kFitWindow: icon = ToolIcon::FitWindow; break;
    case cmd::kActualSize: icon = ToolIcon::ActualSize; break;
    case cmd::kPalTransparent: icon = ToolIcon::TransparentColour; break;
    case cmd::kPalDialog: icon = ToolIcon::Palette; break;
    case cmd::kPathDeletePoint: icon = ToolIcon::PathDeletePoint; break;
    case cmd::kPathDeleteLast: icon = ToolIcon::PathDeleteLast; break;
    case cmd::kPathDeleteAll: icon = ToolIcon::PathDeleteAll; break;
    default: return FindTool(kToolText)->icon;
    }
    return DrawingOf(icon);
}

// Forwards the commands and notifications of the panel's children to the main window.
LRESULT CALLBACK PanelProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_HSCROLL:
    case WM_VSCROLL:
        return SendMessageW(GetAncestor(hwnd, GA_ROOT), msg, wp, lp);
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

HWND MakeToolBar(Editor& e, HWND parent, DWORD extraStyle) {
    HWND tb = CreateWindowExW(0, TOOLBARCLASSNAMEW, L"",
                              WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_NORESIZE | CCS_NODIVIDER |
                                  CCS_NOPARENTALIGN | extraStyle,
                              0, 0, 0, 0, parent, nullptr, e.instance, nullptr);
    SendMessageW(tb, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageW(tb, TB_SETPARENT, reinterpret_cast<WPARAM>(e.frame.mainWindow), 0);
    return tb;
}

// Adds buttons; image i of the tool bar's image list belongs to the i-th non-separator entry.
// A wide separator after `placeholderAfter` leaves room for a control.
void AddButtons(HWND tb, const ToolBarButton* buttons, size_t count, BYTE style, int placeholderAfter, int placeholderWidth) {
    std::vector<TBBUTTON> list;
    int image = 0;
    for (size_t i = 0; i < count; ++i) {
        TBBUTTON b{};
        if (buttons[i].command == 0) {
            b.fsStyle = BTNS_SEP;
        } else {
            b.iBitmap = image++;
            b.idCommand = buttons[i].command;
            b.fsState = TBSTATE_ENABLED;
            b.fsStyle = style;
        }
        list.push_back(b);
        if (placeholderAfter != 0 && buttons[i].command == placeholderAfter) {
            TBBUTTON box{};
            box.iBitmap = placeholderWidth;
            box.fsStyle = BTNS_SEP;
            list.push_back(box);
        }
    }
    SendMessageW(tb, TB_ADDBUTTONSW, list.size(), reinterpret_cast<LPARAM>(list.data()));
}

void SetImages(HWND tb, const ToolBarButton* buttons, size_t count, int size) {
    std::vector<IconDrawing> icons;
    for (size_t i = 0; i < count; ++i)
        if (buttons[i].command != 0) icons.push_back(IconOf(buttons[i].command));
    // Disabled buttons show their icon in grey at half opacity, the same on every system.
    for (UINT message : {TB_SETIMAGELIST, TB_SETDISABLEDIMAGELIST}) {
        HIMAGELIST list = CreateToolbarImageList(icons.data(), static_cast<int>(icons.size()), size, message == TB_SETDISABLEDIMAGELIST);
        HIMAGELIST old = reinterpret_cast<HIMAGELIST>(SendMessageW(tb, message, 0, reinterpret_cast<LPARAM>(list)));
        if (old && old != list) ImageList_Destroy(old);
    }
    SendMessageW(tb, TB_AUTOSIZE, 0, 0);
}

void PlaceAngleBox(Editor& e) {
    int index = static_cast<int>(SendMessageW(e.frame.mainToolBar, TB_COMMANDTOINDEX, cmd::kRotateRight, 0)) + 1;
    RECT r{};
    SendMessageW(e.frame.mainToolBar, TB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&r));
    int h = Scaled(e, 20);
    int top = r.top + (r.bottom - r.top - h) / 2;
    const int box = Scaled(e, kAngleBoxWidth);
    MoveWindow(e.frame.angleEdit, r.left + Scaled(e, 2), top, box - Scaled(e, 4), h, TRUE);
    SendMessageW(e.frame.angleSpin, UDM_SETBUDDY, reinterpret_cast<WPARAM>(e.frame.angleEdit), 0);
    MoveWindow(e.frame.smoothCheck, r.left + box + Scaled(e, 2), top, r.right - r.left - box - Scaled(e, 4), h, TRUE);
}

// Places the main tool bar, the zoom panel and the view buttons side by side in band 0.
SIZE LayoutTopBand(Editor& e) {
    SIZE tb{}, vb{};
    SendMessageW(e.frame.mainToolBar, TB_GETMAXSIZE, 0, reinterpret_cast<LPARAM>(&tb));
    SendMessageW(e.frame.viewToolBar, TB_GETMAXSIZE, 0, reinterpret_cast<LPARAM>(&vb));
    int h = std::max(tb.cy, vb.cy);
    MoveWindow(e.frame.mainToolBar, 0, 0, tb.cx, h, TRUE);
    PlaceAngleBox(e);
    int x = tb.cx + Scaled(e, 6);
    int label = Scaled(e, 34), slider = Scaled(e, 140), edit = Scaled(e, 56), gap = Scaled(e, 4);
    MoveWindow(e.frame.zoomLabel, x, 0, label, h, TRUE);
    x += label;
    MoveWindow(e.frame.zoomSlider, x, 0, slider, h, TRUE);
    x += slider + gap;
    int eh = Scaled(e, 20);
    MoveWindow(e.frame.zoomEdit, x, (h - eh) / 2, edit, eh, TRUE);
    SendMessageW(e.frame.zoomSpin, UDM_SETBUDDY, reinterpret_cast<WPARAM>(e.frame.zoomEdit), 0);
    x += edit + gap;
    MoveWindow(e.frame.viewToolBar, x, 0, vb.cx, h, TRUE);
    x += vb.cx;
    return SIZE{x, h};
}

void UpdateRebarBand(Editor& e) {
    SIZE s = LayoutTopBand(e);
    REBARBANDINFOW band{};
    band.cbSize = sizeof band;
    band.fMask = RBBIM_CHILDSIZE | RBBIM_SIZE | RBBIM_IDEALSIZE;
    band.cxMinChild = s.cx;
    band.cyMinChild = s.cy;
    band.cx = s.cx;
    band.cxIdeal = s.cx;
    SendMessageW(e.frame.topRebar, RB_SETBANDINFOW, 0, reinterpret_cast<LPARAM>(&band));
}
}  // namespace

HWND CreatePanel(Editor& e, HWND parent) {
    return CreateWindowExW(0, kPanelClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 0, 0, parent, nullptr, e.instance,
                           nullptr);
}

HWND CreateButtonBar(Editor& e, HWND parent, const ToolBarButton* buttons, size_t count) {
    HWND tb = MakeToolBar(e, parent, 0);
    AddButtons(tb, buttons, count, BTNS_BUTTON, 0, 0);
    return tb;
}

void SetButtonImages(Editor& e, HWND bar, const ToolBarButton* buttons, size_t count) {
    SetImages(bar, buttons, count, Scaled(e, kIconSize));
}

int WindowDpi(HWND hwnd) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static auto fn = reinterpret_cast<GetDpiForWindowFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (fn && hwnd) {
        UINT dpi = fn(hwnd);
        if (dpi) return static_cast<int>(dpi);
    }
    HDC dc = GetDC(nullptr);
    int dpi = GetDeviceCaps(dc, LOGPIXELSX);
    ReleaseDC(nullptr, dc);
    return dpi > 0 ? dpi : 96;
}

int Scaled(const Editor& e, int length) { return MulDiv(length, e.dpi, 96); }

void CreateFrameBars(Editor& e) {
    RegisterWindowClass(e.instance, kPanelClass, PanelProc, 0, COLOR_BTNFACE);

    // Top rebar, band 0: the main tool bar with the rotation angle box and its smoothing box.
    e.frame.topRebar = CreateWindowExW(WS_EX_TOOLWINDOW, REBARCLASSNAMEW, L"",
                                 WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | RBS_VARHEIGHT |
                                     RBS_BANDBORDERS | CCS_NODIVIDER | CCS_NOPARENTALIGN,
                                 0, 0, 0, 0, e.frame.mainWindow, nullptr, e.instance, nullptr);
    REBARINFO ri{sizeof ri, 0, nullptr};
    SendMessageW(e.frame.topRebar, RB_SETBARINFO, 0, reinterpret_cast<LPARAM>(&ri));
    e.frame.topBand = CreateWindowExW(0, kPanelClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 0, 0, e.frame.topRebar,
                                nullptr, e.instance, nullptr);
    e.frame.mainToolBar = MakeToolBar(e, e.frame.topBand, 0);
    size_t n = 0;
    const ToolBarButton* main = MainToolBarButtons(&n);
    AddButtons(e.frame.mainToolBar, main, n, BTNS_BUTTON, cmd::kRotateRight, Scaled(e, kAngleBoxWidth + kSmoothBoxWidth));
    e.frame.angleEdit = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"90", WS_CHILD | WS_VISIBLE | ES_RIGHT, 0, 0, 0, 0,
                                  e.frame.mainToolBar, nullptr, e.instance, nullptr);
    // Up to seven characters: a sign and any number of degrees, taken modulo 360 when used.
    SendMessageW(e.frame.angleEdit, EM_LIMITTEXT, 7, 0);
    e.frame.angleSpin = CreateWindowExW(0, UPDOWN_CLASSW, L"",
                                  WS_CHILD | WS_VISIBLE | UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS | UDS_NOTHOUSANDS,
                                  0, 0, 0, 0, e.frame.mainToolBar, nullptr, e.instance, nullptr);
    SendMessageW(e.frame.angleSpin, UDM_SETRANGE32, -360, 360);
    SendMessageW(e.frame.angleSpin, UDM_SETPOS32, 0, 90);
    e.frame.smoothCheck = CreateWindowExW(0, L"BUTTON", L"ｽﾑｰｽﾞ", WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, 0, 0, 0, 0,
                                    e.frame.mainToolBar, nullptr, e.instance, nullptr);
    SendMessageW(e.frame.smoothCheck, BM_SETCHECK, BST_CHECKED, 0);
    // The zoom panel and the view buttons follow the main tool bar in the same band.
    e.frame.zoomLabel = CreateWindowExW(0, L"STATIC", L"ｽﾞｰﾑ", WS_CHILD | WS_VISIBLE | SS_CENTERIMAGE, 0, 0, 0, 0, e.frame.topBand,
                                  nullptr, e.instance, nullptr);
    e.frame.zoomSlider = CreateWindowExW(0, TRACKBAR_CLASSW, L"", WS_CHILD | WS_VISIBLE | TBS_HORZ | TBS_BOTTOM | TBS_AUTOTICKS,
                                   0, 0, 0, 0, e.frame.topBand, nullptr, e.instance, nullptr);
    SendMessageW(e.frame.zoomSlider, TBM_SETRANGEMIN, FALSE, kZoomMin);
    SendMessageW(e.frame.zoomSlider, TBM_SETRANGEMAX, FALSE, kZoomMax);
    SendMessageW(e.frame.zoomSlider, TBM_SETTICFREQ, 500, 0);
    SendMessageW(e.frame.zoomSlider, TBM_SETLINESIZE, 0, 100);
    SendMessageW(e.frame.zoomSlider, TBM_SETPOS, TRUE, 100);
    e.frame.zoomEdit = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"100", WS_CHILD | WS_VISIBLE | ES_RIGHT | ES_READONLY | ES_NUMBER,
                                 0, 0, 0, 0, e.frame.topBand, nullptr, e.instance, nullptr);
    SendMessageW(e.frame.zoomEdit, EM_LIMITTEXT, 7, 0);
    e.frame.zoomSpin = CreateWindowExW(0, UPDOWN_CLASSW, L"",
                                 WS_CHILD | WS_VISIBLE | UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS | UDS_NOTHOUSANDS |
                                     UDS_HOTTRACK,
                                 0, 0, 0, 0, e.frame.topBand, nullptr, e.instance, nullptr);
    SendMessageW(e.frame.zoomSpin, UDM_SETRANGE32, kZoomMin, kZoomMax);
    SendMessageW(e.frame.zoomSpin, UDM_SETPOS32, 0, 100);
    e.frame.viewToolBar = MakeToolBar(e, e.frame.topBand, 0);
    const ToolBarButton* view = ViewToolBarButtons(&n);
    AddButtons(e.frame.viewToolBar, view, n, BTNS_BUTTON, 0, 0);

    REBARBANDINFOW band{};
    band.cbSize = sizeof band;
    band.fMask = RBBIM_STYLE | RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_SIZE | RBBIM_ID;
    band.fStyle = RBBS_CHILDEDGE | RBBS_GRIPPERALWAYS;
    band.hwndChild = e.frame.topBand;
    band.wID = 0;
    SendMessageW(e.frame.topRebar, RB_INSERTBANDW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&band));
    // Bands 1 to 27: the tool options, hidden until a tool shows them.
    CreateOptionBands(e);

    // Left panel: tool buttons, view buttons and the image bar.
    e.frame.leftPanel = CreateWindowExW(0, kPanelClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 0, 0, e.frame.mainWindow,
                                  nullptr, e.instance, nullptr);
    e.frame.toolBar = MakeToolBar(e, e.frame.leftPanel, TBSTYLE_WRAPABLE);
    const ToolBarButton* tools = ToolButtons(&n);
    AddButtons(e.frame.toolBar, tools, n, BTNS_CHECKGROUP, 0, 0);
    SendMessageW(e.frame.toolBar, TB_CHECKBUTTON, cmd::kToolSelect, MAKELONG(TRUE, 0));
    e.frame.imageBarPager = CreateWindowExW(0, WC_PAGESCROLLERW, L"", WS_CHILD | WS_VISIBLE | PGS_VERT, 0, 0, 0, 0, e.frame.leftPanel,
                                      nullptr, e.instance, nullptr);
    e.frame.imageBar = CreateWindowExW(0, TOOLBARCLASSNAMEW, L"",
                                 WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_WRAPABLE | CCS_NORESIZE | CCS_NODIVIDER |
                                     CCS_NOPARENTALIGN | CCS_VERT,
                                 0, 0, kImageBarWidth, 100, e.frame.imageBarPager, nullptr, e.instance, nullptr);
    SendMessageW(e.frame.imageBar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageW(e.frame.imageBar, TB_SETPARENT, reinterpret_cast<WPARAM>(e.frame.mainWindow), 0);
    SendMessageW(e.frame.imageBar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(e.frame.imageBarList));
    SendMessageW(e.frame.imageBar, TB_SETBUTTONSIZE, 0, MAKELONG(40, 40));
    SendMessageW(e.frame.imageBarPager, PGM_SETCHILD, 0, reinterpret_cast<LPARAM>(e.frame.imageBar));

    // Right panel: home of the colour and palette panels.
    e.frame.rightPanel = CreateWindowExW(0, kPanelClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 0, 0, e.frame.mainWindow,
                                   nullptr, e.instance, nullptr);
    CreateColourPanels(e);
    UpdateToolBarImages(e);
}

void UpdateToolBarImages(Editor& e) {
    int size = Scaled(e, kIconSize);
    size_t n = 0;
    const ToolBarButton* main = MainToolBarButtons(&n);
    SetImages(e.frame.mainToolBar, main, n, size);
    int index = static_cast<int>(SendMessageW(e.frame.mainToolBar, TB_COMMANDTOINDEX, cmd::kRotateRight, 0)) + 1;
    TBBUTTONINFOW info{};
    info.cbSize = sizeof info;
    info.dwMask = TBIF_SIZE | TBIF_BYINDEX;
    info.cx = static_cast<WORD>(Scaled(e, kAngleBoxWidth + kSmoothBoxWidth));
    SendMessageW(e.frame.mainToolBar, TB_SETBUTTONINFOW, index, reinterpret_cast<LPARAM>(&info));
    const ToolBarButton* tools = ToolButtons(&n);
    SetImages(e.frame.toolBar, tools, n, size);
    const ToolBarButton* view = ViewToolBarButtons(&n);
    SetImages(e.frame.viewToolBar, view, n, size);
    for (HWND w : {e.frame.angleEdit, e.frame.smoothCheck, e.frame.zoomEdit, e.frame.zoomLabel})
        SendMessageW(w, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), TRUE);
    UpdateRebarBand(e);
    LayoutOptionBands(e);
    LayoutLeftPanel(e);
    LayoutColourPanels(e);
}

int LeftPanelWidth(const Editor& e) {
    if (!e.frame.leftPanel) return 0;
    DWORD size = static_cast<DWORD>(SendMessageW(e.frame.toolBar, TB_GETBUTTONSIZE, 0, 0));
    return std::max(2 * static_cast<int>(LOWORD(size)), kImageBarWidth) + Scaled(e, 4);
}

int RightPanelWidth(const Editor& e) {
    return (e.frame.rightPanel && (e.colourPanelVisible || e.palettePanelVisible)) ? Scaled(e, 160) : 0;
}

void LayoutLeftPanel(Editor& e) {
    if (!e.frame.leftPanel) return;
    RECT rc;
    GetClientRect(e.frame.leftPanel, &rc);
    DWORD size = static_cast<DWORD>(SendMessageW(e.frame.toolBar, TB_GETBUTTONSIZE, 0, 0));
    int bw = LOWORD(size), bh = HIWORD(size);
    int gap = Scaled(e, 4);
    int x = (rc.right - 2 * bw) / 2;
    int y = gap;
    // Six tool buttons in two columns, then the image bar.
    MoveWindow(e.frame.toolBar, x, y, 2 * bw, 3 * bh, TRUE);
    RECT rows{};
    SendMessageW(e.frame.toolBar, TB_SETROWS, MAKEWPARAM(3, FALSE), reinterpret_cast<LPARAM>(&rows));
    y += 3 * bh + gap;
    int pagerHeight = std::max(0, static_cast<int>(rc.bottom) - y);
    MoveWindow(e.frame.imageBarPager, (rc.right - kImageBarWidth) / 2, y, kImageBarWidth, pagerHeight, TRUE);
    SendMessageW(e.frame.imageBarPager, PGM_RECALCSIZE, 0, 0);
}

int RotationAngle(const Editor& e) {
    return e.frame.angleEdit ? ParsePlainInt(WindowText(e.frame.angleEdit)) : 0;
}

bool RotationSmoothing(const Editor& e) {
    return e.frame.smoothCheck && SendMessageW(e.frame.smoothCheck, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

}  // namespace mirelo
