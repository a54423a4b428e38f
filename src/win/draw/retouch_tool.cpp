// The retouch brush (ToolId 3): along a stroke it smudges colour or alpha, sets alpha, brightens
// or darkens, and raises or lowers saturation of the pixels already there. 24- and 32-bit images
// are changed on their locked bits (32-bit ones as straight ARGB), the other direct formats pixel by
// pixel through GDI+; indexed images are left alone.
#include "app/commands.h"
#include "draw/retouch_tool.h"

#include <algorithm>
#include <vector>

#include "app/editor.h"
#include "draw/brush_cursor.h"
#include "draw/pens.h"
#include "draw/retouch.h"
#include "draw/retouch_tip.h"
#include "draw/shape_geometry.h"
#include "app/tool.h"
#include "edit/undo_history.h"
#include "image/bitmap_access.h"
#include "image/format_change.h"
#include "res/resource.h"
#include "edit/viewport.h"
#include "common/icon_canvas.h"

namespace mirelo {

namespace {

constexpr char16_t kNoArgb[] = u"32bppARGBを作成できません";

int Mode(const ImageSlot& s) { return s.toolSettings[kRetouchModeOption]; }
int BrushSize(const ImageSlot& s) { return std::clamp(s.toolSettings[kRetouchSizeOption], 1, kRetouchMaxSize); }
bool MaskOn(const ImageSlot& s) { return s.toolSettings[kRetouchMaskOption] != 0; }
// The current colour's alpha (255 − its transparency), which 透明度 gives the pixels.
uint8_t ColourAlpha(const ImageSlot& s) { return static_cast<uint8_t>(CurrentColour(s) >> 24); }
bool InImage(const ImageSlot& s, IntPoint p) { return p.x >= 0 && p.y >= 0 && p.x < s.width && p.y < s.height; }
bool LocksDirectly(PixelFormat f) { return BitsPerPixel(f) == 24 || BitsPerPixel(f) == 32; }

// A fresh stroke mask with ﾏｽｸ あり; none without it.
void RenewStrokeMask(ImageSlot& s) {
    if (MaskOn(s))
        s.retouch.RenewMask(s.width, s.height);
    else
        s.retouch.DropMask();
}

class RetouchTool : public Tool {
public:
    bool Press(Editor& e, ImageSlot& s, const ToolEvent& ev) override {
        if (!s.bitmap || IsIndexed(s.pixelFormat)) return true;
        RecordUndoStep(e);
        s.retouch.last = ev.image;
        // A mask of another size (the image was resized since) is made anew.
        if (MaskOn(s) && !s.retouch.MaskFor(s.width, s.height)) s.retouch.RenewMask(s.width, s.height);
        if (Mode(s) == retouch_mode::kAlpha && tip_.Update(BrushSize(s))) {
            StampAlpha(s, ev.image);
            const int half = tip_.side() / 2;
            e.View().InvalidateImageArea(ev.image.x - half, ev.image.y - half, ev.image.x - half + tip_.side() - 1,
                                ev.image.y - half + tip_.side() - 1, 1);
        }
        return true;
    }

    bool Move(Editor& e, ImageSlot& s, const ToolEvent& ev) override {
        // The brush cursor follows: its old place and its new one are drawn again.
        const IntPoint lastCursor = cursorImage_;
        cursor_ = {ev.clientX, ev.clientY};
        cursorImage_ = ev.image;
        const int reach = BrushSize(s) + 1;
        if (cursorSeen_) e.View().InvalidateImageArea(lastCursor.x, lastCursor.y, lastCursor.x, lastCursor.y, reach);
        cursorSeen_ = true;
        e.View().InvalidateImageArea(ev.image.x, ev.image.y, ev.image.x, ev.image.y, reach);
        if (!(ev.keys & MK_LBUTTON) || !s.bitmap || !s.retouch.active() || IsIndexed(s.pixelFormat)) return true;
        const IntPoint last = s.retouch.last;
        if (last.x == ev.image.x && last.y == ev.image.y) return true;
        if (Stroke(e, s, LinePointsFrom(last, ev.image))) s.retouch.last = ev.image;
        return true;
    }

    bool Release(Editor& e, ImageSlot& s, const ToolEvent&) override {
        if (!s.retouch.active()) return false;
        s.retouch.last = {-1, -1};
        RenewStrokeMask(s);
        if (e.images.current >= 0) ImageChanged(e, e.images.current, kChangedPixels);
        return true;
    }

    void DrawOverlay(Editor& e, ImageSlot& s, const OverlayTarget& t) override {
        if (!t.graphics || !tip_.Update(BrushSize(s))) return;
        if (!InImage(s, cursorImage_) || !e.View().InImage(cursor_.x, cursor_.y)) return;
        DrawTipOutline(t, cursorImage_, tip_.side(), tip_.outline(), tip_.edges());
    }


private:
    // 透明度's press: the tip's pixels around the point keep their colour and take the current
    // colour's alpha. Formats without alpha have nothing to take it.
    void StampAlpha(ImageSlot& s, IntPoint at) {
        if (!HasAlpha(s.pixelFormat)) return;
        const uint32_t alpha = static_cast<uint32_t>(ColourAlpha(s)) << 24;
        Gdiplus::GpBitmap* bitmap = s.bitmap.get();
        WalkRetouchTip(s.width, s.height, tip_.mask().data(), tip_.side(), at, [&](int x, int y) {
            Gdiplus::ARGB c = 0;
            if (gp::GdipBitmapGetPixel(bitmap, x, y, &c) == Gdiplus::Ok) gp::GdipBitmapSetPixel(bitmap, x, y, (c & 0x00FFFFFFu) | alpha);
        });
    }

    // One move's stroke along `points`; false when the step ended on a failure (reported).
    bool Stroke(Editor& e, ImageSlot& s, const std::vector<IntPoint>& points) {
        if (!tip_.Update(BrushSize(s))) return false;
        const bool mask = MaskOn(s);
        RetouchStroke stroke;
        stroke.rule = MakeRetouchRule(Mode(s), s.toolSettings[kRetouchStrengthOption], BrushSize(s), mask, ColourAlpha(s));
        stroke.tip = tip_.mask().data();
        stroke.side = tip_.side();
        stroke.points = points.data();
        stroke.pointCount = points.size();
        if (mask && !s.retouch.MaskFor(s.width, s.height)) s.retouch.RenewMask(s.width, s.height);
        stroke.mask = mask ? s.retouch.MaskFor(s.width, s.height) : nullptr;
        if (!CheckRetouchStroke(s.width, s.height, stroke).ok()) return false;
        if (LocksDirectly(s.pixelFormat)) {
            // 32-bit pixels as straight ARGB whatever the picture keeps (premultiplied bytes
            // changed as straight ones would leave colour above alpha); GDI+ converts both ways.
            BitmapLock lock(e.messages, s.bitmap, kLockReadWrite, BitsPerPixel(s.pixelFormat) == 24 ? fmt::k24RGB : fmt::k32ARGB,
                            BitmapRole::Image);
            if (!lock.ok()) return false;
            const OpStatus st = RetouchStrokeStep(lock.view(), stroke);
            if (lock.Unlock() != Gdiplus::Ok) return false;
            if (!st.ok()) {
                if (st.message) e.messages.LowLevel(st.message);
                return false;
            }
        } else {
            StrokeThroughPixels(s, stroke);
        }
        int left = 0, top = 0, right = 0, bottom = 0;
        if (RetouchStrokeBounds(s.width, s.height, stroke, &left, &top, &right, &bottom))
            e.View().InvalidateImageArea(left, top, right, bottom, 1);
        return true;
    }

    // 16-, 48- and 64-bit images: the same rule on the ARGB values GDI+ reads and writes. A pixel
    // that cannot be read stays as it is.
    static void StrokeThroughPixels(ImageSlot& s, const RetouchStroke& stroke) {
        if (RetouchModeNeedsAlpha(stroke.rule.mode) && !HasAlpha(s.pixelFormat)) return;
        Gdiplus::GpBitmap* bitmap = s.bitmap.get();
        WalkRetouchStroke(s.width, s.height, stroke, [&](int sx, int sy, int dx, int dy, size_t times) {
            Gdiplus::ARGB from = 0, to = 0;
            if (gp::GdipBitmapGetPixel(bitmap, dx, dy, &to) != Gdiplus::Ok) return;
            if (times > 1) {
                gp::GdipBitmapSetPixel(bitmap, dx, dy, RetouchArgbRepeated(to, stroke.rule, times));
                return;
            }
            if (gp::GdipBitmapGetPixel(bitmap, sx, sy, &from) != Gdiplus::Ok) return;
            gp::GdipBitmapSetPixel(bitmap, dx, dy, RetouchArgb(from, to, stroke.rule));
        });
    }

    RetouchTip tip_;
    IntPoint cursor_{-1, -1}, cursorImage_{-1, -1};
    bool cursorSeen_ = false;  // the cursor has been over the view: its outline may be there
};

}  // namespace

// The image of the tool's buttons, on the 16-unit grid of common/icon_canvas.h.
namespace {
void DrawRetouch(icon::Canvas& c) {
    using namespace icon;
    // a soft dab of paint under the brush
    for (float r : {4.0f, 3.2f, 2.4f, 1.6f}) c.Ellipse(4.5f, 11.5f, r, r, kSoftBlue, 0);
    icon::Canvas::State s = c.Save();
    c.Translate(4.0f, 12.0f);
    c.Rotate(-45.0f);
    GpPathOwner tuft = c.NewPath();
    if (tuft) {
    using namespace icon;
        c.Check(gp::GdipAddPathBezier(tuft.get(), 0.0f, 0.0f, 1.0f, -1.6f, 2.5f, -1.6f, 4.5f, -1.6f));
        c.Check(gp::GdipAddPathLine(tuft.get(), 4.5f, -1.6f, 4.5f, 1.6f));
        c.Check(gp::GdipAddPathBezier(tuft.get(), 4.5f, 1.6f, 2.5f, 1.6f, 1.0f, 1.6f, 0.0f, 0.0f));
        c.Check(gp::GdipClosePathFigure(tuft.get()));
    }
    c.Fill(tuft, kBlue);
    c.Stroke(tuft, kInk, c.Outline(), Gdiplus::LineCapFlat, Gdiplus::LineJoinRound);
    c.Rect(4.5f, -1.9f, 7.0f, 1.9f, kGrey);                                                       // ferrule
    c.Polygon({{7.0f, -1.2f}, {13.5f, -0.9f}, {13.5f, 0.9f}, {7.0f, 1.2f}}, kRed, kInk, Gdiplus::LineJoinRound);  // handle
    c.Restore(s);
}
}  // namespace

const ToolDescriptor& RetouchToolDescriptor() {
    static const ToolDescriptor tool{kToolRetouch, cmd::kToolRetouch, 0, DrawRetouch, IDC_CURSOR_BRUSH,
                                     [] { return std::unique_ptr<Tool>(std::make_unique<RetouchTool>()); }};
    return tool;
}

void ApplyRetouchOption(Editor& e, int option) {
    ImageSlot* s = e.Current();
    if (!s || !s->occupied()) return;
    if (option == kRetouchModeOption && RetouchModeNeedsAlpha(Mode(*s)) && !HasAlpha(s->pixelFormat)) {
        ChangeFormat(e, fmt::k32ARGB, kNoArgb, false, true);
    } else if (option == kRetouchMaskOption) {
        RenewStrokeMask(*s);
    }
}

}  // namespace mirelo
