#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/NumberText.h"

namespace tobble {

inline constexpr char16_t kGreetingSound[] = u"0.wav";
inline constexpr char16_t kPictureFile[] = u"picture.jpg";
inline constexpr char16_t kConfigFile[] = u"config.ini";

// config.ini, picture.jpg, N.wav and aN.wav with N from 0 to 100, in any case: the files the
// program reads, and all that an own copy or a character file takes.
bool isCharacterFileName(std::u16string_view name);

// "7.wav" for random line 7.
std::u16string lineSoundName(std::uint8_t line);

// "a3.wav" for answer 3.
std::u16string answerSoundName(std::uint8_t answer);

} // namespace tobble
