#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tobble {

// Message box styles, as the callers name them.
inline constexpr int vbCritical = 16;
inline constexpr int vbQuestion = 32;

// Show state of a started process: a normal window with the focus.
inline constexpr int vbNormalFocus = 1;

// A decoded picture, the same for every frontend: rows from the top, each pixel 0xAARRGGBB.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
};
// Shared, not copied: the window keeps the one the loader made.
using PicturePtr = std::shared_ptr<const Picture>;

// The native handle of the main window, as a plain number.
using WindowHandle = std::uintptr_t;

// What the program asks of the operating system. Every call happens on the user-interface thread.
// Operations that can fail throw Failure with a readable description.
class Platform {
public:
    virtual ~Platform() = default;

    // Starts the file playing and returns at once. A new sound cuts off the one in progress; a
    // path that names no playable file plays the system's default sound instead. Never fails.
    virtual void playSoundAsync(const std::u16string& path) = 0;

    // Keeps the window above all normal windows, where it is and at its size. Never fails.
    virtual void makeTopmost(WindowHandle hWnd) = 0;

    // Modal, one OK button, icon chosen by the style (vbCritical or vbQuestion).
    virtual void messageBox(const std::u16string& text, int style, const std::u16string& title) = 0;

    // Modal; returns the text the user confirmed, or an empty text on Cancel.
    virtual std::u16string inputBox(const std::u16string& prompt, const std::u16string& title,
                                    const std::u16string& defaultText) = 0;

    // Decodes an image file. Throws Failure when it is missing or cannot be decoded.
    virtual PicturePtr loadPicture(const std::u16string& path) = 0;

    // Starts the program named first on the command line with the rest as its arguments, in the
    // given working directory, without waiting for it. Throws Failure if it cannot be started.
    virtual void startProcess(const std::u16string& commandLine,
                              const std::u16string& workingDirectory, int showState) = 0;

    // The program that edits text files, named as a command line would name it.
    virtual std::u16string editorProgram() const = 0;

    // Seconds since midnight, with a fraction.
    virtual double timeOfDay() = 0;

    // The directory holding the running executable, as the system spells it.
    virtual std::u16string programDirectory() = 0;

    // The separator that ends a directory in a path on this system.
    virtual char16_t directorySeparator() const = 0;

    // Decodes 8-bit text in the system's ANSI code page.
    virtual std::u16string decodeAnsi(std::string_view bytes) = 0;

    // Closes the window and ends the process at once, without further events.
    virtual void endProgram() = 0;

    // Modal, Yes and No buttons with the question icon; true for Yes, false for No or closed.
    virtual bool askYesNo(const std::u16string& text, const std::u16string& title) = 0;

    // Whether this user may change the existing file, or add files to the existing folder, at
    // path. Asks the system and changes nothing.
    virtual bool mayWrite(const std::u16string& path) = 0;

    // The folder where this user's own characters go; it need not exist yet.
    virtual std::u16string ownCharactersFolder() = 0;

    // Makes the character in folder startable on its own: puts there what starts this program on
    // it, and adds an entry named name to the user's applications menu. Throws Failure, leaving no
    // menu entry behind; the caller removes the folder.
    virtual void makeStartable(const std::u16string& folder, const std::u16string& name) = 0;

    // Starts this program on the character in folder, as its menu entry would, without waiting.
    // Throws Failure if it cannot be started.
    virtual void startCharacter(const std::u16string& folder) = 0;
};

} // namespace tobble
