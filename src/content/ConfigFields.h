#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace tobble {

// A list of lines or answers holds entries 0..100.
inline constexpr int kListEntries = 101;

using TextList = std::array<std::u16string, kListEntries>;

// The fields config.ini is read into, lent by their owner for one load.
struct ConfigFields {
    std::u16string& ReadBuffer; // skipped items and the title
    std::uint8_t& PhraseCount;
    TextList& Phrases; // entry 0 is the greeting
    std::uint8_t& AnswerCount;
    TextList& Answers;          // entry 0 is never used
    std::uint8_t& CurrentIndex; // the loader's loop counter
};

} // namespace tobble
