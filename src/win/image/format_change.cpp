#include "image/format_change.h"

#include <vector>

#include "app/editor.h"
#include "app/command_registry.h"
#include "edit/undo_history.h"
#include "image/apply_op.h"
#include "image/bitmap_access.h"
#include "image/convert.h"
#include "image/image_set.h"

namespace mirelo {

GpStatus ConvertDirect(Editor& e, GpBitmapOwner& source, PixelFormat target, bool keepFourthByte, GpBitmapOwner& result) {
    if (IsIndexed(target)) {
        e.messages.LowLevel(u"インデックスカラーは対応していません");
        return Gdiplus::InvalidParameter;
    }
    if (BitsPerPixel(target) > 47) {
        e.messages.LowLevel(u"48bit色以上は対応していません");
        return Gdiplus::InvalidParameter;
    }
    const PixelFormat from = FormatOf(source.get());
    const PixelFormat readAs = BitsPerPixel(from) > 47 ? fmt::k32ARGB : from;
    const ConvertParams params{keepFourthByte};
    const OpStatus status = RunPixelOp(
        e, source, readAs, target, [&params](const PixelView& in, const PixelView& out) { return ConvertPixels(in, out, params); },
        result);
    if (status.code == pixel_op::kCannotCreate) e.messages.LowLevel(u"Bmp_Copyを作成できません");
    if (status.ok()) return Gdiplus::Ok;
    return status.code == pixel_op::kCannotCreate ? Gdiplus::OutOfMemory : Gdiplus::GenericError;
}

GpStatus RedrawInFormat(Editor& e, GpBitmapOwner& source, int width, int height, PixelFormat target,
                        Gdiplus::InterpolationMode interpolation, GpBitmapOwner& result) {
    GpBitmapOwner out;
    if (!CreateGpBitmap(out, width, height, target)) {
        e.messages.LowLevel(u"Bmp_Copyを作成できません");
        return out.lastStatus() != Gdiplus::Ok ? out.lastStatus() : Gdiplus::GenericError;
    }
    GpGraphicsOwner g;
    // Indexed bitmaps take no drawing (some GDI+ versions give a graphics context on them, with
    // colours of their own choosing): the caller converts first.
    if (IsIndexed(target))
        g.Check(Gdiplus::OutOfMemory);
    else
        g.Check(gp::GdipGetImageGraphicsContext(out.get(), g.put()));
    if (g) {
        g.Check(gp::GdipSetCompositingMode(g.get(), Gdiplus::CompositingModeSourceCopy));
        g.Check(gp::GdipSetPixelOffsetMode(g.get(), Gdiplus::PixelOffsetModeHalf));
        g.Check(gp::GdipSetInterpolationMode(g.get(), Gdiplus::InterpolationModeNearestNeighbor));
        g.Check(gp::GdipDrawImageRectI(g.get(), source.get(), 0, 0, width, height));
        if (interpolation != Gdiplus::InterpolationModeNearestNeighbor && interpolation != Gdiplus::InterpolationModeDefault) {
            g.Check(gp::GdipSetPixelOffsetMode(g.get(), Gdiplus::PixelOffsetModeDefault));
            g.Check(gp::GdipSetInterpolationMode(g.get(), interpolation));
            g.Check(gp::GdipDrawImageRectI(g.get(), source.get(), 0, 0, width, height));
        }
    }
    if (!g || g.lastStatus() != Gdiplus::Ok) {
        e.messages.LowLevel(u"Bmp_Copyに描画できません");
        return g.lastStatus() != Gdiplus::Ok ? g.lastStatus() : Gdiplus::GenericError;
    }
    g.reset();
    result = std::move(out);
    return Gdiplus::Ok;
}

GpStatus ChangeFormat(Editor& e, PixelFormat target, TextView failureText, bool keepFourthByte, bool recordUndo) {
    GpStatus status = Gdiplus::InvalidParameter;
    ChangeCurrentImage(
        e,
        [&](GpBitmapOwner& result) {
            ImageSlot* s = e.Current();
            if (BitsPerPixel(target) > 47)
                status = RedrawInFormat(e, s->bitmap, s->width, s->height, target, Gdiplus::InterpolationModeNearestNeighbor, result);
            else if (BitsPerPixel(target) >= 16)
                status = ConvertDirect(e, s->bitmap, target, BitsPerPixel(target) == 32 && keepFourthByte, result);
            if (status != Gdiplus::Ok) e.messages.App(failureText);
            return status == Gdiplus::Ok;
        },
        recordUndo);
    return status;
}

void ChangeFormatCommand(Editor& e, int command) {
    FormatCommandInfo info;
    if (!FormatCommandTarget(command, &info)) return;
    ChangeFormat(e, info.target, info.failureText, false, true);
}

}  // namespace mirelo
