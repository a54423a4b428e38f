#include "draw/pen_tip.h"

#include <algorithm>
#include <vector>

#include "draw/pens.h"
#include "image/bitmap_access.h"
#include "image/image_set.h"
#include "select/paths.h"
#include "select/selection.h"

namespace mirelo {

namespace {

// The outline of a tip of width w: the w × w square or ellipse, or the diamond through the
// middles of its sides.
EditPath TipOutline(TipShape shape, int w) {
    EditPath path;
    const float f = static_cast<float>(w), h = static_cast<float>(w / 2);
    switch (shape) {
    case TipShape::Circle: path.AddEllipse(0, 0, f, f); break;
    case TipShape::Diamond: {
        const PointF p[4] = {{0, h}, {h, 0}, {f, h}, {h, f}};
        path.AddPolygon(p, 4);
        break;
    }
    case TipShape::Square: path.AddRectangle(0, 0, f, f); break;
    }
    return path;
}
}  // namespace

void PenTip::Update(const ImageSlot& s) {
    Key key;
    key.width = LineWidth(s);
    key.smooth = s.toolSettings[kShapeSmoothOption] ? 1 : 0;
    key.shape = s.toolSettings[kPenTipOption];
    key.function = s.toolSettings[kFunctionOption] ? 1 : 0;
    key.colour = CurrentColour(s);
    if (bitmap_ && key == key_) return;
    Discard();
    key_ = key;
    width_ = key.width;
    smooth_ = key.smooth != 0;
    side_ = width_ + (smooth_ ? 1 : 0);
    shape_ = width_ > 2 && key.shape == 1 ? TipShape::Circle : width_ > 2 && key.shape == 2 ? TipShape::Diamond : TipShape::Square;
    soft_ = smooth_ && key.function == 0 && width_ >= 3;
    colour_ = key.colour;
    outline_ = TipOutline(shape_, width_);
    GpBrushOwner solid;
    Gdiplus::GpSolidFill* fill = nullptr;
    if (gp::GdipCreateSolidFill(colour_, &fill) == Gdiplus::Ok) solid.reset(fill);
    if (!Paint(bitmap_, solid.get())) {
        bitmap_.reset();
        return;
    }
    // The pixels the tip covers, for the brush cursor at high zoom.
    std::vector<uint8_t> mask(static_cast<size_t>(side_) * side_, 0);
    Gdiplus::BitmapData data{};
    const Gdiplus::GpRect all(0, 0, side_, side_);
    if (gp::GdipBitmapLockBits(bitmap_.get(), &all, Gdiplus::ImageLockModeRead, fmt::k32ARGB, &data) == Gdiplus::Ok) {
        for (int y = 0; y < side_; ++y) {
            const auto* row = static_cast<const uint8_t*>(data.Scan0) + static_cast<intptr_t>(y) * data.Stride;
            for (int x = 0; x < side_; ++x) mask[static_cast<size_t>(y) * side_ + x] = row[x * 4 + 3] ? 1 : 0;
        }
        gp::GdipBitmapUnlockBits(bitmap_.get(), &data);
    }
    edges_ = OutlineOfMask(mask, side_, side_);
}

void PenTip::Discard() {
    bitmap_.reset();
    key_ = Key{};
    side_ = 0;
    outline_ = EditPath();
    edges_ = PixelOutline();
}

bool PenTip::Paint(GpBitmapOwner& bitmap, Gdiplus::GpBrush* hardBrush) const {
    if (!CreateGpBitmap(bitmap, side_, side_, fmt::k32ARGB)) return false;
    GpGraphicsOwner g;
    if (gp::GdipGetImageGraphicsContext(bitmap.get(), g.put()) != Gdiplus::Ok || !g) return false;
    gp::GdipGraphicsClear(g.get(), 0x00000000);
    GpPathOwner path = ToGpPath(outline_);
    if (!path) return false;
    if (soft_) {
        // Fades from the current colour at the centre to nothing at the edge.
        Gdiplus::GpPathGradient* gradient = nullptr;
        if (gp::GdipCreatePathGradientFromPath(path.get(), &gradient) != Gdiplus::Ok) return false;
        GpBrushOwner brush(gradient);
        gp::GdipSetPathGradientCenterColor(gradient, colour_);
        INT count = 0;
        gp::GdipGetPathGradientPointCount(gradient, &count);
        if (count > 0) {
            std::vector<Gdiplus::ARGB> surround(static_cast<size_t>(count), 0x00000000);
            gp::GdipSetPathGradientSurroundColorsWithCount(gradient, surround.data(), &count);
        }
        return gp::GdipFillPath(g.get(), brush.get(), path.get()) == Gdiplus::Ok;
    }
    if (!hardBrush) return false;
    if (smooth_) gp::GdipSetSmoothingMode(g.get(), Gdiplus::SmoothingModeAntiAlias);
    switch (shape_) {
    case TipShape::Square: return gp::GdipFillRectangleI(g.get(), hardBrush, 0, 0, width_, width_) == Gdiplus::Ok;
    case TipShape::Circle: return gp::GdipFillEllipseI(g.get(), hardBrush, 0, 0, width_, width_) == Gdiplus::Ok;
    case TipShape::Diamond: return gp::GdipFillPath(g.get(), hardBrush, path.get()) == Gdiplus::Ok;
    }
    return false;
}

bool PenTip::Stamp(Gdiplus::GpGraphics* graphics, int x, int y) const {
    if (!bitmap_ || !graphics) return false;
    return gp::GdipDrawImageRectI(graphics, bitmap_.get(), x - side_ / 2, y - side_ / 2, side_, side_) == Gdiplus::Ok;
}

bool PenTip::StampWithBrush(Gdiplus::GpGraphics* graphics, Gdiplus::GpBrush* brush, int x, int y) const {
    if (!bitmap_ || !graphics || !brush) return false;
    GpBitmapOwner once;
    if (!Paint(once, brush)) return false;
    return gp::GdipDrawImageRectI(graphics, once.get(), x - side_ / 2, y - side_ / 2, side_, side_) == Gdiplus::Ok;
}

}  // namespace mirelo
