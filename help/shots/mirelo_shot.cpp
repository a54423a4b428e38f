// Drives a running Mirelo for the help's screenshots: waits for its main window, sends it
// commands, and prints the screen rectangles of its parts as ImageMagick crop geometry
// (WxH+X+Y). Exit code 0 on success, 1 when the window or part was not found in time.
//
//   mirelo_shot wait SECONDS          the main window exists and is visible
//   mirelo_shot command ID            posts WM_COMMAND ID to the main window (for a dialog)
//   mirelo_shot send ID               sends it and returns once the program has carried it out
//   mirelo_shot rect                  the main window
//   mirelo_shot child-rect CLASS      the first visible window of that class inside it
//   mirelo_shot option-rect           the tool's option bar: the rows of the top rebar below
//                                     its first row (fails when no option band shows)
//   mirelo_shot dialog-rect SECONDS   the client area of the visible dialog the program shows
//   mirelo_shot close-dialog          cancels that dialog and waits until it is gone
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
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

HWND Child(const wchar_t* cls) {
    HWND main = MainWindow();
    if (!main) return nullptr;
    ChildSearch s{cls, nullptr};
    EnumChildWindows(main, FindChild, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

struct OptionSearch {
    LONG top;    // below the first row
    LONG right;  // the right edge of the last control seen
};

BOOL CALLBACK FindOptionControl(HWND w, LPARAM lp) {
    auto* s = reinterpret_cast<OptionSearch*>(lp);
    wchar_t cls[64] = {};
    GetClassNameW(w, cls, 64);
    RECT r;
    // The controls of the option bands, not the panels that hold them (as wide as their bands).
    if (IsWindowVisible(w) && std::wcscmp(cls, L"Mirelo_PANEL") != 0 && GetWindowRect(w, &r) && r.top >= s->top)
        s->right = std::max(s->right, r.right);
    return TRUE;
}

// The rebar's rows below its first (the main tool bar), where the option bands stand, as far
// to the right as their controls reach.
int PrintOptionRect(HWND rebar) {
    if (!rebar) return 1;
    const auto first = static_cast<LONG>(SendMessageW(rebar, RB_GETROWHEIGHT, 0, 0));
    RECT r;
    GetWindowRect(rebar, &r);
    r.top += first + 2;  // the row and the border line between rows
    OptionSearch s{r.top, 0};
    EnumChildWindows(rebar, FindOptionControl, reinterpret_cast<LPARAM>(&s));
    if (first <= 0 || r.bottom - r.top < 8 || s.right <= r.left) {
        std::fprintf(stderr, "mirelo_shot: no option band below the main tool bar\n");
        return 1;
    }
    r.right = std::min(r.right, s.right + 6);
    std::printf("%ldx%ld+%ld+%ld\n", r.right - r.left, r.bottom - r.top, r.left, r.top);
    return 0;
}

int Usage() {
    std::fprintf(stderr, "usage: mirelo_shot wait S | command ID | send ID | rect | child-rect CLASS | option-rect | dialog-rect S | close-dialog\n");
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
    if (!std::wcscmp(verb, L"send")) {
        HWND main = MainWindow();
        DWORD_PTR result = 0;
        return main && SendMessageTimeoutW(main, WM_COMMAND, static_cast<WPARAM>(std::wcstol(arg, nullptr, 10)), 0,
                                           SMTO_ABORTIFHUNG, 30000, &result)
                   ? 0
                   : 1;
    }
    if (!std::wcscmp(verb, L"rect")) return PrintRect(MainWindow());
    if (!std::wcscmp(verb, L"child-rect")) return PrintRect(Child(arg));
    if (!std::wcscmp(verb, L"option-rect")) return PrintOptionRect(Child(REBARCLASSNAMEW));
    if (!std::wcscmp(verb, L"dialog-rect")) return PrintClientRect(WaitFor(Dialog, std::wcstod(arg, nullptr)));
    if (!std::wcscmp(verb, L"close-dialog")) {
        HWND d = Dialog();
        if (!d) return 1;
        PostMessageW(d, WM_COMMAND, IDCANCEL, 0);
        return WaitFor([d] { return IsWindow(d) && IsWindowVisible(d) ? nullptr : d; }, 10) ? 0 : 1;
    }
    return Usage();
}
