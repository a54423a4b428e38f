#include "ui/custom_controls.h"

namespace mirelo {

const wchar_t* const kCustomClassNames[4] = {L"CUSTOM_CLASS1", L"CUSTOM_CLASS2", L"CUSTOM_CLASS3", L"CUSTOM_CLASS4"};

namespace {
LRESULT CALLBACK SwatchProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT rc;
        GetClientRect(hwnd, &rc);
        HBRUSH brush = CreateSolidBrush(static_cast<COLORREF>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)));
        FillRect(dc, &rc, brush);
        DeleteObject(brush);
        DrawEdge(dc, &rc, EDGE_SUNKEN, BF_RECT);
        EndPaint(hwnd, &ps);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}
}  // namespace

void RegisterCustomControls(HINSTANCE instance) {
    for (const wchar_t* name : kCustomClassNames) {
        RegisterWindowClass(instance, name, SwatchProc, CS_DBLCLKS);
    }
}

}  // namespace mirelo
