// The window classes of the colour and palette controls of the side panels.
#pragma once
#include "common/win.h"

namespace mirelo {

extern const wchar_t* const kCustomClassNames[4];  // "CUSTOM_CLASS1" … "CUSTOM_CLASS4"

// Registers the four classes. Each control shows the colour kept in its window's user data
// (a Win32 colour) with a sunken edge; the colour panels give them their behaviour.
void RegisterCustomControls(HINSTANCE instance);

}  // namespace mirelo
