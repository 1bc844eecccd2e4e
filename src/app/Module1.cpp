#include "app/Module1.h"

#include "base/FileNames.h"

namespace tobble {

void Module1::PlaySoundAsync(const std::u16string& path) {
    sound_.playSoundAsync(findFileIgnoringCase(path));
}

void Module1::MakeTopmost(WindowHandle hWnd) {
    desktop_.makeTopmost(hWnd);
}

} // namespace tobble
