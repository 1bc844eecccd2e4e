#include "app/SoundFiles.h"

namespace tobble {

std::u16string decimalText(unsigned value) {
    std::u16string digits;
    do {
        digits.insert(digits.begin(), static_cast<char16_t>(u'0' + value % 10));
        value /= 10;
    } while (value != 0);
    return digits;
}

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
