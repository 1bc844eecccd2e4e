#include "app/Form1.h"

#include "base/Failure.h"
#include "base/NumberText.h"
#include "content/CharacterFiles.h"
#include "ui/Layout.h"

namespace tobble {

namespace {
constexpr char16_t kSetTimePrompt[] = u"Enter a time in milliseconds (10 seconds = 10000).";
constexpr char16_t kSetTimeTitle[] = u"Set Auto Play Time";
constexpr char16_t kSetTimeDefault[] = u"20000";
constexpr char16_t kAboutTitle[] = u"About Tobble";
constexpr char16_t kAboutText[] =
    u"Tobble was written by the Tobble developers. The voice and the sounds were made by the "
    u"Tobble developers with espeak-ng. This is version 1.0!";
} // namespace

void Form1::mnuOnOff_Click() {
    if (window_.isChecked(MenuCommand::mnuOnOff)) {
        tmrRandom.setEnabled(false);
        window_.setChecked(MenuCommand::mnuOnOff, false);
    } else {
        tmrRandom.setEnabled(true);
        window_.setChecked(MenuCommand::mnuOnOff, true);
    }
}

// Leaves auto-play running even when Auto Smack is unchecked; any bad input changes nothing.
void Form1::mnuSetTime_Click() {
    const std::u16string text =
        platform_.desktop.inputBox(kSetTimePrompt, kSetTimeTitle, kSetTimeDefault);
    const std::optional<std::int16_t> interval = parseInt16(text);
    if (!interval)
        return;
    try {
        tmrRandom.setInterval(*interval);
    } catch (const Failure&) {
        return;
    }
    tmrRandom.setEnabled(false);
    tmrRandom.setEnabled(true);
}

void Form1::mnuShrink_Click() {
    using namespace layout;
    if (!window_.isChecked(MenuCommand::mnuShrink)) {
        window_.setChecked(MenuCommand::mnuShrink, true);
        window_.moveImage1(kImage1CompactLeft, kImage1CompactTop);
        window_.moveLabel2(1, kLabel2CompactLeft, kLabel2CompactTop);
        window_.setHeight(kCompactHeight);
        window_.setWidth(kCompactWidth);
    } else {
        window_.setChecked(MenuCommand::mnuShrink, false);
        window_.moveImage1(kImage1.left, kImage1.top);
        window_.moveLabel2(1, kLabel2.left, kLabel2.top);
        window_.setWidth(kNormalWidth);
        window_.setHeight(kNormalHeight);
    }
}

void Form1::mnuAbout_Click() {
    playSound(kGreetingSound);
    platform_.desktop.messageBox(kAboutText, vbQuestion, kAboutTitle);
}

void Form1::mnuQuit_Click() {
    platform_.processes.endProgram();
}

} // namespace tobble
