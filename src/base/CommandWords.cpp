#include "base/CommandWords.h"

namespace tobble {

std::vector<std::u16string> splitCommandLine(const std::u16string& commandLine) {
    std::vector<std::u16string> words;
    std::u16string word;
    bool inWord = false;
    bool quoted = false;
    for (const char16_t c : commandLine) {
        if (c == u'"') {
            quoted = !quoted;
            inWord = true;
        } else if ((c == u' ' || c == u'\t') && !quoted) {
            if (inWord)
                words.push_back(std::move(word));
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        words.push_back(std::move(word));
    return words;
}

} // namespace tobble
