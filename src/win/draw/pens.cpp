#include "draw/pens.h"

#include <algorithm>
#include <vector>

#include "app/editor.h"
#include "image/image_set.h"
#include "select/paths.h"
#include "select/selection.h"

namespace mirelo {

namespace {
int Option(const ImageSlot& s, int option) { return s.toolSettings[static_cast<size_t>(option)]; }

Gdiplus::GpWrapMode WrapMode(int value) { return static_cast<Gdiplus::GpWrapMode>(std::clamp(value, 0, 4)); }

Gdiplus::GpRect GpRectOf(const IntRect& r) { return Gdiplus::GpRect(r.x, r.y, r.width, r.height); }

// A gradient from the current colour to the other over R in one of the four directions.
GpBrushOwner MakeRectGradient(const ImageSlot& s, const IntRect& reference, int mode, bool gamma, Gdiplus::GpWrapMode wrap) {
    GpBrushOwner brush;
    const Gdiplus::GpRect r = GpRectOf(reference);
    Gdiplus::GpLineGradient* line = nullptr;
    if (brush.Check(gp::GdipCreateLineBrushFromRectI(&r, CurrentColour(s), OtherColour(s), static_cast<Gdiplus::LinearGradientMode>(mode),
                                                     Gdiplus::WrapModeTile, &line)) != Gdiplus::Ok)
        return brush;
    brush.reset(line);
    brush.Check(gp::GdipSetLineGammaCorrection(line, gamma ? TRUE : FALSE));
    brush.Check(gp::GdipSetLineWrapMode(line, wrap));
    return brush;
}

GpBrushOwner MakeHatch(const ImageSlot& s, int style) {
    GpBrushOwner brush;
    Gdiplus::GpHatch* hatch = nullptr;
    if (brush.Check(gp::GdipCreateHatchBrush(static_cast<Gdiplus::GpHatchStyle>(style), CurrentColour(s), OtherColour(s), &hatch)) ==
        Gdiplus::Ok)
        brush.reset(hatch);
    return brush;
}

GpBrushOwner MakeSolid(Gdiplus::ARGB colour) {
    GpBrushOwner brush;
    Gdiplus::GpSolidFill* fill = nullptr;
    if (brush.Check(gp::GdipCreateSolidFill(colour, &fill)) == Gdiplus::Ok) brush.reset(fill);
    return brush;
}

// The second click of the two-click gradient: from the stored point to this one.
GpBrushOwner MakeTwoClickGradient(const ImageSlot& s, Anchor start, IntPoint end, bool gamma, int wrap) {
    GpBrushOwner brush;
    const Gdiplus::GpPointF from(static_cast<float>(start.x), static_cast<float>(start.y));
    const Gdiplus::GpPointF to(static_cast<float>(end.x), static_cast<float>(end.y));
    Gdiplus::GpLineGradient* line = nullptr;
    if (brush.Check(gp::GdipCreateLineBrush(&from, &to, CurrentColour(s), OtherColour(s), Gdiplus::WrapModeTile, &line)) != Gdiplus::Ok)
        return brush;
    brush.reset(line);
    brush.Check(gp::GdipSetLineWrapMode(line, WrapMode(wrap)));
    brush.Check(gp::GdipSetLineGammaCorrection(line, gamma ? TRUE : FALSE));
    return brush;
}

// The three circular gradients over the shape's path.
GpBrushOwner MakeCircularGradient(const Editor& e, const ImageSlot& s, BrushUser user, PatternKind kind, IntPoint clicked,
                                  Gdiplus::GpPath* shape) {
    GpBrushOwner brush;
    const int b = FillBase(user);
    Gdiplus::GpPathGradient* gradient = nullptr;
    if (brush.Check(gp::GdipCreatePathGradientFromPath(shape, &gradient)) != Gdiplus::Ok) return brush;
    brush.reset(gradient);
    brush.Check(gp::GdipSetPathGradientGammaCorrection(gradient, Option(s, b + kFillGamma) ? TRUE : FALSE));
    brush.Check(gp::GdipSetPathGradientFocusScales(gradient, static_cast<float>(Option(s, b + kFillFocusX)) * 0.05f,
                                                   static_cast<float>(Option(s, b + kFillFocusY)) * 0.05f));
    INT points = 0;
    brush.Check(gp::GdipGetPathGradientPointCount(gradient, &points));
    const CircularColours colours = CircularGradientColours(kind, Option(s, b + kFillColours), points, DrawingColours(s), e.colourSwatches);
    if (colours.invalidParameter) {
        brush.Check(Gdiplus::InvalidParameter);
    } else {
        const std::vector<Gdiplus::ARGB> surround(colours.surround.begin(), colours.surround.end());
        INT count = static_cast<INT>(surround.size());
        brush.Check(gp::GdipSetPathGradientSurroundColorsWithCount(gradient, surround.data(), &count));
    }
    if (!colours.blendColours.empty()) {
        const std::vector<Gdiplus::ARGB> blend(colours.blendColours.begin(), colours.blendColours.end());
        brush.Check(gp::GdipSetPathGradientPresetBlend(gradient, blend.data(), colours.blendPositions.data(),
                                                       static_cast<INT>(blend.size())));
    }
    brush.Check(gp::GdipSetPathGradientCenterColor(gradient, colours.centre));
    if (user == BrushUser::FillTool && Option(s, b + kFillCentre) == 1) {
        const Gdiplus::GpPointF centre(static_cast<float>(clicked.x), static_cast<float>(clicked.y));
        brush.Check(gp::GdipSetPathGradientCenterPoint(gradient, &centre));
    }
    return brush;
}

// The brush record holding a copy of `made`, with its last status.
BrushRecordPtr IntoRecord(const GpBrushOwner& made) {
    if (!made) return nullptr;
    BrushRecordPtr record(new (std::nothrow) BrushRecord);
    if (!record) return nullptr;
    Gdiplus::GpBrush* copy = nullptr;
    if (gp::GdipCloneBrush(made.get(), &copy) != Gdiplus::Ok || !copy) return nullptr;
    record->brush.reset(copy);
    record->brush.Check(made.lastStatus());
    return record;
}
}  // namespace

ColourPair DrawingColours(const ImageSlot& s) {
    ColourPair c;
    c.colours = s.colours;
    c.transparency = s.colourTransparency;
    c.active = s.activeColour;
    return c;
}

Gdiplus::ARGB CurrentColour(const ImageSlot& s) { return DrawingColours(s).Current(); }
Gdiplus::ARGB OtherColour(const ImageSlot& s) { return DrawingColours(s).Other(); }

int LineWidth(const ImageSlot& s) { return std::clamp(Option(s, kLineWidthOption), 1, 100); }

IntRect ReferenceRect(const ImageSlot& s, const IntRect& dragBounds) {
    IntRect bounds = dragBounds;
    const EditPath* path = s.otherPath ? &*s.otherPath : (s.drawPath && !s.drawPath->empty()) ? &*s.drawPath : nullptr;
    if (path) {
        Gdiplus::GpRect r;
        if (GpPathOwner p = ToGpPath(*path); p && gp::GdipGetPathWorldBoundsI(p.get(), &r, nullptr, nullptr) == Gdiplus::Ok)
            bounds = IntRect{r.X, r.Y, r.Width, r.Height};
    }
    return ReferenceRectFromBounds(bounds, LineWidth(s));
}

void SetArrowCap(GpPenOwner& pen, const ArrowSettings& arrow, bool atStart) {
    const ArrowCapSize size = ArrowCapFrom(arrow);
    Gdiplus::GpAdjustableArrowCap* made = nullptr;
    if (pen.Check(gp::GdipCreateAdjustableArrowCap(size.height, size.width, TRUE, &made)) != Gdiplus::Ok) return;
    GpCustomLineCapOwner cap(made);
    pen.Check(gp::GdipSetAdjustableArrowCapMiddleInset(made, size.middleInset));
    pen.Check(atStart ? gp::GdipSetPenCustomStartCap(pen.get(), cap.get()) : gp::GdipSetPenCustomEndCap(pen.get(), cap.get()));
}

void SetPenCaps(GpPenOwner& pen, int startIndex, int endIndex, const ArrowSettings& arrow) {
    if (IsArrowCap(startIndex))
        SetArrowCap(pen, arrow, true);
    else
        pen.Check(gp::GdipSetPenStartCap(pen.get(), static_cast<Gdiplus::GpLineCap>(AnchorCapFromIndex(startIndex))));
    if (IsArrowCap(endIndex))
        SetArrowCap(pen, arrow, false);
    else
        pen.Check(gp::GdipSetPenEndCap(pen.get(), static_cast<Gdiplus::GpLineCap>(AnchorCapFromIndex(endIndex))));
}

GpBrushOwner MakeTextureBrush(const Editor& e, int textureSlot, int wrapMode) {
    GpBrushOwner brush;
    const Text& path = e.textureFiles[static_cast<size_t>(std::clamp(textureSlot, 0, kTextureSlotCount - 1))].path;
    GpStatus status = Gdiplus::FileNotFound;
    Gdiplus::GpTexture* texture = nullptr;
    if (!path.empty()) {
        GpBitmapOwner bitmap;
        status = gp::GdipCreateBitmapFromFile(W(path), bitmap.put());
        if (status == Gdiplus::Ok) status = gp::GdipCreateTexture(bitmap.get(), Gdiplus::WrapModeTile, &texture);
        // The bitmap is let go here: the brush keeps its own copy.
    }
    if (status == Gdiplus::Ok && texture) {
        brush.reset(texture);
        brush.Check(gp::GdipSetTextureWrapMode(texture, WrapMode(wrapMode)));
        return brush;
    }
    // A file that cannot be read draws nothing, and says so only in the status.
    brush = MakeSolid(0x00000000);
    brush.Check(status);
    return brush;
}

GpBrushOwner MakePenPatternBrush(const Editor& e, const ImageSlot& s, int pattern, bool gamma, int wrapMode, int textureSlot,
                                 const IntRect& reference) {
    const Pattern p = PenPattern(pattern);
    switch (p.kind) {
    case PatternKind::Linear: return MakeRectGradient(s, reference, p.value, gamma, Gdiplus::WrapModeTileFlipX);
    case PatternKind::Texture: return MakeTextureBrush(e, textureSlot, wrapMode);
    case PatternKind::Hatch: return MakeHatch(s, p.value);
    default: return GpBrushOwner();
    }
}

GpPenOwner MakeMainPen(const Editor& e, const ImageSlot& s, const IntRect& reference) {
    GpPenOwner pen;
    Gdiplus::GpPen* made = nullptr;
    if (pen.Check(gp::GdipCreatePen1(CurrentColour(s), static_cast<float>(LineWidth(s)), Gdiplus::UnitWorld, &made)) != Gdiplus::Ok)
        return pen;
    pen.reset(made);
    pen.Check(gp::GdipSetPenDashStyle(made, static_cast<Gdiplus::GpDashStyle>(std::clamp(Option(s, kDashOption), 0, 4))));
    pen.Check(gp::GdipSetPenDashCap197819(made, static_cast<Gdiplus::GpDashCap>(DashCapFromPenTip(Option(s, kPenTipOption)))));
    pen.Check(gp::GdipSetPenLineJoin(made, static_cast<Gdiplus::GpLineJoin>(std::clamp(Option(s, kJoinOption), 0, 2))));
    SetPenCaps(pen, Option(s, kStartCapOption), Option(s, kEndCapOption), e.arrow);
    GpBrushOwner pattern = MakePenPatternBrush(e, s, Option(s, kPenPatternOption), Option(s, kPenGammaOption) != 0,
                                               Option(s, kShapeFillBase + kFillWrap), kTexturePen, reference);
    pen.Check(pattern.lastStatus());
    if (pattern) pen.Check(gp::GdipSetPenBrushFill(made, pattern.get()));
    return pen;
}

GpPenOwner MakeMainPen(const Editor& e, const ImageSlot& s) { return MakeMainPen(e, s, ReferenceRect(s)); }

void* BrushRecord::operator new(size_t size, const std::nothrow_t&) noexcept { return gp::GdipAlloc(size); }
void BrushRecord::operator delete(void* p) noexcept { gp::GdipFree(p); }
void BrushRecord::operator delete(void* p, const std::nothrow_t&) noexcept { gp::GdipFree(p); }

bool ClickOnlyMarksGradientStart(const ImageSlot& s) {
    return FillPattern(Option(s, kFillToolFillBase), BrushUser::FillTool).kind == PatternKind::TwoClickLinear && !s.gradientStart.set();
}

BrushRecordPtr MakeFillBrush(const Editor& e, ImageSlot& s, BrushUser user, const IntRect& reference, IntPoint clicked,
                             Gdiplus::GpPath* shape) {
    const int b = FillBase(user);
    const Pattern p = FillPattern(Option(s, b), user);
    const bool gamma = Option(s, b + kFillGamma) != 0;
    GpBrushOwner made;
    switch (p.kind) {
    case PatternKind::Solid: made = MakeSolid(user == BrushUser::ShapeTool ? OtherColour(s) : CurrentColour(s)); break;
    case PatternKind::Linear: made = MakeRectGradient(s, reference, p.value, gamma, Gdiplus::WrapModeTile); break;
    case PatternKind::TwoClickLinear: {
        if (!s.gradientStart.set()) {
            s.gradientStart = Anchor{clicked.x, clicked.y};
            return nullptr;
        }
        const Anchor start = s.gradientStart;
        s.gradientStart.Clear();
        made = MakeTwoClickGradient(s, start, clicked, gamma, Option(s, b + kFillWrap));
        break;
    }
    case PatternKind::Circular:
    case PatternKind::CircularMiddle:
    case PatternKind::CircularVertex:
        if (!shape) return nullptr;
        made = MakeCircularGradient(e, s, user, p.kind, clicked, shape);
        break;
    case PatternKind::Texture:
        made = MakeTextureBrush(e, user == BrushUser::ShapeTool ? kTextureShapeFill : kTextureFillTool, Option(s, b + kFillWrap));
        break;
    case PatternKind::Hatch: made = MakeHatch(s, p.value); break;
    }
    return IntoRecord(made);
}

BrushRecordPtr FallbackBrush(const ImageSlot& s, BrushUser user) {
    return IntoRecord(MakeSolid(user == BrushUser::ShapeTool ? OtherColour(s) : CurrentColour(s)));
}

BrushRecordPtr MakeFillBrushOrFallback(const Editor& e, ImageSlot& s, BrushUser user, const IntRect& reference, IntPoint clicked,
                                       Gdiplus::GpPath* shape) {
    const bool onlyStart = user == BrushUser::FillTool && ClickOnlyMarksGradientStart(s);
    BrushRecordPtr brush = MakeFillBrush(e, s, user, reference, clicked, shape);
    if (!brush && !onlyStart) brush = FallbackBrush(s, user);
    return brush;
}

}  // namespace mirelo
