#include "image/detached_copy.h"

#include <vector>

#include "app/editor.h"
#include "files/property_value.h"
#include "image/bitmap_access.h"
#include "image/file_format.h"
#include "image/image_set.h"

namespace mirelo {

namespace {

// Copies the bitmap's pixels exactly into a new bitmap of the same size and format.
bool CopyPixels(Editor& e, GpBitmapOwner& source, PixelFormat format, bool fourthByteAsAlpha, GpBitmapOwner& out) {
    int width = 0, height = 0;
    if (!ImageSize(source.get(), &width, &height)) return false;
    const PixelFormat target = fourthByteAsAlpha ? fmt::k32ARGB : format;
    if (!CreateGpBitmap(out, width, height, target)) return false;
    if (IsIndexed(format) && CopyPalette(out.get(), source.get()) != Gdiplus::Ok) return false;
    BitmapLock from(e.messages, source, kLockRead, format, BitmapRole::Source);
    if (!from.ok()) return false;
    BitmapLock to(e.messages, out, kLockWrite, target, BitmapRole::Destination);
    if (!to.ok()) return false;
    PixelView b = to.view();
    CopyRows(from.view(), b);
    // A file whose fourth bytes are all 0 did not store alpha there: its pixels are opaque.
    if (fourthByteAsAlpha && !AnyFourthByteSet(b)) SetFourthBytes(b, 0xFF);
    return to.Unlock() == Gdiplus::Ok && from.Unlock() == Gdiplus::Ok;
}

void CopyResolutionAndProperties(Gdiplus::GpImage* from, Gdiplus::GpBitmap* to) {
    Gdiplus::REAL dx = 0, dy = 0;
    if (gp::GdipGetImageHorizontalResolution(from, &dx) == Gdiplus::Ok &&
        gp::GdipGetImageVerticalResolution(from, &dy) == Gdiplus::Ok && dx > 0 && dy > 0)
        gp::GdipBitmapSetResolution(to, dx, dy);
    for (uint32_t tag : kPropertyTags) {
        UINT size = 0;
        if (gp::GdipGetPropertyItemSize(from, tag, &size) != Gdiplus::Ok || size < sizeof(Gdiplus::PropertyItem)) continue;
        std::vector<uint8_t> buffer(size);
        auto* item = reinterpret_cast<Gdiplus::PropertyItem*>(buffer.data());
        if (gp::GdipGetPropertyItem(from, tag, size, item) == Gdiplus::Ok) gp::GdipSetPropertyItem(to, item);
    }
}

}  // namespace

bool DetachedCopy(Editor& e, ImageSlot& slot, GpBitmapOwner& copy) {
    if (!slot.occupied()) return false;
    const PixelFormat format = FormatOf(slot.bitmap.get());
    RawFormat raw{};
    const bool bmpFile = ReadRawFormat(slot.bitmap.get(), &raw) && raw == RawFormat::Bmp;
    const bool fourthByteAsAlpha = bmpFile && format == fmt::k32RGB;
    if (!CopyPixels(e, slot.bitmap, format, fourthByteAsAlpha, copy)) return false;
    CopyResolutionAndProperties(slot.bitmap.get(), copy.get());
    return true;
}

void DetachFromFile(Editor& e, ImageSlot& slot) {
    GpBitmapOwner copy;
    if (!DetachedCopy(e, slot, copy)) return;  // keeps the decoded bitmap
    slot.bitmap = std::move(copy);
    slot.pixelFormat = FormatOf(slot.bitmap.get());
}

}  // namespace mirelo
