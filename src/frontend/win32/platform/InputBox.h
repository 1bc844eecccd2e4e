#pragma once

#include <windows.h>

#include <string>

namespace tobble {

// The classic input box: prompt, OK and Cancel, and an edit box holding the default text,
// selected. Returns the confirmed text, or an empty text on Cancel.
std::u16string showInputBox(HINSTANCE instance, HWND owner, const std::u16string& prompt,
                            const std::u16string& title, const std::u16string& defaultText);

} // namespace tobble
