// Fuzzes the icon and pointer file reader and the decoding of bitmap entries, and the way
// back: a decoded entry written as a 32-bit entry reads back to the same pixels.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "files/icon_file.h"

namespace {
void Check(bool ok) {
    if (!ok) __builtin_trap();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace mirelo;
    const IconFileContents c = ReadIconFile(data, size);
    Check(c.directoryCount >= 0 && c.directoryCount <= icon::kMaxEntries);
    Check(c.entries.size() <= static_cast<size_t>(c.directoryCount));
    for (const IconFileEntry& e : c.entries) {
        if (!c.cursor) Check(e.hotspotX == 0 && e.hotspotY == 0);
        if (!e.usable) {
            Check(e.pngData.empty() && e.dib.empty());
            continue;
        }
        if (e.png) {
            Check(e.pngData.size() >= 4 && e.pngData.size() <= size && e.dib.empty());
            Check(std::memcmp(e.pngData.data() + 1, "PNG", 3) == 0);
            continue;
        }
        Check(e.width > 0 && e.height > 0 && e.width <= icon::kMaxSide && e.height <= icon::kMaxSide);
        Check(e.dib.size() < size && e.maskBits.size() < size);
        Check(e.maskBits.size() == static_cast<size_t>(e.maskStride) * static_cast<size_t>(e.height));

        OwnedPixels argb;
        PixelFormat format = 0;
        Check(DecodeIconBitmapEntry(e, &argb, &format));
        Check(argb.view.width == e.width && argb.view.height == e.height && argb.view.format == fmt::k32ARGB);
        Check(BitsPerPixel(format) == e.bitCount || (e.bitCount == 16 && BitsPerPixel(format) == 32));

        // Written back as a 32-bit entry with the mask from alpha, then read again.
        OwnedPixels copy = argb;
        copy.view.scan0 = copy.bytes.data();
        const std::vector<uint8_t> mask = BuildIconMask(copy.view);
        ClearTransparentPixels(copy.view);
        DibImage dib;
        Check(BuildDib(copy.view, &dib));
        IconWriteEntry w;
        w.data = BuildIconBitmapEntry(dib, mask);
        Check(!w.data.empty());
        w.width = e.width;
        w.height = e.height;
        w.bitCount = 32;
        w.hotspotX = e.hotspotX;
        w.hotspotY = e.hotspotY;
        std::vector<uint8_t> file;
        Check(BuildIconFile({w}, c.cursor, &file));
        const IconFileContents again = ReadIconFile(file.data(), file.size());
        Check(again.directoryCount == 1 && again.entries.size() == 1 && again.entries[0].usable);
        Check(again.entries[0].hotspotX == e.hotspotX && again.entries[0].hotspotY == e.hotspotY);
        OwnedPixels back;
        Check(DecodeIconBitmapEntry(again.entries[0], &back, &format));
        Check(format == fmt::k32RGB);
        for (int y = 0; y < e.height; ++y)
            Check(std::memcmp(back.view.Row(y), copy.view.Row(y), static_cast<size_t>(e.width) * 4) == 0);
    }
    return 0;
}
