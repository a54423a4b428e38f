#include "colour/palette_colours.h"

#include <vector>

#include "app/editor.h"
#include "colour/colour_models.h"
#include "edit/undo_history.h"
#include "image/detached_copy.h"
#include "image/bitmap_access.h"
#include "image/file_format.h"
#include "ops/flood_fill.h"

namespace mirelo {

namespace {
constexpr char16_t kNoPalette[] = u"パレットを取得できません";
constexpr char16_t kPaletteNotChanged[] = u"パレットを変更できません";
}  // namespace

bool ChangePalette(Editor& e, ImageSlot& s, const std::vector<uint32_t>& entries, uint32_t flags) {
    if (e.Current() != &s || !s.occupied()) return false;
    GpBitmapOwner copy;
    if (!DetachedCopy(e, s, copy)) return false;
    const bool written =
        e.paletteWriter ? e.paletteWriter(copy.get(), entries, flags) : WritePaletteEntries(copy.get(), entries, flags);
    if (!written) {
        e.messages.LowLevel(kPaletteNotChanged);
        return false;
    }
    RecordUndoStep(e);
    s.bitmap = std::move(copy);
    s.pixelFormat = FormatOf(s.bitmap.get());
    return true;
}

bool ReplacePaletteColour(Editor& e, uint32_t keyArgb, uint32_t newColour) {
    ImageSlot* s = e.Current();
    if (!s || !s->occupied() || !IsIndexed(s->pixelFormat)) return false;
    std::vector<uint32_t> entries;
    uint32_t flags = 0;
    if (!ReadPaletteEntries(s->bitmap.get(), &entries, &flags)) {
        e.messages.LowLevel(kNoPalette);
        return false;
    }
    ReplacePaletteEntries(entries, keyArgb, newColour, (s->flags & 1u) != 0);
    return ChangePalette(e, *s, entries, flags);
}

void SetTransparentColour(Editor& e, bool on) {
    ImageSlot* s = e.Current();
    if (!s || !s->occupied() || !IsIndexed(s->pixelFormat)) return;
    s->flags = on ? (s->flags | 1u) : (s->flags & ~1u);
    ReplacePaletteColour(e, ArgbFromWin32(s->colours[0]), s->colours[0]);
    UpdatePaletteAlphaFlag(s->bitmap.get());
    // The flag stays as chosen even when no entry has that colour: the fill tool's replacements
    // then make their colour the transparent one.
    ImageChanged(e, e.images.current, kChangedPixels);
}

uint32_t PickPixel(Editor& e, ImageSlot& s, IntPoint p) {
    Gdiplus::ARGB colour = 0;
    if (gp::GdipBitmapGetPixel(s.bitmap.get(), p.x, p.y, &colour) == Gdiplus::Ok) return colour;
    e.messages.LowLevel(kNoColourText);
    return 0xFF000000u;
}

}  // namespace mirelo
