#pragma once

#include <windows.h>

#include <string_view>

#include "ui/win32/Gdi.h"

namespace tobble {

// The labels' face at a given DPI. "MS Sans Serif" is a bitmap font: exact at 96 dpi, jagged
// when scaled; elsewhere the scalable "Microsoft Sans Serif" takes its place.
const wchar_t* labelFontFace(UINT dpi);

// The labels' font: 8.25 pt, weight 700, ANSI, at the given DPI.
gdi::Font makeLabelFont(UINT dpi);

// The question box's font: the system's 8 pt dialog face.
gdi::Font makeText1Font(UINT dpi);

// What the form shows, in client pixels. Text1 is a control of its own and paints itself.
struct FormView {
    COLORREF backColor;
    HBITMAP picture; // none before a picture is loaded
    SIZE pictureSize;
    RECT image1;
    HFONT labelFont;
    std::u16string_view label1;
    RECT label1Box;
    std::u16string_view label3;
    RECT label3Box;
};

// Paints the whole client area: the background, then bottom to top the picture stretched over
// Image1, the speech label and the caption of the question box. Drawn into a memory bitmap first,
// so a flash to red and back never flickers.
void paintForm(HDC target, SIZE client, const FormView& view);

} // namespace tobble
