// Times one paint of the view with and without a selection outline, at 100 % and 5000 %, on a
// picture opened in the running editor (an ellipse and a 200-vertex star as selections).
//   mirelo_selection_bench.exe picture.bmp
#include <cmath>
#include <cstdio>

#include "app/editor.h"
#include "bench_editor.h"
#include "common/win.h"
#include "ui/canvas.h"
#include "image/image_set.h"

namespace {

double Seconds(const LARGE_INTEGER& a, const LARGE_INTEGER& b) {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return double(b.QuadPart - a.QuadPart) / double(f.QuadPart);
}

// Milliseconds per paint, the best of five rounds of ten.
double PaintMs(mirelo::Editor& editor) {
    double best = 1e9;
    for (int round = 0; round < 5; ++round) {
        LARGE_INTEGER a, b;
        QueryPerformanceCounter(&a);
        for (int i = 0; i < 10; ++i) {
            mirelo::GpBitmapOwner buffer;
            mirelo::RenderView(editor, buffer);
        }
        QueryPerformanceCounter(&b);
        best = std::fmin(best, Seconds(a, b) * 100.0);
    }
    return best;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    mirelo::bench::BenchEditor bench;
    if (!bench.Open(argc, argv, "mirelo_selection_bench")) return 1;
    mirelo::Editor& editor = bench.editor;
    HWND window = bench.window;
    SetWindowPos(window, nullptr, 0, 0, 1400, 1000, SWP_NOZORDER | SWP_NOMOVE);
    mirelo::ImageSlot& s = *editor.Current();
    mirelo::EditPath ellipse, star;
    ellipse.AddEllipse(s.width * 0.1f, s.height * 0.1f, s.width * 0.8f, s.height * 0.8f);
    std::vector<mirelo::PointF> points;
    for (int i = 0; i < 200; ++i) {
        const double a = i * 2 * 3.14159265358979 / 200, r = (i % 2 ? 0.45 : 0.3) * std::fmin(s.width, s.height);
        points.push_back({static_cast<float>(s.width / 2 + r * std::cos(a)), static_cast<float>(s.height / 2 + r * std::sin(a))});
    }
    star.AddPolygon(points.data(), points.size());
    for (int zoom : {100, 5000}) {
        mirelo::SetZoom(editor, zoom);
        // At 5000 % the view looks at an edge of the selection.
        mirelo::ScrollViewTo(editor, s.width / 10 * zoom / 100 - 300, s.height / 2 * zoom / 100 - 300);
        s.selectionPath.reset();
        const double plain = PaintMs(editor);
        for (auto [name, path] : {std::pair{"ellipse", &ellipse}, std::pair{"200-vertex star", &star}}) {
            s.selectionPath = *path;
            mirelo::GpBitmapOwner first;
            mirelo::RenderView(editor, first);  // the outline is traced once per selection
            const double with = PaintMs(editor);
            std::printf("view paint %5d %%  %-16s %8.2f ms with the outline, %8.2f ms without (%+.0f %%)   (%d x %d)\n", zoom, name, with,
                        plain, (with / plain - 1) * 100, s.width, s.height);
        }
    }
    return 0;
}
