#include "ops/rotate_image.h"

#include "app/editor.h"
#include "image/apply_op.h"
#include "image/bitmap_access.h"
#include "image/image_set.h"
#include "ops/rotate_flip.h"
#include "paste/paste_objects.h"
#include "ui/frame_bars.h"

namespace mirelo {

namespace {

// Draws `source` (width × height) turned as the plan says into a new square bitmap.
GpStatus DrawTurned(Editor& e, GpBitmapOwner& source, int width, int height, const AngleRotation& plan, bool smoothing,
                    GpBitmapOwner& result) {
    GpBitmapOwner out;
    if (!CreateGpBitmap(out, plan.side, plan.side, plan.format)) {
        e.messages.LowLevel(u"Bmp_Copyを作成できません");
        return out.lastStatus() != Gdiplus::Ok ? out.lastStatus() : Gdiplus::OutOfMemory;
    }
    GpGraphicsOwner g;
    g.Check(gp::GdipGetImageGraphicsContext(out.get(), g.put()));
    if (g) {
        // Whatever no source pixel reaches stays transparent; the source's own alpha is kept.
        g.Check(gp::GdipGraphicsClear(g.get(), 0x00000000));
        g.Check(gp::GdipSetCompositingMode(g.get(), Gdiplus::CompositingModeSourceCopy));
        g.Check(gp::GdipSetPixelOffsetMode(g.get(), smoothing ? Gdiplus::PixelOffsetModeDefault : Gdiplus::PixelOffsetModeHalf));
        g.Check(gp::GdipSetInterpolationMode(
            g.get(), smoothing ? Gdiplus::InterpolationModeBicubic : Gdiplus::InterpolationModeNearestNeighbor));
        // A point p goes to centre + R(p − centre): the last step prepended is the first applied.
        const auto cx = static_cast<Gdiplus::REAL>(plan.centreX), cy = static_cast<Gdiplus::REAL>(plan.centreY);
        g.Check(gp::GdipTranslateWorldTransform(g.get(), cx, cy, Gdiplus::MatrixOrderPrepend));
        g.Check(gp::GdipRotateWorldTransform(g.get(), static_cast<Gdiplus::REAL>(plan.degrees), Gdiplus::MatrixOrderPrepend));
        g.Check(gp::GdipTranslateWorldTransform(g.get(), -cx, -cy, Gdiplus::MatrixOrderPrepend));
        g.Check(gp::GdipDrawImageRectI(g.get(), source.get(), plan.left, plan.top, width, height));
    }
    if (!g || g.lastStatus() != Gdiplus::Ok) {
        g.reset();
        e.messages.LowLevel(u"Bmp_Copyに描画できません");
        // The image stays as it was, as a copy of itself.
        return CopyBitmapArea(e.messages, source, 0, 0, width, height, result) ? Gdiplus::Ok : Gdiplus::GenericError;
    }
    g.reset();
    result = std::move(out);
    return Gdiplus::Ok;
}

}  // namespace

GpStatus RotateFlipImage(Editor& e, GpBitmapOwner& source, int kind, GpBitmapOwner& result) {
    int w = 0, h = 0;
    if (!source || !ImageSize(source.get(), &w, &h)) {
        e.messages.LowLevel(u"Bmpがありません");
        return Gdiplus::InvalidParameter;
    }
    const PixelFormat format = FormatOf(source.get());
    const RotateFlipParams params{kind};
    GpBitmapOwner out;
    const OpStatus status = RunPixelOp(
        e, source, format, format, SwapsSides(kind) ? h : w, SwapsSides(kind) ? w : h,
        [&params](const PixelView& in, const PixelView& to) { return RotateFlipPixels(in, to, params); }, out);
    if (status.code == pixel_op::kCannotCreate) e.messages.LowLevel(u"Bmp_Copyを作成できません");
    if (!status.ok()) return status.code == pixel_op::kCannotCreate ? Gdiplus::OutOfMemory : Gdiplus::GenericError;
    if (IsIndexed(format) && CopyPalette(out.get(), source.get()) != Gdiplus::Ok) {
        e.messages.LowLevel(u"パレットを取得できません");
        return Gdiplus::GenericError;
    }
    result = std::move(out);
    return Gdiplus::Ok;
}

GpStatus RotateImageByAngle(Editor& e, GpBitmapOwner& source, int angle, bool reverse, bool smoothing, GpBitmapOwner& result) {
    int w = 0, h = 0;
    if (!source || !ImageSize(source.get(), &w, &h)) {
        e.messages.LowLevel(u"Bmpがありません");
        return Gdiplus::InvalidParameter;
    }
    const AngleRotation plan = PlanAngleRotation(angle, reverse, w, h, FormatOf(source.get()));
    switch (plan.route) {
    case AngleRotation::Route::None: return Gdiplus::Ok;
    case AngleRotation::Route::QuarterTurn: return RotateFlipImage(e, source, plan.kind, result);
    case AngleRotation::Route::Draw: break;
    }
    return DrawTurned(e, source, w, h, plan, smoothing, result);
}

void RotateFlipCommand(Editor& e, int command) {
    ImageSlot* s = e.Current();
    const int kind = RotateFlipKindOfCommand(command);
    if (!s || !s->occupied() || kind == 0) return;
    // With a paste object selected, these commands turn the object or mirror its own pixels.
    if (s->pasteObjects.Selected()) {
        TurnSelectedObject(e, kind);
        return;
    }
    ChangeCurrentImage(e, [&](GpBitmapOwner& result) { return RotateFlipImage(e, s->bitmap, kind, result) == Gdiplus::Ok; });
}

void RotateByAngleCommand(Editor& e, bool reverse) {
    ImageSlot* s = e.Current();
    if (!s || !s->occupied()) return;
    const int angle = RotationAngle(e);
    // As for the quarter turns: a selected paste object takes the turn itself.
    if (s->pasteObjects.Selected()) {
        TurnSelectedObjectBy(e, angle, reverse);
        return;
    }
    if (PlanAngleRotation(angle, reverse, s->width, s->height, s->pixelFormat).route == AngleRotation::Route::None) return;
    const bool smoothing = RotationSmoothing(e);
    ChangeCurrentImage(e, [&](GpBitmapOwner& result) {
        if (RotateImageByAngle(e, s->bitmap, angle, reverse, smoothing, result) == Gdiplus::Ok && result) return true;
        result.reset();
        e.messages.App(u"回転できません");
        return false;
    });
}

}  // namespace mirelo
