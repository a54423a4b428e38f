#include "image/apply_op.h"

#include <vector>

#include "app/editor.h"
#include "app/command_registry.h"
#include "edit/undo_history.h"
#include "image/bitmap_access.h"
#include "image/convert.h"
#include "image/image_set.h"

namespace mirelo {

OpStatus RunPixelOp(Editor& e, GpBitmapOwner& source, PixelFormat readAs, PixelFormat target, const PixelOp& op,
                    GpBitmapOwner& result) {
    int w = 0, h = 0;
    if (!ImageSize(source.get(), &w, &h)) return OpStatus::Failed(nullptr, pixel_op::kCannotCreate);
    return RunPixelOp(e, source, readAs, target, w, h, op, result);
}

namespace {
// A 24-bit picture read as 32-bit ARGB: converted by the core into a bitmap of the pixel pool
// (warm memory) rather than by GDI+ into fresh memory; the same bytes (alpha 255). False when
// another reading is needed, or the copy cannot be made (GDI+ then converts as it locks).
bool ArgbOfRgb(Editor& e, GpBitmapOwner& source, PixelFormat readAs, GpBitmapOwner& argb) {
    int w = 0, h = 0;
    if (readAs != fmt::k32ARGB || FormatOf(source.get()) != fmt::k24RGB || !ImageSize(source.get(), &w, &h) ||
        !CreateGpBitmap(argb, w, h, fmt::k32ARGB))
        return false;
    BitmapLock from(e.messages, source, kLockRead, fmt::k24RGB, BitmapRole::Source);
    if (!from.ok()) return false;
    BitmapLock to(e.messages, argb, kLockWrite, fmt::k32ARGB, BitmapRole::Destination);
    if (!to.ok()) return false;
    const bool converted = ConvertPixels(from.view(), to.view(), ConvertParams{}).ok();
    return to.Unlock() == Gdiplus::Ok && from.Unlock() == Gdiplus::Ok && converted;
}
}  // namespace

OpStatus RunPixelOp(Editor& e, GpBitmapOwner& original, PixelFormat readAs, PixelFormat target, int width, int height,
                    const PixelOp& op, GpBitmapOwner& result) {
    GpBitmapOwner argb;
    GpBitmapOwner& source = ArgbOfRgb(e, original, readAs, argb) ? argb : original;
    if (!CreateGpBitmap(result, width, height, target)) return OpStatus::Failed(nullptr, pixel_op::kCannotCreate);
    std::vector<uint32_t> inPalette, outPalette;
    if (IsIndexed(readAs) && !ReadPaletteEntries(source.get(), &inPalette)) return OpStatus::Failed(u"パレットを取得できません");
    if (IsIndexed(target)) ReadPaletteEntries(result.get(), &outPalette);
    OpStatus status;
    {
        BitmapLock from(e.messages, source, kLockRead, readAs, BitmapRole::Source);
        if (!from.ok()) return OpStatus::Failed(nullptr, pixel_op::kLockFailed);
        BitmapLock to(e.messages, result, kLockWrite, target, BitmapRole::DestinationBoth);
        if (!to.ok()) return OpStatus::Failed(nullptr, pixel_op::kLockFailed);
        PixelView in = from.view(), out = to.view();
        in.palette = inPalette.data();
        in.paletteCount = static_cast<int>(inPalette.size());
        out.palette = outPalette.data();
        out.paletteCount = static_cast<int>(outPalette.size());
        status = op(in, out);
        if (to.Unlock() != Gdiplus::Ok || from.Unlock() != Gdiplus::Ok) return OpStatus::Failed(nullptr, pixel_op::kLockFailed);
    }
    if (!status.ok() && status.message) e.messages.LowLevel(status.message);
    if (!status.ok()) result.reset();
    return status;
}

namespace {
// The slot's new bitmap is in place: it keeps the image's resolution and the slot follows it.
void BitmapPlaced(Editor& e, int index) {
    ImageSlot& s = e.images.slots[static_cast<size_t>(index)];
    if (s.dpiX > 0 && s.dpiY > 0)
        gp::GdipBitmapSetResolution(s.bitmap.get(), static_cast<Gdiplus::REAL>(s.dpiX), static_cast<Gdiplus::REAL>(s.dpiY));
    ImageChanged(e, index, kChangedBitmap);
}
}  // namespace

void ReplaceBitmap(Editor& e, int index, GpBitmapOwner& result) {
    if (index < 0 || index >= kMaxImages || !result) return;
    e.images.slots[static_cast<size_t>(index)].bitmap = std::move(result);
    BitmapPlaced(e, index);
}

bool ChangeCurrentImage(Editor& e, const std::function<bool(GpBitmapOwner&)>& produce, bool recordUndo) {
    ImageSlot* s = e.Current();
    if (!s || !s->occupied()) return false;
    UndoStep step;
    if (recordUndo) step = BeginUndoStep(e);  // what the step replaces goes before the new bitmap is made
    GpBitmapOwner result;
    if (!produce(result) || !result) {
        if (recordUndo) FinishUndoStep(e, step, nullptr);  // the history shows the attempt, as before any operation
        e.Changed(change::kHistory);
        return false;
    }
    // The bitmap being left goes into the history as it is: no copy of the picture.
    if (recordUndo && FinishUndoStep(e, step, &result)) {
        BitmapPlaced(e, e.images.current);
        return true;
    }
    ReplaceBitmap(e, e.images.current, result);
    return true;
}

}  // namespace mirelo
