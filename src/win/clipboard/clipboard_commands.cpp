#include "clipboard/clipboard_commands.h"

#include <algorithm>

#include "app/command_registry.h"
#include "app/editor.h"
#include "clipboard/clipboard.h"
#include "common/wait_cursor.h"
#include "image/bitmap_access.h"
#include "image/image_set.h"
#include "select/selection.h"

namespace mirelo {

namespace {
constexpr char16_t kClipboardImageName[] = u"clipboard";


}  // namespace

bool FindCopyArea(ImageSlot& s, IntRect* area) {
    if (s.selectionPath) {
        if (s.selectionPath->size() < 3) return false;
        s.selectionPath->fillMode = SelectionFillMode(s);
        const IntRect b = s.selectionPath->BoundsI();
        if (b.x < 0 || b.y < 0 || b.width > s.width || b.height > s.height) s.selectionPath.reset();
    }
    if (!s.selectionPath) {
        SelectAll(s);
        s.selectionPath->fillMode = SelectionFillMode(s);
        *area = IntRect{0, 0, s.width, s.height};
        return true;
    }
    *area = SelectionArea(*s.selectionPath, s.width, s.height);
    return area->width > 0 && area->height > 0;
}

namespace {
// Whether the selection is the whole picture as 全選択 makes it, on a picture without alpha or
// palette: its mask then takes every pixel, and is not worked out.
bool WholeOpaquePicture(const ImageSlot& s, const IntRect& area) {
    const PixelFormat format = FormatOf(s.bitmap.get());
    if (HasAlpha(format) || IsIndexed(format) || area.x != 0 || area.y != 0 || area.width != s.width || area.height != s.height)
        return false;
    return IsWholePicturePath(*s.selectionPath, s.width, s.height);
}
}  // namespace

bool PutAreaOnClipboard(Editor& e, ImageSlot& s, const IntRect& area) {
    // The outline travels relative to the copied area, as the selection of what is pasted.
    EditPath outline = *s.selectionPath;
    outline.Transform(Affine::Translate(-area.x, -area.y));
    ClipboardMask mask;
    mask.present = true;
    GpBitmapOwner copy;
    if (WholeOpaquePicture(s, area)) {
        mask.full = static_cast<size_t>(area.width) * static_cast<size_t>(area.height);
    } else if (!SelectionMask(e, s.selectionPath, s.selectionPath->fillMode, area, &mask.bytes)) {
        return false;
    }
    if (!CopyBitmapArea(e.messages, s.bitmap, area.x, area.y, area.width, area.height, copy)) return false;
    if (!mask.full) {
        CombineMaskWithAlpha(e, s.bitmap, mask.bytes, area);
        if (std::find(mask.bytes.begin(), mask.bytes.end(), uint8_t{0}) != mask.bytes.end()) WriteMaskIntoBitmap(e, copy, mask.bytes);
    }
    HWND owner = e.ClipboardOwner();
    if (!CopyImageToClipboard(e.messages, owner, copy, &mask)) return false;
    CopySelectionShape(owner, outline);
    return true;
}

namespace {
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
    WriteMaskIntoBitmap(e, bitmap, mask);
}
}  // namespace

void CopySelection(Editor& e) {
    ImageSlot* s = e.Current();
    if (!s || !s->occupied()) return;
    WaitCursor wait;
    ImageSize(s->bitmap.get(), &s->width, &s->height);
    IntRect area;
    if (FindCopyArea(*s, &area)) PutAreaOnClipboard(e, *s, area);
    e.ProgramChanged(change::kOutside);
}

void PasteAsNewImage(Editor& e) {
    if (!HasRoomFor(e, kClipboardImageName)) return;
    HWND owner = e.ClipboardOwner();
    GpBitmapOwner bitmap;
    if (!ReadClipboardImage(e.messages, owner, bitmap)) return;
    int w = 0, h = 0;
    ImageSize(bitmap.get(), &w, &h);
    ClipboardSelection selection;
    ReadSelectionShape(owner, w, h, &selection);
    if (selection.hasMask) ApplyClipboardMask(e, bitmap, selection.mask);
    const int slot = AddImage(e, std::move(bitmap), kClipboardImageName);
    if (slot < 0) return;
    if (selection.hasOutline) e.images.slots[static_cast<size_t>(slot)].selectionPath = std::move(selection.outline);
}

void RegisterClipboardCommands(CommandRegistry& r) {
    r.OnReadState([](Editor&, CommandState& s) { s.clipboardImage = ClipboardHasImage(); });
    r.On(cmd::kCopy, [](Editor& e, int) { CopySelection(e); }, [](const CommandState& s) { return s.open && !s.textSelected; });
    // Pasting onto an open image, and cutting, belong to the paste objects.
    r.On(cmd::kPasteNew, [](Editor& e, int) { PasteAsNewImage(e); }, [](const CommandState& s) { return s.clipboardImage; });
}

}  // namespace mirelo
