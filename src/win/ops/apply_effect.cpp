#include "ops/apply_effect.h"

#include <ctime>
#include <vector>

#include "app/editor.h"
#include "image/bitmap_access.h"
#include "ops/effects.h"
#include "select/selection.h"

namespace mirelo {

namespace {
bool ApplyPixelEffect(Editor& e, bool copyFirst, GpBitmapOwner& source, GpBitmapOwner& destination, const uint8_t* mask, int effect,
                      int value, CrtRandom* random) {
    const PixelFormat format = FormatOf(source.get());
    EffectParams params;
    params.effect = effect;
    params.value = value;
    params.copyFirst = copyFirst;
    params.mask = mask;
    params.seed = static_cast<uint32_t>(std::time(nullptr));  // noise without a generator of the caller's
    params.random = random;
    if (source.get() == destination.get()) {
        BitmapLock both(e.messages, destination, kLockReadWrite, format, BitmapRole::Destination);
        if (!both.ok()) return false;
        const OpStatus status = ApplyEffectPixels(both.view(), both.view(), params);
        if (status.code == effect_status::kOutOfMemory) e.messages.LowLevel(effect_text::kNoMemory);
        return both.Unlock() == Gdiplus::Ok && status.ok();
    }
    BitmapLock from(e.messages, source, kLockRead, format, BitmapRole::Source);
    if (!from.ok()) return false;
    BitmapLock to(e.messages, destination, kLockReadWrite, format, BitmapRole::Destination);
    if (!to.ok()) return false;
    const OpStatus status = ApplyEffectPixels(from.view(), to.view(), params);
    if (status.code == effect_status::kOutOfMemory) e.messages.LowLevel(effect_text::kNoMemory);
    const bool unlocked = to.Unlock() == Gdiplus::Ok;
    return from.Unlock() == Gdiplus::Ok && unlocked && status.ok();
}

// Whether the point types make a path that can be a clip: the first point starts a figure and
// Bézier points come in threes. GDI+ versions differ in what else they accept (Wine's takes a
// short Bézier segment that Windows' refuses), so the rule is checked here.
bool WellFormed(const EditPath& path) {
    const std::vector<uint8_t>& t = path.types;
    if (t.size() != path.points.size()) return false;
    for (size_t i = 0; i < t.size(); ++i) {
        const int type = t[i] & pathtype::kMask;
        if (type == pathtype::kBezier) {
            if (i == 0 || i + 2 >= t.size() || (t[i + 1] & pathtype::kMask) != pathtype::kBezier ||
                (t[i + 2] & pathtype::kMask) != pathtype::kBezier)
                return false;
            i += 2;
        } else if (type != pathtype::kStart && (i == 0 || type != pathtype::kLine)) {
            return false;
        }
    }
    return true;
}

bool ApplyMatrixEffect(Editor& e, bool copyFirst, GpBitmapOwner& source, GpBitmapOwner& destination, const EditPath* path, int effect,
                       int value, int width, int height) {
    // The core's matrix, handed to GDI+ as it is.
    float m[5][5];
    EffectColourMatrix(effect, value, m);
    GpGraphicsOwner g;
    if (gp::GdipGetImageGraphicsContext(destination.get(), g.put()) != Gdiplus::Ok || !g) return false;
    // A selection that cannot be made into a clip stops the effect before it draws: without the
    // clip the drawing would cover the whole image.
    GpPathOwner clip;
    if (path && (!WellFormed(*path) || !(clip = ToGpPath(*path)))) {
        e.messages.LowLevel(kSelectionClipFailed);
        return false;
    }
    if (copyFirst && source.get() != destination.get()) {
        gp::GdipSetCompositingMode(g.get(), Gdiplus::CompositingModeSourceCopy);
        gp::GdipDrawImageRectI(g.get(), source.get(), 0, 0, width, height);
        gp::GdipSetCompositingMode(g.get(), Gdiplus::CompositingModeSourceOver);
    }
    // The destination is as it was (with copy-first, the unchanged copy) when the clip is refused.
    if (clip && gp::GdipSetClipPath(g.get(), clip.get(), Gdiplus::CombineModeReplace) != Gdiplus::Ok) {
        e.messages.LowLevel(kSelectionClipFailed);
        return false;
    }
    // Drawing a bitmap onto itself needs a copy of it to read from.
    GpBitmapOwner copy;
    Gdiplus::GpImage* from = source.get();
    if (source.get() == destination.get()) {
        if (gp::GdipCloneImage(source.get(), reinterpret_cast<Gdiplus::GpImage**>(copy.put())) != Gdiplus::Ok || !copy) return false;
        from = copy.get();
    }
    GpImageAttributesOwner attributes;
    if (gp::GdipCreateImageAttributes(attributes.put()) != Gdiplus::Ok) return false;
    gp::GdipSetImageAttributesColorMatrix(attributes.get(), Gdiplus::ColorAdjustTypeBitmap, TRUE,
                                          reinterpret_cast<Gdiplus::ColorMatrix*>(m), nullptr, Gdiplus::ColorMatrixFlagsDefault);
    // The new colours replace the old ones where they are drawn, alpha included.
    gp::GdipSetCompositingMode(g.get(), Gdiplus::CompositingModeSourceCopy);
    return gp::GdipDrawImageRectRectI(g.get(), from, 0, 0, width, height, 0, 0, width, height, Gdiplus::UnitPixel,
                                      attributes.get(), nullptr, nullptr) == Gdiplus::Ok;
}
}  // namespace

bool ApplyEffect(Editor& e, bool copyFirst, GpBitmapOwner& source, GpBitmapOwner& destination, const EffectSelection& selection, int effect,
                 int value, CrtRandom* random) {
    if (!source || !destination) {
        e.messages.LowLevel(effect_text::kNoMemory);
        return false;
    }
    const PixelFormat format = FormatOf(source.get());
    if (BitsPerPixel(format) != 32) {
        e.messages.LowLevel(effect_text::kFormatNotSupported);
        return false;
    }
    int w = 0, h = 0, dw = 0, dh = 0;
    ImageSize(source.get(), &w, &h);
    ImageSize(destination.get(), &dw, &dh);
    if (w != dw || h != dh || FormatOf(destination.get()) != format) {
        e.messages.LowLevel(effect_text::kSizeOrFormatDiffers);
        return false;
    }
    const EffectInfo* info = FindEffect(effect);
    if (!info || value < 0 || value > info->maxValue) return false;
    if (info->kind != EffectKind::kColourMatrix)
        return ApplyPixelEffect(e, copyFirst, source, destination, selection.mask, effect, value, random);
    return ApplyMatrixEffect(e, copyFirst, source, destination, selection.path, effect, value, w, h);
}

}  // namespace mirelo
