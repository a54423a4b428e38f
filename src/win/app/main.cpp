// Program entry: creates the editor and its main window and runs the message loop.
#include <memory>

#include "app/editor.h"
#include "app/frame.h"
#include "common/gdiplus.h"
#include "res/resource.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    mirelo::GdiplusSession gdiplus;
    auto editor = std::make_unique<mirelo::Editor>(instance);
    HWND main = mirelo::CreateMainWindow(*editor, show);
    if (!main) return 1;
    HACCEL accelerators = LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDR_ACCELERATORS));
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (!GetCapture() && editor->mainWindow && TranslateAcceleratorW(editor->mainWindow, accelerators, &msg)) continue;
        if (editor->activeDialog && IsDialogMessageW(editor->activeDialog, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}
