#include "image/format_change.h"

#include <vector>

#include "app/editor.h"
#include "app/menu_state.h"
#include "edit/undo_history.h"
#include "edit/view.h"
#include "image/bitmap_access.h"
#include "image/convert.h"
#include "image/image_set.h"

namespace mirelo {

namespace {
// The palette of an indexed bitmap as ARGB entries; empty when it cannot be read.
std::vector<uint32_t> PaletteOf(Gdiplus::GpBitmap* bitmap) {
    std::vector<uint32_t> entries;
    if (!ReadPaletteEntries(bitmap, &entries)) entries.clear();
    return entries;
}
}  // namespace

GpStatus ConvertDirect(Editor& e, GpBitmapOwner& source, PixelFormat target, bool keepFourthByte, GpBitmapOwner& result) {
    if (IsIndexed(target)) {
        e.messages.LowLevel(u"インデックスカラーは対応していません");
        return Gdiplus::InvalidParameter;
    }
    if (BitsPerPixel(target) > 47) {
        e.messages.LowLevel(u"48bit色以上は対応していません");
        return Gdiplus::InvalidParameter;
    }
    int w = 0, h = 0;
    ImageSize(source.get(), &w, &h);
    GpBitmapOwner out;
    if (!CreateGpBitmap(out, w, h, target)) {
        e.messages.LowLevel(u"Bmp_Copyを作成できません");
        return out.lastStatus() != Gdiplus::Ok ? out.lastStatus() : Gdiplus::GenericError;
    }
    PixelFormat from = FormatOf(source.get());
    PixelFormat lockAs = BitsPerPixel(from) > 47 ? fmt::k32ARGB : from;
    std::vector<uint8_t> bgra;
    {
        BitmapLock lock(e.messages, source, kLockRead, lockAs, BitmapRole::Image);
        if (!lock.ok()) return lock.status();
        PixelView v = lock.view();
        std::vector<uint32_t> palette;
        if (IsIndexed(lockAs)) {
            palette = PaletteOf(source.get());
            if (palette.empty()) {
                lock.Unlock();
                e.messages.LowLevel(u"パレットを取得できません");
                return Gdiplus::GenericError;
            }
            v.palette = palette.data();
            v.paletteCount = static_cast<int>(palette.size());
        }
        if (!DecodeToBgra(v, bgra)) return Gdiplus::InvalidParameter;
        if (GpStatus s = lock.Unlock(); s != Gdiplus::Ok) return s;
    }
    {
        BitmapLock lock(e.messages, out, kLockWrite, target, BitmapRole::Copy);
        if (!lock.ok()) return lock.status();
        EncodeFromBgra(bgra, lock.view(), keepFourthByte, IsPremultiplied(lockAs));
        if (GpStatus s = lock.Unlock(); s != Gdiplus::Ok) return s;
    }
    result = std::move(out);
    return Gdiplus::Ok;
}

GpStatus RedrawInFormat(Editor& e, GpBitmapOwner& source, int width, int height, PixelFormat target,
                        Gdiplus::InterpolationMode interpolation, GpBitmapOwner& result) {
    GpBitmapOwner out;
    if (!CreateGpBitmap(out, width, height, target)) {
        e.messages.LowLevel(u"Bmp_Copyを作成できません");
        return out.lastStatus() != Gdiplus::Ok ? out.lastStatus() : Gdiplus::GenericError;
    }
    GpGraphicsOwner g;
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

void CommitConversion(Editor& e, GpBitmapOwner& result, bool relayout) {
    ImageSlot* s = e.Current();
    if (!s || !result) return;
    s->bitmap = std::move(result);
    ImageSize(s->bitmap.get(), &s->width, &s->height);
    if (s->dpiX > 0 && s->dpiY > 0)
        gp::GdipBitmapSetResolution(s->bitmap.get(), static_cast<Gdiplus::REAL>(s->dpiX), static_cast<Gdiplus::REAL>(s->dpiY));
    RefreshStatusLine(e);
    RefreshCurrentThumbnail(e);
    if (relayout) LayoutView(e);
    if (e.view) InvalidateRect(e.view, nullptr, FALSE);
}

GpStatus ChangeFormat(Editor& e, PixelFormat target, TextView failureText, bool keepFourthByte, bool recordUndo) {
    ImageSlot* s = e.Current();
    if (!s || !s->occupied()) return Gdiplus::InvalidParameter;
    int w = s->width, h = s->height;
    PixelFormat before = FormatOf(s->bitmap.get());
    if (recordUndo) RecordUndoStep(e);
    if (IsIndexed(before)) s->tool = kToolSelect;
    GpBitmapOwner result;
    GpStatus status = Gdiplus::InvalidParameter;
    if (BitsPerPixel(target) > 47)
        status = RedrawInFormat(e, s->bitmap, w, h, target, Gdiplus::InterpolationModeNearestNeighbor, result);
    else if (BitsPerPixel(target) >= 16)
        status = ConvertDirect(e, s->bitmap, target, BitsPerPixel(target) == 32 && keepFourthByte, result);
    if (status != Gdiplus::Ok) {
        e.messages.App(failureText);
        RefreshMenuState(e);
        return status;
    }
    CommitConversion(e, result, false);
    if (before != target) {
        CheckFormatItem(e);
        RefreshMenuState(e);
    }
    return Gdiplus::Ok;
}

void ChangeFormatCommand(Editor& e, int command) {
    FormatCommandInfo info;
    if (!FormatCommandTarget(command, &info)) return;
    ChangeFormat(e, info.target, info.failureText, false, true);
}

}  // namespace mirelo
