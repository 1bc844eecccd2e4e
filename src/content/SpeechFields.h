#pragma once

#include "app/SpeechState.h"
#include "content/ConfigFields.h"

namespace tobble {

// The fields of the speech state that a load of config.ini fills. The lists bind only when both
// sides agree on their size.
inline ConfigFields configFields(SpeechState& speech) {
    return {speech.ReadBuffer,  speech.PhraseCount, speech.Phrases,
            speech.AnswerCount, speech.Answers,     speech.CurrentIndex};
}

} // namespace tobble
