// The colour controls of the colour dialogs and the side panels:
//   CUSTOM_CLASS1  a 16 × 16 grid of swatches (a palette; entries beyond its count show white),
//   CUSTOM_CLASS2  the 16 custom colours in two rows of eight,
//   CUSTOM_CLASS3  one swatch filling the control,
//   CUSTOM_CLASS4  the colour spectrum, picked by pressing and dragging with the left button
//                  (cross cursor; the mouse captured while the button is held).
// A control tells its parent of a click with WM_COMMAND (its id, a notification code below, its
// window); the parent asks which swatch or colour with the messages below.
#pragma once
#include <cstdint>

#include "common/win.h"

namespace mirelo {

extern const wchar_t* const kCustomClassNames[4];  // "CUSTOM_CLASS1" … "CUSTOM_CLASS4"

// wParam: number of colours, lParam: const uint32_t* Win32 colours (copied). The grid keeps up to
// 256, the custom colours 16, the swatch 1.
constexpr UINT kColourSetColours = WM_USER + 1;
// wParam: the swatch drawn highlighted (−1: none; for the single swatch 0 highlights it).
constexpr UINT kColourSetSelected = WM_USER + 2;
// The swatch of the last press or double-click (−1: none).
constexpr UINT kColourGetHit = WM_USER + 3;
// The spectrum: the Win32 colour of the last pick.
constexpr UINT kColourGetPicked = WM_USER + 4;

// Notification codes.
constexpr int kColourClicked = 1;        // a swatch was pressed
constexpr int kColourDoubleClicked = 2;  // a swatch was double-clicked
constexpr int kColourPicked = 3;         // the spectrum was pressed or dragged over

// Registers the four classes (again is harmless).
void RegisterCustomControls(HINSTANCE instance);

// Shows `count` colours in a colour control.
inline void SetControlColours(HWND control, const uint32_t* colours, size_t count) {
    SendMessageW(control, kColourSetColours, count, reinterpret_cast<LPARAM>(colours));
}
inline void SetControlSelected(HWND control, int index) { SendMessageW(control, kColourSetSelected, static_cast<WPARAM>(index), 0); }
inline int ControlHit(HWND control) { return static_cast<int>(SendMessageW(control, kColourGetHit, 0, 0)); }

}  // namespace mirelo
