#include "content/CharacterFiles.h"

#include "base/AsciiCase.h"

namespace tobble {

bool isCharacterFileName(std::u16string_view name) {
    std::u16string text(name);
    for (char16_t& c : text)
        c = asciiLower(c);
    if (text == u"config.ini" || text == u"picture.jpg")
        return true;
    if (!text.ends_with(u".wav"))
        return false;
    std::u16string_view number = std::u16string_view(text).substr(0, text.size() - 4);
    if (number.starts_with(u'a'))
        number.remove_prefix(1);
    if (number.empty() || number.size() > 3 || (number.size() > 1 && number[0] == u'0'))
        return false;
    int value = 0;
    for (const char16_t c : number) {
        if (c < u'0' || c > u'9')
            return false;
        value = value * 10 + (c - u'0');
    }
    return value <= 100;
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
