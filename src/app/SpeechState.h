#pragma once

#include <cstdint>
#include <string>

#include "content/ConfigFields.h"

namespace tobble {

// What the character can say and what it said last. Lives as long as the window.
struct SpeechState {
    std::uint8_t PhraseCount = 0;  // random lines are Phrases 1..PhraseCount
    std::uint8_t AnswerCount = 0;  // answers are Answers 1..AnswerCount
    TextList Phrases;              // entry 0 is the greeting
    TextList Answers;              // entry 0 is never used
    std::uint8_t CurrentIndex = 0; // last pick; the loader's loop counter
    std::u16string ReadBuffer;     // skipped items and the title
    std::u16string LastSound;      // replayed by Say What?
};

// The fields of the speech state that a load of config.ini fills.
inline ConfigFields configFields(SpeechState& speech) {
    return {speech.ReadBuffer,  speech.PhraseCount, speech.Phrases,
            speech.AnswerCount, speech.Answers,     speech.CurrentIndex};
}

} // namespace tobble
