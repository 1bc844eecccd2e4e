#pragma once

#include <string>

#include "ui/Layout.h"
#include "ui/Timer.h"
#include "ui/Window.h"

namespace tobble {

// A main window that is never shown: it keeps the caption and the picture a load gives it, and
// its timers never tick. Lets the loader run outside the program: the checker, the corpus
// test and the Reload fuzz target use it.
class UnseenWindow : public Window {
public:
    std::u16string caption = layout::kInitialCaption;
    bool captionSet = false;
    PicturePtr picture;

    WindowHandle hWnd() const override { return 0; }
    void setBackColor(std::uint32_t) override {}
    void setCaption(const std::u16string& text) override {
        caption = text;
        captionSet = true;
    }
    std::u16string currentCaption() const override { return caption; }
    void setLabel1Caption(const std::u16string&) override {}
    void setImage1Picture(PicturePtr shown) override { picture = std::move(shown); }
    void moveImage1(int, int) override {}
    void moveLabel2(int, int, int) override {}
    void setWidth(int) override {}
    void setHeight(int) override {}
    bool isChecked(MenuCommand) const override { return false; }
    void setChecked(MenuCommand, bool) override {}

    // A clock for the timers that never ticks.
    struct IdleClock : TimerDriver {
        void start(int) override {}
        void stop() override {}
    } clock;
};

} // namespace tobble
