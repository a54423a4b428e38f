// Windows headers in the configuration the whole Windows layer uses, and UTF-16 helpers.
#pragma once
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef UNICODE
#define UNICODE
#endif
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <string>

#include "common/text.h"

static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 wchar_t expected");

namespace mirelo {

inline const wchar_t* W(const Text& t) { return reinterpret_cast<const wchar_t*>(t.c_str()); }
inline const wchar_t* W(const char16_t* t) { return reinterpret_cast<const wchar_t*>(t); }
inline Text FromW(const wchar_t* s) { return s ? Text(reinterpret_cast<const char16_t*>(s)) : Text(); }
inline Text FromW(const std::wstring& s) { return Text(reinterpret_cast<const char16_t*>(s.c_str()), s.size()); }
// Enables or disables a window only when it is not so already (each change is a round trip).
inline void SetEnabled(HWND w, bool on) {
    if (w && (IsWindowEnabled(w) != FALSE) != on) EnableWindow(w, on ? TRUE : FALSE);
}

// Text of a window (edit, menu owner, status part, …).
Text WindowText(HWND hwnd);

// Registers a window class with the arrow cursor; a background of 0 leaves painting to the window.
void RegisterWindowClass(HINSTANCE instance, const wchar_t* name, WNDPROC proc, UINT style = 0, int background = 0,
                         HICON icon = nullptr);

}  // namespace mirelo
