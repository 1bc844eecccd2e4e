#pragma once

#include <windows.h>

#include "frontend/win32/Gdi.h"

namespace tobble {

// The labels' face at a given DPI. "MS Sans Serif" is a bitmap font: exact at 96 dpi, jagged
// when scaled; elsewhere the scalable "Microsoft Sans Serif" takes its place.
const wchar_t* labelFontFace(UINT dpi);

// The labels' font: 8.25 pt, weight 700, ANSI, at the given DPI.
gdi::Font makeLabelFont(UINT dpi);

// The question box's font: the system's 8 pt dialog face.
gdi::Font makeText1Font(UINT dpi);

// What the form itself shows, in client pixels. The labels and Text1 are controls of their own
// and paint themselves.
struct FormView {
    COLORREF backColor;
    HBITMAP picture; // none before a picture is loaded
    SIZE pictureSize;
    RECT image1;
};

// Paints the whole client area: the background, then the picture stretched over Image1. Drawn
// into a memory bitmap first, so a flash to red and back never flickers.
void paintForm(HDC target, SIZE client, const FormView& view);

} // namespace tobble
