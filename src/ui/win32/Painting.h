#pragma once

#include <windows.h>

#include "ui/win32/Gdi.h"

namespace tobble {

// The labels' face at a given DPI. "MS Sans Serif" is a bitmap font: exact at 96 dpi, jagged
// when scaled; elsewhere the scalable "Microsoft Sans Serif" takes its place.
const wchar_t* labelFontFace(UINT dpi);

// The labels' font: 8.25 pt, weight 700, ANSI, at the given DPI.
gdi::Font makeLabelFont(UINT dpi);

// The question box's font: the system's 8 pt dialog face.
gdi::Font makeText1Font(UINT dpi);

} // namespace tobble
