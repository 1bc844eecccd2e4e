#pragma once

#include <cstdint>

#include "app/Module1.h"
#include "app/Rnd.h"
#include "app/SpeechState.h"
#include "seams/Platform.h"
#include "ui/MenuTree.h"
#include "ui/Timer.h"
#include "ui/Window.h"

namespace tobble {

inline constexpr std::int16_t vbKeyReturn = 13;

// The timers' intervals when the window opens, in milliseconds.
inline constexpr int kRandomInterval = 20000;
inline constexpr int kFlashInterval = 100;

// The main window's logic: one handler per control event. The frontend owns the real window and
// forwards its events here. The handlers are in Form1Talking.cpp (clicks, Enter, the timers, Say
// What?), Form1Menu.cpp (Shrink, Auto Smack, Set Time, About, Quit) and Form1Character.cpp
// (Reload and Open Config.ini, the character's files).
class Form1 {
public:
    // The timers run on the frontend's clocks; their intervals are the window's stored ones.
    Form1(Window& window, const Platform& platform, Module1& module, TimerDriver& randomDriver,
          TimerDriver& flashDriver);

    // Runs the start-up sequence on the first activation only.
    void Form_Activate();

    void Label2_Click(int index);
    void Text1_KeyDown(std::int16_t keyCode, int shift);
    void tmrRandom_Timer();
    void tmrFlash_Timer();

    void mnuRepeat_Click();
    void mnuShrink_Click();
    void mnuOnOff_Click();
    void mnuSetTime_Click();
    void mnuReload_Click();
    void mnuOpenConfig_Click();
    void mnuAbout_Click();
    void mnuQuit_Click();

    // Routes a chosen menu item to its handler.
    void menuChosen(MenuCommand command);

    std::int16_t RAND(std::int16_t min, std::int16_t max);
    void GETPATH();

    const SpeechState& speech() const { return speech_; }

    Timer tmrRandom;
    Timer tmrFlash;

private:
    void startFlash();
    // GETPATH, then the sound's file name appended to AppDir and that file played.
    void playSound(const std::u16string& soundName);
    // The sound played, its text shown in Label1, and the sound kept for "Say What?".
    void speak(const std::u16string& soundName, const std::u16string& text);

    Window& window_;
    Platform platform_;
    Module1& module_;
    SpeechState speech_;
    Rnd rnd_;
    bool activated_ = false;
};

} // namespace tobble
