#include "draw/retouch.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

namespace mirelo {

namespace {

// The saturation steps of 彩度 without the mask, by strength index.
constexpr int kSaturationSteps[kRetouchStrengthCount] = {1, 2, 3, 5, 10, 15, 20, 25, 100};

inline uint8_t Mix(int source, int destination, int sourceTenths) {
    // trunc(source × H + destination × (1 − H)) with H = tenths / 10, exactly: equal pixels stay
    // as they are however often they are smudged.
    return static_cast<uint8_t>((source * sourceTenths + destination * (10 - sourceTenths)) / 10);
}

inline uint8_t Lighter(int v, int step) { return static_cast<uint8_t>(std::min(255, v + step)); }
inline uint8_t Darker(int v, int step) { return static_cast<uint8_t>(std::max(0, v - step)); }

// The luma rounded to a whole value: (0.114 B + 0.587 G + 0.299 R) + 0.5, truncated.
inline int Luma(int b, int g, int r) { return (114 * b + 587 * g + 299 * r + 500) / 1000; }

// v + (v − luma) / 255 × step, clamped to 0..255 and truncated.
inline uint8_t Saturated(int v, int luma, int step) {
    const int scaled = v * 255 + (v - luma) * step;
    if (scaled <= 0) return 0;
    return static_cast<uint8_t>(std::min(255, scaled / 255));
}

// The rule of one mode on one pixel; `Channels` 3 (B, G, R) or 4 (B, G, R, A).
template <int Channels, int Mode>
inline void ApplyMode(const uint8_t* s, uint8_t* d, const RetouchRule& rule) {
    if constexpr (Mode == retouch_mode::kSmudge) {
        for (int c = 0; c < Channels; ++c) d[c] = Mix(s[c], d[c], rule.sourceTenths);
    } else if constexpr (Mode == retouch_mode::kSmudgeAlpha) {
        if constexpr (Channels == 4) d[3] = Mix(s[3], d[3], rule.sourceTenths);
    } else if constexpr (Mode == retouch_mode::kAlpha) {
        if constexpr (Channels == 4) d[3] = rule.alpha;
    } else if constexpr (Mode == retouch_mode::kLighten) {
        for (int c = 0; c < 3; ++c) d[c] = Lighter(d[c], rule.step);
    } else if constexpr (Mode == retouch_mode::kDarken) {
        for (int c = 0; c < 3; ++c) d[c] = Darker(d[c], rule.step);
    } else {
        const int y = Luma(d[0], d[1], d[2]);
        for (int c = 0; c < 3; ++c) d[c] = Saturated(d[c], y, rule.step);
    }
}

template <int Channels>
inline void ApplyRule(const uint8_t* s, uint8_t* d, const RetouchRule& rule) {
    switch (rule.mode) {
    case retouch_mode::kSmudge: ApplyMode<Channels, retouch_mode::kSmudge>(s, d, rule); break;
    case retouch_mode::kSmudgeAlpha: ApplyMode<Channels, retouch_mode::kSmudgeAlpha>(s, d, rule); break;
    case retouch_mode::kAlpha: ApplyMode<Channels, retouch_mode::kAlpha>(s, d, rule); break;
    case retouch_mode::kLighten: ApplyMode<Channels, retouch_mode::kLighten>(s, d, rule); break;
    case retouch_mode::kDarken: ApplyMode<Channels, retouch_mode::kDarken>(s, d, rule); break;
    case retouch_mode::kSaturate:
    case retouch_mode::kDesaturate: ApplyMode<Channels, retouch_mode::kSaturate>(s, d, rule); break;
    default: break;
    }
}

// The stroke on locked memory with the mode fixed, so that the walk's inner loop holds one rule.
template <int Channels, int Mode>
void StrokeIn(const PixelView& v, const RetouchStroke& stroke) {
    const RetouchRule rule = stroke.rule;
    uint8_t* const scan0 = v.scan0;
    const intptr_t stride = v.stride;
    WalkRetouchStroke(v.width, v.height, stroke, [&](int sx, int sy, int dx, int dy, size_t times) {
        const uint8_t* s = scan0 + sy * stride + static_cast<intptr_t>(sx) * Channels;
        uint8_t* d = scan0 + dy * stride + static_cast<intptr_t>(dx) * Channels;
        if (times == 1) {
            ApplyMode<Channels, Mode>(s, d, rule);
            return;
        }
        for (size_t n = 0; n < times; ++n) {
            uint8_t before[Channels];
            std::memcpy(before, d, Channels);
            ApplyMode<Channels, Mode>(before, d, rule);
            if (std::memcmp(before, d, Channels) == 0) break;
        }
    });
}

template <int Channels>
void StrokeIn(const PixelView& v, const RetouchStroke& stroke) {
    switch (stroke.rule.mode) {
    case retouch_mode::kSmudge: StrokeIn<Channels, retouch_mode::kSmudge>(v, stroke); break;
    case retouch_mode::kSmudgeAlpha: StrokeIn<Channels, retouch_mode::kSmudgeAlpha>(v, stroke); break;
    case retouch_mode::kAlpha: StrokeIn<Channels, retouch_mode::kAlpha>(v, stroke); break;
    case retouch_mode::kLighten: StrokeIn<Channels, retouch_mode::kLighten>(v, stroke); break;
    case retouch_mode::kDarken: StrokeIn<Channels, retouch_mode::kDarken>(v, stroke); break;
    case retouch_mode::kSaturate:
    case retouch_mode::kDesaturate: StrokeIn<Channels, retouch_mode::kSaturate>(v, stroke); break;
    default: break;
    }
}

}  // namespace

double RetouchStrength(int mode, int strengthIndex, int brushSize, bool mask) {
    const int k = std::clamp(strengthIndex, 0, kRetouchStrengthCount - 1);
    const int s = std::clamp(brushSize, 1, kRetouchMaxSize);
    switch (mode) {
    case retouch_mode::kSmudge:
    case retouch_mode::kSmudgeAlpha: return (k + 1) / 10.0;
    case retouch_mode::kLighten:
    case retouch_mode::kDarken: return mask ? (k + 1) * 25.5 : (k + 1) / static_cast<double>(s + 50) * 255.0;
    case retouch_mode::kSaturate: return mask ? (k + 1) * 25.5 : kSaturationSteps[k];
    case retouch_mode::kDesaturate: return mask ? -(k + 1) * 25.5 : -kSaturationSteps[k];
    default: return 0.0;
    }
}

RetouchRule MakeRetouchRule(int mode, int strengthIndex, int brushSize, bool mask, uint8_t alpha) {
    RetouchRule rule;
    rule.mode = mode;
    rule.alpha = alpha;
    rule.sourceTenths = std::clamp(strengthIndex, 0, kRetouchStrengthCount - 1) + 1;
    const double h = RetouchStrength(mode, strengthIndex, brushSize, mask);
    if (mode == retouch_mode::kLighten || mode == retouch_mode::kDarken)
        rule.step = static_cast<int>(std::trunc(h));
    else if (mode == retouch_mode::kSaturate || mode == retouch_mode::kDesaturate)
        rule.step = static_cast<int>(std::trunc(h + 255.0)) - 255;
    return rule;
}

void RetouchPixel(const uint8_t* source, uint8_t* destination, int channels, const RetouchRule& rule) {
    if (!source || !destination) return;
    if (channels == 4)
        ApplyRule<4>(source, destination, rule);
    else if (channels == 3)
        ApplyRule<3>(source, destination, rule);
}

uint32_t RetouchArgb(uint32_t source, uint32_t destination, const RetouchRule& rule) {
    const uint8_t s[4] = {static_cast<uint8_t>(source), static_cast<uint8_t>(source >> 8), static_cast<uint8_t>(source >> 16),
                          static_cast<uint8_t>(source >> 24)};
    uint8_t d[4] = {static_cast<uint8_t>(destination), static_cast<uint8_t>(destination >> 8),
                    static_cast<uint8_t>(destination >> 16), static_cast<uint8_t>(destination >> 24)};
    ApplyRule<4>(s, d, rule);
    return static_cast<uint32_t>(d[0]) | static_cast<uint32_t>(d[1]) << 8 | static_cast<uint32_t>(d[2]) << 16 |
           static_cast<uint32_t>(d[3]) << 24;
}

void RetouchPixelRepeated(uint8_t* pixel, int channels, const RetouchRule& rule, size_t times) {
    if (!pixel || (channels != 3 && channels != 4)) return;
    for (size_t n = 0; n < times; ++n) {
        uint8_t before[4] = {};
        std::memcpy(before, pixel, static_cast<size_t>(channels));
        RetouchPixel(before, pixel, channels, rule);
        if (std::memcmp(before, pixel, static_cast<size_t>(channels)) == 0) break;
    }
}

uint32_t RetouchArgbRepeated(uint32_t pixel, const RetouchRule& rule, size_t times) {
    for (size_t n = 0; n < times; ++n) {
        const uint32_t next = RetouchArgb(pixel, pixel, rule);
        if (next == pixel) break;
        pixel = next;
    }
    return pixel;
}

OpStatus CheckRetouchStroke(int width, int height, const RetouchStroke& stroke) {
    if (width <= 0 || height <= 0) return OpStatus::Failed(nullptr, retouch_status::kBadParams);
    if (!stroke.tip || stroke.side < 1 || stroke.side > kRetouchMaxSize + 1)
        return OpStatus::Failed(nullptr, retouch_status::kBadParams);
    if (stroke.pointCount > 0 && !stroke.points) return OpStatus::Failed(nullptr, retouch_status::kBadParams);
    if (stroke.rule.mode < 0 || stroke.rule.mode >= retouch_mode::kCount) return OpStatus::Failed(nullptr, retouch_status::kBadParams);
    if (stroke.rule.sourceTenths < 1 || stroke.rule.sourceTenths > kRetouchStrengthCount)
        return OpStatus::Failed(nullptr, retouch_status::kBadParams);
    if (std::abs(stroke.rule.step) > 510) return OpStatus::Failed(nullptr, retouch_status::kBadParams);
    return OpStatus{};
}

OpStatus RetouchStrokeStep(const PixelView& image, const RetouchStroke& stroke) {
    const int bits = BitsPerPixel(image.format);
    if (bits != 24 && bits != 32) return OpStatus::Failed(nullptr, retouch_status::kBadFormat);
    if (!image.scan0 || std::abs(static_cast<long long>(image.stride)) < static_cast<long long>(image.width) * (bits / 8))
        return OpStatus::Failed(nullptr, retouch_status::kBadParams);
    const OpStatus checked = CheckRetouchStroke(image.width, image.height, stroke);
    if (!checked.ok()) return checked;
    if (stroke.pointCount < 2) return OpStatus{};
    if (bits == 32)
        StrokeIn<4>(image, stroke);
    else
        StrokeIn<3>(image, stroke);
    return OpStatus{};
}

bool RetouchStrokeBounds(int width, int height, const RetouchStroke& stroke, int* left, int* top, int* right, int* bottom) {
    if (width <= 0 || height <= 0 || !stroke.points || stroke.pointCount == 0) return false;
    int x0 = stroke.points[0].x, x1 = x0, y0 = stroke.points[0].y, y1 = y0;
    for (size_t n = 1; n < stroke.pointCount; ++n) {
        x0 = std::min(x0, stroke.points[n].x);
        x1 = std::max(x1, stroke.points[n].x);
        y0 = std::min(y0, stroke.points[n].y);
        y1 = std::max(y1, stroke.points[n].y);
    }
    // The tip reaches side/2 before the point and side − side/2 − 1 after it.
    const int before = stroke.side / 2, after = std::max(0, stroke.side - stroke.side / 2 - 1);
    *left = std::clamp(x0 - before, 0, width - 1);
    *top = std::clamp(y0 - before, 0, height - 1);
    *right = std::clamp(x1 + after, 0, width - 1);
    *bottom = std::clamp(y1 + after, 0, height - 1);
    return true;
}

bool RetouchState::RenewMask(int width, int height) {
    if (width > 0 && height > 0 && width == maskWidth && height == maskHeight && !mask.empty()) {
        std::fill(mask.begin(), mask.end(), uint8_t{0});
        return true;
    }
    DropMask();
    if (width <= 0 || height <= 0) return false;
    try {
        mask.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    maskWidth = width;
    maskHeight = height;
    return true;
}

}  // namespace mirelo
