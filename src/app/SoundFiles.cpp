#include "app/SoundFiles.h"

namespace tobble {

std::u16string lineSoundName(std::uint8_t line) {
    return decimalText(line) + u".wav";
}

std::u16string answerSoundName(std::uint8_t answer) {
    std::u16string name = u"a";
    name += decimalText(answer);
    name += u".wav";
    return name;
}

} // namespace tobble
