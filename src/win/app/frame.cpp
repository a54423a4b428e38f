#include "app/frame.h"

#include "app/commands.h"
#include "app/dispatch.h"
#include "app/editor.h"
#include "app/menu_state.h"
#include "common/gdiplus.h"
#include "image/image_set.h"
#include "res/resource.h"

namespace mirelo {

const wchar_t kMainClassName[] = L"Mirelo_CLASS";
const wchar_t kViewClassName[] = L"Mirelo_CHILD_CLASS";

namespace {
constexpr int kImageBarWidth = 44;
constexpr int kImageButton = 40;

Editor* EditorOf(HWND hwnd) { return reinterpret_cast<Editor*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)); }

// Shows the current image at its own size in the top-left corner of the view.
void PaintView(Editor& e, HWND hwnd) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT rc;
    GetClientRect(hwnd, &rc);
    FillRect(dc, &rc, GetSysColorBrush(COLOR_BTNFACE));
    if (ImageSlot* s = e.Current(); s && s->occupied()) {
        GpGraphicsOwner g;
        if (g.Check(gp::GdipCreateFromHDC(dc, g.put())) == Gdiplus::Ok) {
            gp::GdipSetInterpolationMode(g.get(), Gdiplus::InterpolationModeNearestNeighbor);
            gp::GdipDrawImageRectI(g.get(), s->bitmap.get(), 1, 1, s->width, s->height);
        }
    }
    EndPaint(hwnd, &ps);
}

LRESULT CALLBACK ViewProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    Editor* e = EditorOf(GetParent(hwnd));
    if (msg == WM_PAINT && e) {
        PaintView(*e, hwnd);
        return 0;
    }
    if (msg == WM_ERASEBKGND) return 1;
    return DefWindowProcW(hwnd, msg, wp, lp);
}

void CreateChildren(Editor& e, HWND hwnd) {
    e.imageBarList = ImageList_Create(32, 32, ILC_COLORDDB, 0, 16);
    e.statusBar = CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0, hwnd,
                                  nullptr, e.instance, nullptr);
    e.imageBarPager = CreateWindowExW(0, WC_PAGESCROLLERW, L"", WS_CHILD | WS_VISIBLE | PGS_VERT, 0, 0, kImageBarWidth,
                                      100, hwnd, nullptr, e.instance, nullptr);
    e.imageBar = CreateWindowExW(0, TOOLBARCLASSNAMEW, L"",
                                 WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_WRAPABLE | CCS_NORESIZE | CCS_NODIVIDER |
                                     CCS_NOPARENTALIGN | CCS_VERT,
                                 0, 0, kImageBarWidth, 100, e.imageBarPager, nullptr, e.instance, nullptr);
    SendMessageW(e.imageBar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageW(e.imageBar, TB_SETPARENT, reinterpret_cast<WPARAM>(hwnd), 0);
    SendMessageW(e.imageBar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(e.imageBarList));
    SendMessageW(e.imageBar, TB_SETBUTTONSIZE, 0, MAKELONG(kImageButton, kImageButton));
    SendMessageW(e.imageBarPager, PGM_SETCHILD, 0, reinterpret_cast<LPARAM>(e.imageBar));
    e.view = CreateWindowExW(WS_EX_CLIENTEDGE, kViewClassName, L"", WS_CHILD | WS_VISIBLE, 0, 0,
                             0, 0, hwnd, nullptr, e.instance, nullptr);
    LayoutStatusParts(e);
}

void ReleaseAll(Editor& e) {
    for (auto& s : e.images.slots) s.Clear();
    e.images.current = -1;
    if (e.imageBarList) {
        ImageList_Destroy(e.imageBarList);
        e.imageBarList = nullptr;
    }
}

bool AnyUndoableStep(Editor& e) {
    for (const auto& s : e.images.slots)
        if (s.occupied() && s.undo.HasUndoableStep()) return true;
    return false;
}

LRESULT OnNotify(Editor& e, NMHDR* hdr) {
    if (hdr->hwndFrom == e.imageBarPager) {
        if (hdr->code == PGN_CALCSIZE) {
            auto* calc = reinterpret_cast<NMPGCALCSIZE*>(hdr);
            SIZE size{};
            SendMessageW(e.imageBar, TB_GETMAXSIZE, 0, reinterpret_cast<LPARAM>(&size));
            if (calc->dwFlag == PGF_CALCHEIGHT) calc->iHeight = size.cy;
            if (calc->dwFlag == PGF_CALCWIDTH) calc->iWidth = kImageBarWidth;
        } else if (hdr->code == PGN_SCROLL) {
            auto* scroll = reinterpret_cast<NMPGSCROLL*>(hdr);
            scroll->iScroll = HIWORD(SendMessageW(e.imageBar, TB_GETBUTTONSIZE, 0, 0));
        }
    }
    return 0;
}

LRESULT CALLBACK MainProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    Editor* e = EditorOf(hwnd);
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
        e = static_cast<Editor*>(cs->lpCreateParams);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(e));
        e->mainWindow = hwnd;
        e->messages.mainWindow = hwnd;
    }
    if (!e) return DefWindowProcW(hwnd, msg, wp, lp);
    switch (msg) {
    case WM_CREATE:
        e->menu = GetMenu(hwnd);
        CreateChildren(*e, hwnd);
        CheckSettingItems(*e);
        CheckGridItem(*e);
        RefreshMenuState(*e);
        return 0;
    case WM_SIZE:
        LayoutFrame(*e);
        return 0;
    case WM_COMMAND:
        DispatchCommand(*e, hwnd, wp);
        return 0;
    case WM_KEYDOWN:
        KeyToCommand(*e, hwnd, wp);
        return 0;
    case WM_CONTEXTMENU:
        ShowContextMenu(*e, hwnd, POINT{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))});
        return 0;
    case WM_NOTIFY:
        return OnNotify(*e, reinterpret_cast<NMHDR*>(lp));
    case WM_ACTIVATEAPP:
        RefreshMenuState(*e);
        return 0;
    case WM_CLOSE:
        if (AnyUndoableStep(*e) && e->messages.App(u"Mirelo を終了しますか？", MB_YESNO) != IDYES) return 0;
        DestroyWindow(hwnd);
        return 0;
    case WM_DESTROY:
        ReleaseAll(*e);
        e->mainWindow = nullptr;
        e->messages.mainWindow = nullptr;
        e->statusBar = e->imageBar = e->imageBarPager = e->view = nullptr;
        e->menu = nullptr;
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}
}  // namespace

void LayoutStatusParts(Editor& e) {
    if (!e.statusBar) return;
    if (e.settings.cursorCoords) {
        int parts[2] = {100, -1};
        SendMessageW(e.statusBar, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
    } else {
        int parts[1] = {-1};
        SendMessageW(e.statusBar, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(parts));
    }
}

void LayoutFrame(Editor& e) {
    if (!e.mainWindow) return;
    RECT rc;
    GetClientRect(e.mainWindow, &rc);
    int statusHeight = 0;
    if (e.statusBar) {
        SendMessageW(e.statusBar, WM_SIZE, 0, 0);
        RECT sr;
        GetWindowRect(e.statusBar, &sr);
        statusHeight = sr.bottom - sr.top;
    }
    int height = rc.bottom - statusHeight;
    if (height < 0) height = 0;
    if (e.imageBarPager) MoveWindow(e.imageBarPager, 0, 0, kImageBarWidth, height, TRUE);
    if (e.view) {
        int width = rc.right - kImageBarWidth - 1;
        MoveWindow(e.view, kImageBarWidth + 1, 0, width > 0 ? width : 0, height, TRUE);
    }
}

HWND CreateMainWindow(Editor& e, int show) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES | ICC_UPDOWN_CLASS | ICC_COOL_CLASSES | ICC_USEREX_CLASSES |
                                             ICC_PAGESCROLLER_CLASS | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = MainProc;
    wc.hInstance = e.instance;
    wc.hIcon = LoadIconW(e.instance, MAKEINTRESOURCEW(IDI_MIRELO));
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kMainClassName;
    wc.hIconSm = wc.hIcon;
    RegisterClassExW(&wc);

    WNDCLASSEXW vc{};
    vc.cbSize = sizeof vc;
    vc.style = CS_DBLCLKS;
    vc.lpfnWndProc = ViewProc;
    vc.hInstance = e.instance;
    vc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    vc.lpszClassName = kViewClassName;
    RegisterClassExW(&vc);

    HMENU menu = LoadMenuW(e.instance, MAKEINTRESOURCEW(IDR_MAINMENU));
    HWND hwnd = CreateWindowExW(WS_EX_ACCEPTFILES, kMainClassName, L"Mirelo", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, menu, e.instance, &e);
    if (hwnd) {
        ShowWindow(hwnd, show);
        UpdateWindow(hwnd);
    }
    return hwnd;
}

}  // namespace mirelo
