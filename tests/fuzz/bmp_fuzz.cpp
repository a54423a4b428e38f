// Fuzzes the BMP file reader of the command-line tool.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "files/bmp_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> file(data, data + size);
    mirelo::OwnedPixels pixels;
    mirelo::PixelFormat format = 0;
    std::string error;
    if (mirelo::ReadBmp(file, &pixels, &format, &error)) {
        if (pixels.view.format != mirelo::fmt::k32ARGB) __builtin_trap();
        if (pixels.bytes.size() < static_cast<size_t>(pixels.view.stride) * pixels.view.height) __builtin_trap();
        std::vector<uint8_t> again;
        if (!mirelo::WriteBmp(pixels.view, &again)) __builtin_trap();
    } else if (error.empty()) {
        __builtin_trap();
    }
    return 0;
}
