// Fuzzes the checks of a DIB block from the clipboard, the row copy into a bitmap, and the way
// back: a checked DIB, copied and built again, reads back to the same pixels.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "clipboard/dib.h"

namespace {
void Check(bool ok) {
    if (!ok) __builtin_trap();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace mirelo;
    DibLayout d;
    if (!ReadDib(data, size, &d)) return 0;

    // The bits lie inside the block and every row is long enough for its pixels.
    Check(d.width > 0 && d.height > 0);
    Check(d.headerLength >= 40 && d.headerLength <= size);
    Check(d.bitsLength <= size - d.headerLength);
    Check(d.bitsLength == d.rowBytes * static_cast<size_t>(d.height));
    Check(d.rowBytes % 4 == 0);
    Check(d.rowBytes >= (static_cast<uint64_t>(d.width) * static_cast<uint64_t>(d.bitCount) + 7) / 8);
    Check(BitsPerPixel(d.format) == (d.throughMasks ? 32 : d.bitCount));
    Check(IsIndexed(d.format) == (d.bitCount <= 8));
    Check(d.palette.size() == (d.bitCount <= 8 ? (size_t{1} << d.bitCount) : 0));
    for (uint32_t c : d.palette) Check((c >> 24) == 0xFF);

    const int bits = BitsPerPixel(d.format);
    const size_t stride = static_cast<size_t>(DwordStride(d.width, bits));
    std::vector<uint8_t> pixels(stride * static_cast<size_t>(d.height), 0xCD);
    PixelView v;
    v.width = d.width;
    v.height = d.height;
    v.stride = static_cast<int>(stride);
    v.format = d.format;
    v.scan0 = pixels.data();
    Check(CopyDibRows(data, d, v));

    // Built again and read back: the same layout and the same bytes of every row.
    v.palette = d.palette.data();
    v.paletteCount = static_cast<int>(d.palette.size());
    DibImage again;
    Check(BuildDib(v, &again));
    Check(again.bytes.size() == again.headerLength + again.bitsLength);
    DibLayout d2;
    Check(ReadDib(again.bytes.data(), again.bytes.size(), &d2));
    Check(d2.width == d.width && d2.height == d.height && d2.format == d.format && !d2.topDown && !d2.throughMasks);
    Check(d2.palette == d.palette);
    std::vector<uint8_t> pixels2(pixels.size(), 0x11);
    PixelView v2 = v;
    v2.scan0 = pixels2.data();
    Check(CopyDibRows(again.bytes.data(), d2, v2));
    const size_t used = (static_cast<size_t>(d.width) * static_cast<size_t>(bits) + 7) / 8;
    for (int y = 0; y < d.height; ++y) Check(std::memcmp(v.Row(y), v2.Row(y), used) == 0);
    return 0;
}
