// The views of the image table: the image bar of thumbnails and the image-select menu 画像. Both
// read the table and follow it at the refresh; neither changes it.
#pragma once
#include "app/change_record.h"

namespace mirelo {

class Editor;

// The image bar: buttons of images that closed go, new images get theirs, changed images get a new
// thumbnail, the current image's button is checked and scrolled into view.
void ShowImageBar(Editor& editor, const RefreshPlan& plan);
// The image-select menu: one radio item per image, the newest first.
void ShowImageSelectMenu(Editor& editor);
// The status line of the current image (empty without one).
void ShowStatusLine(Editor& editor);

}  // namespace mirelo
