#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace tobble {

inline constexpr int kListSlots = 101; // indices 0..100

using TextList = std::array<std::u16string, kListSlots>;

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
