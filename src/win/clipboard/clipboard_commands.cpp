#include "clipboard/clipboard_commands.h"

#include <algorithm>

#include "app/command_registry.h"
#include "app/editor.h"
#include "app/menu_state.h"
#include "clipboard/clipboard.h"
#include "common/wait_cursor.h"
#include "image/bitmap_access.h"
#include "image/image_set.h"

namespace mirelo {

namespace {
constexpr char16_t kClipboardImageName[] = u"clipboard";
constexpr int kSelectionOverlapOption = 1;  // selection option 重複: 0 alternate, 1 winding

HWND ClipboardOwner(const Editor& e) { return e.frame.view ? e.frame.view : e.frame.mainWindow; }

Gdiplus::GpFillMode SelectionFillMode(const ImageSlot& s) {
    return s.toolSettings[kSelectionOverlapOption] ? Gdiplus::FillModeWinding : Gdiplus::FillModeAlternate;
}

// Decides what a copy takes. A selection of fewer than 3 points stops the copy (false); one whose
// bounds leave the image is dropped. Without a selection, one holding the whole image is made.
bool PrepareCopyArea(ImageSlot& s) {
    if (s.selectionPath) {
        INT points = 0;
        s.selectionPath.Check(gp::GdipGetPointCount(s.selectionPath.get(), &points));
        if (points < 3) return false;
        s.selectionPath.Check(gp::GdipSetPathFillMode(s.selectionPath.get(), SelectionFillMode(s)));
        Gdiplus::GpRect bounds;
        if (gp::GdipGetPathWorldBoundsI(s.selectionPath.get(), &bounds, nullptr, nullptr) != Gdiplus::Ok ||
            bounds.X < 0 || bounds.Y < 0 || bounds.Width > s.width || bounds.Height > s.height)
            s.selectionPath.reset();
    }
    if (!s.selectionPath) {
        GpPathOwner path;
        INT points = 0;
        if (gp::GdipCreatePath(SelectionFillMode(s), path.put()) == Gdiplus::Ok && path &&
            gp::GdipAddPathRectangleI(path.get(), 0, 0, s.width - 1, s.height - 1) == Gdiplus::Ok &&
            gp::GdipGetPointCount(path.get(), &points) == Gdiplus::Ok && points >= 3)
            s.selectionPath = std::move(path);  // an image one pixel wide or high gets none
    }
    return true;
}

// The mask of the copied image: 255 inside the selection, combined with the image's alpha when
// its format has alpha or a palette.
std::vector<uint8_t> CopyMask(Editor& e, ImageSlot& s) {
    std::vector<uint8_t> mask(static_cast<size_t>(s.width) * static_cast<size_t>(s.height), 255);
    const PixelFormat format = FormatOf(s.bitmap.get());
    if (!HasAlpha(format) && !IsIndexed(format)) return mask;
    BitmapLock lock(e.messages, s.bitmap, kLockRead, fmt::k32ARGB, BitmapRole::Clipboard);
    if (lock.ok()) AndMaskWithAlpha(lock.view(), &mask);
    return mask;
}

// Writes a mask into a bitmap: outside pixels become black, and a 32-bit pixel's alpha becomes
// its mask byte. Pixels of other depths outside the mask become transparent black one by one.
void WriteMask(Editor& e, GpBitmapOwner& bitmap, const std::vector<uint8_t>& mask) {
    const PixelFormat format = FormatOf(bitmap.get());
    const int bits = BitsPerPixel(format);
    int w = 0, h = 0;
    if (!ImageSize(bitmap.get(), &w, &h) || mask.size() != static_cast<size_t>(w) * static_cast<size_t>(h)) return;
    if (bits < 24 || bits > 32) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (mask[static_cast<size_t>(y) * w + x] == 0) gp::GdipBitmapSetPixel(bitmap.get(), x, y, 0);
        return;
    }
    BitmapLock lock(e.messages, bitmap, kLockReadWrite, format, BitmapRole::Image);
    if (!lock.ok()) return;
    WriteMaskIntoView(lock.view(), mask);
    lock.Unlock();
}

// A mask with outside pixels, or a 32-bit RGB image, needs an alpha channel first.
void ApplyClipboardMask(Editor& e, GpBitmapOwner& bitmap, const std::vector<uint8_t>& mask) {
    const bool outside = std::find(mask.begin(), mask.end(), uint8_t{0}) != mask.end();
    if (outside || FormatOf(bitmap.get()) == fmt::k32RGB) {
        int w = 0, h = 0;
        ImageSize(bitmap.get(), &w, &h);
        GpBitmapOwner argb;
        if (gp::GdipCloneBitmapAreaI(0, 0, w, h, static_cast<Gdiplus::PixelFormat>(fmt::k32ARGB), bitmap.get(),
                                     argb.put()) == Gdiplus::Ok &&
            argb)
            bitmap = std::move(argb);
        else
            e.messages.App(u"32bppARGBを作成できません");
    }
    WriteMask(e, bitmap, mask);
}
}  // namespace

void CopySelection(Editor& e) {
    ImageSlot* s = e.Current();
    if (!s || !s->occupied()) return;
    WaitCursor wait;
    ImageSize(s->bitmap.get(), &s->width, &s->height);
    // The copied area is the whole image: a selection inside it travels as the outline.
    if (PrepareCopyArea(*s)) {
        std::vector<uint8_t> mask = CopyMask(e, *s);
        HWND owner = ClipboardOwner(e);
        if (CopyImageToClipboard(e.messages, owner, s->bitmap)) {
            CopySelectionMask(owner, mask.data(), mask.size());
            CopySelectionShape(owner, s->selectionPath.get());
        }
    }
    RefreshMenuState(e);
}

void PasteAsNewImage(Editor& e) {
    if (!HasRoomFor(e, kClipboardImageName)) return;
    HWND owner = ClipboardOwner(e);
    GpBitmapOwner bitmap;
    if (!ReadClipboardImage(e.messages, owner, bitmap)) return;
    int w = 0, h = 0;
    ImageSize(bitmap.get(), &w, &h);
    ClipboardSelection selection;
    ReadSelectionShape(owner, w, h, &selection);
    if (selection.hasMask) ApplyClipboardMask(e, bitmap, selection.mask);
    const int slot = AddImage(e, std::move(bitmap), kClipboardImageName, false);
    if (slot < 0) return;
    if (selection.hasOutline) e.images.slots[static_cast<size_t>(slot)].selectionPath = std::move(selection.outline);
    RefreshAfterImagesChanged(e);
}

void RegisterClipboardCommands(CommandRegistry& r) {
    r.On(cmd::kCopy, [](Editor& e, int) { CopySelection(e); }, [](const CommandState& s) { return s.open && !s.textSelected; });
    // Pasting into an open image makes a paste object, which arrives with the paste objects.
    r.On(
        cmd::kPaste,
        [](Editor& e, int) {
            if (!e.Current()) PasteAsNewImage(e);
        },
        [](const CommandState& s) { return s.clipboardImage && !s.open; });
    r.On(cmd::kPasteNew, [](Editor& e, int) { PasteAsNewImage(e); }, [](const CommandState& s) { return s.clipboardImage; });
    r.Rule(cmd::kCut, rule::Never);
}

}  // namespace mirelo
