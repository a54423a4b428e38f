// The text a user types for a text object or a text figure, and how the text options of the
// current image lay it out.
#pragma once
#include "common/gdiplus.h"
#include "common/text.h"
#include "select/edit_path.h"
#include "edit/tool_settings.h"

namespace mirelo {

class Editor;
struct ImageSlot;

// Dialog "テキストの編集" (starting with `initial`): the text typed, empty after Cancel.
Text AskForText(Editor& editor, TextView initial = {});

// GDI+ string format flags of a layout mode (0..15): direction from the mode's last two bits,
// no wrapping for modes 4..7 and 12..15, whole lines only for modes 8..15.
int LayoutFormatFlags(int mode);
// The face name chosen in the text bar.
Text SelectedFontName(Editor& editor);
// Adds the text as outlines, laid out with the slot's text options in `layout` (a zero size:
// unbounded from its corner), as new figures of `path`. False when GDI+ could not lay it out.
bool AddTextOutline(Editor& editor, const ImageSlot& slot, TextView text, const Gdiplus::GpRectF& layout, EditPath* path);

}  // namespace mirelo
