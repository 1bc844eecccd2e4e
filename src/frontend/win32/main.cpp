#include <windows.h>

#include <shellapi.h>

#include <optional>
#include <string>

#include "app/CharacterFileOpening.h"
#include "frontend/win32/MainWindow.h"
#include "frontend/win32/platform/Win32Platform.h"

namespace {

// The first argument that names a character file, as a double-click on one gives it, made
// absolute; any other argument is ignored.
std::optional<std::u16string> characterFileArgument() {
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    std::optional<std::u16string> file;
    for (int i = 1; arguments && i < count && !file; ++i) {
        const std::u16string argument(reinterpret_cast<const char16_t*>(arguments[i]));
        if (!tobble::namesCharacterFile(argument))
            continue;
        wchar_t full[MAX_PATH * 4];
        const DWORD length = GetFullPathNameW(arguments[i], MAX_PATH * 4, full, nullptr);
        file = length > 0 && length < MAX_PATH * 4
                   ? std::u16string(reinterpret_cast<const char16_t*>(full), length)
                   : argument;
    }
    LocalFree(arguments);
    return file;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int showCommand) {
    tobble::Win32Platform platform(instance);
    if (const std::optional<std::u16string> file = characterFileArgument())
        return tobble::openCharacterFile(*file, platform.seams());
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
