#include "app/Program.h"

#include <exception>
#include <string_view>

#include "base/Failure.h"

namespace tobble {

namespace {

constexpr char16_t kUnexpectedTitle[] = u"Tobble";
constexpr char16_t kUnexpectedText[] = u"Tobble could not finish what it was doing:  ";

// What a standard exception says, widened; its text is plain ASCII in practice.
std::u16string widen(std::string_view text) {
    return {text.begin(), text.end()};
}

} // namespace

Program::Program(Window& window, const Platform& platform, TimerDriver& randomDriver,
                 TimerDriver& flashDriver)
    : desktop_(platform.desktop), module_(platform.sound, platform.desktop),
      form_(window, platform, module_, randomDriver, flashDriver) {}

template <typename Handler> void Program::run(Handler handler) {
    try {
        handler();
    } catch (const Failure& failure) {
        reportUnexpected(failure.description());
    } catch (const std::exception& error) {
        reportUnexpected(widen(error.what()));
    } catch (...) {
        reportUnexpected(u"an unknown failure");
    }
}

void Program::reportUnexpected(const std::u16string& description) noexcept {
    try {
        desktop_.messageBox(kUnexpectedText + description, vbCritical, kUnexpectedTitle);
    } catch (...) {
        // Nothing is left to tell it with; the program goes on as it was.
    }
}

void Program::activated() {
    run([this] { form_.Form_Activate(); });
}

void Program::label2Clicked(int index) {
    run([this, index] { form_.Label2_Click(index); });
}

void Program::text1KeyDown(std::int16_t keyCode, int shift) {
    run([this, keyCode, shift] { form_.Text1_KeyDown(keyCode, shift); });
}

void Program::tmrRandomTicked() {
    run([this] { form_.tmrRandom_Timer(); });
}

void Program::tmrFlashTicked() {
    run([this] { form_.tmrFlash_Timer(); });
}

void Program::menuChosen(MenuCommand command) {
    run([this, command] { form_.menuChosen(command); });
}

} // namespace tobble
