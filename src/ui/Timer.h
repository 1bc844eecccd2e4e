#pragma once

namespace tobble {

// The frontend's clock: runs a repeating tick every interval until stopped.
class TimerDriver {
public:
    virtual ~TimerDriver() = default;
    // Starts counting a fresh interval, dropping any countdown in progress. intervalMs > 0.
    virtual void start(int intervalMs) = 0;
    virtual void stop() = 0;
};

// A window timer with Enabled and Interval: while enabled and the interval is above 0 it ticks
// every interval; enabling starts a fresh interval; an interval of 0 gives no ticks; a negative
// interval is refused with Failure.
class Timer {
public:
    Timer(TimerDriver& driver, int intervalMs);

    bool enabled() const { return enabled_; }
    int interval() const { return interval_; }

    void setEnabled(bool enabled);
    void setInterval(int intervalMs);

private:
    void apply();

    TimerDriver& driver_;
    int interval_;
    bool enabled_ = false;
};

} // namespace tobble
