#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace tobble {

inline constexpr int kListSlots = 101; // indices 0..100

// What the character can say and what it said last. Lives as long as the window.
struct SpeechState {
    std::uint8_t PhraseCount = 0;                   // random lines are Phrases 1..PhraseCount
    std::uint8_t AnswerCount = 0;                   // answers are Answers 1..AnswerCount
    std::array<std::u16string, kListSlots> Phrases; // entry 0 is the greeting
    std::array<std::u16string, kListSlots> Answers; // entry 0 is never used
    std::uint8_t CurrentIndex = 0;                  // last pick; the loader's loop counter
    std::u16string ReadBuffer;                      // skipped items and the title
    std::u16string LastSound;                       // replayed by Say What?
};

} // namespace tobble
