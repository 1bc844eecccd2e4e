#include <windows.h>

#include "frontend/win32/MainWindow.h"
#include "platform/win32/Win32Platform.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int showCommand) {
    tobble::Win32Platform platform(instance);
    tobble::MainWindow window(instance, platform.seams());
    HWND hwnd = window.create();
    if (!hwnd)
        return 1;
    ShowWindow(hwnd, showCommand);
    UpdateWindow(hwnd);

    // The shortcut keys act also while Text1 has the focus.
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (window.translateAccelerator(message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}
