#pragma once

#include <cstdint>
#include <string>

namespace tobble {

// Message box styles, as the callers name them.
inline constexpr int vbCritical = 16;
inline constexpr int vbQuestion = 32;

// The native handle of the main window, as a plain number.
using WindowHandle = std::uintptr_t;

// What the desktop shows beside the main window: its boxes, and the window's place above the
// others. Called on the user-interface thread; the boxes are modal.
class Desktop {
public:
    virtual ~Desktop() = default;

    // Keeps the window above all normal windows, where it is and at its size. Never fails.
    virtual void makeTopmost(WindowHandle hWnd) = 0;

    // One OK button, icon chosen by the style (vbCritical or vbQuestion).
    virtual void messageBox(const std::u16string& text, int style, const std::u16string& title) = 0;

    // Returns the text the user confirmed, or an empty text on Cancel.
    virtual std::u16string inputBox(const std::u16string& prompt, const std::u16string& title,
                                    const std::u16string& defaultText) = 0;

    // Yes and No buttons with the question icon; true for Yes, false for No or closed.
    virtual bool askYesNo(const std::u16string& text, const std::u16string& title) = 0;
};

} // namespace tobble
