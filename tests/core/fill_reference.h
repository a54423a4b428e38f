// The area fill written out plainly, step by step as the fill tool describes it: a seed stack
// whose top slot the first new seed reuses, each row walked left and right from its seed, and
// one seed per stretch of matching pixels not yet visited above and below. The tests compare the
// core's fast fill against it.
#pragma once
#include <cstdint>
#include <vector>

#include "ops/flood_fill.h"

namespace mirelo {

// Pixels as ARGB words, row by row; returns the visited mask (1 = in the region).
std::vector<uint8_t> ReferenceFill(const std::vector<uint32_t>& pixels, int width, int height, int x, int y,
                                   uint32_t reference, const ColourTolerance& tolerance);

}  // namespace mirelo
