#pragma once

#include <windows.h>

#include "ui/Timer.h"

namespace tobble {

// A window timer: SetTimer with the same id restarts the countdown, WM_TIMER carries the id.
class Win32TimerDriver final : public TimerDriver {
public:
    // The window handle is read at each call: the timers exist before the window does.
    Win32TimerDriver(const HWND& window, UINT_PTR id) : window_(window), id_(id) {}

    void start(int intervalMs) override {
        SetTimer(window_, id_, static_cast<UINT>(intervalMs), nullptr);
    }
    void stop() override { KillTimer(window_, id_); }

private:
    const HWND& window_;
    UINT_PTR id_;
};

} // namespace tobble
