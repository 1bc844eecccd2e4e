#include "app/CharacterFileOpening.h"

#include <exception>
#include <filesystem>

#include "base/AsciiCase.h"
#include "base/Failure.h"
#include "base/TextEncoding.h"
#include "content/CharacterArchive.h"
#include "content/CharacterLoad.h"
#include "content/ConfigText.h"
#include "content/OwnCopy.h"

namespace tobble {

namespace fs = std::filesystem;

namespace {

constexpr char16_t kTitle[] = u"Tobble";
constexpr char16_t kCannotAdd[] = u"This character file cannot be added:  ";
constexpr char16_t kAddFailed[] = u"The character could not be added:  ";
constexpr char16_t kStartFailed[] = u"The character was added, but could not be started:  ";

// The title its config.ini gives, read as Reload reads it; a config.ini that does not load is
// refused with the "Error!" box's own words.
std::u16string characterTitle(const fs::path& archive, SystemFacts& system) {
    const std::string config = readCharacterConfig(archive);
    MemoryBytes bytes(config);
    ConfigText text(bytes, [&](std::string_view ansi) { return system.decodeAnsi(ansi); });
    ItemReader reader(text);
    ConfigFields fields;
    std::u16string title;
    try {
        readConfigItems(reader, fields, [&](const std::u16string& read) { title = read; });
    } catch (const Failure& failure) {
        throw Failure(kLoadErrorText + failure.description());
    }
    return title;
}

std::u16string describe(const std::exception& error) {
    return decodeUtf8Lenient(error.what()); // a Failure's what() is its description
}

} // namespace

bool namesCharacterFile(std::u16string_view argument) {
    constexpr std::u16string_view kExtension = u".tobble";
    if (argument.size() <= kExtension.size())
        return false;
    const std::u16string_view tail = argument.substr(argument.size() - kExtension.size());
    for (std::size_t i = 0; i < tail.size(); ++i) {
        if (asciiLower(tail[i]) != kExtension[i])
            return false;
    }
    return true;
}

int openCharacterFile(const std::u16string& file, const Platform& platform) {
    const fs::path archive(file);
    std::u16string title;
    try {
        verifyCharacterArchive(archive); // the directory's rules first, then every file's data
        title = characterTitle(archive, platform.system);
    } catch (const std::exception& error) {
        platform.desktop.messageBox(kCannotAdd + describe(error), vbCritical, kTitle);
        return 1;
    }
    if (!platform.desktop.askYesNo(u"Add the character \"" + title + u"\" to your characters?",
                                   kTitle))
        return 0;
    std::u16string folder;
    try {
        folder = addOwnCharacter(platform.own, file, title);
    } catch (const std::exception& error) {
        platform.desktop.messageBox(kAddFailed + describe(error), vbCritical, kTitle);
        return 1;
    }
    try {
        platform.own.startCharacter(folder);
    } catch (const Failure& failure) {
        platform.desktop.messageBox(kStartFailed + failure.description(), vbCritical, kTitle);
        return 1;
    }
    return 0;
}

} // namespace tobble
