// The tool option bar: bands 1 to 27 of the top rebar, each a panel of labelled drop-down lists
// (and the path buttons in bands 1 and 12) that edit the current image's toolSettings.
#pragma once
#include "common/win.h"

namespace mirelo {

class Editor;

// Makes the panels, lists and path buttons and adds them as bands 1..27 of the top rebar, all
// hidden.
void CreateOptionBands(Editor& editor);
// Sizes the bands' controls for the window's display scale.
void LayoutOptionBands(Editor& editor);
// Sets every list from the current image's options and shows the bands its tool and options
// call for (none without an image), then lays out the frame.
void ShowToolSettings(Editor& editor);
// Sets every list from the current image's options (the bands stay as they are).
void ShowOptionValues(Editor& editor);
// Offers only the first `count` entries of the list of `option` under `tool` (all of them when
// `count` is larger than the list).
void LimitOptionList(Editor& editor, int tool, int option, size_t count);
// Starts a new row of bands wherever the next shown band would not fit in the window's width.
void ArrangeOptionRows(Editor& editor);
// A command from one of the option lists: true when it came from one (handled or ignored).
bool HandleOptionBarCommand(Editor& editor, WPARAM wparam, LPARAM lparam);
// The transparency control of band 27 ("透明"): window ids, a slider move, and showing a value.
constexpr int kObjectAlphaSliderId = 2901, kObjectAlphaEditId = 2902;
bool HandleObjectAlphaScroll(Editor& editor, LPARAM lparam);
void ShowObjectTransparency(Editor& editor, int value);

}  // namespace mirelo
