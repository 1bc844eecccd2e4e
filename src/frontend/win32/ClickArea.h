#pragma once

#include <windows.h>

namespace tobble {

// Label2(1): a push button with no look of its own over the character. Being a real control, it
// is found by assistive technology under its name and can be pressed by it. What lies below
// shows through: the parent paints it into the button (WM_PRINTCLIENT). A click (pressed and
// released inside), BM_CLICK and, should it ever have the focus, the space bar all reach the
// parent as BN_CLICKED. The mouse never takes the focus to it.
class ClickArea {
public:
    ClickArea() = default;
    ClickArea(const ClickArea&) = delete;
    ClickArea& operator=(const ClickArea&) = delete;

    // A child of parent, destroyed with it; nullptr on failure.
    HWND create(HWND parent, HINSTANCE instance, int id, const wchar_t* name, HCURSOR pointer);
    HWND handle() const { return hwnd_; }

private:
    static LRESULT CALLBACK procedure(HWND hwnd, UINT message, WPARAM wParam,
                                      LPARAM lParam) noexcept;
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void clicked();
    void paintBelow();

    HWND hwnd_ = nullptr;
    WNDPROC buttonProc_ = nullptr;
    HCURSOR pointer_ = nullptr;
    bool pressed_ = false;
};

} // namespace tobble
