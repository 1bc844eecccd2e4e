#pragma once

#include <functional>
#include <optional>
#include <string>

#include "content/ConfigFile.h"
#include "seams/Pictures.h"

namespace tobble {

inline constexpr char16_t kLoadErrorText[] =
    u"Error opening the config.ini file!  Exact error was:  ";
inline constexpr char16_t kLoadErrorTitle[] = u"Error!";

// Where a load puts what it reads, each as soon as it is read.
struct LoadTargets {
    std::function<void(PicturePtr)> setPicture;
    TitleSetter setTitle;
    ConfigFields& fields;
    ItemSeen seen = {};
};

// Loads a character: the picture first, then config.ini (only if the picture loaded). The paths
// are used as given. Nothing is cleared first, so a failure keeps all that was read before it.
// Returns the whole text of the "Error!" box on failure, nothing on success; never throws.
std::optional<std::u16string> loadCharacter(const std::u16string& pictureFile,
                                            const std::u16string& configFile,
                                            PictureDecoder& pictures, const AnsiDecoder& decodeAnsi,
                                            const LoadTargets& targets);

// When picture.jpg is missing beside a picture.jpeg or picture.png, a hint to rename that file.
std::u16string pictureRenameHint(const std::u16string& picturePath);

} // namespace tobble
