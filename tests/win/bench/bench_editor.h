// The running editor of the Windows-side timings: a hidden main window with one picture open;
// messages are printed instead of shown.
#pragma once
#include <cstdio>
#include <memory>

#include "app/editor.h"
#include "app/refresh.h"
#include "ui/frame.h"
#include "common/gdiplus.h"
#include "common/win.h"
#include "files/open_image.h"

namespace mirelo::bench {

struct BenchEditor {
    GdiplusSession gdiplus;
    std::unique_ptr<Editor> owned = std::make_unique<Editor>(GetModuleHandleW(nullptr));  // too large for the stack
    Editor& editor = *owned;
    HWND window = nullptr;
    int show = SW_HIDE;  // how the main window shows

    // Opens the picture named on the command line of `program`; false after printing why.
    bool Open(int argc, wchar_t** argv, const char* program) {
        if (argc != 2) {
            std::fprintf(stderr, "usage: %s picture\n", program);
            return false;
        }
        editor.messages.SetResponder([](const MessageRequest& r) {
            std::fprintf(stderr, "message: %s\n", ToUtf8(r.text).c_str());
            return IDOK;
        });
        window = CreateMainWindow(editor, show);
        if (!window || !OpenImageFile(editor, FromW(argv[1]))) {
            std::fprintf(stderr, "cannot open the picture\n");
            return false;
        }
        ApplyChanges(editor);
        return true;
    }
    ~BenchEditor() {
        if (window) DestroyWindow(window);
    }
};

}  // namespace mirelo::bench
