#pragma once

#include <string>

namespace tobble {

// Show state of a started process: a normal window with the focus.
inline constexpr int vbNormalFocus = 1;

// Starting other programs, and ending this one.
class Processes {
public:
    virtual ~Processes() = default;

    // Starts the program named first on the command line with the rest as its arguments, in the
    // given working directory, without waiting for it. Throws Failure if it cannot be started.
    virtual void startProcess(const std::u16string& commandLine,
                              const std::u16string& workingDirectory, int showState) = 0;

    // The program that edits text files, named as a command line would name it.
    virtual std::u16string editorProgram() const = 0;

    // Closes the window and ends the process at once, without further events.
    virtual void endProgram() = 0;
};

} // namespace tobble
