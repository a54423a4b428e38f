// Times a freehand stroke of 2,000 mouse moves with the shape tool on a picture opened in the
// running editor: each move is handled and the view painted at once, as the screen would show
// it. Drawn as a path (機能 あり) the preview grows with the stroke; stamped, each move draws
// into the image.
//   mirelo_stroke_bench.exe picture.bmp
#include <cmath>
#include <cstdio>

#include "app/editor.h"
#include "bench_editor.h"
#include "common/win.h"
#include "ui/canvas.h"
#include "image/image_set.h"
#include "select/paths.h"

namespace {

double Now() {
    LARGE_INTEGER f, t;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t);
    return double(t.QuadPart) / double(f.QuadPart);
}

constexpr int kMoves = 2000;

}  // namespace

int wmain(int argc, wchar_t** argv) {
    mirelo::bench::BenchEditor bench;
    if (!bench.Open(argc, argv, "mirelo_stroke_bench")) return 1;
    mirelo::Editor& editor = bench.editor;
    SetWindowPos(bench.window, nullptr, 0, 0, 1400, 1000, SWP_NOZORDER | SWP_NOMOVE);
    ShowWindow(bench.window, SW_SHOWNOACTIVATE);
    mirelo::ImageSlot& s = *editor.Current();
    s.tool = mirelo::kToolShape;
    s.toolSettings[mirelo::kShapeKindOption] = 0;
    HWND view = editor.frame.view;
    for (int zoom : {100, 25}) {
        mirelo::SetZoom(editor, zoom);
        mirelo::ScrollViewTo(editor, 0, 0);
        for (int function : {1, 0}) {
            s.toolSettings[8] = function;
            RECT r;
            GetClientRect(view, &r);
            // A spiral inside the visible part of the image, a new point every move.
            const double cx = std::fmin(r.right, s.width * zoom / 100) / 2.0, cy = std::fmin(r.bottom, s.height * zoom / 100) / 2.0;
            auto at = [&](int i) {
                const double t = i * 0.02, radius = 20 + std::fmin(cx, cy) * 0.8 * i / kMoves;
                return MAKELPARAM(static_cast<int>(cx + radius * std::cos(t)), static_cast<int>(cy + radius * std::sin(t)));
            };
            SendMessageW(view, WM_LBUTTONDOWN, MK_LBUTTON, at(0));
            double worst = 0, last100 = 0;
            const double start = Now();
            for (int i = 1; i <= kMoves; ++i) {
                const double a = Now();
                SendMessageW(view, WM_MOUSEMOVE, MK_LBUTTON, at(i));
                UpdateWindow(view);
                const double ms = (Now() - a) * 1000;
                worst = std::fmax(worst, ms);
                if (i > kMoves - 100) last100 += ms / 100;
            }
            const double total = (Now() - start) * 1000;
            SendMessageW(view, WM_LBUTTONUP, 0, at(kMoves));
            ReleaseCapture();
            const size_t points = s.drawPath ? s.drawPath->size() : 0;
            std::printf("freehand %-8s zoom %3d %%: %6.2f ms per move (last 100 moves %6.2f ms, worst %6.2f ms)   (%d x %d)\n",
                        function ? "path" : "stamped", zoom, total / kMoves, last100, worst, s.width, s.height);
            (void)points;
        }
    }
    return 0;
}
