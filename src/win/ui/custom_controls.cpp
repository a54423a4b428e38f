#include "ui/custom_controls.h"

#include <algorithm>
#include <vector>

#include "colour/colour_models.h"

namespace mirelo {

const wchar_t* const kCustomClassNames[4] = {L"CUSTOM_CLASS1", L"CUSTOM_CLASS2", L"CUSTOM_CLASS3", L"CUSTOM_CLASS4"};

namespace {
enum class Kind { Grid, Custom, Swatch, Spectrum };

struct ControlState {
    Kind kind = Kind::Swatch;
    std::vector<uint32_t> colours;
    int selected = -1;
    int hit = -1;
    uint32_t picked = 0;
    bool dragging = false;
    // The spectrum scaled to the client size, kept until the size changes.
    std::vector<uint32_t> spectrum;
    int spectrumWidth = 0, spectrumHeight = 0;
};

size_t Capacity(Kind k) {
    switch (k) {
    case Kind::Grid: return kPaletteSwatches;
    case Kind::Custom: return kCustomColourCount;
    case Kind::Swatch: return 1;
    default: return 0;
    }
}

ControlState* StateOf(HWND hwnd) { return reinterpret_cast<ControlState*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)); }

SIZE ClientSize(HWND hwnd) {
    RECT rc;
    GetClientRect(hwnd, &rc);
    return SIZE{rc.right, rc.bottom};
}

// In a dialog a pressed control takes the focus, as its other controls do (the colour dialog's
// hue, lightness and saturation then no longer count as being typed).
void TakeFocusInDialog(HWND hwnd) {
    wchar_t name[16] = {};
    GetClassNameW(GetParent(hwnd), name, 16);
    if (lstrcmpW(name, L"#32770") == 0 && GetFocus() != hwnd) SetFocus(hwnd);
}

void Notify(HWND hwnd, int code) {
    SendMessageW(GetParent(hwnd), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hwnd), code), reinterpret_cast<LPARAM>(hwnd));
}

RECT ToRect(const SwatchRect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

RECT SwatchArea(const ControlState& s, int index, SIZE size) {
    switch (s.kind) {
    case Kind::Grid: return ToRect(GridSwatchRect(index, size.cx, size.cy));
    case Kind::Custom: return ToRect(CustomSwatchRect(index, size.cx, size.cy));
    default: return RECT{0, 0, size.cx, size.cy};
    }
}

int SwatchAt(const ControlState& s, int x, int y, SIZE size) {
    switch (s.kind) {
    case Kind::Grid: return GridSwatchAt(x, y, size.cx, size.cy);
    case Kind::Custom: return CustomSwatchAt(x, y, size.cx, size.cy);
    case Kind::Swatch: return x >= 0 && y >= 0 && x < size.cx && y < size.cy ? 0 : -1;
    default: return -1;
    }
}

void Frame(HDC dc, RECT r, COLORREF colour) {
    HBRUSH b = CreateSolidBrush(colour);
    FrameRect(dc, &r, b);
    DeleteObject(b);
}

// One swatch: its colour inside a thin dark frame; the highlighted one inside a black and a white
// frame, so that it stands out on any colour.
void DrawSwatch(HDC dc, RECT r, uint32_t colour, bool highlighted) {
    HBRUSH brush = CreateSolidBrush(static_cast<COLORREF>(colour & 0xFFFFFFu));
    FillRect(dc, &r, brush);
    DeleteObject(brush);
    Frame(dc, r, GetSysColor(COLOR_BTNSHADOW));
    if (!highlighted) return;
    Frame(dc, r, RGB(0, 0, 0));
    InflateRect(&r, -1, -1);
    Frame(dc, r, RGB(255, 255, 255));
    InflateRect(&r, -1, -1);
    Frame(dc, r, RGB(0, 0, 0));
}

void PaintSpectrum(HDC dc, ControlState& s, SIZE size) {
    if (size.cx <= 0 || size.cy <= 0) return;
    if (s.spectrumWidth != size.cx || s.spectrumHeight != size.cy) {
        s.spectrum.assign(static_cast<size_t>(size.cx) * static_cast<size_t>(size.cy), 0);
        for (int y = 0; y < size.cy; ++y)
            for (int x = 0; x < size.cx; ++x) {
                const Rgb c = SpectrumColourAt(x, y, size.cx, size.cy);
                s.spectrum[static_cast<size_t>(y) * static_cast<size_t>(size.cx) + static_cast<size_t>(x)] =
                    static_cast<uint32_t>(c.red << 16 | c.green << 8 | c.blue);
            }
        s.spectrumWidth = size.cx;
        s.spectrumHeight = size.cy;
    }
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = size.cx;
    bi.bmiHeader.biHeight = -size.cy;  // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(size.cx), static_cast<DWORD>(size.cy), 0, 0, 0, static_cast<UINT>(size.cy),
                      s.spectrum.data(), &bi, DIB_RGB_COLORS);
}

void Paint(HWND hwnd, ControlState& s) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    const SIZE size = ClientSize(hwnd);
    if (s.kind == Kind::Spectrum) {
        PaintSpectrum(dc, s, size);
    } else {
        RECT all{0, 0, size.cx, size.cy};
        FillRect(dc, &all, GetSysColorBrush(COLOR_BTNFACE));
        const size_t n = Capacity(s.kind);
        // The highlighted swatch last, so that its frame is not covered by a neighbour.
        for (size_t i = 0; i < n; ++i) {
            if (static_cast<int>(i) == s.selected) continue;
            DrawSwatch(dc, SwatchArea(s, static_cast<int>(i), size), i < s.colours.size() ? s.colours[i] : 0xFFFFFFu, false);
        }
        if (s.selected >= 0 && static_cast<size_t>(s.selected) < n)
            DrawSwatch(dc, SwatchArea(s, s.selected, size),
                       static_cast<size_t>(s.selected) < s.colours.size() ? s.colours[static_cast<size_t>(s.selected)] : 0xFFFFFFu, true);
    }
    EndPaint(hwnd, &ps);
}

void Pick(HWND hwnd, ControlState& s, int x, int y) {
    const SIZE size = ClientSize(hwnd);
    s.picked = Win32FromRgb(SpectrumColourAt(x, y, size.cx, size.cy));
    Notify(hwnd, kColourPicked);
}

// The spectrum's mouse: a cross over it; pressing or dragging with the left button picks the
// colour under the cursor (beyond the edges, the nearest edge's), the mouse captured from the
// press to the release.
bool SpectrumMouse(HWND hwnd, ControlState& s, UINT msg, WPARAM wp, LPARAM lp) {
    const int x = static_cast<short>(LOWORD(lp)), y = static_cast<short>(HIWORD(lp));
    switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        s.dragging = true;
        TakeFocusInDialog(hwnd);
        SetCapture(hwnd);
        SetCursor(LoadCursorW(nullptr, IDC_CROSS));
        Pick(hwnd, s, x, y);
        return true;
    case WM_MOUSEMOVE:
        if (!s.dragging) return true;
        SetCursor(LoadCursorW(nullptr, IDC_CROSS));
        if (wp & MK_LBUTTON) Pick(hwnd, s, x, y);
        return true;
    case WM_LBUTTONUP:
        s.dragging = false;
        if (GetCapture() == hwnd) ReleaseCapture();
        return true;
    case WM_CAPTURECHANGED:
        s.dragging = false;
        return true;
    default: return false;
    }
}

LRESULT CALLBACK ControlProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    ControlState* s = StateOf(hwnd);
    if (msg == WM_NCCREATE) {
        auto* state = new ControlState;
        wchar_t name[32] = {};
        GetClassNameW(hwnd, name, 32);
        for (int i = 0; i < 4; ++i)
            if (lstrcmpiW(name, kCustomClassNames[i]) == 0) state->kind = static_cast<Kind>(i);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
        return DefWindowProcW(hwnd, msg, wp, lp);
    }
    if (msg == WM_NCDESTROY) {
        delete s;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        return DefWindowProcW(hwnd, msg, wp, lp);
    }
    if (!s) return DefWindowProcW(hwnd, msg, wp, lp);
    switch (msg) {
    case WM_PAINT: Paint(hwnd, *s); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_SIZE: InvalidateRect(hwnd, nullptr, FALSE); return 0;
    case kColourSetColours: {
        const auto* colours = reinterpret_cast<const uint32_t*>(lp);
        const size_t n = colours ? std::min<size_t>(wp, Capacity(s->kind)) : 0;
        std::vector<uint32_t> next(colours, colours + n);
        if (next != s->colours) {
            s->colours = std::move(next);
            InvalidateRect(hwnd, nullptr, FALSE);
        }
        return 0;
    }
    case kColourSetSelected:
        if (static_cast<int>(wp) != s->selected) {
            s->selected = static_cast<int>(wp);
            InvalidateRect(hwnd, nullptr, FALSE);
        }
        return 0;
    case kColourGetHit: return s->hit;
    case kColourGetPicked: return static_cast<LRESULT>(s->picked);
    case WM_SETCURSOR:
        if (s->kind == Kind::Spectrum) {
            SetCursor(LoadCursorW(nullptr, IDC_CROSS));
            return TRUE;
        }
        break;
    default: break;
    }
    if (s->kind == Kind::Spectrum) {
        if (SpectrumMouse(hwnd, *s, msg, wp, lp)) return 0;
        return DefWindowProcW(hwnd, msg, wp, lp);
    }
    if (msg == WM_LBUTTONDOWN || msg == WM_LBUTTONDBLCLK) {
        const int hit = SwatchAt(*s, static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp)), ClientSize(hwnd));
        if (hit < 0) return 0;
        TakeFocusInDialog(hwnd);
        s->hit = hit;
        Notify(hwnd, msg == WM_LBUTTONDOWN ? kColourClicked : kColourDoubleClicked);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}
}  // namespace

void RegisterCustomControls(HINSTANCE instance) {
    for (const wchar_t* name : kCustomClassNames) {
        WNDCLASSEXW existing{sizeof existing};
        if (GetClassInfoExW(instance, name, &existing)) continue;
        RegisterWindowClass(instance, name, ControlProc, CS_DBLCLKS);
    }
}

}  // namespace mirelo
