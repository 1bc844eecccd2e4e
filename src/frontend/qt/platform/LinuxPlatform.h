#pragma once

#include <string>

#include "frontend/qt/platform/PulseSound.h"
#include "seams/Platform.h"

namespace tobble {

// The operations the program asks of a Linux desktop: the sound server for sound, Qt for the
// rest.
class LinuxPlatform : public Sound,
                      public Desktop,
                      public PictureDecoder,
                      public Processes,
                      public SystemFacts,
                      public OwnCharacters {
public:
    // startedAs: argv[0], the program as the person named it; its folder holds the character.
    explicit LinuxPlatform(const std::string& startedAs = {});

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
    std::u16string editorProgram() const override { return u"xdg-open"; }
    double timeOfDay() override;
    std::u16string programDirectory() override;
    char16_t directorySeparator() const override { return u'/'; }
    std::u16string decodeAnsi(std::string_view bytes) override;
    void endProgram() override;
    bool askYesNo(const std::u16string& text, const std::u16string& title) override;
    bool mayWrite(const std::u16string& path) override;
    std::u16string ownCharactersFolder() override;
    void makeStartable(const std::u16string& folder, const std::u16string& name) override;
    void startCharacter(const std::u16string& folder) override;

private:
    std::u16string directory_;
    PulseSound sound_;
};

} // namespace tobble
