#pragma once

#include <string>

#include "platform/Platform.h"

namespace tobble {

// The program's shared module: the path buffer every handler builds its file names in, and the
// two calls into the system.
class Module1 {
public:
    explicit Module1(Platform& platform) : platform_(platform) {}

    // Reset by GETPATH to the program's directory, then extended in place with a file name.
    std::u16string AppDir;

    void PlaySoundAsync(const std::u16string& path);
    void MakeTopmost(WindowHandle hWnd);

private:
    Platform& platform_;
};

} // namespace tobble
