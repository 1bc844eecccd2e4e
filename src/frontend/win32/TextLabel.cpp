#include "frontend/win32/TextLabel.h"

namespace tobble {

namespace {

WNDPROC staticProc(HWND label) {
    return reinterpret_cast<WNDPROC>(GetWindowLongPtrW(label, GWLP_USERDATA));
}

// The system hides access-key underlines until the keyboard is used; these labels keep them.
LRESULT CALLBACK labelProc(HWND label, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (message == WM_UPDATEUISTATE && LOWORD(wParam) == UIS_SET)
        wParam = MAKEWPARAM(UIS_SET, HIWORD(wParam) & ~UISF_HIDEACCEL);
    const LRESULT result = CallWindowProcW(staticProc(label), label, message, wParam, lParam);
    return message == WM_QUERYUISTATE ? result & ~UISF_HIDEACCEL : result;
}

} // namespace

HWND createTextLabel(HWND parent, HINSTANCE instance, int id, DWORD alignment,
                     const wchar_t* text) {
    HWND label = CreateWindowExW(
        0, L"STATIC", text, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | alignment, 0, 0, 0, 0, parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    if (!label)
        return nullptr;
    SetWindowLongPtrW(label, GWLP_USERDATA, GetWindowLongPtrW(label, GWLP_WNDPROC));
    SetWindowLongPtrW(label, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(labelProc));
    // It may have been made with its parent's hidden state.
    SendMessageW(label, WM_UPDATEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEACCEL), 0);
    return label;
}

} // namespace tobble
