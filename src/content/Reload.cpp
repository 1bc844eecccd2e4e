#include "app/Form1.h"

#include <exception>
#include <filesystem>
#include <new>

#include "app/SoundFiles.h"
#include "base/Failure.h"
#include "base/FileNames.h"
#include "base/TextEncoding.h"
#include "content/ConfigFile.h"
#include "content/SpeechFields.h"

namespace tobble {

namespace {
constexpr char16_t kLoadErrorText[] = u"Error opening the config.ini file!  Exact error was:  ";
constexpr char16_t kLoadErrorTitle[] = u"Error!";
} // namespace

// Nothing is cleared first: entries beyond the new counts, and whatever was read before a
// failure, stay as they are.
void Form1::mnuReload_Click() {
    std::u16string description;
    try {
        GETPATH();
        module_.AppDir += kPictureFile;
        const std::u16string picture = findFileIgnoringCase(module_.AppDir);
        try {
            window_.setImage1Picture(platform_.loadPicture(picture));
        } catch (const Failure& failure) {
            const std::u16string hint = pictureRenameHint(picture);
            if (hint.empty())
                throw;
            throw Failure(failure.description() + u" (" + hint + u")");
        }

        GETPATH();
        module_.AppDir += kConfigFile;
        loadConfigFile(
            findFileIgnoringCase(module_.AppDir),
            [this](std::string_view ansi) { return platform_.decodeAnsi(ansi); },
            configFields(speech_),
            [this](const std::u16string& title) { window_.setCaption(title); });
        return;
    } catch (const Failure& failure) {
        description = failure.description();
    } catch (const std::bad_alloc&) {
        description = u"Out of memory";
    } catch (const std::exception& error) {
        description = decodeUtf8Lenient(error.what());
    }
    platform_.messageBox(kLoadErrorText + description, vbCritical, kLoadErrorTitle);
}

} // namespace tobble
