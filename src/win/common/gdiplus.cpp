#include "common/gdiplus.h"

#include "common/pixel_memory.h"

namespace mirelo {

GpStatus detail::DisposeImage(Gdiplus::GpImage* p) {
    const GpStatus s = gp::GdipDisposeImage(p);
    pixel_memory::Disposed(p);
    return s;
}

GdiplusSession::GdiplusSession() {
    Gdiplus::GdiplusStartupInput input;
    if (Gdiplus::GdiplusStartup(&token_, &input, nullptr) != Gdiplus::Ok) token_ = 0;
}

GdiplusSession::~GdiplusSession() {
    if (token_) Gdiplus::GdiplusShutdown(token_);
}

void RegisterWindowClass(HINSTANCE instance, const wchar_t* name, WNDPROC proc, UINT style, int background, HICON icon) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = style;
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.hIcon = icon;
    wc.hIconSm = icon;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = background ? reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(background + 1)) : nullptr;
    wc.lpszClassName = name;
    RegisterClassExW(&wc);
}

Text WindowText(HWND hwnd) {
    int n = GetWindowTextLengthW(hwnd);
    std::wstring s(static_cast<size_t>(n) + 1, L'\0');
    n = GetWindowTextW(hwnd, s.data(), n + 1);
    s.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return FromW(s);
}

}  // namespace mirelo
