#include "ui/win32/Painting.h"

namespace tobble {

const wchar_t* labelFontFace(UINT dpi) {
    return dpi == 96 ? L"MS Sans Serif" : L"Microsoft Sans Serif";
}

gdi::Font makeLabelFont(UINT dpi) {
    // Where the face is missing the system maps it to its own sans-serif.
    return gdi::Font(CreateFontW(-MulDiv(825, static_cast<int>(dpi), 7200), 0, 0, 0, FW_BOLD, FALSE,
                                 FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                                 CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS,
                                 labelFontFace(dpi)));
}

gdi::Font makeText1Font(UINT dpi) {
    return gdi::Font(CreateFontW(-MulDiv(8, static_cast<int>(dpi), 72), 0, 0, 0, FW_NORMAL, FALSE,
                                 FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                 CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS,
                                 L"MS Shell Dlg"));
}

} // namespace tobble
