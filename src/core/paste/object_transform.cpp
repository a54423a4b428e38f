#include "paste/object_transform.h"

namespace mirelo {

Affine ObjectMatrix(float offsetX, float offsetY, float centreX, float centreY, int zoomPercent, const ObjectTurn& turn) {
    // Prepending an operation makes it act first: the last one listed touches the point first.
    Affine m = Affine::Translate(offsetX + centreX, offsetY + centreY);
    m = m.After(Affine::Rotate(turn.rotation));
    m = m.After(Affine::Scale(turn.scaleX, turn.scaleY));
    m = m.After(Affine::Translate(-centreX, -centreY));
    const double z = zoomPercent / 100.0;
    return m.After(Affine::Scale(z, z));
}

int InterpolationOfSmoothing(int index) {
    static constexpr int kModes[] = {5, 3, 4, 6, 7};
    return index >= 0 && index < 5 ? kModes[index] : 5;
}

SkewCorners SkewedCorners(int x, int y, int width, int height, int skewX, int skewY) {
    SkewCorners c;
    c.upperLeft = {static_cast<float>(skewX - x - width), static_cast<float>(skewY - y)};
    c.upperRight = {static_cast<float>(skewX - x), static_cast<float>(skewY - y)};
    c.lowerLeft = {0.0f, static_cast<float>(height)};
    return c;
}

Affine ObjectMirror(int kind, int width, int height) {
    if (kind == 1) return Affine{-1, 0, 0, 1, static_cast<double>(width), 0};
    if (kind == 2) return Affine{1, 0, 0, -1, 0, static_cast<double>(height)};
    return Affine{};
}

}  // namespace mirelo
