#include "ui/Timer.h"

#include "base/Failure.h"

namespace tobble {

Timer::Timer(TimerDriver& driver, int intervalMs) : driver_(driver), interval_(intervalMs) {}

void Timer::setEnabled(bool enabled) {
    if (enabled == enabled_)
        return;
    enabled_ = enabled;
    apply();
}

void Timer::setInterval(int intervalMs) {
    if (intervalMs < 0)
        throw Failure(u"Invalid property value: a timer interval cannot be negative");
    interval_ = intervalMs;
    if (enabled_)
        apply();
}

void Timer::apply() {
    // A zero-length interval would tick without pause; it means "no ticks" instead.
    if (enabled_ && interval_ > 0)
        driver_.start(interval_);
    else
        driver_.stop();
}

} // namespace tobble
