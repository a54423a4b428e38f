// The retouch brush's tip: a square 32-bit ARGB bitmap of the brush size, transparent, with a
// filled rectangle below size 2 and a filled ellipse from 2 on. Its pixels with alpha above 0
// take part in a stroke; its outline shows the brush at the cursor.
#pragma once
#include <cstdint>
#include <vector>

#include "common/gdiplus.h"
#include "select/edit_path.h"
#include "select/path_mask.h"

namespace mirelo {

class RetouchTip {
public:
    // Makes the tip again when the size differs from the one it was made for; false when it
    // cannot be made (no tip then).
    bool Update(int size);
    bool ready() const { return side_ > 0; }
    int side() const { return side_; }
    // side × side bytes, row by row: 1 where the tip's alpha is above 0.
    const std::vector<uint8_t>& mask() const { return mask_; }
    // The rectangle or ellipse with its top-left corner at (0, 0), for the brush cursor below 200 %.
    const EditPath& outline() const { return outline_; }
    // The edges of the tip's pixels, for the brush cursor from 200 %.
    const PixelOutline& edges() const { return edges_; }

private:
    int side_ = 0;
    std::vector<uint8_t> mask_;
    EditPath outline_;
    PixelOutline edges_;
};

}  // namespace mirelo
