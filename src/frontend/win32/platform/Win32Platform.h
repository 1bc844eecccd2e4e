#pragma once

#include <windows.h>

#include "frontend/win32/platform/GdiPicture.h"
#include "seams/Platform.h"

namespace tobble {

// The platform operations on 32-bit Windows, straight onto the system's own calls.
class Win32Platform final : public Sound,
                            public Desktop,
                            public PictureDecoder,
                            public Processes,
                            public SystemFacts,
                            public OwnCharacters {
public:
    explicit Win32Platform(HINSTANCE instance) : instance_(instance) {}
    // A sound still playing is stopped before the process ends.
    ~Win32Platform() override;
    Win32Platform(const Win32Platform&) = delete;
    Win32Platform& operator=(const Win32Platform&) = delete;

    // Every seam, as the program takes them.
    Platform seams() { return {*this, *this, *this, *this, *this, *this}; }

    void playSoundAsync(const std::u16string& path) override;
    void makeTopmost(WindowHandle hWnd) override;
    void messageBox(const std::u16string& text, int style, const std::u16string& title) override;
    std::u16string inputBox(const std::u16string& prompt, const std::u16string& title,
                            const std::u16string& defaultText) override;
    PicturePtr loadPicture(const std::u16string& path) override;
    void startProcess(const std::u16string& commandLine, const std::u16string& workingDirectory,
                      int showState) override;
    std::u16string editorProgram() const override { return u"notepad"; }
    double timeOfDay() override;
    std::u16string programDirectory() override;
    char16_t directorySeparator() const override { return u'\\'; }
    std::u16string decodeAnsi(std::string_view bytes) override;
    void endProgram() override;
    bool askYesNo(const std::u16string& text, const std::u16string& title) override;
    bool mayWrite(const std::u16string& path) override;
    std::u16string ownCharactersFolder() override;
    void makeStartable(const std::u16string& folder, const std::u16string& name) override;
    void startCharacter(const std::u16string& folder) override;

    // The running executable's full path; empty if the system cannot tell.
    static std::u16string runningProgram();

    // The system's own words for an error code.
    static std::u16string describeError(DWORD error);

    // The program that a command line names first, as a file in the Windows directory (".exe"
    // added to a bare name). A name with a path stays as it is.
    static std::u16string systemProgramPath(const std::u16string& commandLine,
                                            const std::u16string& windowsDirectory);

private:
    // Stops whatever sound plays, and returns once the system has closed its sound device.
    static void stopSound();

    HINSTANCE instance_;
    GdiplusSession gdiplus_;
};

} // namespace tobble
