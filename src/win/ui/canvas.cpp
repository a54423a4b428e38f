#include "ui/canvas.h"

#include <algorithm>

#include "app/editor.h"
#include "app/refresh.h"
#include "clipboard/clipboard.h"
#include "image/bitmap_access.h"
#include "image/image_set.h"
#include "res/resource.h"
#include "select/selection_view.h"
#include "files/recovery.h"
#include "edit/viewport.h"

namespace mirelo {

const wchar_t kViewClassName[] = L"Mirelo_CHILD_CLASS";

namespace {
constexpr UINT_PTR kReminderTimer = 1;
constexpr UINT kReminderPeriodMs = 200;

Editor* EditorOfView(HWND view) {
    HWND main = GetParent(view);
    return main ? reinterpret_cast<Editor*>(GetWindowLongPtrW(main, GWLP_USERDATA)) : nullptr;
}

ImageSlot* Shown(Editor& e) {
    ImageSlot* s = e.Current();
    return s && s->occupied() ? s : nullptr;
}

void ReadClient(Editor& e) {
    RECT rc{};
    if (e.frame.view) GetClientRect(e.frame.view, &rc);
    e.viewState.clientWidth = rc.right;
    e.viewState.clientHeight = rc.bottom;
}

int ScrollPos(HWND view, int bar) {
    SCROLLINFO si{sizeof si, SIF_POS};
    GetScrollInfo(view, bar, &si);
    return si.nPos;
}

// Sets a scroll bar and gives back the clamped position.
int SetScroll(HWND view, int bar, int max, int page, int pos) {
    SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL};
    si.nMin = 0;
    si.nMax = max;
    si.nPage = static_cast<UINT>(std::max(page, 0));
    si.nPos = pos;
    // Setting a bar repaints it, which costs Wine milliseconds per bar. A bar that already holds
    // these values is left alone: it keeps its page within the range and its position within what
    // the page leaves, so the values asked for are compared as the bar keeps them. A bar that is
    // disabled before and after (the picture fits) looks the same whatever its range: it is set
    // without being drawn again.
    const ScrollValues kept = KeptScrollValues(max, page, pos);
    SCROLLINFO now{sizeof now, SIF_ALL};
    const bool known = GetScrollInfo(view, bar, &now) != FALSE;
    if (known && now.nMin == 0 && now.nMax == kept.max && static_cast<int>(now.nPage) == kept.page && now.nPos == kept.pos)
        return now.nPos;
    const bool wasDisabled = known && static_cast<int>(now.nPage) > now.nMax - now.nMin;
    const bool staysDisabled = wasDisabled && kept.page > kept.max;
    SetScrollInfo(view, bar, &si, staysDisabled ? FALSE : TRUE);
    return ScrollPos(view, bar);
}

// Moves a scroll bar to `pos` and scrolls the content by the difference.
void ScrollTo(Editor& e, int bar, int pos) {
    SCROLLINFO si{sizeof si, SIF_ALL};
    GetScrollInfo(e.frame.view, bar, &si);
    int maxPos = std::max(0, si.nMax - static_cast<int>(si.nPage) + 1);
    pos = std::clamp(pos, 0, maxPos);
    si.fMask = SIF_POS;
    si.nPos = pos;
    SetScrollInfo(e.frame.view, bar, &si, TRUE);
    int now = ScrollPos(e.frame.view, bar);
    int& field = bar == SB_HORZ ? e.viewState.scrollX : e.viewState.scrollY;
    int delta = field - now;
    field = now;
    if (delta) {
        if (bar == SB_HORZ)
            ScrollWindowEx(e.frame.view, delta, 0, nullptr, nullptr, nullptr, nullptr, SW_INVALIDATE);
        else
            ScrollWindowEx(e.frame.view, 0, delta, nullptr, nullptr, nullptr, nullptr, SW_INVALIDATE);
        InvalidateView(e);
        UpdateWindow(e.frame.view);
    }
}

void OnScroll(Editor& e, int bar, WPARAM wp) {
    SCROLLINFO si{sizeof si, SIF_ALL};
    GetScrollInfo(e.frame.view, bar, &si);
    int pos = si.nPos;
    switch (LOWORD(wp)) {
    case SB_LINEUP: pos = std::max(0, pos - 1); break;
    case SB_LINEDOWN: pos = std::min(si.nMax - 1, pos + 1); break;
    case SB_PAGEUP: pos -= static_cast<int>(si.nPage); break;
    case SB_PAGEDOWN: pos += static_cast<int>(si.nPage); break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: pos = si.nTrackPos; break;  // the full 32-bit position
    case SB_TOP: pos = si.nMin; break;
    case SB_BOTTOM: pos = si.nMax; break;
    default: return;
    }
    ScrollTo(e, bar, pos);
}

void SetZoomControls(Editor& e, int zoom) {
    e.viewState.updatingZoom = true;
    if (e.frame.zoomSlider) SendMessageW(e.frame.zoomSlider, TBM_SETPOS, TRUE, zoom);
    if (e.frame.zoomSpin) SendMessageW(e.frame.zoomSpin, UDM_SETPOS32, 0, zoom);
    if (e.frame.zoomEdit && WindowText(e.frame.zoomEdit) != ToText(zoom)) SetWindowTextW(e.frame.zoomEdit, W(ToText(zoom)));
    e.viewState.updatingZoom = false;
}

HCURSOR CursorForTool(Editor& e, int tool) {
    HCURSOR c = nullptr;
    if (IsToolId(tool)) {
        // A paste object under the mouse, or one being moved, shows its own cursor.
        c = e.tools[kPasteObjectHandling]->Cursor(e);
        if (!c) c = e.tools[static_cast<size_t>(tool)]->Cursor(e);
        if (!c) c = e.viewState.toolCursors[static_cast<size_t>(tool)];
    }
    return c ? c : LoadCursorW(nullptr, IDC_ARROW);
}

ToolEvent MakeToolEvent(Editor& e, int x, int y, WPARAM keys) { return ToolEvent{e.View().ToImage(x, y), x, y, keys}; }

// The paste objects see each event first; the current tool gets what they leave.
template <class Handler>
void Route(Editor& e, ImageSlot& s, const ToolEvent& ev, Handler handler) {
    if (!handler(*e.tools[kPasteObjectHandling], s, ev)) handler(e.CurrentTool(), s, ev);
}

HCURSOR LoadCursorResource(Editor& e, int id) {
    return static_cast<HCURSOR>(LoadImageW(e.instance, MAKEINTRESOURCEW(id), IMAGE_CURSOR, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
}

void LoadCursors(Editor& e) {
    ViewState& v = e.viewState;
    for (const ToolDescriptor* tool : Tools())
        if (tool->cursor != 0) v.toolCursors[static_cast<size_t>(tool->id)] = LoadCursorResource(e, tool->cursor);
    v.cursors[static_cast<size_t>(CursorId::Skew)] = LoadCursorResource(e, IDC_CURSOR_SKEW);
    v.cursors[static_cast<size_t>(CursorId::Wand)] = LoadCursorResource(e, IDC_CURSOR_WAND);
    HCURSOR hand = LoadCursorW(nullptr, IDC_HAND);
    if (!hand) hand = LoadCursorW(e.instance, MAKEINTRESOURCEW(IDC_CURSOR_HAND));
    v.cursors[static_cast<size_t>(CursorId::Hand)] = hand;
}

// Capture and cursor: the view holds the mouse while it is over the visible image.
void TrackCapture(Editor& e, HWND hwnd, int x, int y, bool buttonDown) {
    bool inside = e.View().InImage(x, y);
    bool messageOpen = FindWindowW(nullptr, L"Message") != nullptr;
    bool overArrow = false;
    if (e.arrowWindow && IsWindowVisible(e.arrowWindow)) {
        POINT p{x, y};
        ClientToScreen(hwnd, &p);
        RECT r;
        GetWindowRect(e.arrowWindow, &r);
        overArrow = PtInRect(&r, p) != 0;
    }
    if (!inside || overArrow || messageOpen) {
        if (!buttonDown && GetCapture() == hwnd) ReleaseCapture();
        e.viewState.cursorTool = -1;
        return;
    }
    if (GetCapture() != hwnd) SetCapture(hwnd);
    ImageSlot* s = Shown(e);
    int tool = s ? s->tool : kToolSelect;
    if (e.viewState.cursorTool != tool) {
        SetCursor(CursorForTool(e, tool));
        e.viewState.cursorTool = tool;
    }
    if (e.frame.mainWindow && GetFocus() != e.frame.mainWindow) SetFocus(e.frame.mainWindow);
}

// Scrolling by wheel and keys: a line is this many screen pixels.
constexpr int kLinePixels = 20;

int WheelPixelsPerNotch(const Editor& e, bool horizontal) {
    UINT lines = 3;
    SystemParametersInfoW(horizontal ? SPI_GETWHEELSCROLLCHARS : SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    if (lines == WHEEL_PAGESCROLL) return std::max(horizontal ? e.viewState.clientWidth : e.viewState.clientHeight, 1);
    return static_cast<int>(std::min<UINT>(lines, 100)) * kLinePixels;
}

// Zooms `steps` rungs in (or out when negative) about a client point: the image pixel under it
// stays under it.
void ZoomAbout(Editor& e, int steps, int px, int py) {
    ImageSlot* s = Shown(e);
    if (!s || steps == 0) return;
    int zoom = s->zoom;
    for (int i = 0; i < std::abs(steps) && i < 32; ++i) zoom = ZoomStep(zoom, steps > 0 ? 1 : -1);
    if (zoom == s->zoom) return;
    const ViewLayout before = e.View().Layout();
    const int sx = e.viewState.scrollX, sy = e.viewState.scrollY;
    SetZoom(e, zoom);
    const ScrollPoint to = ScrollKeepingPoint(before, sx, sy, px, py, e.View().Layout());
    ScrollViewTo(e, to.x, to.y);
}

void OnWheel(Editor& e, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (!Shown(e)) return;
    const int delta = GET_WHEEL_DELTA_WPARAM(wp);
    const WORD keys = GET_KEYSTATE_WPARAM(wp);
    POINT p{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
    ScreenToClient(hwnd, &p);
    ViewState& v = e.viewState;
    if (msg == WM_MOUSEWHEEL && (keys & MK_CONTROL)) {
        // Ctrl+wheel, and a touchpad's pinch, zoom about the pointer.
        ZoomAbout(e, v.wheelZoom.Notches(delta), p.x, p.y);
        return;
    }
    if (msg == WM_MOUSEHWHEEL || (keys & MK_SHIFT)) {
        // The tilt wheel turns right with a positive delta; Shift+wheel away from the user goes left.
        const int d = msg == WM_MOUSEHWHEEL ? delta : -delta;
        ScrollViewTo(e, v.scrollX + v.wheelX.Pixels(d, WheelPixelsPerNotch(e, true)), v.scrollY);
    } else {
        ScrollViewTo(e, v.scrollX, v.scrollY + v.wheelY.Pixels(-delta, WheelPixelsPerNotch(e, false)));
    }
}

// Panning: the middle button, or any button while Space is held, drags the picture whatever
// the tool; the tool sees none of it.
bool StartPan(Editor& e, HWND hwnd, int x, int y) {
    if (!Shown(e)) return false;
    ViewState& v = e.viewState;
    v.panning = true;
    v.panFrom = POINT{x, y};
    v.panScrollX = v.scrollX;
    v.panScrollY = v.scrollY;
    SetCapture(hwnd);
    SetCursor(v.Cursor(CursorId::Hand));
    return true;
}

void EndPan(Editor& e, HWND hwnd) {
    e.viewState.panning = false;
    e.viewState.cursorTool = -1;  // the tool's cursor is set again on the next move
    if (GetCapture() == hwnd) ReleaseCapture();
}

bool SpaceHeld() { return GetKeyState(VK_SPACE) < 0; }

void OnMouseMove(Editor& e, HWND hwnd, int x, int y, WPARAM keys) {
    if (e.menuDismissed) return;
    if (e.viewState.panning) {
        const ViewState& v = e.viewState;
        SetCursor(v.Cursor(CursorId::Hand));
        ScrollViewTo(e, v.panScrollX - (x - v.panFrom.x), v.panScrollY - (y - v.panFrom.y));
        return;
    }
    if (e.settings.cursorCoords && e.frame.statusBar && Shown(e)) {
        IntPoint p = e.View().ToImage(x, y);
        Text text = u" " + ToText(p.x) + u", " + ToText(p.y);
        SendMessageW(e.frame.statusBar, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(W(text)));
    }
    TrackCapture(e, hwnd, x, y, (keys & MK_LBUTTON) != 0);
    if (ImageSlot* s = Shown(e))
        Route(e, *s, MakeToolEvent(e, x, y, keys), [&e](Tool& t, ImageSlot& slot, const ToolEvent& ev) { return t.Move(e, slot, ev); });
    // What lies under the mouse may call for another cursor (an object, its handle): it is set
    // here, since no WM_SETCURSOR comes while the view holds the mouse capture.
    if (e.viewState.cursorTool > 0) {
        HCURSOR wanted = CursorForTool(e, e.viewState.cursorTool);
        if (wanted != GetCursor()) SetCursor(wanted);
    }
}

void OnButtonDown(Editor& e, HWND hwnd, int x, int y, WPARAM keys) {
    if (e.menuDismissed) {
        InvalidateView(e);
        return;
    }
    if (e.frame.mainWindow) {
        SetForegroundWindow(e.frame.mainWindow);
        SetFocus(e.frame.mainWindow);
    }
    if (SpaceHeld() && StartPan(e, hwnd, x, y)) return;
    ImageSlot* s = Shown(e);
    if (!s || !e.View().InImage(x, y)) return;
    e.viewState.buttonDown = true;
    Route(e, *s, MakeToolEvent(e, x, y, keys), [&e](Tool& t, ImageSlot& slot, const ToolEvent& ev) { return t.Press(e, slot, ev); });
}

void OnButtonUp(Editor& e, HWND hwnd, int x, int y, WPARAM keys) {
    ClipCursor(nullptr);
    if (e.viewState.panning) {
        EndPan(e, hwnd);
        return;
    }
    const bool wasDown = e.viewState.buttonDown;
    e.viewState.buttonDown = false;
    if (ImageSlot* s = Shown(e); s && wasDown && !e.menuDismissed)
        Route(e, *s, MakeToolEvent(e, x, y, keys), [&e](Tool& t, ImageSlot& slot, const ToolEvent& ev) { return t.Release(e, slot, ev); });
    if (e.menuDismissed) {
        e.menuDismissed = false;
        if (GetCapture() == hwnd) ReleaseCapture();
    }
    // After every click the commands' availability is read again and the view drawn again.
    e.ProgramChanged(change::kOutside);
    e.Changed(change::kOverlay);
}

void OnTimer(Editor& e) {
    if (auto title = e.reminder.Tick(e.clock()); title && e.frame.mainWindow) SetWindowTextW(e.frame.mainWindow, W(*title));
    Recovery(e).Tick(e, static_cast<int64_t>(e.clock()));
    // A copy that could not be written is told once on the status line; work goes on.
    if (Recovery(e).TakeFailure() && !e.viewState.recoveryFailureShown && e.frame.statusBar) {
        e.viewState.recoveryFailureShown = true;
        SendMessageW(e.frame.statusBar, SB_SETTEXTW, e.settings.cursorCoords ? 1 : 0,
                     reinterpret_cast<LPARAM>(L"復元用のコピーを保存できません"));
    }
}

void Paint(Editor& e, HWND hwnd) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT rc;
    GetClientRect(hwnd, &rc);
    GpBitmapOwner& buffer = e.viewState.backBuffer;
    bool drawn = false;
    // Only the invalid part is drawn again and copied to the screen.
    RECT dirty = ps.rcPaint;
    if (!IntersectRect(&dirty, &dirty, &rc)) dirty = rc;
    if (Shown(e) && RenderView(e, buffer, &dirty)) {
        GpGraphicsOwner g;
        if (gp::GdipCreateFromHDC(dc, g.put()) == Gdiplus::Ok) {
            gp::GdipSetCompositingQuality(g.get(), Gdiplus::CompositingQualityHighSpeed);
            gp::GdipSetCompositingMode(g.get(), Gdiplus::CompositingModeSourceCopy);
            gp::GdipSetPixelOffsetMode(g.get(), Gdiplus::PixelOffsetModeHalf);
            gp::GdipSetInterpolationMode(g.get(), Gdiplus::InterpolationModeNearestNeighbor);
            const int w = dirty.right - dirty.left, h = dirty.bottom - dirty.top;
            drawn = gp::GdipDrawImageRectRectI(g.get(), buffer.get(), dirty.left, dirty.top, w, h, dirty.left, dirty.top, w, h,
                                               Gdiplus::UnitPixel, nullptr, nullptr, nullptr) == Gdiplus::Ok;
        }
    } else {
        buffer.reset();
    }
    if (!drawn) FillRect(dc, &rc, GetSysColorBrush(COLOR_BTNFACE));
    e.viewState.marchPaint = false;
    EndPaint(hwnd, &ps);
}

LRESULT HandleViewMessage(Editor* e, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    int x = static_cast<short>(LOWORD(lp)), y = static_cast<short>(HIWORD(lp));
    switch (msg) {
    case WM_CREATE:
        SetScroll(hwnd, SB_HORZ, 0, 0, 0);
        SetScroll(hwnd, SB_VERT, 0, 0, 0);
        LoadCursors(*e);
        SetTimer(hwnd, kReminderTimer, kReminderPeriodMs, nullptr);
        SetTimer(hwnd, kMarchTimer, kMarchPeriodMs, nullptr);
        return 0;
    case WM_SIZE:
        if (e->frame.view == hwnd) LayoutView(*e);
        return 0;
    case WM_HSCROLL:
        OnScroll(*e, SB_HORZ, wp);
        return 0;
    case WM_VSCROLL:
        OnScroll(*e, SB_VERT, wp);
        return 0;
    case WM_TIMER:
        if (wp == kReminderTimer) OnTimer(*e);
        if (wp == kMarchTimer) MarchSelection(*e);
        return 0;
    case WM_CLOSE:
    case WM_DESTROY:
        KillTimer(hwnd, kReminderTimer);
        KillTimer(hwnd, kMarchTimer);
        if (msg == WM_DESTROY) ForgetClipboardOffer(hwnd);
        return 0;
    // The view owns what the program puts on the clipboard and makes its forms when asked.
    case WM_RENDERFORMAT:
        RenderClipboardForm(hwnd, static_cast<UINT>(wp));
        return 0;
    case WM_RENDERALLFORMATS:
        RenderAllClipboardForms(hwnd);
        return 0;
    case WM_DESTROYCLIPBOARD:
        ForgetClipboardOffer(hwnd);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        Paint(*e, hwnd);
        return 0;
    case WM_MOUSEMOVE:
        OnMouseMove(*e, hwnd, x, y, wp);
        return 0;
    case WM_LBUTTONDOWN:
        OnButtonDown(*e, hwnd, x, y, wp);
        return 0;
    case WM_LBUTTONUP:
        OnButtonUp(*e, hwnd, x, y, wp);
        return 0;
    case WM_LBUTTONDBLCLK:
        if (ImageSlot* s = Shown(*e); s && e->View().InImage(x, y))
            Route(*e, *s, MakeToolEvent(*e, x, y, wp),
                  [e](Tool& t, ImageSlot& slot, const ToolEvent& ev) { return t.DoubleClick(*e, slot, ev); });
        e->ProgramChanged(change::kOutside);
        e->Changed(change::kOverlay);
        return 0;
    case WM_RBUTTONDOWN:
        if (SpaceHeld() && StartPan(*e, hwnd, x, y)) return 0;
        InvalidateView(*e);
        return 0;
    case WM_RBUTTONUP:
        if (e->viewState.panning) {
            EndPan(*e, hwnd);
            return 0;  // no context menu after a pan
        }
        break;
    case WM_MBUTTONDOWN:
        StartPan(*e, hwnd, x, y);
        return 0;
    case WM_MBUTTONUP:
        if (e->viewState.panning) EndPan(*e, hwnd);
        return 0;
    case WM_CAPTURECHANGED:
        if (e->viewState.panning && reinterpret_cast<HWND>(lp) != hwnd) e->viewState.panning = false;
        break;
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL:
        OnWheel(*e, hwnd, msg, wp, lp);
        return 0;
    case WM_SETCURSOR:
        if (LOWORD(lp) == HTCLIENT && e->viewState.panning) {
            SetCursor(e->viewState.Cursor(CursorId::Hand));
            return TRUE;
        }
        if (LOWORD(lp) == HTCLIENT && e->viewState.cursorTool > 0) {
            SetCursor(CursorForTool(*e, e->viewState.cursorTool));
            return TRUE;
        }
        break;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

// Every message of the view is a choke point: what its tools changed is shown when it ends.
LRESULT CALLBACK ViewProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    Editor* e = EditorOfView(hwnd);
    if (!e) return DefWindowProcW(hwnd, msg, wp, lp);
    RefreshPoint refresh(*e);
    return HandleViewMessage(e, hwnd, msg, wp, lp);
}
}  // namespace

void RegisterViewClass(HINSTANCE instance) {
    RegisterWindowClass(instance, kViewClassName, ViewProc, CS_DBLCLKS);
}

void LayoutView(Editor& e) {
    if (!e.frame.view) return;
    ImageSlot* s = Shown(e);
    double rx = 0, ry = 0;
    {
        SCROLLINFO h{sizeof h, SIF_ALL}, v{sizeof v, SIF_ALL};
        GetScrollInfo(e.frame.view, SB_HORZ, &h);
        GetScrollInfo(e.frame.view, SB_VERT, &v);
        rx = ScrollRatio(h.nPos, h.nMax, static_cast<int>(h.nPage));
        ry = ScrollRatio(v.nPos, v.nMax, static_cast<int>(v.nPage));
    }
    ReadClient(e);
    if (!s) {
        SetScroll(e.frame.view, SB_HORZ, 0, 0, 0);
        SetScroll(e.frame.view, SB_VERT, 0, 0, 0);
        e.viewState.scrollX = e.viewState.scrollY = 0;
        InvalidateView(e);
        return;
    }
    if (s->zoom <= 0) s->zoom = 100;
    // Two rounds: a scroll bar appearing changes the client size.
    for (int round = 0; round < 2; ++round) {
        ViewLayout l = ComputeLayout(s->width, s->height, s->zoom, e.viewState.clientWidth, e.viewState.clientHeight);
        s->zoomedWidth = l.zoomedWidth;
        s->zoomedHeight = l.zoomedHeight;
        int hmax = l.zoomedWidth + 1, vmax = l.zoomedHeight + 1;
        e.viewState.scrollX = SetScroll(e.frame.view, SB_HORZ, hmax, e.viewState.clientWidth,
                                        ScrollPositionFromRatio(hmax, e.viewState.clientWidth, rx));
        e.viewState.scrollY = SetScroll(e.frame.view, SB_VERT, vmax, e.viewState.clientHeight,
                                        ScrollPositionFromRatio(vmax, e.viewState.clientHeight, ry));
        s->originX = l.originX;
        s->originY = l.originY;
        int w = e.viewState.clientWidth, h = e.viewState.clientHeight;
        ReadClient(e);
        if (w == e.viewState.clientWidth && h == e.viewState.clientHeight) break;
    }
    InvalidateView(e);
}

void SetZoom(Editor& e, int zoom) {
    zoom = std::clamp(zoom, 1, kZoomMax);
    SetZoomControls(e, zoom);
    if (ImageSlot* s = Shown(e)) s->zoom = zoom;
    LayoutView(e);
}

void ShowImageZoom(Editor& e) {
    if (ImageSlot* s = Shown(e)) SetZoomControls(e, s->zoom > 0 ? s->zoom : 100);
}

void FitZoom(Editor& e, bool noEnlarge) {
    ImageSlot* s = Shown(e);
    if (!s || !e.frame.view) return;
    // The fit is computed for the view without scroll bars.
    SetScroll(e.frame.view, SB_HORZ, 0, 0, 0);
    SetScroll(e.frame.view, SB_VERT, 0, 0, 0);
    ReadClient(e);
    SetZoom(e, FitZoomPercent(s->width, s->height, e.viewState.clientWidth, e.viewState.clientHeight, noEnlarge));
}

void ActualSize(Editor& e) { SetZoom(e, 100); }

void ShowViewLayout(Editor& e, const RefreshPlan& plan) {
    if (!plan.fitted.empty() && e.frame.view) {
        // Each new image is fitted into the view without scroll bars, never enlarged.
        SetScroll(e.frame.view, SB_HORZ, 0, 0, 0);
        SetScroll(e.frame.view, SB_VERT, 0, 0, 0);
        ReadClient(e);
        for (int index : plan.fitted) {
            ImageSlot& s = e.images.slots[static_cast<size_t>(index)];
            if (s.occupied())
                s.zoom = std::clamp(FitZoomPercent(s.width, s.height, e.viewState.clientWidth, e.viewState.clientHeight, true), 1, kZoomMax);
        }
    }
    if (plan.fitWindow) {
        FitZoom(e, false);
        return;
    }
    ShowImageZoom(e);
    LayoutView(e);
    if (const ImageSlot* s = Shown(e); s && plan.restoreScroll) ScrollViewTo(e, s->savedScrollX, s->savedScrollY);
}

void InvalidateView(Editor& e, bool pictureKept) {
    if (pictureKept)
        e.viewState.marchPaint = true;
    else
        e.viewState.pictureStale = true;
    if (e.frame.view) InvalidateRect(e.frame.view, nullptr, FALSE);  // the one place the whole view is invalidated
}

void ScrollViewTo(Editor& e, int x, int y) {
    if (!e.frame.view) return;
    ScrollTo(e, SB_HORZ, x);
    ScrollTo(e, SB_VERT, y);
}

bool ForwardWheelToView(Editor& e, UINT msg, WPARAM wp, LPARAM lp) {
    if (!e.frame.view || (msg != WM_MOUSEWHEEL && msg != WM_MOUSEHWHEEL)) return false;
    RECT r;
    GetWindowRect(e.frame.view, &r);
    const POINT p{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
    if (!PtInRect(&r, p)) return false;
    SendMessageW(e.frame.view, msg, wp, lp);
    return true;
}

bool HandleViewKey(Editor& e, WPARAM key) {
    const bool ctrl = GetKeyState(VK_CONTROL) < 0;
    const ViewKey k = ViewKeyFor(static_cast<unsigned>(key), ctrl);
    if (k == ViewKey::None || !Shown(e) || !e.frame.view) return false;
    const ViewState& v = e.viewState;
    switch (k) {
    case ViewKey::ZoomIn:
    case ViewKey::ZoomOut: ZoomAbout(e, k == ViewKey::ZoomIn ? 1 : -1, v.clientWidth / 2, v.clientHeight / 2); break;
    case ViewKey::FitWindow: SendMessageW(e.frame.mainWindow, WM_COMMAND, IDM_FIT_WINDOW, 0); break;
    case ViewKey::ActualSize: SendMessageW(e.frame.mainWindow, WM_COMMAND, IDM_ACTUAL_SIZE, 0); break;
    default: {
        const ScrollPoint to = ScrollForKey(k, v.scrollX, v.scrollY, v.clientHeight, kLinePixels, ctrl);
        ScrollViewTo(e, to.x, to.y);
    }
    }
    return true;
}

bool HandleZoomCommand(Editor& e, WPARAM wp, LPARAM lp) {
    if (!e.frame.zoomEdit || reinterpret_cast<HWND>(lp) != e.frame.zoomEdit) return false;
    if (HIWORD(wp) == EN_SETFOCUS) {
        // The value is changed with the slider, the spin control or the buttons.
        SendMessageW(e.frame.zoomEdit, WM_KILLFOCUS, 0, 0);
    } else if (HIWORD(wp) == EN_CHANGE && !e.viewState.updatingZoom) {
        Text t = WindowText(e.frame.zoomEdit);
        int v = 0;
        for (size_t i = 0; i < t.size() && i < 7 && t[i] >= u'0' && t[i] <= u'9'; ++i) v = v * 10 + (t[i] - u'0');
        if (ImageSlot* s = Shown(e)) s->zoom = v == 0 ? 1 : v;
        LayoutView(e);
    }
    return true;
}

bool HandleZoomScroll(Editor& e, LPARAM lp) {
    if (!e.frame.zoomSlider || reinterpret_cast<HWND>(lp) != e.frame.zoomSlider) return false;
    int raw = static_cast<int>(SendMessageW(e.frame.zoomSlider, TBM_GETPOS, 0, 0));
    int before = Shown(e) ? Shown(e)->zoom : 100;
    int v = SnapZoomSlider(raw);
    SendMessageW(e.frame.zoomSlider, TBM_SETLINESIZE, 0, ZoomSliderLineStep(v, v < before));
    SetZoom(e, v);
    return true;
}

bool HandleZoomNotify(Editor& e, NMHDR* hdr, LRESULT* result) {
    if (!e.frame.zoomSpin || hdr->hwndFrom != e.frame.zoomSpin || hdr->code != UDN_DELTAPOS) return false;
    auto* n = reinterpret_cast<NMUPDOWN*>(hdr);
    int from = Shown(e) ? Shown(e)->zoom : n->iPos;
    int d = n->iDelta > 0 ? 1 : -1;
    SetZoom(e, ZoomSpinStep(from, d));
    *result = TRUE;  // the step is taken here, not by the control
    return true;
}

namespace {
// What lies above the picture within `dirty`: the grid, the selection outline and, above
// everything, the current tool's selection, outlines or preview.
void DrawAboveThePicture(Editor& e, ImageSlot& s, GpBitmapOwner& buffer, const ViewLayout& l, const RECT& dirty, bool grid) {
    const int cw = e.viewState.clientWidth, ch = e.viewState.clientHeight;
    const int sx = e.viewState.scrollX, sy = e.viewState.scrollY;
    const Settings& st = e.settings;
    if (grid || s.selectionPath) {
        BitmapLock lock(e.messages, buffer, kLockReadWrite, fmt::k24RGB, BitmapRole::Image);
        if (!lock.ok()) return;
        if (grid)
            DrawGrid(lock.view(), l.originX, l.originY, std::min(l.zoomedWidth, cw), std::min(l.zoomedHeight, ch), l.zoom, sx, sy,
                     GridSettings{st.gridX, st.gridY, st.gridOffsetX, st.gridOffsetY}, s.width, s.height);
        DrawSelectionOutline(e, s, lock.view(), l, sx, sy);
        lock.Unlock();
    }
    GpGraphicsOwner overlay;
    if (gp::GdipGetImageGraphicsContext(buffer.get(), overlay.put()) == Gdiplus::Ok) {
        gp::GdipSetClipRectI(overlay.get(), dirty.left, dirty.top, dirty.right - dirty.left, dirty.bottom - dirty.top,
                             Gdiplus::CombineModeReplace);
        const OverlayTarget target{overlay.get(), l, sx, sy, dirty.left, dirty.top, dirty.right, dirty.bottom};
        e.CurrentTool().DrawOverlay(e, s, target);
    }
}
}  // namespace

bool RenderView(Editor& e, GpBitmapOwner& buffer, const RECT* dirtyArea) {
    ImageSlot* s = Shown(e);
    int cw = e.viewState.clientWidth, ch = e.viewState.clientHeight;
    if (!s || cw <= 0 || ch <= 0) return false;
    ViewLayout l = e.View().Layout();
    const int sx = e.viewState.scrollX, sy = e.viewState.scrollY;
    const Settings& st = e.settings;
    const bool grid = GridVisible(l.zoom, st.gridX, st.gridY);
    // A part is drawn again only over the last frame of the same size, and only while nothing
    // is drawn that depends on the whole view (the grid, the selection outline).
    int bw = 0, bh = 0, pw = 0, ph = 0;
    const bool sameBuffer = buffer && ImageSize(buffer.get(), &bw, &bh) && bw == cw && bh == ch;
    const bool partial = dirtyArea && sameBuffer && !grid && !s->selectionPath;
    // The outline's march alone: the picture is the layer kept from the last whole frame.
    ViewState& vs = e.viewState;
    if (vs.marchPaint && !vs.pictureStale && sameBuffer && vs.pictureLayer && ImageSize(vs.pictureLayer.get(), &pw, &ph) &&
        pw == cw && ph == ch && CopyAreaInto(e.messages, vs.pictureLayer, 0, 0, buffer)) {
        DrawAboveThePicture(e, *s, buffer, l, RECT{0, 0, cw, ch}, grid);
        return true;
    }
    RECT dirty{0, 0, cw, ch};
    if (partial) {
        const RECT all{0, 0, cw, ch};
        if (!IntersectRect(&dirty, dirtyArea, &all)) return true;
    } else if (!sameBuffer && !CreateGpBitmap(buffer, cw, ch, fmt::k24RGB)) {  // a frame of the same size is drawn over whole
        return false;
    }
    const int dw = dirty.right - dirty.left, dh = dirty.bottom - dirty.top;
    {
        GpGraphicsOwner g;
        if (g.Check(gp::GdipGetImageGraphicsContext(buffer.get(), g.put())) != Gdiplus::Ok) return false;
        gp::GdipSetCompositingQuality(g.get(), Gdiplus::CompositingQualityHighSpeed);
        gp::GdipSetPixelOffsetMode(g.get(), Gdiplus::PixelOffsetModeHalf);
        gp::GdipSetInterpolationMode(g.get(), Gdiplus::InterpolationModeNearestNeighbor);
        gp::GdipSetClipRectI(g.get(), dirty.left, dirty.top, dw, dh, Gdiplus::CombineModeReplace);
        gp::GdipGraphicsClear(g.get(), ArgbFromWin32(GetSysColor(COLOR_BTNFACE)));
        gp::GdipSetClipRectI(g.get(), l.originX, l.originY, std::min(l.zoomedWidth, cw), std::min(l.zoomedHeight, ch),
                             Gdiplus::CombineModeIntersect);

        // Border: seen only where the image is transparent.
        GpPenOwner green, dotted;
        gp::GdipCreatePen1(0xFF00FF00, 1.0f, Gdiplus::UnitPixel, green.put());
        gp::GdipCreatePen1(0xFF000000, 1.0f, Gdiplus::UnitPixel, dotted.put());
        gp::GdipSetPenDashStyle(dotted.get(), Gdiplus::DashStyleDot);
        // Only the visible parts of the edges are drawn (a zoomed image can be far larger than the
        // view); cut ends keep an even distance from the corner so that the dots stay in step.
        int bx = l.originX - sx + 1, by = l.originY - sy + 1;
        int right = bx + l.zoomedWidth - 1, bottom = by + l.zoomedHeight - 1;
        auto cut = [](int from, int to, int limit) {
            int a = from < -2 ? from + ((-2 - from) & ~1) : from;
            int b = std::min(to, limit + 2);
            return std::pair<int, int>{a, b};
        };
        auto [x1, x2] = cut(bx, right, cw);
        auto [y1, y2] = cut(by, bottom, ch);
        for (auto* pen : {green.get(), dotted.get()}) {
            if (x1 <= x2) {
                if (by >= -1 && by <= ch) gp::GdipDrawLineI(g.get(), pen, x1, by, x2, by);
                if (bottom >= -1 && bottom <= ch) gp::GdipDrawLineI(g.get(), pen, x1, bottom, x2, bottom);
            }
            if (y1 <= y2) {
                if (bx >= -1 && bx <= cw) gp::GdipDrawLineI(g.get(), pen, bx, y1, bx, y2);
                if (right >= -1 && right <= cw) gp::GdipDrawLineI(g.get(), pen, right, y1, right, y2);
            }
        }
    }
    // The image, over the border: only its visible part within the dirty rectangle is locked and scaled.
    RECT area{l.originX, l.originY, l.originX + std::min(l.zoomedWidth, cw), l.originY + std::min(l.zoomedHeight, ch)};
    if (!IntersectRect(&area, &area, &dirty)) area = RECT{0, 0, 0, 0};
    const int areaX = area.left, areaY = area.top, areaW = area.right - area.left, areaH = area.bottom - area.top;
    SourceRect src = VisibleSource(l, sx, sy, areaX, areaY, areaW, areaH, s->width, s->height);
    if (areaW > 0 && areaH > 0 && src.right > src.left && src.bottom > src.top) {
        Gdiplus::BitmapData in{}, out{};
        Gdiplus::GpRect part(src.left, src.top, src.right - src.left, src.bottom - src.top);
        Gdiplus::GpRect all(0, 0, cw, ch);
        // A photograph is read in its own format; other formats are converted for the view.
        const PixelFormat own = FormatOf(s->bitmap.get());
        const PixelFormat readAs = ComposableSource(own) ? own : fmt::k32ARGB;
        std::vector<uint32_t> palette;
        if (IsIndexed(readAs)) ReadPaletteEntries(s->bitmap.get(), &palette);
        if (gp::GdipBitmapLockBits(s->bitmap.get(), &part, kLockRead, readAs, &in) == Gdiplus::Ok) {
            if (gp::GdipBitmapLockBits(buffer.get(), &all, kLockReadWrite, fmt::k24RGB, &out) == Gdiplus::Ok) {
                PixelView from{static_cast<int>(in.Width), static_cast<int>(in.Height), in.Stride, readAs,
                               static_cast<uint8_t*>(in.Scan0), palette.data(), static_cast<int>(palette.size())};
                PixelView to{cw, ch, out.Stride, fmt::k24RGB, static_cast<uint8_t*>(out.Scan0)};
                ComposeZoomed(to, areaX, areaY, areaW, areaH, from, src, l, sx, sy, st.checkerboard);
                gp::GdipBitmapUnlockBits(buffer.get(), &out);
            }
            gp::GdipBitmapUnlockBits(s->bitmap.get(), &in);
        }
    }
    // The paste objects lie on the image, under the grid and every outline.
    {
        GpGraphicsOwner objects;
        if (gp::GdipGetImageGraphicsContext(buffer.get(), objects.put()) == Gdiplus::Ok) {
            gp::GdipSetClipRectI(objects.get(), dirty.left, dirty.top, dw, dh, Gdiplus::CombineModeReplace);
            e.tools[kPasteObjectHandling]->DrawOverlay(e, *s, OverlayTarget{objects.get(), l, sx, sy, dirty.left, dirty.top, dirty.right, dirty.bottom});
        }
    }
    // A whole frame with an outline keeps its picture for the outline's march; a part drawn
    // again leaves the kept one behind.
    if (!partial && s->selectionPath) {
        const bool fits = vs.pictureLayer && ImageSize(vs.pictureLayer.get(), &pw, &ph) && pw == cw && ph == ch;
        if ((!fits && !CreateGpBitmap(vs.pictureLayer, cw, ch, fmt::k24RGB)) || !CopyAreaInto(e.messages, buffer, 0, 0, vs.pictureLayer))
            vs.pictureLayer.reset();
        vs.pictureStale = !vs.pictureLayer;
    } else {
        vs.pictureStale = true;
    }
    DrawAboveThePicture(e, *s, buffer, l, dirty, grid);
    return true;
}

}  // namespace mirelo
