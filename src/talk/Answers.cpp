#include "app/Form1.h"

#include "app/SoundFiles.h"

namespace tobble {

// Any question, or none, gets a random answer; the key itself still reaches the text box.
void Form1::Text1_KeyDown(std::int16_t keyCode, int /*shift*/) {
    if (keyCode != vbKeyReturn)
        return;
    GETPATH();
    speech_.CurrentIndex = static_cast<std::uint8_t>(RAND(1, speech_.AnswerCount));
    module_.AppDir += answerSoundName(speech_.CurrentIndex);
    module_.PlaySoundAsync(module_.AppDir);
    window_.setLabel1Caption(speech_.Answers[speech_.CurrentIndex]);
    speech_.LastSound = module_.AppDir;
}

} // namespace tobble
