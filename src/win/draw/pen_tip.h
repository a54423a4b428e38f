// The pen tip that the shape tool's freehand strokes stamp: a square, circle or diamond of the
// line width in the current colour, hard-edged or fading to nothing at its edge.
#pragma once
#include <cstdint>

#include "common/gdiplus.h"
#include "select/edit_path.h"
#include "select/path_mask.h"

namespace mirelo {

struct ImageSlot;

// Shapes of the tip (the ﾍﾟﾝ先 list; circle and diamond from a width of 3).
enum class TipShape { Square, Circle, Diamond };

class PenTip {
public:
    // Makes the tip again when the slot's line width, ｽﾑｰｽﾞ, ﾍﾟﾝ先, 機能 or current colour changed.
    void Update(const ImageSlot& slot);
    void Discard();
    bool ready() const { return static_cast<bool>(bitmap_); }
    int side() const { return side_; }

    // Draws the tip centred on (x, y): at (x − side/2, y − side/2).
    bool Stamp(Gdiplus::GpGraphics* graphics, int x, int y) const;
    // The same tip filled with `brush` instead of the current colour, stamped once.
    bool StampWithBrush(Gdiplus::GpGraphics* graphics, Gdiplus::GpBrush* brush, int x, int y) const;

    // The tip's outline with its top-left corner at (0, 0), for the brush cursor below 200 %.
    const EditPath& outline() const { return outline_; }
    // The edges of its pixels, for the brush cursor from 200 %.
    const PixelOutline& edges() const { return edges_; }

private:
    struct Key {
        int width = -1, smooth = -1, shape = -1, function = -1;
        uint32_t colour = 0;
        bool operator==(const Key& o) const {
            return width == o.width && smooth == o.smooth && shape == o.shape && function == o.function && colour == o.colour;
        }
    };
    bool Paint(GpBitmapOwner& bitmap, Gdiplus::GpBrush* hardBrush) const;

    Key key_;
    GpBitmapOwner bitmap_;
    int side_ = 0, width_ = 0;
    TipShape shape_ = TipShape::Square;
    bool soft_ = false, smooth_ = false;
    Gdiplus::ARGB colour_ = 0;
    EditPath outline_;
    PixelOutline edges_;
};

}  // namespace mirelo
