#include "edit/view_navigation.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <iterator>

namespace mirelo {

namespace {
constexpr int kZoomSteps[] = {10, 15, 20, 25, 33, 50, 67, 100, 150, 200, 300, 400, 500, 800, 1000, 1600, 2000, 3200, 5000};
}

int ZoomStep(int zoom, int direction) {
    if (direction > 0) {
        for (int z : kZoomSteps)
            if (z > zoom) return z;
        return kZoomSteps[std::size(kZoomSteps) - 1];
    }
    if (direction < 0) {
        for (auto it = std::rbegin(kZoomSteps); it != std::rend(kZoomSteps); ++it)
            if (*it < zoom) return *it;
        return kZoomSteps[0];
    }
    return zoom;
}

ScrollPoint ScrollKeepingPoint(const ViewLayout& before, int sx, int sy, int px, int py, const ViewLayout& after) {
    // The point in image pixels as a fraction, so that the pixel stays put to the screen pixel.
    auto keep = [](int client, int origin, int scroll, int zoomBefore, int zoomAfter, int originAfter) {
        const double image = (static_cast<double>(client) - origin + scroll) * 100.0 / zoomBefore;
        const double scrolled = image * zoomAfter / 100.0 - (client - originAfter);
        return static_cast<int>(std::lround(std::clamp(scrolled, static_cast<double>(INT_MIN / 2), static_cast<double>(INT_MAX / 2))));
    };
    if (before.zoom <= 0 || after.zoom <= 0) return {sx, sy};
    return {keep(px, before.originX, sx, before.zoom, after.zoom, after.originX),
            keep(py, before.originY, sy, before.zoom, after.zoom, after.originY)};
}

int WheelAccumulator::Keep(int delta) {
    if ((delta > 0 && rest_ < 0) || (delta < 0 && rest_ > 0)) rest_ = 0;
    rest_ = std::clamp(rest_ + delta, -1000000, 1000000);
    return rest_;
}

int WheelAccumulator::Notches(int delta) {
    const int total = Keep(delta);
    const int notches = total / kNotch;
    rest_ = total - notches * kNotch;
    return notches;
}

int WheelAccumulator::Pixels(int delta, int perNotch) {
    const long long total = static_cast<long long>(Keep(delta)) * perNotch;
    const int pixels = static_cast<int>(total / kNotch);
    rest_ = static_cast<int>((total - static_cast<long long>(pixels) * kNotch) / std::max(perNotch, 1));
    return pixels;
}

ViewKey ViewKeyFor(unsigned vk, bool ctrl) {
    constexpr unsigned kPlus = 0xBB, kMinus = 0xBD, kAdd = 0x6B, kSubtract = 0x6D, kNum0 = 0x60, kNum1 = 0x61;
    if (ctrl) {
        if (vk == kPlus || vk == kAdd) return ViewKey::ZoomIn;
        if (vk == kMinus || vk == kSubtract) return ViewKey::ZoomOut;
        if (vk == '0' || vk == kNum0) return ViewKey::FitWindow;
        if (vk == '1' || vk == kNum1) return ViewKey::ActualSize;
    }
    switch (vk) {
    case 0x25: return ViewKey::Left;
    case 0x26: return ViewKey::Up;
    case 0x27: return ViewKey::Right;
    case 0x28: return ViewKey::Down;
    case 0x21: return ViewKey::PageUp;
    case 0x22: return ViewKey::PageDown;
    case 0x24: return ViewKey::Home;
    case 0x23: return ViewKey::End;
    default: return ViewKey::None;
    }
}

ScrollPoint ScrollForKey(ViewKey key, int sx, int sy, int ch, int line, bool ctrl) {
    constexpr int kFar = INT_MAX / 2;  // clamped by the scroll range
    switch (key) {
    case ViewKey::Left: return {sx - line, sy};
    case ViewKey::Right: return {sx + line, sy};
    case ViewKey::Up: return {sx, sy - line};
    case ViewKey::Down: return {sx, sy + line};
    case ViewKey::PageUp: return {sx, sy - std::max(ch - line, 1)};
    case ViewKey::PageDown: return {sx, sy + std::max(ch - line, 1)};
    case ViewKey::Home: return {ctrl ? 0 : sx, 0};
    case ViewKey::End: return {ctrl ? kFar : sx, kFar};
    default: return {sx, sy};
    }
}

}  // namespace mirelo
