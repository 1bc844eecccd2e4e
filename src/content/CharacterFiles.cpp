#include "content/CharacterFiles.h"

namespace tobble {

bool isCopiedCharacterFile(std::string_view lowerName) {
    return lowerName == "config.ini" || lowerName == "picture.jpg" ||
           (lowerName.size() > 4 && lowerName.ends_with(".wav"));
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
