#pragma once
// Keeps a one-second timer on the beat of a monotonic clock: each tick is
// scheduled for the next whole period after the previous deadline, so N ticks
// take N periods however late each timer message arrives. A tick that comes a
// whole period late or more (the machine slept, the program was stalled) does
// not bring a burst of catch-up ticks: the beat starts again from then.

#include <cstdint>

namespace dormix::ui {

class TickCadence {
  public:
    explicit TickCadence(std::int64_t periodMs) : period_(periodMs) {}

    // The timer (re)starts now; returns the delay to the first tick.
    std::int64_t Start(std::int64_t nowMs) {
        deadline_ = nowMs + period_;
        return period_;
    }

    // A tick arrived at `nowMs`; returns the delay to the next one.
    std::int64_t Next(std::int64_t nowMs) {
        deadline_ += period_;
        if (deadline_ <= nowMs) deadline_ = nowMs + period_;  // too late: restart the beat
        return deadline_ - nowMs;
    }

    std::int64_t Period() const { return period_; }

  private:
    std::int64_t period_;
    std::int64_t deadline_ = 0;
};

}  // namespace dormix::ui
