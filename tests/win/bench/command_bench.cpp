// Times whole-picture commands in the running editor, as a user waits for them: the command sent
// to the main window as the menu sends it, until it has returned and the window has painted. Each
// figure is the median of three and is printed with its ratio to a plain copy of the picture's
// bytes measured in the same run. Also the interface thread's part of a recovery copy (the
// snapshot) and the editor's peak memory after the sequence.
// With a second, smaller picture: the time the window stays frozen after OK in the text tool's
// dialog, with the whole picture selected.
//   mirelo_command_bench.exe photo.jpg [picture-2560x1600.jpg]
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "app/commands.h"
#include "app/editor.h"
#include "app/refresh.h"
#include "bench_editor.h"
#include "common/win.h"

#include <psapi.h>

#include "files/recovery.h"
#include "files/recovery_copy.h"
#include "image/image_set.h"
#include "res/resource.h"
#include "select/selection_view.h"

namespace {

double Now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return double(t.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    using namespace mirelo;
    bench::BenchEditor bench;
    bench.show = SW_SHOWNOACTIVATE;
    wchar_t* second = argc > 2 ? argv[2] : nullptr;
    if (!bench.Open(argc > 2 ? 2 : argc, argv, "mirelo_command_bench")) return 1;
    Editor& editor = bench.editor;
    HWND window = bench.window;
    SetWindowPos(window, nullptr, 0, 0, 1280, 900, SWP_NOZORDER | SWP_NOACTIVATE);
    auto settle = [&] {
        RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        MSG m;
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageW(&m);
        }
    };
    settle();
    const ImageSlot* slot = editor.Current();
    if (!slot || slot->pixelFormat != fmt::k24RGB) {
        std::fprintf(stderr, "the bench wants a 24-bit picture\n");
        return 1;
    }
    const int width = slot->width, height = slot->height;

    // A plain copy of the picture's bytes, both buffers already touched.
    const size_t bytes = size_t(width) * size_t(height) * 3;
    std::vector<uint8_t> from(bytes, 1), to(bytes, 2);
    std::vector<double> copies;
    for (int i = 0; i < 5; ++i) {
        const double s = Now();
        std::memcpy(to.data(), from.data(), bytes);
        copies.push_back(Now() - s);
    }
    const double copy = Median(copies);
    from = {};
    to = {};
    std::printf("%d x %d, 24-bit, %.1f MB; a plain copy of its bytes takes %.1f ms (in Mirelo under Wine)\n", width, height,
                double(bytes) / 1e6, copy);
    std::printf("  %-34s %9s %8s %8s\n", "", "median", "ratio", "goal");

    // Each command comes after a pause of a second, as between a user's commands, and is timed
    // until it has returned (the editor has done it and told its windows); the paint that
    // follows is timed on its own.
    struct Timing {
        std::vector<double> command, paint;
    };
    double lastPaint = 0;
    auto send = [&](int id) {
        Sleep(1000);
        settle();
        const double s = Now();
        SendMessageW(window, WM_COMMAND, static_cast<WPARAM>(id), 0);
        const double sent = Now();
        settle();
        lastPaint = Now() - sent;
        return sent - s;
    };
    auto timeInto = [&](Timing& t, int id) {
        t.command.push_back(send(id));
        t.paint.push_back(lastPaint);
    };
    bool failed = false;
    auto report = [&](const char* name, const Timing& t, double goal) {
        const double m = Median(t.command), ratio = m / copy;
        const bool met = ratio <= goal;
        failed |= !met;
        std::printf("  %-34s %7.0f ms %7.1fx %7.0fx%s   (slowest %.0f ms; then painted in %.0f ms)\n", name, m, ratio, goal,
                    met ? "" : "   (not met)", *std::max_element(t.command.begin(), t.command.end()), Median(t.paint));
    };
    // A command and what puts the picture back, three times each.
    auto pair = [&](const char* name, int id, const char* backName, int back, double goal) {
        Timing there, again;
        for (int i = 0; i < 3; ++i) {
            timeInto(there, id);
            timeInto(again, back);
        }
        report(name, there, goal);
        report(backName, again, goal);
    };
    std::printf("  (each command after a pause of 1 s; timed until it returned, the paint after it on its own)\n");
    pair("90° (40036)", cmd::kRotate90, "undo of it (40011)", cmd::kUndo, 6);
    {
        Timing redo, undo;
        for (int i = 0; i < 3; ++i) {
            timeInto(redo, cmd::kRedo);
            timeInto(undo, cmd::kUndo);
        }
        report("redo (40012)", redo, 6);
        report("undo (40011)", undo, 6);
    }
    pair("mirror (40039)", cmd::kFlipH, "undo of it (40011)", cmd::kUndo, 6);
    pair("32-bit ARGB (40060)", cmd::k32ARGB, "24-bit RGB (40058)", cmd::k24RGB, 8);
    {
        Timing copies;
        for (int i = 0; i < 3; ++i) timeInto(copies, cmd::kCopy);
        report("copy of the whole picture (40015)", copies, 25);
    }
    // The selection outline's march (every 250 ms while a selection shows): its repaint of the view.
    {
        SendMessageW(window, WM_COMMAND, cmd::kSelectAll, 0);
        settle();
        std::vector<double> times;
        for (int i = 0; i < 5; ++i) {
            const double s = Now();
            MarchSelection(editor);
            ApplyChanges(editor);
            UpdateWindow(editor.frame.view);
            times.push_back(Now() - s);
        }
        std::printf("  %-34s %7.0f ms\n", "outline march, repaint of the view", Median(times));
        SendMessageW(window, WM_COMMAND, cmd::kSelectNone, 0);
        settle();
    }
    SendMessageW(window, WM_COMMAND, cmd::kPaletteMedianCut, 0);
    editor.settings.dither = true;
    pair("8-bit indexed, median cut (40053)", cmd::k8Index, "undo of it (40011)", cmd::kUndo, 35);
    if (editor.Current()->pixelFormat != fmt::k24RGB || editor.Current()->width != width) {
        std::fprintf(stderr, "the picture did not come back to what it was (format %x)\n", editor.Current()->pixelFormat);
        return 1;
    }

    // The interface thread's part of a recovery copy: the snapshot of the picture into the
    // buffer kept from the copy before.
    {
        RecoveryImage image;
        std::vector<double> times;
        for (int i = 0; i < 4; ++i) {
            const double s = Now();
            if (!SnapshotSlot(editor, *editor.Current(), &image)) {
                std::fprintf(stderr, "the snapshot failed\n");
                return 1;
            }
            if (i > 0) times.push_back(Now() - s);
        }
        const double m = Median(times);
        std::printf("  %-34s %7.0f ms %8s %5s%s\n", "recovery snapshot (interface part)", m, "", "30 ms", m <= 30 ? "" : "   (not met)");
        failed |= m > 30;
    }

    // The text tool on a smaller picture: from OK in the dialog until the window has painted the
    // text and the selection outline.
    if (second) {
        if (!OpenImageFile(editor, FromW(second))) {
            std::fprintf(stderr, "cannot open the second picture\n");
            return 1;
        }
        settle();
        std::vector<double> times;
        for (int i = 0; i < 3; ++i) {
            SendMessageW(window, WM_COMMAND, cmd::kSelectAll, 0);
            editor.Current()->tool = kToolText;
            editor.ProgramChanged(change::kTool);
            settle();
            double ok = 0;
            editor.dialogObserver = [&ok](HWND dlg, int id) {
                if (id != IDD_TEXT_EDIT) return;
                SetDlgItemTextW(dlg, 1016, L"\u5199\u771f");
                ok = Now();
                PostMessageW(dlg, WM_COMMAND, IDOK, 0);
            };
            const LPARAM at = MAKELPARAM(200, 150 + 40 * i);
            SendMessageW(editor.frame.view, WM_LBUTTONDOWN, MK_LBUTTON, at);
            SendMessageW(editor.frame.view, WM_LBUTTONUP, 0, at);
            settle();
            editor.dialogObserver = nullptr;
            if (ok == 0 || editor.Current()->pasteObjects.Count() != i + 1) {
                std::fprintf(stderr, "the text dialog did not make an object\n");
                return 1;
            }
            times.push_back(Now() - ok);
        }
        const double m = Median(times);
        std::printf("  %-34s %7.0f ms %8s %5s%s   (%d x %d)\n", "text tool: from OK to painted", m, "", "200 ms", m <= 200 ? "" : "   (not met)",
                    editor.Current()->width, editor.Current()->height);
        failed |= m > 200;
    }

    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    if (GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory))
        std::printf("  peak memory of the editor after the sequence: %.0f MB (working set), %.0f MB (committed)\n",
                    double(memory.PeakWorkingSetSize) / 1e6, double(memory.PeakPagefileUsage) / 1e6);
    if (failed) std::printf("  some goals are not met\n");
    return 0;
}
