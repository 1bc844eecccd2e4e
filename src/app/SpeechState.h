#pragma once

#include <string>

#include "content/ConfigFields.h"

namespace tobble {

// What the character can say, as config.ini gave it, and what it said last. Lives as long as the
// window.
struct SpeechState : ConfigFields {
    std::u16string LastSound; // replayed by Say What?
};

} // namespace tobble
