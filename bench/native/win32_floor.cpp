// The Win32 floors: one plain black window of Tobble's size, shown and left waiting for messages.
// Built with WITH_PICTURE it first decodes picture.jpg (from the current directory) with the GDI+
// flat API, as the program does, and draws it stretched into the picture box.
#include <windows.h>

#ifdef WITH_PICTURE
#include <gdiplus.h>

namespace {

HBITMAP picture = nullptr;
SIZE pictureSize{};

void decodePicture() {
    namespace flat = Gdiplus::DllExports;
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    Gdiplus::GpBitmap* bitmap = nullptr;
    if (flat::GdipCreateBitmapFromFile(L"picture.jpg", &bitmap) != Gdiplus::Ok)
        return;
    UINT width = 0, height = 0;
    flat::GdipGetImageWidth(bitmap, &width);
    flat::GdipGetImageHeight(bitmap, &height);
    const Gdiplus::GpRect whole(0, 0, static_cast<INT>(width), static_cast<INT>(height));
    Gdiplus::BitmapData data{};
    if (flat::GdipBitmapLockBits(bitmap, &whole, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB,
                                 &data) == Gdiplus::Ok) {
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER),
                          static_cast<LONG>(width),
                          -static_cast<LONG>(height),
                          1,
                          32,
                          BI_RGB,
                          0,
                          0,
                          0,
                          0,
                          0};
        void* bits = nullptr;
        picture = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        for (UINT y = 0; picture && y < height; ++y)
            CopyMemory(static_cast<BYTE*>(bits) + y * width * 4,
                       static_cast<const BYTE*>(data.Scan0) + y * data.Stride, width * 4);
        pictureSize = {static_cast<LONG>(width), static_cast<LONG>(height)};
        flat::GdipBitmapUnlockBits(bitmap, &data);
    }
    flat::GdipDisposeImage(bitmap);
}

void paintPicture(HDC dc) {
    if (!picture)
        return;
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(source, picture);
    SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    StretchBlt(dc, 16, 16, 113, 151, source, 0, 0, pictureSize.cx, pictureSize.cy, SRCCOPY);
    SelectObject(source, old);
    DeleteDC(source);
}

} // namespace
#define FLOOR_TITLE L"Win32 picture floor"
#else
#define FLOOR_TITLE L"Win32 floor"
#endif

namespace {

LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(hwnd, &paint);
        FillRect(dc, &paint.rcPaint, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
#ifdef WITH_PICTURE
        paintPicture(dc);
#endif
        EndPaint(hwnd, &paint);
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
#ifdef WITH_PICTURE
    decodePicture();
#endif
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW
    windowClass.lpszClassName = L"Win32Floor";
    RegisterClassW(&windowClass);
    // Tobble's client area, 145 x 330, under a caption and a menu bar's height.
    RECT outer{0, 0, 145, 330};
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    AdjustWindowRect(&outer, style, FALSE);
    HWND hwnd = CreateWindowW(L"Win32Floor", FLOOR_TITLE, style, CW_USEDEFAULT, CW_USEDEFAULT,
                              outer.right - outer.left, outer.bottom - outer.top + 19, nullptr,
                              nullptr, instance, nullptr);
    if (!hwnd)
        return 1;
    ShowWindow(hwnd, showCommand);
    UpdateWindow(hwnd);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}
