// The fill tool (ToolId 4): on a click, area fill, shape fill, colour replacement or
// alpha-to-colour replacement; on an indexed image the clicked colour is replaced in the palette.
#include <new>
#include <vector>

#include "app/commands.h"
#include "app/editor.h"
#include "colour/palette_colours.h"
#include "common/wait_cursor.h"
#include "draw/pens.h"
#include "app/tool.h"
#include "edit/undo_history.h"
#include "image/bitmap_access.h"
#include "image/format_change.h"
#include "ops/flood_fill.h"
#include "res/resource.h"
#include "select/selection.h"
#include "common/icon_canvas.h"

namespace mirelo {

namespace {

constexpr char16_t kAskArgb[] = u"32-A8R8G8B8 に変更しますか？";
constexpr char16_t kNoArgb[] = u"32bppARGBを作成できません";
constexpr char16_t kUnsupportedFormat[] = u"フォーマットが対応していません";
constexpr char16_t kNoShapeFill[] = u"16-A1R5G5B5は、「図形塗り」ができません";

// The clicked colour through GDI+; false after saying so.
bool ReadClickedColour(Editor& e, ImageSlot& s, IntPoint p, Gdiplus::ARGB* colour) {
    if (gp::GdipBitmapGetPixel(s.bitmap.get(), p.x, p.y, colour) == Gdiplus::Ok) return true;
    e.messages.LowLevel(kNoColourText);
    return false;
}

// Indexed images, any mode: palette entries equal to the clicked colour become the first drawing
// colour (transparent when the palette's transparency is on), every other entry opaque. The undo
// step comes with the palette's change, when it is written.
void ReplaceInPalette(Editor& e, ImageSlot& s, IntPoint p) {
    Gdiplus::ARGB clicked = 0;
    if (!ReadClickedColour(e, s, p, &clicked)) return;
    ReplacePaletteColour(e, clicked, s.colours[0]);
}

bool LocksDirectly(PixelFormat f) { return BitsPerPixel(f) == 24 || BitsPerPixel(f) == 32; }

// A fill in two steps: `find` marks the pixels to fill in a mask from the picture read as 32-bit
// ARGB (formats without alpha read as opaque); only when that succeeded is the undo step recorded
// and the colour written: on the locked bits of 24- and 32-bit images (32-bit ones as straight
// ARGB), pixel by pixel through GDI+ for 16, 48 and 64 bits.
template <typename Find>
void FillByMask(Editor& e, ImageSlot& s, Gdiplus::ARGB colour, Find find) {
    if (IsIndexed(s.pixelFormat)) {
        e.messages.LowLevel(kUnsupportedFormat);
        return;
    }
    std::vector<uint8_t> mask;
    try {
        mask.assign(static_cast<size_t>(s.width) * static_cast<size_t>(s.height), 0);
    } catch (const std::bad_alloc&) {
        e.messages.LowLevel(kNoMemoryText);
        return;
    }
    {
        BitmapLock lock(e.messages, s.bitmap, kLockRead, fmt::k32ARGB, BitmapRole::Image);
        if (!lock.ok()) return;
        const OpStatus st = find(lock.view(), mask.data());
        if (lock.Unlock() != Gdiplus::Ok) return;
        if (!st.ok()) {
            if (st.message) e.messages.LowLevel(st.message);
            return;
        }
    }
    RecordUndoStep(e);
    if (LocksDirectly(s.pixelFormat)) {
        BitmapLock lock(e.messages, s.bitmap, kLockReadWrite, BitsPerPixel(s.pixelFormat) == 24 ? fmt::k24RGB : fmt::k32ARGB,
                        BitmapRole::Image);
        if (!lock.ok()) return;
        PixelView v = lock.view();
        if (!HasAlpha(s.pixelFormat)) v.format = BitsPerPixel(s.pixelFormat) == 24 ? fmt::k24RGB : fmt::k32RGB;
        const OpStatus st = PaintMask(v, mask.data(), colour);
        lock.Unlock();
        if (!st.ok() && st.message) e.messages.LowLevel(st.message);
        return;
    }
    for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x)
            if (mask[static_cast<size_t>(y) * static_cast<size_t>(s.width) + static_cast<size_t>(x)])
                gp::GdipBitmapSetPixel(s.bitmap.get(), x, y, colour);
}

void AreaFillClick(Editor& e, ImageSlot& s, IntPoint p, Gdiplus::ARGB colour, const ColourTolerance& t) {
    Gdiplus::ARGB reference = 0;
    if (!ReadClickedColour(e, s, p, &reference)) return;
    if (colour == reference) return;  // nothing to do, nothing recorded
    WaitCursor wait;
    FillByMask(e, s, colour, [&](const PixelView& argb, uint8_t* mask) {
        // The reference as the locked pixels hold it, so that the clicked pixel matches itself.
        return FindFillRegion(argb, p.x, p.y, ReadArgbPixel(argb, p.x, p.y), t, mask);
    });
}

void ReplaceClick(Editor& e, ImageSlot& s, IntPoint p, Gdiplus::ARGB colour, const ColourTolerance& t, bool alphaOnly) {
    Gdiplus::ARGB reference = 0;
    if (!ReadClickedColour(e, s, p, &reference)) return;
    WaitCursor wait;
    const ReplaceParams params{p.x, p.y, colour, t, alphaOnly};
    FillByMask(e, s, colour, [&](const PixelView& argb, uint8_t* mask) { return FindReplacedPixels(argb, params, mask); });
}

// 図形塗り: the selection (or the whole image) filled with the fill tool's brush, and outlined
// with it when 枠 is 塗る.
void ShapeFillClick(Editor& e, ImageSlot& s, IntPoint p) {
    if (s.pixelFormat == fmt::k16ARGB1555) {
        e.messages.LowLevel(kNoShapeFill);
        return;
    }
    const bool temporary = !s.selectionPath;
    if (temporary) {
        s.selectionPath.emplace();
        s.selectionPath->AddRectangle(0, 0, static_cast<float>(s.width), static_cast<float>(s.height));
    }
    EditPath& selection = *s.selectionPath;
    selection.fillMode = s.toolSettings[kFillOverlapOption] ? FillMode::Winding : FillMode::Alternate;
    {
        GpPathOwner path = ToGpPath(selection);
        BOOL inside = FALSE;
        if (path) gp::GdipIsVisiblePathPointI(path.get(), p.x, p.y, nullptr, &inside);
        if (!inside) selection.AddRectangle(0, 0, static_cast<float>(s.width), static_cast<float>(s.height));
    }
    GpPathOwner path = ToGpPath(selection);
    const bool outline = s.toolSettings[kFillOutlineOption] != 0;
    IntRect reference = selection.BoundsI();
    if (!outline) reference.width -= 1, reference.height -= 1;
    if (path) {
        BrushRecordPtr brush = MakeFillBrushOrFallback(e, s, BrushUser::FillTool, reference, p, path.get());
        GpGraphicsOwner g;
        // The undo step only once the fill can be drawn.
        if (brush && brush->get() && gp::GdipGetImageGraphicsContext(s.bitmap.get(), g.put()) == Gdiplus::Ok) {
            RecordUndoStep(e);
            {
                gp::GdipSetClipRectI(g.get(), 0, 0, s.width, s.height, Gdiplus::CombineModeReplace);
                if (s.toolSettings[kFillSmoothOption]) gp::GdipSetSmoothingMode(g.get(), Gdiplus::SmoothingModeAntiAlias);
                gp::GdipFillPath(g.get(), brush->get(), path.get());
                if (outline) {
                    Gdiplus::GpPen* pen = nullptr;
                    if (gp::GdipCreatePen2(brush->get(), 1.0f, Gdiplus::UnitWorld, &pen) == Gdiplus::Ok) {
                        gp::GdipDrawPath(g.get(), pen, path.get());
                        gp::GdipDeletePen(pen);
                    }
                }
            }
        }
    }
    if (temporary) s.selectionPath.reset();
}

class FillTool : public Tool {
public:
    bool Press(Editor& e, ImageSlot& s, const ToolEvent& ev) override {
        if (!s.bitmap) return true;
        const IntPoint p = ev.image;
        const int mode = s.toolSettings[kFillModeOption];
        if (IsIndexed(s.pixelFormat)) {
            ReplaceInPalette(e, s, p);
            Finish(e, kChangedBitmap);
            return true;
        }
        if (mode != fill_mode::kShape && !HasAlpha(s.pixelFormat) && DrawingColours(s).CurrentTransparency() != 0 &&
            e.messages.App(kAskArgb, MB_YESNO) == IDYES) {
            if (ChangeFormat(e, fmt::k32ARGB, kNoArgb, false, true) != Gdiplus::Ok) return true;
        }
        const Gdiplus::ARGB colour = CurrentColour(s);
        const ColourTolerance t = ToleranceFromOptions(s.toolSettings.data());
        switch (mode) {
        case fill_mode::kArea: AreaFillClick(e, s, p, colour, t); break;
        case fill_mode::kShape: ShapeFillClick(e, s, p); break;
        case fill_mode::kColour: ReplaceClick(e, s, p, colour, t, false); break;
        case fill_mode::kAlphaToColour: ReplaceClick(e, s, p, colour, t, true); break;
        default: break;
        }
        Finish(e, kChangedPixels);
        return true;
    }


private:
    // Every click ends with the image's thumbnail, status and view brought up to date.
    static void Finish(Editor& e, unsigned what) {
        if (e.images.current >= 0) ImageChanged(e, e.images.current, what);
    }
};

}  // namespace

// The image of the tool's buttons, on the 16-unit grid of common/icon_canvas.h.
namespace {
void DrawFill(icon::Canvas& c) {
    using namespace icon;
    // paint running off the rim into a drop
    c.Line(12.0f, 8.0f, 13.0f, 11.0f, kBlue, 1.5f, Gdiplus::LineCapRound);
    c.Ellipse(13.0f, 12.5f, 1.7f, 1.7f, kBlue, 0);
    icon::Canvas::State s = c.Save();
    c.Translate(6.5f, 8.5f);
    c.Rotate(35.0f);
    GpPathOwner handle = c.NewPath();
    if (handle) c.Check(gp::GdipAddPathArc(handle.get(), -3.5f, -8.0f, 7.0f, 8.0f, 180.0f, 180.0f));
    c.Stroke(handle, kInk, c.Outline());
    c.Polygon({{-4.0f, -3.5f}, {4.0f, -3.5f}, {3.0f, 4.0f}, {-3.0f, 4.0f}}, kWhite, kInk, Gdiplus::LineJoinRound);
    c.Ellipse(0.0f, -3.5f, 4.0f, 1.4f, kBlue);
    c.Restore(s);
}
}  // namespace

const ToolDescriptor& FillToolDescriptor() {
    static const ToolDescriptor tool{kToolFill, cmd::kToolFill, cmd::kPalFill, DrawFill, IDC_CURSOR_BUCKET,
                                     [] { return std::unique_ptr<Tool>(std::make_unique<FillTool>()); }};
    return tool;
}

}  // namespace mirelo
