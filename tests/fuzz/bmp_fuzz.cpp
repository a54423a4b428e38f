// Fuzzes the BMP file readers of the command-line tool: decoding to 32-bit ARGB, and reading as
// stored followed by a quarter turn into a new file, as `mirelo-tool rotate` does.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "files/bmp_file.h"
#include "ops/rotate_flip.h"

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
    mirelo::OwnedPixels stored;
    error.clear();
    if (mirelo::ReadBmpStored(file.data(), file.size(), &stored, &error)) {
        std::vector<uint8_t> turned;
        mirelo::PixelView rows;
        if (!mirelo::StartBmp(stored.view.height, stored.view.width, stored.view.format, stored.palette, &turned, &rows))
            __builtin_trap();
        if (!mirelo::RotateFlipPixels(stored.view, rows, {mirelo::rotate_flip::kClockwise}).ok()) __builtin_trap();
    } else if (error.empty()) {
        __builtin_trap();
    }
    return 0;
}
