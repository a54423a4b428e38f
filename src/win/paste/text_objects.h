// Text objects: paste objects holding a string laid out with a font, a brush and one of sixteen
// layout modes, drawn with GdipDrawString on the view and, when merged, into the image.
#pragma once
#include "common/gdiplus.h"
#include "paste/paste_objects.h"
#include "edit/tool_settings.h"

namespace mirelo {

class Editor;
struct ImageSlot;

// GDI+ text rendering hint of the ｽﾑｰｽﾞ entry: なし1 1, なし2 2, あり1 3, あり2 4.
constexpr int TextRenderingHint(int index) { return index >= 0 && index < 4 ? index + 1 : 1; }

// The matrix that places a text object on the view (zoom > 0) or in the image (merging).
Affine TextObjectMatrix(const PasteObject& o, const ObjectView* view);
// Measures the text and makes its outline the measured box.
void LayoutTextObject(Editor& editor, PasteObject& o);
// Draws the text with its brush, on the view or, without a view, into the image; false when it
// could not be drawn.
bool DrawTextObject(Editor& editor, Gdiplus::GpGraphics* graphics, const PasteObject& o, const ObjectView* view);
// The text options and the drawing colours of the image take the selected text object's.
void TakeTextObjectOptions(ImageSlot& slot, const PasteObject& o);
// A change of the drawing colours goes to the selected text object.
void ApplyTextColours(Editor& editor);
// A change of a text bar option goes to the selected text object too.
void ApplyTextOption(Editor& editor, int option);

// A text object from the dragged rectangle (left, top, right, bottom in image pixels), after the
// text dialog; nothing for an empty text, a full table or an indexed image.
bool CreateTextObject(Editor& editor, int left, int top, int right, int bottom);
// 40022 and a double click on a text object: the text again, laid out anew.
void EditTextObject(Editor& editor);

}  // namespace mirelo
