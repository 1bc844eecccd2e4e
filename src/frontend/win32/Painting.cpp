#include "frontend/win32/Painting.h"

namespace tobble {

namespace {

void paintPicture(HDC dc, const FormView& view) {
    if (!view.picture)
        return;
    const gdi::MemoryDC source(dc);
    const gdi::Selection picture(source.get(), view.picture);
    // Without HALFTONE a shrunk picture loses whole rows and columns.
    SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    const RECT& box = view.image1;
    StretchBlt(dc, box.left, box.top, box.right - box.left, box.bottom - box.top, source.get(), 0,
               0, view.pictureSize.cx, view.pictureSize.cy, SRCCOPY);
}

} // namespace

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

void paintForm(HDC target, SIZE client, const FormView& view) {
    if (client.cx <= 0 || client.cy <= 0)
        return;
    const gdi::MemoryDC memory(target);
    const gdi::Bitmap canvas(CreateCompatibleBitmap(target, client.cx, client.cy));
    const gdi::Selection selected(memory.get(), canvas.get());
    const HDC dc = memory.get();

    const RECT whole{0, 0, client.cx, client.cy};
    const gdi::Brush back(CreateSolidBrush(view.backColor));
    FillRect(dc, &whole, back.get());
    paintPicture(dc, view);

    BitBlt(target, 0, 0, client.cx, client.cy, dc, 0, 0, SRCCOPY);
}

} // namespace tobble
