// Fuzzes the BMP file readers of the command-line tool: decoding to 32-bit ARGB, and reading as
// stored followed by a quarter turn into a new file, as `mirelo-tool rotate` does, or by decoding
// into the rows of a 32-bit file, as `mirelo-tool effect` does.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "files/bmp_file.h"
#include "image/convert.h"
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
        // Laid out in memory that is not cleared first, as the tool lays out its files.
        std::vector<uint8_t> turned(mirelo::BmpFileSize(stored.view.height, stored.view.width, stored.view.format), 0xA5);
        mirelo::PixelView rows;
        if (!mirelo::StartBmp(turned.data(), turned.size(), stored.view.height, stored.view.width, stored.view.format,
                              stored.palette, &rows))
            __builtin_trap();
        if (!mirelo::RotateFlipPixels(stored.view, rows, {mirelo::rotate_flip::kClockwise}).ok()) __builtin_trap();
        // A 24- or 32-bit picture decoded straight into the rows of a 32-bit file, as for the effects.
        const int bits = mirelo::BitsPerPixel(stored.view.format);
        if (bits == 24 || bits == 32) {
            std::vector<uint8_t> argb(mirelo::BmpFileSize(stored.view.width, stored.view.height, mirelo::fmt::k32ARGB));
            if (!mirelo::StartBmp(argb.data(), argb.size(), stored.view.width, stored.view.height, mirelo::fmt::k32ARGB, {}, &rows) ||
                !mirelo::DecodeToBgra(stored.view, rows))
                __builtin_trap();
        }
    } else if (error.empty()) {
        __builtin_trap();
    }
    return 0;
}
