#include "image/image_set.h"

#include "image/detached_copy.h"

#include "app/editor.h"
#include "image/properties.h"
#include "common/file.h"
#include "common/pixel_memory.h"
#include "common/wait_cursor.h"
#include "image/bitmap_access.h"

namespace mirelo {

int ImageSet::Occupied() const {
    int n = 0;
    for (const auto& s : slots) n += s.occupied() ? 1 : 0;
    return n;
}

int ImageSet::FirstFree() const {
    return FirstFreeSlot(kMaxImages, [this](int i) { return slots[static_cast<size_t>(i)].occupied(); });
}

int ImageSet::PasteObjectTotal() const {
    int n = 0;
    for (const auto& s : slots) n += s.pasteObjects.Count();
    return n;
}

Text ImageSet::NextNewName() const {
    return NextNewImageName(
        kMaxImages, [this](int i) { return slots[static_cast<size_t>(i)].occupied(); },
        [this](int i) { return TextView(slots[static_cast<size_t>(i)].path); });
}

namespace {
// Bit 0 of the slot's flags follows whether its palette has a transparent entry.
void SetPaletteFlag(ImageSlot& slot) {
    slot.flags = PaletteHasTransparentEntry(slot.bitmap.get()) ? (slot.flags | 1u) : (slot.flags & ~1u);
}

// The image's tool goes back to the selection tool (a new image, another current image, a change
// between indexed and direct colours).
void ResetTool(Editor& e, ImageSlot& slot) {
    slot.tool = kToolSelect;
    e.ProgramChanged(change::kToolReset);
}

// Registers the bitmap just placed in a slot: the slot's tools, colours, paths, history and
// paste objects start afresh, its fields are read from the bitmap, and an image decoded from a
// file is detached from it.
void RegisterSlot(Editor& e, int index, TextView name) {
    ImageSlot& slot = e.images.slots[static_cast<size_t>(index)];
    WaitCursor wait;
    ResetTool(e, slot);
    slot.serial = e.images.nextSerial++;
    slot.pasteObjects.Clear();
    slot.undo.Reset();
    slot.activeColour = 0;
    slot.colours.fill(0xFFFFFF);
    slot.colourTransparency.fill(0);
    slot.selectionAnchor.Clear();
    slot.figureAnchor.Clear();
    slot.gradientStart.Clear();
    slot.selectionPath.reset();
    slot.drawPath.reset();
    slot.otherPath.reset();
    slot.workPath.reset();

    ImageSize(slot.bitmap.get(), &slot.width, &slot.height);
    slot.path = Text(name);
    slot.fileType = FileTypeCode(e.messages, slot.bitmap.get());
    slot.byteSize = slot.path.empty() ? 0 : FileSize(slot.path);

    ReadProperties(slot);
    slot.rawFormatName = RawFormatName(e.messages, slot.bitmap.get());
    if (!IsMemoryImageName(slot.rawFormatName)) DetachFromFile(e, slot);
    SetPaletteFlag(slot);
    ReadSlotFields(e, slot);
    // The first command on a large picture makes a new one of its size: its memory is made ready.
    pixel_memory::Expect(slot.width, slot.height, static_cast<Gdiplus::PixelFormat>(slot.pixelFormat));
    e.Changed(index, change::kBitmap | change::kFit);
    e.ProgramChanged(change::kImageList | change::kCurrentImage | change::kShowWindow);
}
}  // namespace

bool HasRoomFor(Editor& e, TextView name) {
    if (e.images.FirstFree() >= 0) return true;
    e.messages.App(MessageText(u"画像数が %d を超過したので、%s は開けません").Arg(kMaxImages).Arg(name).Str(), MB_OK | MB_ICONWARNING);
    return false;
}

int AddImage(Editor& e, GpBitmapOwner bitmap, TextView name) {
    if (!bitmap || !HasRoomFor(e, name)) return -1;
    const int index = e.images.FirstFree();
    e.images.slots[static_cast<size_t>(index)].bitmap = std::move(bitmap);
    e.images.current = index;
    e.images.count = e.images.Occupied();
    RegisterSlot(e, index, name);
    return index;
}

void ImageChanged(Editor& e, int index, unsigned what) {
    if (index < 0 || index >= kMaxImages) return;
    ImageSlot& slot = e.images.slots[static_cast<size_t>(index)];
    if (!slot.occupied()) return;
    if (what & kChangedBitmap) {
        int w = 0, h = 0;
        ImageSize(slot.bitmap.get(), &w, &h);
        slot.width = w;
        slot.height = h;
        const PixelFormat format = FormatOf(slot.bitmap.get());
        // The tools of direct colours do not work on indexed images, and the reverse.
        if (IsIndexed(format) != IsIndexed(slot.pixelFormat)) ResetTool(e, slot);
        SetPaletteFlag(slot);
        ReadSlotFields(e, slot);
    }
    e.Changed(index, what);
}

void ReadSlotFields(Editor& e, ImageSlot& slot) {
    if (!slot.occupied()) return;
    slot.pixelFormat = FormatOf(slot.bitmap.get());
    slot.formatName = Text(PixelFormatNameOf(slot.pixelFormat));
    // An image read from a file keeps its file's format after its bitmap became a copy in memory.
    Text raw = RawFormatName(e.messages, slot.bitmap.get());
    if (!IsMemoryImageName(raw) || slot.rawFormatName.empty()) slot.rawFormatName = std::move(raw);
    Gdiplus::REAL dx = 0, dy = 0;
    gp::GdipGetImageHorizontalResolution(slot.bitmap.get(), &dx);
    gp::GdipGetImageVerticalResolution(slot.bitmap.get(), &dy);
    slot.dpiX = RoundDpi(dx);
    slot.dpiY = RoundDpi(dy);
    if (IsMemoryImageName(slot.rawFormatName)) slot.byteSize = MemoryByteSize(slot.width, slot.height, slot.pixelFormat);
}

void SelectImage(Editor& e, int index) {
    if (index < 0 || index >= kMaxImages || !e.images.slots[static_cast<size_t>(index)].occupied()) return;
    if (ImageSlot* old = e.Current()) {
        old->savedScrollX = e.viewState.scrollX;
        old->savedScrollY = e.viewState.scrollY;
    }
    e.images.current = index;
    ResetTool(e, *e.Current());
    e.ProgramChanged(change::kCurrentImage);
}

void CloseCurrentImage(Editor& e) {
    int closed = e.images.current;
    if (closed < 0) return;
    int cleared = CompactAfterClose(
        closed, kMaxImages, [&](int i) { return e.images.slots[static_cast<size_t>(i)].occupied(); },
        [&](int from, int to) { e.images.slots[static_cast<size_t>(to)] = std::move(e.images.slots[static_cast<size_t>(from)]); },
        [&](int d) { e.images.slots[static_cast<size_t>(d)].Clear(); });
    int remaining = cleared;  // the cleared slot was the first free one after compaction
    e.images.current = CurrentAfterClose(closed, remaining);
    e.images.count = e.images.Occupied();
    e.ProgramChanged(change::kImageList | change::kCurrentImage);
}
}  // namespace mirelo
