#include <gtest/gtest.h>

#include <vector>

#include "ops/effect_stack.h"
#include "ops/effect_table.h"

namespace mirelo {
namespace {

TEST(FitPreview, ThePictureFitsInsideBothSidesAndIsCentred) {
    struct Case {
        int imageWidth, imageHeight, areaWidth, areaHeight;
        PreviewPlacement expected;
    };
    const Case cases[] = {
        // Wider than the area: fills the width, centred vertically.
        {400, 100, 320, 200, {0, 60, 320, 80}},
        // Square and 4:3 in a wide area: fill the height, centred horizontally (filling the
        // width would make them 320 and 240 tall).
        {100, 100, 320, 200, {60, 0, 200, 200}},
        {640, 480, 320, 200, {27, 0, 266, 200}},
        // Taller than wide: fills the height.
        {50, 300, 320, 200, {143, 0, 33, 200}},
        // Exactly the area's shape, and a tall area: the width.
        {640, 400, 320, 200, {0, 0, 320, 200}},
        {300, 200, 150, 400, {0, 150, 150, 100}},
        // A side that would scale below one pixel keeps one.
        {4000, 1, 320, 200, {0, 99, 320, 1}},
        {1, 4000, 320, 200, {159, 0, 1, 200}},
    };
    for (const Case& c : cases) {
        const PreviewPlacement p = FitPreview(c.imageWidth, c.imageHeight, c.areaWidth, c.areaHeight);
        SCOPED_TRACE(::testing::Message() << c.imageWidth << "x" << c.imageHeight << " in " << c.areaWidth << "x" << c.areaHeight);
        EXPECT_EQ(p.x, c.expected.x);
        EXPECT_EQ(p.y, c.expected.y);
        EXPECT_EQ(p.width, c.expected.width);
        EXPECT_EQ(p.height, c.expected.height);
        EXPECT_LE(p.width, c.areaWidth);
        EXPECT_LE(p.height, c.areaHeight);
    }
}

TEST(EffectStack, OkAppliesWhatThePreviewShows) {
    const int brightness = effect::kBrightness, binary = effect::kBinary, blur = effect::kBlur, noise = effect::kNoise;
    const int brightnessDefault = EffectTable()[brightness].defaultValue, binaryDefault = EffectTable()[binary].defaultValue;
    const std::vector<EffectStep> stack = {{brightness, brightnessDefault}, {blur, 1}, {noise, 30}, {noise, 31}};
    struct Case {
        const char* what;
        int position;
        bool previewing;
        EffectStep previewed;
        std::vector<EffectStep> expected;
    };
    const Case cases[] = {
        {"a moved slider alone", 0, true, {blur, 2}, {{blur, 2}}},
        {"nothing stacked, nothing previewed", 0, false, {}, {}},
        {"a slider back at the default", 0, true, {blur, 0}, {}},
        {"a binary effect at its default", 0, true, {binary, binaryDefault}, {{binary, binaryDefault}}},
        {"the stack up to the position", 2, false, {}, {{blur, 1}, {noise, 30}}},
        {"the stack and the slider on top", 3, true, {brightness, 150}, {{blur, 1}, {noise, 30}, {noise, 31}, {brightness, 150}}},
        {"entries taken back are left out", 1, true, {noise, 0}, {{blur, 1}}},
    };
    for (const Case& c : cases) {
        const std::vector<EffectStep> steps = StepsToApply(stack.data(), c.position, c.previewing ? &c.previewed : nullptr);
        ASSERT_EQ(steps.size(), c.expected.size()) << c.what;
        for (size_t i = 0; i < steps.size(); ++i) {
            EXPECT_EQ(steps[i].effect, c.expected[i].effect) << c.what << " " << i;
            EXPECT_EQ(steps[i].value, c.expected[i].value) << c.what << " " << i;
        }
    }
    // A step of an unknown effect changes nothing; the default step is effect 0 at its default.
    EXPECT_FALSE(StepChangesPicture(EffectStep{kEffectCount, 1}));
    EXPECT_FALSE(StepChangesPicture(EffectStep{}));
}

}  // namespace
}  // namespace mirelo
