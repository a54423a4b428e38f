// Program entry: a second start hands its command line to the running instance and ends;
// the first creates the editor and its main window and runs the message loop.

#include "common/win.h"

#include <memory>
#include <vector>

#include "app/command_line.h"
#include "app/editor.h"
#include "app/refresh.h"
#include "ui/frame.h"
#include "app/help.h"
#include "common/gdiplus.h"
#include "res/resource.h"
#include "scanner/twain.h"
#include "files/recovery.h"

namespace {

// Hands the arguments to a running instance; true when one was found. The running window is
// looked for under its title "Mirelo", and then by its class alone: after half an hour without
// saving, the unsaved-work reminder runs a marquee in the title, and a second start must still
// find the window rather than start another instance.
bool HandOverToRunningInstance(const mirelo::Text& arguments) {
    HWND running = FindWindowW(mirelo::kMainClassName, L"Mirelo");
    if (!running) running = FindWindowW(mirelo::kMainClassName, nullptr);
    if (!running) return false;
    SetForegroundWindow(running);
    if (IsIconic(running)) ShowWindow(running, SW_RESTORE);
    mirelo::Text text = arguments;
    while (!text.empty() && (text.back() == u' ' || text.back() == u'\t')) text.pop_back();
    COPYDATASTRUCT cds{};
    cds.dwData = 0;
    cds.cbData = static_cast<DWORD>((text.size() + 1) * sizeof(char16_t));
    cds.lpData = const_cast<char16_t*>(text.c_str());
    DWORD_PTR result = 0;
    SendMessageTimeoutW(running, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds), SMTO_NORMAL, 60000, &result);
    return true;
}

std::vector<mirelo::Text> StartupFiles() {
    std::vector<mirelo::Text> files;
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    for (int i = 1; argv && i < argc; ++i)
        if (argv[i][0]) files.push_back(mirelo::FromW(argv[i]));
    if (argv) LocalFree(argv);
    return files;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    mirelo::Text commandLine = mirelo::FromW(GetCommandLineW());
    if (HandOverToRunningInstance(mirelo::Text(mirelo::ArgumentsAfterProgram(commandLine)))) return 0;

    mirelo::GdiplusSession gdiplus;
    auto editor = std::make_unique<mirelo::Editor>(instance);
    editor->startupFiles = StartupFiles();
    editor->settingsKey = u"Software\\Mirelo";
    Recovery(*editor).SetFolder(mirelo::DefaultRecoveryFolder());
    mirelo::InitHelp(*editor);
    HWND main = mirelo::CreateMainWindow(*editor, show);
    if (!main) return 1;
    HACCEL accelerators = LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDR_ACCELERATORS));
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        HWND focus = GetFocus();
        bool inAngleBox = focus && (focus == editor->frame.angleEdit);
        if (!GetCapture() && !inAngleBox && editor->frame.mainWindow &&
            TranslateAcceleratorW(editor->frame.mainWindow, accelerators, &msg))
            continue;
        if (mirelo::TwainFilter(*editor, &msg)) {
            mirelo::ApplyChanges(*editor);  // a scanned image shows at once
            continue;
        }
        if (editor->activeDialog && IsDialogMessageW(editor->activeDialog, &msg)) continue;
        if (mirelo::HelpPreTranslate(*editor, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    mirelo::EndHelp(*editor);
    return static_cast<int>(msg.wParam);
}
