#include "edit/undo_history.h"

#include <utility>
#include <vector>

#include "app/editor.h"
#include "app/command_registry.h"
#include "image/bitmap_access.h"
#include "image/image_set.h"

namespace mirelo {

int64_t UndoBudget::DefaultUndoBudgetBytes() {
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    uint64_t physical = GlobalMemoryStatusEx(&status) ? status.ullTotalPhys : 0;
    return DefaultUndoBudget(physical);
}

namespace {

// A copy of a bitmap in its own format made through locks, row by row with the palette (Wine's
// GDI+ loses the pixels in the last, partly used byte of each row when it clones a 1- or 4-bit
// bitmap).
GpStatus CopyInOwnFormat(Gdiplus::GpBitmap* source, int w, int h, PixelFormat format, Gdiplus::GpBitmap** copy) {
    GpBitmapOwner out;
    if (!CreateGpBitmap(out, w, h, format)) return out.lastStatus() != Gdiplus::Ok ? out.lastStatus() : Gdiplus::OutOfMemory;
    GpStatus s = CopyPalette(out.get(), source);
    if (s != Gdiplus::Ok) return s;
    const Gdiplus::GpRect all{0, 0, w, h};
    Gdiplus::BitmapData from{}, to{};
    const auto pf = static_cast<Gdiplus::PixelFormat>(format);
    s = gp::GdipBitmapLockBits(source, &all, Gdiplus::ImageLockModeRead, pf, &from);
    if (s != Gdiplus::Ok) return s;
    s = gp::GdipBitmapLockBits(out.get(), &all, Gdiplus::ImageLockModeWrite, pf, &to);
    if (s == Gdiplus::Ok) {
        CopyRows(PixelView{w, h, from.Stride, format, static_cast<uint8_t*>(from.Scan0)},
                 PixelView{w, h, to.Stride, format, static_cast<uint8_t*>(to.Scan0)});
        s = gp::GdipBitmapUnlockBits(out.get(), &to);
    }
    const GpStatus unlocked = gp::GdipBitmapUnlockBits(source, &from);
    if (s == Gdiplus::Ok) s = unlocked;
    if (s == Gdiplus::Ok) *copy = out.release();
    return s;
}

// A copy of the whole bitmap in the given format; status in the owner. A copy in the bitmap's own
// format is made by rows into a new bitmap (warm pooled memory for a large one).
bool CloneWhole(GpBitmapOwner& out, Gdiplus::GpBitmap* source, PixelFormat format) {
    int w = 0, h = 0;
    if (!source || !ImageSize(source, &w, &h)) {
        out.reset();
        out.Check(Gdiplus::InvalidParameter);
        return false;
    }
    Gdiplus::GpBitmap* copy = nullptr;
    const bool own = FormatOf(source) == format;
    const bool packed = IsIndexed(format) && BitsPerPixel(format) < 8 && own;
    GpStatus s = out.Check(packed || own ? CopyInOwnFormat(source, w, h, format, &copy)
                                         : gp::GdipCloneBitmapAreaI(0, 0, w, h, static_cast<Gdiplus::PixelFormat>(format), source, &copy));
    if (s != Gdiplus::Ok) {
        if (copy) gp::GdipDisposeImage(copy);
        out.reset();
        return false;
    }
    // The copy carries the resolution too (not every GDI+ copies it).
    Gdiplus::REAL dx = 0, dy = 0;
    if (gp::GdipGetImageHorizontalResolution(source, &dx) == Gdiplus::Ok &&
        gp::GdipGetImageVerticalResolution(source, &dy) == Gdiplus::Ok && dx > 0 && dy > 0)
        gp::GdipBitmapSetResolution(copy, dx, dy);
    out.reset(copy);
    return true;
}

// Stores `bitmap` as entry `index`, in the slot's recorded pixel format, without copying it.
void KeepAsEntry(Editor& e, ImageSlot& slot, int index, GpBitmapOwner bitmap) {
    UndoHistory& h = slot.undo;
    h.Release(index);
    int w = 0, ht = 0;
    ImageSize(bitmap.get(), &w, &ht);
    const auto i = static_cast<size_t>(index);
    h.snapshots[i] = std::move(bitmap);
    h.snapshots[i].TakeStatus();
    h.formats[i] = slot.pixelFormat;
    h.Store(index, UndoEntryBytes(w, ht, BitsPerPixel(slot.pixelFormat)), e.undoBudget.nextStamp++);
}

// Whether the slot's bitmap can go into its history as it is: it is in the recorded format.
bool KeptAsItIs(const ImageSlot& slot) { return slot.bitmap && FormatOf(slot.bitmap.get()) == slot.pixelFormat; }

// Stores the current image at entry `index` in the slot's recorded pixel format. Returns the
// status: 0, 1 without an image, or the status of the failed copy (the entry is then empty).
GpStatus TakeSnapshot(Editor& e, ImageSlot& slot, int index) {
    UndoHistory& h = slot.undo;
    h.Release(index);
    if (!slot.occupied()) return Gdiplus::GenericError;
    GpBitmapOwner copy;
    CloneWhole(copy, slot.bitmap.get(), slot.pixelFormat);
    GpStatus s = copy.TakeStatus();
    if (s != Gdiplus::Ok) return s;
    KeepAsEntry(e, slot, index, std::move(copy));
    return Gdiplus::Ok;
}

std::vector<const UndoBook*> Books(Editor& e) {
    std::vector<const UndoBook*> books;
    books.reserve(e.images.slots.size());
    for (const auto& s : e.images.slots) books.push_back(&s.undo);
    return books;
}

// Releases the oldest snapshots until the stored ones and `incoming` fit in the budget.
void FitBudget(Editor& e, int64_t incoming, const std::vector<UndoEntryRef>& kept) {
    std::vector<UndoEntryRef> drops = ChooseUndoDrops(Books(e), e.undoBudget.bytes, incoming, kept);
    if (drops.empty()) return;
    std::vector<UndoBook*> books;
    books.reserve(e.images.slots.size());
    for (auto& s : e.images.slots) books.push_back(&s.undo);
    for (const auto& d : drops) e.images.slots[static_cast<size_t>(d.book)].undo.Release(d.index);
    ApplyUndoDrops(books, drops);
}

// Replaces the current image by entry `source` of its history, which then keeps the image
// being left. The two bitmaps change places; a bitmap not in its recorded format is copied.
// False, with nothing changed, when a copy cannot be made.
bool SwapWithEntry(Editor& e, ImageSlot& slot, int source) {
    UndoHistory& h = slot.undo;
    auto i = static_cast<size_t>(source);
    GpBitmapOwner coming;
    if (h.snapshots[i] && FormatOf(h.snapshots[i].get()) == h.formats[i]) {
        coming = std::move(h.snapshots[i]);
    } else if (!CloneWhole(coming, h.snapshots[i].get(), h.formats[i])) {
        return false;
    }
    if (KeptAsItIs(slot))
        KeepAsEntry(e, slot, source, std::move(slot.bitmap));
    else
        TakeSnapshot(e, slot, source);  // the outcome only decides whether the entry holds a step
    slot.bitmap = std::move(coming);
    slot.bitmap.TakeStatus();
    return true;
}

}  // namespace

UndoStep BeginUndoStep(Editor& e) {
    UndoStep step;
    ImageSlot* slot = e.Current();
    if (!slot) return step;
    UndoHistory& h = slot->undo;
    UndoRecordPlan plan = BeginUndoRecord(h);
    for (int index : plan.released) h.Release(index);
    int w = 0, ht = 0;
    if (slot->occupied()) ImageSize(slot->bitmap.get(), &w, &ht);
    FitBudget(e, UndoEntryBytes(w, ht, BitsPerPixel(slot->pixelFormat)), {{e.images.current, plan.target}});
    step.target = plan.target;
    return step;
}

bool FinishUndoStep(Editor& e, UndoStep& step, GpBitmapOwner* replacement) {
    ImageSlot* slot = e.Current();
    if (!slot || step.target < 0) return false;
    const int target = std::exchange(step.target, -1);
    bool stored = false, kept = false;
    if (replacement && *replacement && KeptAsItIs(*slot)) {
        GpBitmapOwner leaving = std::move(slot->bitmap);
        slot->bitmap = std::move(*replacement);
        slot->bitmap.TakeStatus();
        KeepAsEntry(e, *slot, target, std::move(leaving));
        stored = kept = true;
    } else {
        stored = TakeSnapshot(e, *slot, target) == Gdiplus::Ok;
    }
    if (!stored) e.messages.App(u"[元に戻す]の履歴を設定できません");
    EndUndoRecord(slot->undo, stored);
    return kept;
}

void RecordUndoStep(Editor& e) {
    UndoStep step = BeginUndoStep(e);
    FinishUndoStep(e, step, nullptr);
}

void Undo(Editor& e) {
    ImageSlot* slot = e.Current();
    if (!slot || !slot->occupied()) return;
    UndoHistory& h = slot->undo;
    int source = UndoSource(h);
    if (source < 0) return;
    if (!SwapWithEntry(e, *slot, source)) return;
    EndUndo(h);
    FitBudget(e, 0, {{e.images.current, h.position}, {e.images.current, h.position + 1}});
    ImageChanged(e, e.images.current, kChangedBitmap);
}

void Redo(Editor& e) {
    ImageSlot* slot = e.Current();
    if (!slot || !slot->occupied()) return;
    UndoHistory& h = slot->undo;
    int source = RedoSource(h);
    bool swapped = source >= 0 && SwapWithEntry(e, *slot, source);
    if (source >= 0 && !swapped) return;
    EndRedo(h, swapped);
    if (swapped) {
        FitBudget(e, 0, {{e.images.current, h.position}, {e.images.current, h.position + 1}});
        ImageChanged(e, e.images.current, kChangedBitmap);
    } else {
        e.Changed(change::kHistory);
    }
}

void EnforceUndoBudget(Editor& e) {
    std::vector<UndoEntryRef> kept;
    if (ImageSlot* slot = e.Current(); slot && slot->undo.position >= 0)
        kept.push_back({e.images.current, slot->undo.position});
    FitBudget(e, 0, kept);
}

}  // namespace mirelo
