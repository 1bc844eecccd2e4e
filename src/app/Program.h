#pragma once

#include <cstdint>

#include "app/Form1.h"
#include "app/Module1.h"
#include "ui/MenuTree.h"
#include "ui/Timer.h"
#include "ui/Window.h"

namespace tobble {

// The whole program, built once from what a frontend hands in: its window, its system and the
// clocks behind the two timers. Every event of the window enters here.
//
// Handlers treat the failures they expect themselves (Reload shows "Error!", Set Time and Open
// end silently). Anything else that escapes a handler, such as running out of memory, stops at
// this boundary on every frontend alike: it is shown in a message box and the program goes on,
// so no failure unwinds through the toolkit's or the system's own code.
class Program {
public:
    Program(Window& window, const Platform& platform, TimerDriver& randomDriver,
            TimerDriver& flashDriver);
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    void activated();
    void label2Clicked(int index);
    void text1KeyDown(std::int16_t keyCode, int shift);
    void tmrRandomTicked();
    void tmrFlashTicked();
    void menuChosen(MenuCommand command);

    Form1& form() { return form_; }
    Module1& module() { return module_; }
    const Form1& form() const { return form_; }

private:
    template <typename Handler> void run(Handler handler);
    void reportUnexpected(const std::u16string& description) noexcept;

    Desktop& desktop_;
    Module1 module_;
    Form1 form_;
};

} // namespace tobble
