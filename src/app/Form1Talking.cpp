#include "app/Form1.h"

#include "content/CharacterFiles.h"
#include "ui/Layout.h"

namespace tobble {

void Form1::startFlash() {
    window_.setBackColor(layout::kRed);
    tmrFlash.setEnabled(true);
}

void Form1::tmrRandom_Timer() {
    startFlash();
    speech_.CurrentIndex = static_cast<std::uint8_t>(RAND(1, speech_.PhraseCount));
    speak(lineSoundName(speech_.CurrentIndex), speech_.Phrases[speech_.CurrentIndex]);
}

void Form1::Label2_Click(int /*index*/) {
    tmrRandom_Timer();
}

void Form1::tmrFlash_Timer() {
    tmrFlash.setEnabled(false);
    window_.setBackColor(layout::kBlack);
}

// Any question, or none, gets a random answer; the key itself still reaches the text box.
void Form1::Text1_KeyDown(std::int16_t keyCode, int /*shift*/) {
    if (keyCode != vbKeyReturn)
        return;
    speech_.CurrentIndex = static_cast<std::uint8_t>(RAND(1, speech_.AnswerCount));
    speak(answerSoundName(speech_.CurrentIndex), speech_.Answers[speech_.CurrentIndex]);
}

void Form1::mnuRepeat_Click() {
    startFlash();
    module_.PlaySoundAsync(speech_.LastSound);
}

} // namespace tobble
