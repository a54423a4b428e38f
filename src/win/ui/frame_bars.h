// The bars around the view: the top rebar with the main tool bar, the rotation angle box and its smoothing box,
// with the zoom panel and the view buttons, and the left panel with the tool buttons and the image bar.
#pragma once
#include "common/win.h"

namespace mirelo {

class Editor;
struct ToolBarButton;

void CreateFrameBars(Editor& editor);
// Draws the tool-bar images for the window's current display scale.
void UpdateToolBarImages(Editor& editor);
// Width the left and right panels take.
int LeftPanelWidth(const Editor& editor);
int RightPanelWidth(const Editor& editor);
// Places the left panel's children inside it.
void LayoutLeftPanel(Editor& editor);
// The angle typed in the rotation angle box (whole degrees, 0..360).
int RotationAngle(const Editor& editor);
// Whether the smoothing box beside the angle box is checked (bicubic rather than nearest neighbour).
bool RotationSmoothing(const Editor& editor);
// A panel that hands its children's commands and notifications to the main window.
HWND CreatePanel(Editor& editor, HWND parent);
// A flat tool bar with the given buttons; its commands and tool tips go to the main window.
HWND CreateButtonBar(Editor& editor, HWND parent, const ToolBarButton* buttons, size_t count);
// Draws a tool bar's button images (and their disabled look) for the display scale.
void SetButtonImages(Editor& editor, HWND bar, const ToolBarButton* buttons, size_t count);
// Scales a length given at 96 dots per inch to the window's display scale.
int Scaled(const Editor& editor, int length);
// The display scale of a window in dots per inch.
int WindowDpi(HWND hwnd);

}  // namespace mirelo
