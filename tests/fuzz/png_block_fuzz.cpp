// Fuzzes the check of a "PNG" clipboard block: whatever it accepts is within the limits.
#include <cstddef>
#include <cstdint>

#include "clipboard/png_block.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace mirelo;
    PngHeader h;
    if (!ReadPngHeader(data, size, &h)) return 0;
    if (h.width == 0 || h.height == 0 || uint64_t{h.width} * h.height > kMaxPngPixels || size < 45) __builtin_trap();
    if (h.bitDepth < 1 || h.bitDepth > 16 || h.colourType > 6) __builtin_trap();
    return 0;
}
