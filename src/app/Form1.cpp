#include "app/Form1.h"

#include <cmath>

#include "content/CharacterFiles.h"

namespace tobble {

Form1::Form1(Window& window, const Platform& platform, Module1& module, TimerDriver& randomDriver,
             TimerDriver& flashDriver)
    : tmrRandom(randomDriver, kRandomInterval), tmrFlash(flashDriver, kFlashInterval),
      window_(window), platform_(platform), module_(module) {}

void Form1::GETPATH() {
    std::u16string dir = platform_.system.programDirectory();
    if (dir.empty() || (dir.back() != u'/' && dir.back() != u'\\'))
        dir += platform_.system.directorySeparator();
    module_.AppDir = std::move(dir);
}

std::int16_t Form1::RAND(std::int16_t min, std::int16_t max) {
    rnd_.randomize(static_cast<float>(platform_.system.timeOfDay()));
    const double r = rnd_.next();
    // The span wraps like the 16-bit arithmetic it is; RAND(1, 0) has span 0 and gives 1.
    const auto span = static_cast<std::int16_t>(max - min + 1);
    const auto value = static_cast<std::int32_t>(std::floor(r * span)) + min;
    return static_cast<std::int16_t>(value);
}

void Form1::playSound(const std::u16string& soundName) {
    GETPATH();
    module_.AppDir += soundName;
    module_.PlaySoundAsync(module_.AppDir);
}

void Form1::speak(const std::u16string& soundName, const std::u16string& text) {
    playSound(soundName);
    window_.setLabel1Caption(text);
    speech_.LastSound = module_.AppDir;
}

void Form1::Form_Activate() {
    if (activated_)
        return;
    activated_ = true;

    module_.MakeTopmost(window_.hWnd());
    mnuReload_Click();
    speak(kGreetingSound, speech_.Phrases[0]);
}

void Form1::menuChosen(MenuCommand command) {
    switch (command) {
    case MenuCommand::mnuRepeat:
        return mnuRepeat_Click();
    case MenuCommand::mnuShrink:
        return mnuShrink_Click();
    case MenuCommand::mnuOnOff:
        return mnuOnOff_Click();
    case MenuCommand::mnuSetTime:
        return mnuSetTime_Click();
    case MenuCommand::mnuReload:
        return mnuReload_Click();
    case MenuCommand::mnuOpenConfig:
        return mnuOpenConfig_Click();
    case MenuCommand::mnuAbout:
        return mnuAbout_Click();
    case MenuCommand::mnuQuit:
        return mnuQuit_Click();
    case MenuCommand::None:
        return;
    }
}

} // namespace tobble
