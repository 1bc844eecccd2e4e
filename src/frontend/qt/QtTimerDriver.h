#pragma once

#include <QTimer>

#include "ui/Timer.h"

namespace tobble {

// Drives a window timer with a QTimer.
class QtTimerDriver : public TimerDriver {
public:
    explicit QtTimerDriver(QTimer* timer) : timer_(timer) {}

    void start(int intervalMs) override { timer_->start(intervalMs); }
    void stop() override { timer_->stop(); }

private:
    QTimer* timer_;
};

} // namespace tobble
