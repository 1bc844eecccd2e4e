#include "app/Form1.h"

#include <exception>
#include <filesystem>

#include "base/FileNames.h"
#include "base/TextEncoding.h"
#include "content/CharacterFiles.h"
#include "content/CharacterLoad.h"
#include "content/OwnCopy.h"

namespace tobble {

namespace {
constexpr char16_t kTitle[] = u"Tobble";
constexpr char16_t kAskOwnCopy[] = u"Tobble's files can't be changed from your account. Make "
                                   u"your own copy of this character to change?";
constexpr char16_t kCopyFailed[] = u"Your own copy of this character could not be made:  ";
constexpr char16_t kStartFailed[] = u"Your own copy of this character could not be started:  ";
} // namespace

// Nothing is cleared first: entries beyond the new counts, and whatever was read before a
// failure, stay as they are.
void Form1::mnuReload_Click() {
    GETPATH();
    module_.AppDir += kPictureFile;
    const std::u16string picture = findFileIgnoringCase(module_.AppDir);
    GETPATH();
    module_.AppDir += kConfigFile;
    const std::optional<std::u16string> error = loadCharacter(
        picture, findFileIgnoringCase(module_.AppDir), platform_.pictures,
        [this](std::string_view ansi) { return platform_.system.decodeAnsi(ansi); },
        {[this](PicturePtr image) { window_.setImage1Picture(std::move(image)); },
         [this](const std::u16string& title) { window_.setCaption(title); }, speech_});
    if (error)
        platform_.desktop.messageBox(*error, vbCritical, kLoadErrorTitle);
}

// The editor gets the relative name, resolved in the character's directory. A character that
// spells it "Config.ini" gets that file opened, not a new empty one. A character the user cannot
// change is offered as a copy of their own, which then takes this window's place, so that Reload
// shows the saved changes.
void Form1::mnuOpenConfig_Click() {
    GETPATH();
    std::u16string directory = module_.AppDir;
    module_.AppDir += kConfigFile;
    const std::u16string config = findFileIgnoringCase(module_.AppDir);
    const std::u16string fileName = std::filesystem::path(config).filename().u16string();

    std::error_code ignored;
    const bool writable = platform_.system.mayWrite(directory) &&
                          (!std::filesystem::exists(std::filesystem::path(config), ignored) ||
                           platform_.system.mayWrite(config));
    const bool ownCopy = !writable && platform_.desktop.askYesNo(kAskOwnCopy, kTitle);
    if (ownCopy) {
        try {
            directory = makeOwnCopy(platform_.own, directory, window_.currentCaption());
        } catch (const std::exception& error) { // a Failure's what() is its description
            platform_.desktop.messageBox(kCopyFailed + decodeUtf8Lenient(error.what()), vbCritical,
                                         kTitle);
            return;
        }
    }
    try {
        platform_.processes.startProcess(platform_.processes.editorProgram() + u" " + fileName,
                                         directory, vbNormalFocus);
    } catch (const std::exception&) {
        // An editor that cannot be started is not worth a message.
    }
    if (!ownCopy)
        return;
    try {
        platform_.own.startCharacter(directory);
    } catch (const Failure& failure) {
        platform_.desktop.messageBox(kStartFailed + failure.description(), vbCritical, kTitle);
        return;
    }
    platform_.processes.endProgram();
}

} // namespace tobble
