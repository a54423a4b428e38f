// Drives a running Mirelo for the help's screenshots: waits for its main window, sends it
// commands, and prints the screen rectangles of its parts as ImageMagick crop geometry
// (WxH+X+Y). Exit code 0 on success, 1 when the window or part was not found in time.
//
//   mirelo_shot wait SECONDS          the main window exists and is visible
//   mirelo_shot command ID            posts WM_COMMAND ID to the main window
//   mirelo_shot rect                  the main window
//   mirelo_shot child-rect CLASS      the first visible window of that class inside it
//   mirelo_shot dialog-rect SECONDS   the client area of the visible dialog the program shows
//   mirelo_shot close-dialog          cancels that dialog and waits until it is gone
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>

namespace {

HWND MainWindow() {
    HWND w = FindWindowW(L"Mirelo_CLASS", nullptr);
    return w && IsWindowVisible(w) ? w : nullptr;
}

struct DialogSearch {
    DWORD process;
    HWND found;
};

BOOL CALLBACK FindDialog(HWND w, LPARAM lp) {
    auto* s = reinterpret_cast<DialogSearch*>(lp);
    wchar_t cls[64] = {};
    GetClassNameW(w, cls, 64);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid == s->process && IsWindowVisible(w) && IsWindowEnabled(w) && std::wcscmp(cls, L"#32770") == 0) {
        s->found = w;
        return FALSE;
    }
    return TRUE;
}

HWND Dialog() {
    HWND main = MainWindow();
    if (!main) return nullptr;
    DialogSearch s{0, nullptr};
    GetWindowThreadProcessId(main, &s.process);
    EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

struct ChildSearch {
    const wchar_t* cls;
    HWND found;
};

BOOL CALLBACK FindChild(HWND w, LPARAM lp) {
    auto* s = reinterpret_cast<ChildSearch*>(lp);
    wchar_t cls[64] = {};
    GetClassNameW(w, cls, 64);
    if (IsWindowVisible(w) && _wcsicmp(cls, s->cls) == 0) {
        s->found = w;
        return FALSE;
    }
    return TRUE;
}

template <class F>
HWND WaitFor(F find, double seconds) {
    for (DWORD start = GetTickCount(); GetTickCount() - start < seconds * 1000;) {
        if (HWND w = find()) return w;
        Sleep(100);
    }
    return nullptr;
}

int PrintRect(HWND w) {
    if (!w) return 1;
    RECT r;
    GetWindowRect(w, &r);
    if (r.right <= r.left || r.bottom <= r.top) return 1;
    std::printf("%ldx%ld+%ld+%ld\n", r.right - r.left, r.bottom - r.top, r.left, r.top);
    return 0;
}

// The client area only: without a window manager the caption is not drawn.
int PrintClientRect(HWND w) {
    if (!w) return 1;
    RECT r;
    GetClientRect(w, &r);
    POINT p{0, 0};
    ClientToScreen(w, &p);
    if (r.right <= 0 || r.bottom <= 0) return 1;
    std::printf("%ldx%ld+%ld+%ld\n", r.right, r.bottom, p.x, p.y);
    return 0;
}

int Usage() {
    std::fprintf(stderr, "usage: mirelo_shot wait S | command ID | rect | child-rect CLASS | dialog-rect S | close-dialog\n");
    return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return Usage();
    const wchar_t* verb = argv[1];
    const wchar_t* arg = argc > 2 ? argv[2] : L"";
    if (!std::wcscmp(verb, L"wait")) return WaitFor(MainWindow, std::wcstod(arg, nullptr)) ? 0 : 1;
    if (!std::wcscmp(verb, L"command")) {
        HWND main = MainWindow();
        return main && PostMessageW(main, WM_COMMAND, static_cast<WPARAM>(std::wcstol(arg, nullptr, 10)), 0) ? 0 : 1;
    }
    if (!std::wcscmp(verb, L"rect")) return PrintRect(MainWindow());
    if (!std::wcscmp(verb, L"child-rect")) {
        HWND main = MainWindow();
        if (!main) return 1;
        ChildSearch s{arg, nullptr};
        EnumChildWindows(main, FindChild, reinterpret_cast<LPARAM>(&s));
        return PrintRect(s.found);
    }
    if (!std::wcscmp(verb, L"dialog-rect")) return PrintClientRect(WaitFor(Dialog, std::wcstod(arg, nullptr)));
    if (!std::wcscmp(verb, L"close-dialog")) {
        HWND d = Dialog();
        if (!d) return 1;
        PostMessageW(d, WM_COMMAND, IDCANCEL, 0);
        return WaitFor([d] { return IsWindow(d) && IsWindowVisible(d) ? nullptr : d; }, 10) ? 0 : 1;
    }
    return Usage();
}
