// Times the 8-bit indexed conversion (median cut with dithering) of a picture inside the
// running editor: the same command the menu sends, on an image opened from a file.
//   mirelo_convert_bench.exe picture.bmp
#include <cstdio>
#include <memory>

#include "app/commands.h"
#include "app/editor.h"
#include "bench_editor.h"
#include "common/win.h"
#include "image/image_set.h"

int wmain(int argc, wchar_t** argv) {
    mirelo::bench::BenchEditor bench;
    if (!bench.Open(argc, argv, "mirelo_convert_bench")) return 1;
    mirelo::Editor& editor = bench.editor;
    HWND window = bench.window;
    SendMessageW(window, WM_COMMAND, mirelo::cmd::kPaletteMedianCut, 0);
    editor.settings.dither = true;
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    SendMessageW(window, WM_COMMAND, mirelo::cmd::k8Index, 0);
    QueryPerformanceCounter(&end);
    const mirelo::ImageSlot* slot = editor.Current();
    if (!slot || slot->pixelFormat != mirelo::fmt::k8Index) {
        std::fprintf(stderr, "the conversion failed\n");
        return 1;
    }
    std::printf("%-46s %8.2f s   (%d x %d, in Mirelo under Wine)\n", "8-bit median cut with dithering", double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart),
                slot->width, slot->height);
    return 0;
}
