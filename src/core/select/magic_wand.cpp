#include "select/magic_wand.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace mirelo {

const char16_t kWandTooLargeText[] = u"画像サイズが大き過ぎます";

const IntPoint kWandDirections[9] = {{0, 1}, {-1, 1}, {-1, 0}, {-1, -1}, {0, -1}, {1, -1}, {1, 0}, {1, 1}, {0, 1}};
const IntPoint kWandNeighbours[4] = {{-1, 0}, {0, -1}, {1, 0}, {0, 1}};

bool WandAcceptsSize(int width, int height) {
    return width > 0 && height > 0 && static_cast<int64_t>(width) * height <= kWandPixelLimit;
}

namespace {

// A pixel as drawing it onto a transparent bitmap leaves it.
inline uint32_t Drawn(uint32_t argb) { return (argb >> 24) == 0 ? 0u : argb; }

inline uint32_t Load32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

bool IsDiagonal(int i) { return (i & 1) != 0; }

}  // namespace

void TraceWandOutline(std::vector<uint8_t>& cells, int width, int height, int cx, int cy, bool invert,
                      std::vector<IntPoint>* vertices) {
    using namespace wand_cell;
    const int fw = width + 2, fh = height + 2;
    const auto at = [&](int x, int y) -> uint8_t& { return cells[static_cast<size_t>(y) * fw + static_cast<size_t>(x)]; };
    if (invert)
        for (uint8_t& c : cells) c = c ? kOutside : kInside;

    // Boundary cells: inside the image area, in the region, with a 4-neighbour outside it.
    for (int y = 1; y <= height; ++y)
        for (int x = 1; x <= width; ++x) {
            if (!at(x, y)) continue;
            for (const IntPoint& n : kWandNeighbours) {
                const int nx = x + n.x, ny = y + n.y;
                if (nx < 0 || ny < 0 || nx >= fw || ny >= fh || at(nx, ny) == kOutside) {
                    at(x, y) = kBoundary;
                    break;
                }
            }
        }

    // The start: eight rays leave the clicked cell one cell per pass, in direction order. A ray
    // outside the image area is not tested; an orthogonal ray past the area on its own axis, or a
    // diagonal one past it on both, ends the search.
    int sx = -1, sy = -1;
    for (int k = 1; sx < 0; ++k) {
        bool ended = false;
        for (int i = 0; i < 8; ++i) {
            const int x = cx + k * kWandDirections[i].x, y = cy + k * kWandDirections[i].y;
            const bool inX = x >= 1 && x <= width, inY = y >= 1 && y <= height;
            if (inX && inY) {
                if (at(x, y) == kBoundary) {
                    sx = x, sy = y;
                    break;
                }
                continue;
            }
            if (!IsDiagonal(i) || (!inX && !inY)) {
                ended = true;
                break;
            }
        }
        if (ended) break;
    }
    if (sx < 0) return;

    // The walk, one cell per step.
    const auto value = [&](int c, int d, int i) { return at(c + kWandDirections[i].x, d + kWandDirections[i].y); };
    const auto isBridge = [&](int c, int d) {
        const bool sides = at(c - 1, d) && at(c + 1, d), ends = at(c, d - 1) && at(c, d + 1);
        const bool noSides = !at(c - 1, d) && !at(c + 1, d), noEnds = !at(c, d - 1) && !at(c, d + 1);
        return (sides && noEnds) || (ends && noSides);
    };
    int c = sx, d = sy, last = -1;
    for (;;) {
        int taken = -1;
        for (int i = 0; i < 8 && taken < 0; ++i) {
            if (i == 1 && !at(c, d + 1) && !at(c - 1, d)) continue;
            if (i == 3 && !at(c - 1, d) && !at(c, d - 1)) continue;
            if (i == 5 && !at(c, d - 1) && !at(c + 1, d)) continue;
            if (i == 7 && !at(c + 1, d) && !at(c, d + 1)) continue;
            if (value(c, d, i) == kBoundary && value(c, d, i + 1) == kOutside) taken = i;
        }
        bool throughBridge = false;
        if (taken < 0) {
            for (int i = 0; i < 8 && taken < 0; ++i)
                if (value(c, d, i) == kBridge) taken = i;
            if (taken < 0) return;
            throughBridge = true;
        }
        if (taken != last) {
            vertices->push_back({std::clamp(c - 1, 0, width - 1), std::clamp(d - 1, 0, height - 1)});
            last = taken;
        }
        c += kWandDirections[taken].x;
        d += kWandDirections[taken].y;
        at(c, d) = !throughBridge && isBridge(c, d) ? kBridge : kInside;
    }
}

OpStatus FindWandOutline(const PixelView& argb, const WandParams& p, std::vector<IntPoint>* vertices) {
    if (!argb.scan0 || !vertices || BitsPerPixel(argb.format) != 32 || argb.width <= 0 || argb.height <= 0)
        return OpStatus::Failed(nullptr, wand_status::kBadParams);
    if (!WandAcceptsSize(argb.width, argb.height)) return OpStatus::Failed(kWandTooLargeText, wand_status::kTooLarge);
    if (p.x < 0 || p.y < 0 || p.x >= argb.width || p.y >= argb.height)
        return OpStatus::Failed(kNoColourText, wand_status::kNoColour);
    const int w = argb.width, h = argb.height, fw = w + 2, fh = h + 2;
    const uint32_t reference = Load32(argb.At(p.x, p.y));
    ColourTolerance t = p.tolerance;
    if ((reference >> 24) < 255) t.red = t.green = t.blue = 255;  // only the alpha decides

    std::vector<uint32_t> framed;
    std::vector<uint8_t> cells;
    try {
        framed.resize(static_cast<size_t>(fw) * static_cast<size_t>(fh));
        cells.assign(framed.size(), 0);
    } catch (const std::bad_alloc&) {
        return OpStatus::Failed(kNoMemoryText, wand_status::kNoMemory);
    }
    const uint32_t ring = Drawn(reference);
    std::fill(framed.begin(), framed.begin() + fw, ring);
    std::fill(framed.end() - fw, framed.end(), ring);
    for (int y = 0; y < h; ++y) {
        uint32_t* row = framed.data() + static_cast<size_t>(y + 1) * static_cast<size_t>(fw);
        const uint8_t* src = argb.Row(y);
        row[0] = row[fw - 1] = ring;
        for (int x = 0; x < w; ++x) row[x + 1] = Drawn(Load32(src + 4 * static_cast<size_t>(x)));
    }
    const PixelView framedView{fw, fh, fw * 4, fmt::k32ARGB, reinterpret_cast<uint8_t*>(framed.data())};
    const OpStatus filled = FindFillRegion(framedView, p.x + 1, p.y + 1, reference, t, cells.data());
    if (!filled.ok()) return OpStatus::Failed(filled.message, filled.code == fill_status::kNoMemory ? wand_status::kNoMemory : wand_status::kBadParams);
    std::vector<uint32_t>().swap(framed);
    try {
        TraceWandOutline(cells, w, h, p.x + 1, p.y + 1, p.invert, vertices);
    } catch (const std::bad_alloc&) {
        // The vertex list could not grow: the walk ends with the vertices it has.
    }
    return {};
}

}  // namespace mirelo
