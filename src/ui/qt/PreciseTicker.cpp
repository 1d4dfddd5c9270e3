#include "ui/qt/PreciseTicker.h"

namespace dormix::qt {

PreciseTicker::PreciseTicker(int periodMs, std::function<void()> onTick)
    : onTick_(std::move(onTick)), cadence_(periodMs) {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &PreciseTicker::Fire);
    clock_.start();
}

void PreciseTicker::Start() {
    running_ = true;
    timer_.start(int(cadence_.Start(clock_.elapsed())));
}

void PreciseTicker::Stop() {
    running_ = false;
    timer_.stop();
}

void PreciseTicker::Fire() {
    if (!running_) return;
    // Armed before the handler runs: a handler that opens a modal box keeps
    // the beat going in the box's own event loop, and one that stops or
    // restarts the timer overrides this.
    timer_.start(int(cadence_.Next(clock_.elapsed())));
    onTick_();
}

}  // namespace dormix::qt
