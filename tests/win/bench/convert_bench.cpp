// Times the 8-bit indexed conversion (median cut with dithering) of a picture inside the
// running editor: the same command the menu sends, on an image opened from a file.
//   mirelo_convert_bench.exe picture.bmp
#include <cstdio>
#include <memory>

#include "app/commands.h"
#include "app/editor.h"
#include "app/frame.h"
#include "common/gdiplus.h"
#include "common/win.h"
#include "files/open_image.h"
#include "image/image_set.h"

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: mirelo_convert_bench picture\n");
        return 2;
    }
    mirelo::GdiplusSession gdiplus;
    auto owned = std::make_unique<mirelo::Editor>(GetModuleHandleW(nullptr));  // too large for the stack
    mirelo::Editor& editor = *owned;
    editor.messages.SetResponder([](const mirelo::MessageRequest& r) {
        std::fprintf(stderr, "message: %s\n", mirelo::ToUtf8(r.text).c_str());
        return IDOK;
    });
    HWND window = mirelo::CreateMainWindow(editor, SW_HIDE);
    if (!window || !mirelo::OpenImageFile(editor, mirelo::FromW(argv[1]), true)) {
        std::fprintf(stderr, "cannot open the picture\n");
        return 1;
    }
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
    DestroyWindow(window);
    return 0;
}
