#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/NumberText.h"

namespace tobble {

inline constexpr char16_t kGreetingSound[] = u"0.wav";
inline constexpr char16_t kPictureFile[] = u"picture.jpg";
inline constexpr char16_t kConfigFile[] = u"config.ini";

// The files of a character that an own copy takes, by name folded to ASCII lower case:
// config.ini, picture.jpg and every .wav.
bool isCopiedCharacterFile(std::string_view lowerName);

// "7.wav" for random line 7.
std::u16string lineSoundName(std::uint8_t line);

// "a3.wav" for answer 3.
std::u16string answerSoundName(std::uint8_t answer);

} // namespace tobble
