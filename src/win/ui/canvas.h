// The canvas view (the window behind the viewport that tools see): zoom, scroll bars, painting through one back buffer, grid, mouse routing,
// cursor coordinates and the unsaved-work reminder.
#pragma once
#include "common/win.h"
#include "common/gdiplus.h"
#include "app/change_record.h"
#include "edit/view_math.h"

namespace mirelo {

class Editor;
struct ImageSlot;

extern const wchar_t kViewClassName[];  // "Mirelo_CHILD_CLASS"

// Registers the view's window class.
void RegisterViewClass(HINSTANCE instance);

// Recomputes the current image's zoomed size and origin and the scroll bars (after a zoom
// change, a window size change, an image switch, or a size change of the image), keeping the
// relative scroll position.
void LayoutView(Editor& editor);
// Fits the image into the view; noEnlarge keeps small images at 100 %.
void FitZoom(Editor& editor, bool noEnlarge);
// Shows the image at 100 %.
void ActualSize(Editor& editor);
// Sets the zoom of the current image through the zoom controls and lays out the view.
void SetZoom(Editor& editor, int zoom);
// Shows the current image's own zoom in the controls (after an image switch).
void ShowImageZoom(Editor& editor);
// Scrolls the view to a position of the zoomed image (clamped to the scroll ranges).
void ScrollViewTo(Editor& editor, int x, int y);
// The view-layout step of the refresh: a new image is fitted, another current image shows its own
// zoom and scroll position, else the layout follows the image's size and zoom.
void ShowViewLayout(Editor& editor, const RefreshPlan& plan);
// The invalidation step of the refresh: the view is painted again.
// `pictureKept`: only the selection outline moved on; the picture under it is as it was.
void InvalidateView(Editor& editor, bool pictureKept = false);

// A wheel message that reached the main window goes to the view when the pointer is over it.
bool ForwardWheelToView(Editor& editor, UINT msg, WPARAM wp, LPARAM lp);
// Keys of the view, with the focus on the main window: Ctrl with +, −, 0 and 1 zoom, the arrow
// keys, Page Up/Down and Home/End scroll. False for other keys.
bool HandleViewKey(Editor& editor, WPARAM key);

// Handles the zoom controls' messages sent to the main window; true when handled.
bool HandleZoomCommand(Editor& editor, WPARAM wp, LPARAM lp);
bool HandleZoomScroll(Editor& editor, LPARAM lp);
bool HandleZoomNotify(Editor& editor, NMHDR* hdr, LRESULT* result);


// Draws what the view shows into a 24-bit bitmap of the client size (the back buffer). With
// `dirty` (client pixels) and a buffer of the client size holding the last frame, only that
// rectangle is drawn again; without it, or while a grid or a selection outline shows, all of it.
bool RenderView(Editor& editor, GpBitmapOwner& buffer, const RECT* dirty = nullptr);

}  // namespace mirelo
