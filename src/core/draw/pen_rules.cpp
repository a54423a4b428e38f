#include "draw/pen_rules.h"

#include <algorithm>

#include "image/pixel_format.h"

namespace mirelo {

namespace {
constexpr int kLinearCount = 4;
constexpr int kPenTextureIndex = 5, kPenFirstHatch = 6;
constexpr int kFillCircular = 5, kFillCircularMiddle = 6, kFillCircularVertex = 7, kFillTextureIndex = 8, kFillFirstHatch = 9;

Pattern HatchOrSolid(int index, int firstHatch) {
    const int style = index - firstHatch;
    if (style >= 0 && style < kHatchStyleCount) return {PatternKind::Hatch, style};
    return {};
}

uint32_t SwatchArgb(uint32_t swatch, int alpha) {
    return ArgbFromWin32WithAlpha(swatch & 0xFFFFFFu, static_cast<uint8_t>(std::clamp(alpha, 0, 255)));
}
}  // namespace

Pattern PenPattern(int index) {
    if (index >= 1 && index <= kLinearCount) return {PatternKind::Linear, index - 1};
    if (index == kPenTextureIndex) return {PatternKind::Texture, 0};
    return HatchOrSolid(index, kPenFirstHatch);
}

Pattern FillPattern(int index, BrushUser user) {
    if (index == kLinearCount && user == BrushUser::FillTool) return {PatternKind::TwoClickLinear, index - 1};
    if (index >= 1 && index <= kLinearCount) return {PatternKind::Linear, index - 1};
    switch (index) {
    case kFillCircular: return {PatternKind::Circular, 0};
    case kFillCircularMiddle: return {PatternKind::CircularMiddle, 0};
    case kFillCircularVertex: return {PatternKind::CircularVertex, 0};
    case kFillTextureIndex: return {PatternKind::Texture, 0};
    default: return HatchOrSolid(index, kFillFirstHatch);
    }
}

int TextureSlotForChoice(int option, int value) {
    switch (option) {
    case kPenPatternOption: return value == kPenTextureIndex ? kTexturePen : -1;
    case kShapeFillBase: return value == kFillTextureIndex ? kTextureShapeFill : -1;
    case kFillToolFillBase: return value == kFillTextureIndex ? kTextureFillTool : -1;
    case kTextPatternOption: return value == kPenTextureIndex ? kTextureText : -1;
    default: return -1;
    }
}

int DashCapFromPenTip(int index) {
    static constexpr int kDashCaps[] = {0, 2, 3};  // flat, round, triangle
    return kDashCaps[std::clamp(index, 0, 2)];
}

bool IsArrowCap(int index) { return index == kArrowCapIndex; }

int AnchorCapFromIndex(int index) { return 16 + (index >= 0 && index <= 3 ? index : 0); }

ArrowCapSize ArrowCapFrom(const ArrowSettings& a) {
    return {static_cast<float>(a.height) / 10.0f, static_cast<float>(a.width) / 10.0f, static_cast<float>(a.shape) / 10.0f};
}

IntRect ReferenceRectFromBounds(const IntRect& b, int lineWidth) {
    const int half = lineWidth / 2;
    return {b.x - half, b.y - half, b.width + lineWidth, b.height + lineWidth};
}

uint32_t ColourPair::Current() const {
    const size_t i = static_cast<size_t>(CurrentIndex());
    return ArgbFromWin32WithAlpha(colours[i] & 0xFFFFFFu, static_cast<uint8_t>(255 - transparency[i]));
}

uint32_t ColourPair::Other() const {
    const size_t i = static_cast<size_t>(1 - CurrentIndex());
    return ArgbFromWin32WithAlpha(colours[i] & 0xFFFFFFu, static_cast<uint8_t>(255 - transparency[i]));
}

CircularColours CircularGradientColours(PatternKind kind, int colourIndex, int pointCount, const ColourPair& c,
                                        const Swatches& swatches) {
    CircularColours out;
    out.centre = c.Other();
    const int chosen = std::clamp(colourIndex, 0, kSwatchCount - 1) + 1;
    const int tCur = c.CurrentTransparency(), tOther = c.OtherTransparency();
    if (pointCount >= 1) {
        out.surround.resize(static_cast<size_t>(pointCount), c.Current());
        if (kind == PatternKind::CircularVertex) {
            const int k = std::min(chosen, pointCount);
            for (int i = 0; i < pointCount; ++i)
                out.surround[static_cast<size_t>(i)] = SwatchArgb(swatches[static_cast<size_t>(i % k)], 255 - tCur);
        }
    } else {
        out.invalidParameter = true;
    }
    if (kind == PatternKind::CircularMiddle) {
        const int m = chosen + 2;
        out.blendColours.resize(static_cast<size_t>(m));
        out.blendPositions.resize(static_cast<size_t>(m));
        out.blendColours.front() = c.Current();
        out.blendPositions.front() = 0.0f;
        out.blendColours.back() = c.Other();
        out.blendPositions.back() = 1.0f;
        for (int j = 1; j <= m - 2; ++j) {
            const float position = static_cast<float>(j) / static_cast<float>(m - 1);
            const int alpha = 255 - tCur - static_cast<int>(static_cast<float>(tOther - tCur) * position);
            out.blendColours[static_cast<size_t>(j)] = SwatchArgb(swatches[static_cast<size_t>(j - 1)], alpha);
            out.blendPositions[static_cast<size_t>(j)] = position;
        }
    }
    return out;
}

}  // namespace mirelo
