#include <windows.h>

#include "platform/win32/Win32Platform.h"
#include "ui/win32/MainWindow.h"
#include "ui/win32/resource.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int showCommand) {
    tobble::Win32Platform platform(instance);
    tobble::MainWindow window(instance, platform);
    HWND hwnd = window.create();
    if (!hwnd)
        return 1;
    ShowWindow(hwnd, showCommand);
    UpdateWindow(hwnd);

    // The shortcut keys act also while Text1 has the focus.
    HACCEL accelerators = LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDR_ACCELERATORS));
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (window.handle() && TranslateAcceleratorW(window.handle(), accelerators, &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}
