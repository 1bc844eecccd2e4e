#pragma once

#include <string>

#include "seams/Desktop.h"
#include "seams/Sound.h"

namespace tobble {

// The program's shared module: the path buffer every handler builds its file names in, and the
// two calls into the system.
class Module1 {
public:
    Module1(Sound& sound, Desktop& desktop) : sound_(sound), desktop_(desktop) {}

    // Reset by GETPATH to the program's directory, then extended in place with a file name.
    std::u16string AppDir;

    void PlaySoundAsync(const std::u16string& path);
    void MakeTopmost(WindowHandle hWnd);

private:
    Sound& sound_;
    Desktop& desktop_;
};

} // namespace tobble
