#pragma once

#include <windows.h>

namespace tobble {

// A label as the window's labels are: a STATIC control, so that its text is the system's to
// expose, wrapped at words, cut at its edges, "&x" shown as an underlined x and "&&" as "&". The
// underline always shows, not only once Alt is pressed. The parent gives its colours
// (WM_CTLCOLORSTATIC) and its font (WM_SETFONT). alignment: SS_LEFT or SS_CENTER.
HWND createTextLabel(HWND parent, HINSTANCE instance, int id, DWORD alignment, const wchar_t* text);

} // namespace tobble
