#include "content/CharacterLoad.h"

#include <exception>
#include <filesystem>
#include <new>

#include "base/FileNames.h"
#include "base/TextEncoding.h"

namespace tobble {

std::optional<std::u16string> loadCharacter(const std::u16string& pictureFile,
                                            const std::u16string& configFile,
                                            PictureDecoder& pictures, const AnsiDecoder& decodeAnsi,
                                            const LoadTargets& targets) {
    std::u16string description;
    try {
        try {
            targets.setPicture(pictures.loadPicture(pictureFile));
        } catch (const Failure& failure) {
            const std::u16string hint = pictureRenameHint(pictureFile);
            if (hint.empty())
                throw;
            throw Failure(failure.description() + u" (" + hint + u")");
        }
        loadConfigFile(configFile, decodeAnsi, targets.fields, targets.setTitle, targets.seen);
        return std::nullopt;
    } catch (const Failure& failure) {
        description = failure.description();
    } catch (const std::bad_alloc&) {
        description = u"Out of memory";
    } catch (const std::exception& error) {
        description = decodeUtf8Lenient(error.what());
    }
    return kLoadErrorText + description;
}

std::u16string pictureRenameHint(const std::u16string& picturePath) {
    if (examineFile(picturePath).kind != FileKind::Missing || !picturePath.ends_with(u".jpg"))
        return {};
    const std::u16string stem = picturePath.substr(0, picturePath.size() - 4);
    for (const char16_t* extension : {u".jpeg", u".png"}) {
        const std::u16string other = findFileIgnoringCase(stem + extension);
        if (examineFile(other).kind == FileKind::Regular) {
            const std::u16string name = std::filesystem::path(other).filename().u16string();
            return u"there is a " + name + u": rename it to picture.jpg";
        }
    }
    return {};
}

} // namespace tobble
