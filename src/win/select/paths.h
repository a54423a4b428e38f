// The user paths of an image: adding clicked vertices, closing, finishing the shape tool's
// figure into the collected path, drawing the collected path into the image, the path
// transform, the menu ﾊﾟｽ and the question that guards a path still being edited.
#pragma once
#include <optional>

#include "edit/view_math.h"
#include "select/edit_path.h"
#include "edit/tool_settings.h"

namespace mirelo {

class Editor;
struct ImageSlot;

constexpr int kShapeKindPath = 13;

// A clicked vertex: the first starts a figure, each later one adds a segment from the anchor.
void AddVertex(std::optional<EditPath>& path, Anchor& anchor, IntPoint click);
// Closes the selection's figure; a selection of fewer than 3 points is deselected.
void CloseSelection(ImageSlot& slot);
// Moves the shape tool's figure in progress into the collected path as the ﾊﾟｽ part says.
void FinishDrawPath(Editor& editor, ImageSlot& slot);
// The collected path with the path transform applied (rebuilt before every preview and drawing).
void RebuildWorkPath(ImageSlot& slot);
// Draws the collected path into the image with the shape tool's pen (and fill), then drops it.
// A 16-bit A1R5G5B5 image is refused (see RefusePenTool) before anything changes: no undo step,
// the paths kept.
void DrawShapePath(Editor& editor, ImageSlot& slot);
// The shape tool cannot draw into a 16-bit A1R5G5B5 image: true after saying so
// ("16-A1R5G5B5は、「ペンツール」が使えません").
bool RefusePenTool(Editor& editor, const ImageSlot& slot);
// The question before a command leaves a path of the shape tool behind; returns IDYES, IDNO or
// IDCANCEL (IDYES when nothing was asked).
int ResolvePendingPath(Editor& editor);
// Which commands of the menu ﾊﾟｽ apply to the slot.
struct PathAvailability ReadPathAvailability(const ImageSlot& slot);
// True when the menu ﾊﾟｽ applies to the slot's tool (it is then the view's right-button menu).
bool PathMenuApplies(const ImageSlot& slot);

}  // namespace mirelo
