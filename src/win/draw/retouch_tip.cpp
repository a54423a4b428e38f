#include "draw/retouch_tip.h"

#include "image/bitmap_access.h"

namespace mirelo {

bool RetouchTip::Update(int size) {
    if (size == side_ && ready()) return true;
    side_ = 0;
    mask_.clear();
    outline_ = EditPath();
    edges_ = PixelOutline();
    if (size < 1) return false;
    GpBitmapOwner bitmap;
    if (!CreateGpBitmap(bitmap, size, size, fmt::k32ARGB)) return false;
    {
        GpGraphicsOwner g;
        if (gp::GdipGetImageGraphicsContext(bitmap.get(), g.put()) != Gdiplus::Ok || !g) return false;
        gp::GdipGraphicsClear(g.get(), 0x00000000);
        Gdiplus::GpSolidFill* fill = nullptr;
        if (gp::GdipCreateSolidFill(0xFF000000, &fill) != Gdiplus::Ok) return false;
        GpBrushOwner brush(fill);
        const GpStatus drawn = size < 2 ? gp::GdipFillRectangleI(g.get(), fill, 0, 0, size, size)
                                        : gp::GdipFillEllipseI(g.get(), fill, 0, 0, size, size);
        if (drawn != Gdiplus::Ok) return false;
    }
    std::vector<uint8_t> mask(static_cast<size_t>(size) * static_cast<size_t>(size), 0);
    Gdiplus::BitmapData data{};
    const Gdiplus::GpRect all(0, 0, size, size);
    if (gp::GdipBitmapLockBits(bitmap.get(), &all, Gdiplus::ImageLockModeRead, fmt::k32ARGB, &data) != Gdiplus::Ok) return false;
    for (int y = 0; y < size; ++y) {
        const auto* row = static_cast<const uint8_t*>(data.Scan0) + static_cast<intptr_t>(y) * data.Stride;
        for (int x = 0; x < size; ++x) mask[static_cast<size_t>(y) * static_cast<size_t>(size) + static_cast<size_t>(x)] = row[x * 4 + 3] ? 1 : 0;
    }
    gp::GdipBitmapUnlockBits(bitmap.get(), &data);
    const float f = static_cast<float>(size);
    if (size < 2)
        outline_.AddRectangle(0, 0, f, f);
    else
        outline_.AddEllipse(0, 0, f, f);
    edges_ = OutlineOfMask(mask, size, size);
    mask_ = std::move(mask);
    side_ = size;
    return true;
}

}  // namespace mirelo
