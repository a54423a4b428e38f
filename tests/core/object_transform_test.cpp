#include <gtest/gtest.h>

#include "paste/object_transform.h"

namespace mirelo {
namespace {

void ExpectPoint(PointF p, float x, float y) {
    EXPECT_NEAR(p.x, x, 1e-4);
    EXPECT_NEAR(p.y, y, 1e-4);
}

TEST(ObjectTransform, MatrixZoomsThenTurnsAboutTheCentreThenPlaces) {
    // A 40 × 20 object at (100, 50), centre (20, 10), at 100 %: unturned it is only moved.
    const Affine plain = ObjectMatrix(100, 50, 20, 10, 100, {});
    ExpectPoint(plain.Apply({0, 0}), 100, 50);
    ExpectPoint(plain.Apply({40, 20}), 140, 70);
    // A quarter turn clockwise on screen about the centre: the top-left corner goes to the right.
    const Affine turned = ObjectMatrix(100, 50, 20, 10, 100, {90, 1.0f, 1.0f});
    ExpectPoint(turned.Apply({0, 0}), 130, 40);
    ExpectPoint(turned.Apply({20, 10}), 120, 60);  // the centre stays
    // 360 degrees draws as 0.
    ExpectPoint(ObjectMatrix(100, 50, 20, 10, 100, {360, 1.0f, 1.0f}).Apply({40, 20}), 140, 70);
    // Zoomed 200 %: the object's pixels are zoomed before the centre (given in view pixels) applies.
    const Affine zoomed = ObjectMatrix(10, 10, 40, 20, 200, {0, 2.0f, 0.5f});
    ExpectPoint(zoomed.Apply({40, 20}), 10 + 40 + 2 * 40, 10 + 20 + 0.5f * 20);
    ExpectPoint(zoomed.Apply({0, 0}), 10 + 40 - 2 * 40, 10 + 20 - 0.5f * 20);
}

TEST(ObjectTransform, MirrorOfTheOutlineFollowsTheFlippedPixels) {
    // A 40 × 20 object: each corner goes to the corner that its pixel goes to.
    struct Case {
        int kind;
        PointF from, to;
    };
    const Case cases[] = {
        {1, {0, 0}, {40, 0}}, {1, {40, 20}, {0, 20}}, {1, {10, 5}, {30, 5}},
        {2, {0, 0}, {0, 20}}, {2, {40, 20}, {40, 0}}, {2, {10, 5}, {10, 15}},
        {3, {10, 5}, {10, 5}},  // a turn is no mirror of the outline
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        ExpectPoint(ObjectMirror(c.kind, 40, 20).Apply(c.from), c.to.x, c.to.y);
    }
}

TEST(ObjectTransform, SkewCornersAndLists) {
    // The handle at its reset place (x + width, y) gives the plain rectangle.
    SkewCorners c = SkewedCorners(30, 40, 25, 15, 55, 40);
    ExpectPoint(c.upperLeft, 0, 0);
    ExpectPoint(c.upperRight, 25, 0);
    ExpectPoint(c.lowerLeft, 0, 15);
    // Moved left by 7: the top edge moves with it, the lower-left corner stays.
    c = SkewedCorners(30, 40, 25, 15, 48, 40);
    ExpectPoint(c.upperLeft, -7, 0);
    ExpectPoint(c.upperRight, 18, 0);
    ExpectPoint(c.lowerLeft, 0, 15);
    EXPECT_FLOAT_EQ(ScaleOfIndex(0), 0.01f);
    EXPECT_FLOAT_EQ(ScaleOfIndex(99), 1.0f);
    EXPECT_FLOAT_EQ(ScaleOfIndex(999), 10.0f);
    EXPECT_EQ(InterpolationOfSmoothing(0), 5);
    EXPECT_EQ(InterpolationOfSmoothing(4), 7);
}

}  // namespace
}  // namespace mirelo
