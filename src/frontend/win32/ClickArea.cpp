#include "frontend/win32/ClickArea.h"

#include <utility>

#include "frontend/win32/Gdi.h"

namespace tobble {

HWND ClickArea::create(HWND parent, HINSTANCE instance, int id, const wchar_t* name,
                       HCURSOR pointer) {
    pointer_ = pointer;
    hwnd_ = CreateWindowExW(
        0, L"BUTTON", name, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | BS_OWNERDRAW, 0, 0, 0, 0,
        parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    if (!hwnd_)
        return nullptr;
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    buttonProc_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure)));
    return hwnd_;
}

LRESULT CALLBACK ClickArea::procedure(HWND hwnd, UINT message, WPARAM wParam,
                                      LPARAM lParam) noexcept {
    auto* self = reinterpret_cast<ClickArea*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(self->buttonProc_));
        self->hwnd_ = nullptr;
        return CallWindowProcW(self->buttonProc_, hwnd, message, wParam, lParam);
    }
    return self->handleMessage(message, wParam, lParam);
}

LRESULT ClickArea::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    // The button's own mouse handling would take the focus from the question box.
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: // the button class counts double clicks; here each click is one
        pressed_ = true;
        SetCapture(hwnd_);
        return 0;
    case WM_LBUTTONUP: {
        const bool wasPressed = std::exchange(pressed_, false);
        if (GetCapture() == hwnd_)
            ReleaseCapture();
        RECT area;
        GetClientRect(hwnd_, &area);
        const POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        if (wasPressed && PtInRect(&area, point))
            clicked();
        return 0;
    }
    case WM_CAPTURECHANGED:
        pressed_ = false;
        return 0;
    case WM_MOUSEMOVE:
        return 0;
    case BM_CLICK:
        clicked();
        return 0;
    case WM_SETCURSOR:
        if (LOWORD(lParam) == HTCLIENT && pointer_) {
            SetCursor(pointer_);
            return TRUE;
        }
        break;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        paintBelow();
        return 0;
    }
    return CallWindowProcW(buttonProc_, hwnd_, message, wParam, lParam);
}

void ClickArea::clicked() {
    SendMessageW(GetParent(hwnd_), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hwnd_), BN_CLICKED),
                 reinterpret_cast<LPARAM>(hwnd_));
}

void ClickArea::paintBelow() {
    const gdi::Paint paint(hwnd_);
    const HWND parent = GetParent(hwnd_);
    POINT origin{0, 0};
    MapWindowPoints(hwnd_, parent, &origin, 1);
    SetViewportOrgEx(paint.dc(), -origin.x, -origin.y, nullptr);
    SendMessageW(parent, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(paint.dc()), PRF_CLIENT);
}

} // namespace tobble
