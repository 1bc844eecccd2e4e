#pragma once

#include <string>
#include <vector>

#include "platform/linux/LinuxPlatform.h"

namespace tobble {

// The Linux picture loader and text decoding, with a directory of choice standing in for the
// program's own and message boxes recorded instead of shown; no sound, no editor. Lets the loader
// run outside the program: the checker and the corpus test use it.
class UnseenPlatform : public Platform {
public:
    struct Box {
        std::u16string text;
        int style;
        std::u16string title;
    };

    explicit UnseenPlatform(std::u16string directory) : directory_(std::move(directory)) {}

    std::vector<Box> boxes;

    void playSoundAsync(const std::u16string&) override {}
    void makeTopmost(WindowHandle) override {}
    void messageBox(const std::u16string& text, int style, const std::u16string& title) override {
        boxes.push_back({text, style, title});
    }
    std::u16string inputBox(const std::u16string&, const std::u16string&,
                            const std::u16string&) override {
        return {};
    }
    PicturePtr loadPicture(const std::u16string& path) override { return linux_.loadPicture(path); }
    void startProcess(const std::u16string&, const std::u16string&, int) override {}
    std::u16string editorProgram() const override { return linux_.editorProgram(); }
    double timeOfDay() override { return 0.0; }
    std::u16string programDirectory() override { return directory_; }
    char16_t directorySeparator() const override { return linux_.directorySeparator(); }
    std::u16string decodeAnsi(std::string_view bytes) override { return linux_.decodeAnsi(bytes); }
    void endProgram() override {}
    bool askYesNo(const std::u16string&, const std::u16string&) override { return false; }
    bool mayWrite(const std::u16string&) override { return false; }
    std::u16string ownCharactersFolder() override { return {}; }
    void makeStartable(const std::u16string&, const std::u16string&) override {}
    void startCharacter(const std::u16string&) override {}

private:
    std::u16string directory_;
    LinuxPlatform linux_;
};

} // namespace tobble
