#include "ui/frame.h"

#include <algorithm>
#include <vector>

#include "app/command_line.h"
#include "app/command_registry.h"
#include "app/commands.h"
#include "app/help.h"
#include "draw/arrow_dialog.h"
#include "ui/canvas.h"
#include "files/open_image.h"
#include "ui/recent_files_menu.h"
#include "select/paths.h"
#include "ui/custom_controls.h"
#include "ui/frame_bars.h"
#include "ui/colour_panels.h"
#include "ui/image_bar.h"
#include "ui/option_bar.h"
#include "app/dispatch.h"
#include "app/editor.h"
#include "app/menu_state.h"
#include "app/refresh.h"
#include "app/user_store.h"
#include "common/gdiplus.h"
#include "image/image_set.h"
#include "paste/paste_objects.h"
#include "res/resource.h"
#include "scanner/twain.h"
#include "files/recovery.h"
#include "edit/viewport.h"

namespace mirelo {

const wchar_t kMainClassName[] = L"Mirelo_CLASS";

namespace {

Editor* EditorOf(HWND hwnd) { return reinterpret_cast<Editor*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)); }

void CreateChildren(Editor& e, HWND hwnd) {
    e.dpi = WindowDpi(hwnd);
    e.frame.imageBarList = ImageList_Create(32, 32, ILC_COLORDDB, 0, 16);
    e.frame.statusBar = CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0, hwnd,
                                  nullptr, e.instance, nullptr);
    CreateFrameBars(e);
    RegisterCustomControls(e.instance);
    e.frame.view = CreateWindowExW(WS_EX_CLIENTEDGE, kViewClassName, L"", WS_CHILD | WS_VISIBLE | WS_HSCROLL | WS_VSCROLL, 0, 0,
                             0, 0, hwnd, nullptr, e.instance, nullptr);
    CreateArrowWindow(e);
    Twain(e).Load();
    LayoutStatusParts(e);
}

void ReleaseAll(Editor& e) {
    Twain(e).Unload();
    for (auto& s : e.images.slots) s.Clear();
    e.images.current = -1;
    if (e.frame.imageBarList) ImageList_Destroy(e.frame.imageBarList);
    e.frame.imageBarList = nullptr;
}

bool AnyUnsavedWork(Editor& e) {
    for (const auto& s : e.images.slots)
        if (s.occupied() && s.HasUnsavedWork()) return true;
    return false;
}

LRESULT OnNotify(Editor& e, NMHDR* hdr) {
    LRESULT result = 0;
    if (HandleZoomNotify(e, hdr, &result)) return result;
    if (hdr->hwndFrom == e.frame.imageBarPager) {
        if (hdr->code == PGN_CALCSIZE) {
            auto* calc = reinterpret_cast<NMPGCALCSIZE*>(hdr);
            SIZE size{};
            SendMessageW(e.frame.imageBar, TB_GETMAXSIZE, 0, reinterpret_cast<LPARAM>(&size));
            if (calc->dwFlag == PGF_CALCHEIGHT) calc->iHeight = size.cy;
            if (calc->dwFlag == PGF_CALCWIDTH) calc->iWidth = size.cx;
        } else if (hdr->code == PGN_SCROLL) {
            auto* scroll = reinterpret_cast<NMPGSCROLL*>(hdr);
            scroll->iScroll = HIWORD(SendMessageW(e.frame.imageBar, TB_GETBUTTONSIZE, 0, 0));
        }
        return 0;
    }
    if (hdr->code == TTN_GETDISPINFOW) {
        auto* info = reinterpret_cast<NMTTDISPINFOW*>(hdr);
        if (const char16_t* tip = ToolTipText(static_cast<int>(hdr->idFrom))) {
            info->lpszText = const_cast<wchar_t*>(W(tip));
            info->hinst = nullptr;
        }
        return 0;
    }
    if (hdr->hwndFrom == e.frame.topRebar && !e.frame.holdLayout &&
        (hdr->code == RBN_HEIGHTCHANGE || hdr->code == RBN_AUTOSIZE || hdr->code == RBN_ENDDRAG)) {
        LayoutFrame(e);
    }
    return 0;
}

// Posted by the first showing: the window paints first, then the copies of an earlier run are
// offered and the files named on the command line open, once.
constexpr UINT kOpenStartupFiles = WM_APP + 1;

void OpenStartupFiles(Editor& e) {
    RedrawWindow(e.frame.mainWindow, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    if (!e.recoveryOffered) {
        // Images of a run that did not end normally come back before the files asked for.
        e.recoveryOffered = true;
        LayoutFrame(e);
        OfferRecovery(e);
    }
    std::vector<Text> files = std::move(e.startupFiles);
    e.startupFiles.clear();
    if (files.empty()) return;
    LayoutFrame(e);  // the images are fitted into the view's real size
    OpenImageFiles(e, files);
    SetForegroundWindow(e.frame.mainWindow);
}

void OnCopyData(Editor& e, const COPYDATASTRUCT* cds) {
    Text text;
    if (!cds || cds->dwData != 0 || !ReadHandOverBlock(cds->lpData, cds->cbData, &text)) return;
    std::vector<Text> paths = PathsToOpen(SplitHandOver(text));
    if (!paths.empty()) OpenImageFiles(e, paths);
}

void OnDropFiles(Editor& e, HDROP drop) {
    if (ResolvePendingPath(e) == IDCANCEL) {
        DragFinish(drop);
        return;
    }
    UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    if (count > kMaxImages) count = kMaxImages;
    std::vector<Text> paths;
    for (UINT i = 0; i < count; ++i) {
        wchar_t name[MAX_PATH] = {};
        DragQueryFileW(drop, i, name, MAX_PATH);
        paths.push_back(FromW(name));
    }
    DragFinish(drop);
    OpenImageFiles(e, paths);
    SetForegroundWindow(e.frame.mainWindow);
    SetActiveWindow(e.frame.mainWindow);
}

// WM_CONTEXTMENU at a screen point.
void ShowContextMenu(Editor& e, HWND hwnd, POINT screen) {
    if (!e.frame.view || !e.frame.menu) return;
    RECT r;
    GetWindowRect(e.frame.view, &r);
    if (!PtInRect(&r, screen)) return;
    ImageSlot* s = e.Current();
    int position = 0;
    HMENU popup = nullptr;
    if (s) {
        // An object under the mouse becomes the selected one and brings its own menu: the
        // object menu for a picture, the menu 貼紙 for a text.
        POINT client = screen;
        ScreenToClient(e.frame.view, &client);
        const ViewLayout l = e.View().Layout();
        const ObjectView view{l.zoom, l.originX - e.viewState.scrollX, l.originY - e.viewState.scrollY};
        const IntPoint pixel = e.View().ToImage(client.x, client.y);
        const ObjectHit hit =
            IsIndexed(s->pixelFormat) ? ObjectHit{} : HitTestPasteObjects(*s, view, client.x, client.y, pixel.x, pixel.y);
        if (hit.index >= 0 && !hit.handle) {
            s->pasteObjects.selected = hit.index;
            TakeTransformOf(e);
            if (s->pasteObjects.items[static_cast<size_t>(hit.index)].isText)
                position = 2;
            else
                popup = GetSubMenu(e.objectMenu, 0);
            e.Changed(change::kObjects);
        } else {
            s->pasteObjects.selected = -1;
            position = PathMenuApplies(*s) ? 3 : 1;
        }
    }
    if (!popup) popup = GetSubMenu(e.frame.menu, position);
    // The menu shows what is available now.
    e.ProgramChanged(change::kOutside);
    ApplyChanges(e);
    int chosen = TrackPopupMenu(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON, screen.x, screen.y, 0, hwnd, nullptr);
    if (chosen)
        SendMessageW(hwnd, WM_COMMAND, static_cast<WPARAM>(chosen), 0);
    else
        e.menuDismissed = true;
    e.ProgramChanged(change::kOutside);
}

// Keeps a dragged frame at least 250 × 250 by moving its right or bottom edge out.
void KeepMinimumSize(RECT* r) {
    constexpr int kMin = 250;
    if (r->right - r->left < kMin) r->right = r->left + kMin;
    if (r->bottom - r->top < kMin) r->bottom = r->top + kMin;
}

LRESULT HandleMainMessage(Editor* e, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CREATE:
        e->frame.menu = GetMenu(hwnd);
        CreateChildren(*e, hwnd);
        e->ProgramChanged(change::kOutside);
        return 0;
    case WM_SHOWWINDOW:
        if (wp && (!e->recoveryOffered || !e->startupFiles.empty())) PostMessageW(hwnd, kOpenStartupFiles, 0, 0);
        return DefWindowProcW(hwnd, msg, wp, lp);
    case kOpenStartupFiles:
        OpenStartupFiles(*e);
        return 0;
    case WM_SIZE:
        if (wp == SIZE_MAXIMIZED || wp == SIZE_RESTORED) SendMessageW(e->frame.topRebar, WM_SIZE, wp, lp);
        ArrangeOptionRows(*e);
        LayoutFrame(*e);
        return 0;
    case WM_SIZING:
        KeepMinimumSize(reinterpret_cast<RECT*>(lp));
        return TRUE;
    case WM_GETMINMAXINFO: {
        auto* info = reinterpret_cast<MINMAXINFO*>(lp);
        info->ptMinTrackSize.x = std::max<LONG>(info->ptMinTrackSize.x, 250);
        info->ptMinTrackSize.y = std::max<LONG>(info->ptMinTrackSize.y, 250);
        return 0;
    }
    case WM_MOVE:
        PlaceArrowWindow(*e);
        return 0;
    case WM_DPICHANGED: {
        e->dpi = HIWORD(wp);
        auto* r = reinterpret_cast<RECT*>(lp);
        SetWindowPos(hwnd, nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top, SWP_NOZORDER | SWP_NOACTIVATE);
        UpdateToolBarImages(*e);
        LayoutFrame(*e);
        return 0;
    }
    case WM_COPYDATA:
        OnCopyData(*e, reinterpret_cast<const COPYDATASTRUCT*>(lp));
        return TRUE;
    case WM_DROPFILES:
        OnDropFiles(*e, reinterpret_cast<HDROP>(wp));
        return 0;
    case WM_INITMENUPOPUP:
        // The clipboard may have changed since the last refresh.
        if (!HIWORD(lp)) ApplyAvailability(*e, ComputeAvailability(*e));
        ShowRecentFiles(*e, reinterpret_cast<HMENU>(wp));
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wp) == WA_INACTIVE) e->frame.messageWindow = FindWindowW(nullptr, L"Message");
        return DefWindowProcW(hwnd, msg, wp, lp);
    case WM_COMMAND:
        if (!HandleZoomCommand(*e, wp, lp) && !HandleOptionBarCommand(*e, wp, lp)) DispatchCommand(*e, hwnd, wp);
        return 0;
    case WM_HSCROLL:
        if (!HandleZoomScroll(*e, lp)) HandleObjectAlphaScroll(*e, lp);
        return 0;
    case WM_KEYDOWN:
        if (!HandleViewKey(*e, wp)) KeyToCommand(*e, hwnd, wp);
        return 0;
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL:
        if (ForwardWheelToView(*e, msg, wp, lp)) return 0;
        break;
    case WM_CONTEXTMENU:
        ShowContextMenu(*e, hwnd, POINT{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))});
        return 0;
    case WM_NOTIFY:
        return OnNotify(*e, reinterpret_cast<NMHDR*>(lp));
    case WM_ACTIVATEAPP:
        e->ProgramChanged(change::kOutside);
        return 0;
    case WM_CLOSE:
        // The close box leaves like the exit command: a path being edited is asked about first.
        if (ResolvePendingPath(*e) == IDCANCEL) return 0;
        if (AnyUnsavedWork(*e) && e->messages.App(u"Mirelo を終了しますか？", MB_YESNO) != IDYES) return 0;
        SaveUserSettings(*e);
        Recovery(*e).EndRun();
        EndHelp(*e);
        DestroyWindow(hwnd);
        return 0;
    case WM_DESTROY:
        ReleaseAll(*e);
        e->frame = FrameWindows{};
        e->messages.mainWindow = nullptr;
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

// Every message of the main window is a choke point: what it changed is shown when it ends.
LRESULT CALLBACK MainProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    Editor* e = EditorOf(hwnd);
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
        e = static_cast<Editor*>(cs->lpCreateParams);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(e));
        e->frame.mainWindow = hwnd;
        e->messages.mainWindow = hwnd;
    }
    if (!e) return DefWindowProcW(hwnd, msg, wp, lp);
    if (msg == WM_NCDESTROY) SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    RefreshPoint refresh(*e);
    return HandleMainMessage(e, hwnd, msg, wp, lp);
}
}  // namespace

void ShowMainWindow(Editor& e) {
    if (e.frame.mainWindow && IsIconic(e.frame.mainWindow)) ShowWindow(e.frame.mainWindow, SW_RESTORE);
}

void LayoutStatusParts(Editor& e) {
    if (!e.frame.statusBar) return;
    if (e.settings.cursorCoords) {
        int parts[2] = {100, -1};
        SendMessageW(e.frame.statusBar, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
    } else {
        int parts[1] = {-1};
        SendMessageW(e.frame.statusBar, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(parts));
    }
}

void LayoutFrame(Editor& e) {
    if (!e.frame.mainWindow) return;
    for (HWND w : {e.frame.topRebar, e.frame.view}) if (w) SendMessageW(w, WM_SETREDRAW, FALSE, 0);
    RECT rc;
    GetClientRect(e.frame.mainWindow, &rc);
    int statusHeight = 0;
    if (e.frame.statusBar) {
        SendMessageW(e.frame.statusBar, WM_SIZE, 0, 0);
        RECT sr;
        GetWindowRect(e.frame.statusBar, &sr);
        statusHeight = sr.bottom - sr.top;
    }
    int top = 0;
    if (e.frame.topRebar) {
        MoveWindow(e.frame.topRebar, 0, 0, rc.right, static_cast<int>(SendMessageW(e.frame.topRebar, RB_GETBARHEIGHT, 0, 0)), TRUE);
        top = static_cast<int>(SendMessageW(e.frame.topRebar, RB_GETBARHEIGHT, 0, 0));
    }
    int height = std::max(0, static_cast<int>(rc.bottom) - statusHeight - top);
    int left = LeftPanelWidth(e), right = RightPanelWidth(e);
    if (e.frame.leftPanel) {
        MoveWindow(e.frame.leftPanel, 0, top, left, height, TRUE);
        LayoutLeftPanel(e);
    }
    if (e.frame.rightPanel) MoveWindow(e.frame.rightPanel, rc.right - right, top, right, height, TRUE);
    if (e.frame.view) MoveWindow(e.frame.view, left + 1, top, std::max(0, static_cast<int>(rc.right) - left - right - 3), height, TRUE);
    for (HWND w : {e.frame.topRebar, e.frame.view}) {
        if (!w) continue;
        SendMessageW(w, WM_SETREDRAW, TRUE, 0);
        RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    }
    // A rebar that grew and shrank again may have drawn over the side panels' top.
    for (HWND w : {e.frame.leftPanel, e.frame.rightPanel})
        if (w) RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

HWND CreateMainWindow(Editor& e, int show) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES | ICC_UPDOWN_CLASS | ICC_COOL_CLASSES | ICC_USEREX_CLASSES |
                                             ICC_PAGESCROLLER_CLASS | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);

    RegisterWindowClass(e.instance, kMainClassName, MainProc, 0, COLOR_BTNFACE, LoadIconW(e.instance, MAKEINTRESOURCEW(IDI_MIRELO)));

    RegisterViewClass(e.instance);

    const WindowPlace place = LoadUserSettings(e);
    HMENU menu = LoadMenuW(e.instance, MAKEINTRESOURCEW(IDR_MAINMENU));
    HWND hwnd = CreateWindowExW(WS_EX_ACCEPTFILES, kMainClassName, L"Mirelo", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, menu, e.instance, &e);
    if (!hwnd) return nullptr;
    if (place.set) {
        // The window comes back where it was left, maximised when it was (unless started minimised).
        WINDOWPLACEMENT wp{sizeof wp};
        wp.rcNormalPosition = RECT{place.x, place.y, place.x + place.width, place.y + place.height};
        const bool normalStart = show == SW_SHOWNORMAL || show == SW_SHOWDEFAULT || show == SW_SHOW;
        wp.showCmd = static_cast<UINT>(place.maximised && normalStart ? SW_SHOWMAXIMIZED : show);
        SetWindowPlacement(hwnd, &wp);
    } else {
        ShowWindow(hwnd, show);
    }
    UpdateWindow(hwnd);
    return hwnd;
}

void RegisterFrame(CommandRegistry& r) {
    r.OnChanges([](Editor& e, const ChangeRecord&, const RefreshPlan& plan) {
        if (plan.showWindow) ShowMainWindow(e);
    });
    r.OnRefreshStep(RefreshStep::Availability, [](Editor& e, const RefreshPlan& plan) {
        if (plan.rebuildImageBar) ShowImageSelectMenu(e);
        ShowAvailability(e);
    });
    r.OnRefreshStep(RefreshStep::OptionBar, [](Editor& e, const RefreshPlan&) { ShowToolSettings(e); });
    r.OnRefreshStep(RefreshStep::ColourPanels, [](Editor& e, const RefreshPlan&) { ShowColourPanels(e); });
    r.OnRefreshStep(RefreshStep::Thumbnails, [](Editor& e, const RefreshPlan& plan) { ShowImageBar(e, plan); });
    r.OnRefreshStep(RefreshStep::StatusLine, [](Editor& e, const RefreshPlan&) { ShowStatusLine(e); });
    r.OnRefreshStep(RefreshStep::ViewLayout, [](Editor& e, const RefreshPlan& plan) { ShowViewLayout(e, plan); });
    r.OnRefreshStep(RefreshStep::ViewInvalidate, [](Editor& e, const RefreshPlan& plan) { InvalidateView(e, plan.marchOnly); });
}

}  // namespace mirelo
