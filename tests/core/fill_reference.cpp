#include "fill_reference.h"

#include <algorithm>
#include <utility>

namespace mirelo {

namespace {
bool ChannelMatches(uint32_t pixel, uint32_t reference, int shift, int tolerance) {
    const int v = static_cast<int>((pixel >> shift) & 0xFF), r = static_cast<int>((reference >> shift) & 0xFF);
    return std::max(0, r - tolerance) <= v && v <= std::min(255, r + tolerance);
}
}  // namespace

std::vector<uint8_t> ReferenceFill(const std::vector<uint32_t>& pixels, int w, int h, int x, int y, uint32_t reference,
                                   const ColourTolerance& t) {
    std::vector<uint8_t> visited(static_cast<size_t>(w) * h, 0);
    const auto matches = [&](int px, int py) {
        const uint32_t p = pixels[static_cast<size_t>(py) * w + px];
        return ChannelMatches(p, reference, 24, t.alpha) && ChannelMatches(p, reference, 16, t.red) &&
               ChannelMatches(p, reference, 8, t.green) && ChannelMatches(p, reference, 0, t.blue);
    };
    const auto seen = [&](int px, int py) -> uint8_t& { return visited[static_cast<size_t>(py) * w + px]; };
    std::vector<std::pair<int, int>> stack;
    stack.reserve(1024);
    stack.push_back({x, y});
    while (!stack.empty()) {
        const size_t top = stack.size() - 1;
        const int sx = stack[top].first, sy = stack[top].second;
        int left = sx;
        while (left >= 0 && matches(left, sy)) seen(left--, sy) = 1;
        ++left;
        int right = sx + 1;
        while (right < w && matches(right, sy)) seen(right++, sy) = 1;
        --right;
        bool pushed = false;
        bool startedAbove = false, startedBelow = false;
        for (int i = left; i <= right; ++i) {
            for (int pass = 0; pass < 2; ++pass) {
                const int ny = pass == 0 ? sy - 1 : sy + 1;
                bool& started = pass == 0 ? startedAbove : startedBelow;
                if (ny < 0 || ny >= h) continue;
                if (matches(i, ny) && !seen(i, ny)) {
                    if (!started) {
                        if (!pushed)
                            stack[top] = {i, ny};
                        else
                            stack.push_back({i, ny});
                        pushed = true;
                    }
                    started = true;
                } else {
                    started = false;
                }
            }
        }
        if (!pushed) stack.pop_back();
    }
    return visited;
}

}  // namespace mirelo
