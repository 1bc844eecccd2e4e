#include "app/Form1.h"

#include <exception>
#include <filesystem>

#include "app/SoundFiles.h"
#include "base/Failure.h"
#include "base/FileNames.h"
#include "base/TextEncoding.h"
#include "content/OwnCopy.h"

namespace tobble {

namespace {
constexpr char16_t kTitle[] = u"Tobble";
constexpr char16_t kAskOwnCopy[] = u"Tobble's files can't be changed from your account. Make "
                                   u"your own copy of this character to change?";
constexpr char16_t kCopyFailed[] = u"Your own copy of this character could not be made:  ";
constexpr char16_t kStartFailed[] = u"Your own copy of this character could not be started:  ";
} // namespace

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
    const bool writable = platform_.mayWrite(directory) &&
                          (!std::filesystem::exists(std::filesystem::path(config), ignored) ||
                           platform_.mayWrite(config));
    const bool ownCopy = !writable && platform_.askYesNo(kAskOwnCopy, kTitle);
    if (ownCopy) {
        try {
            directory = makeOwnCopy(platform_, directory, window_.currentCaption());
        } catch (const std::exception& error) { // a Failure's what() is its description
            platform_.messageBox(kCopyFailed + decodeUtf8Lenient(error.what()), vbCritical, kTitle);
            return;
        }
    }
    try {
        platform_.startProcess(platform_.editorProgram() + u" " + fileName, directory,
                               vbNormalFocus);
    } catch (const std::exception&) {
        // An editor that cannot be started is not worth a message.
    }
    if (!ownCopy)
        return;
    try {
        platform_.startCharacter(directory);
    } catch (const Failure& failure) {
        platform_.messageBox(kStartFailed + failure.description(), vbCritical, kTitle);
        return;
    }
    platform_.endProgram();
}

} // namespace tobble
