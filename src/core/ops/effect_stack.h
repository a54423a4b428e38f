// The effects dialog's rules without windows: where the preview sits in its area, and which
// settings OK applies to the image.
#pragma once
#include <vector>

namespace mirelo {

// Where the reduced picture lies in the preview area (area pixels).
struct PreviewPlacement {
    int x = 0, y = 0, width = 1, height = 1;
};

// The picture fitted inside both sides of the area, keeping its aspect ratio (the scaled side
// by integer division, at least 1 pixel), and centred.
PreviewPlacement FitPreview(int imageWidth, int imageHeight, int areaWidth, int areaHeight);

// One effect at one slider value.
struct EffectStep {
    int effect = 0;
    int value = 100;  // effect 0 at its default, which changes nothing
};

// Whether the step changes a picture: any value but its effect's default, and the default of an
// effect whose default changes a picture too (the binary effects). False for an unknown effect.
bool StepChangesPicture(const EffectStep& step);

// What OK applies, in order: what the preview shows. `stack` holds the entries 0..position
// (entry 0 is the unchanged picture); `previewed` is the slider setting the preview shows on top
// of the entry at the position, or null when the preview shows that entry itself. Steps that
// change nothing are left out, so an empty result means OK leaves the image alone.
std::vector<EffectStep> StepsToApply(const EffectStep* stack, int position, const EffectStep* previewed);

}  // namespace mirelo
