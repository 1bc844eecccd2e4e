#include "app/Form1.h"

#include "app/SoundFiles.h"

namespace tobble {

// Any question, or none, gets a random answer; the key itself still reaches the text box.
void Form1::Text1_KeyDown(std::int16_t keyCode, int /*shift*/) {
    if (keyCode != vbKeyReturn)
        return;
    speech_.CurrentIndex = static_cast<std::uint8_t>(RAND(1, speech_.AnswerCount));
    speak(answerSoundName(speech_.CurrentIndex), speech_.Answers[speech_.CurrentIndex]);
}

} // namespace tobble
