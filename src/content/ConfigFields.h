#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace tobble {

// A list of lines or answers holds entries 0..100.
inline constexpr int kListEntries = 101;

using TextList = std::array<std::u16string, kListEntries>;

// What config.ini is read into. A load overwrites only what it reads.
struct ConfigFields {
    std::u16string ReadBuffer;     // skipped items and the title
    std::uint8_t PhraseCount = 0;  // random lines are Phrases 1..PhraseCount
    TextList Phrases;              // entry 0 is the greeting
    std::uint8_t AnswerCount = 0;  // answers are Answers 1..AnswerCount
    TextList Answers;              // entry 0 is never used
    std::uint8_t CurrentIndex = 0; // the loader's loop counter, and the last pick
};

} // namespace tobble
