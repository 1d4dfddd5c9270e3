#include "frontend/tray_qt/PreciseTicker.h"

namespace dormix::tray_qt {

PreciseTicker::PreciseTicker(int periodMs, std::function<void()> onTick,
                             std::function<qint64()> nowMs)
    : onTick_(std::move(onTick)), cadence_(periodMs), nowMs_(std::move(nowMs)) {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &PreciseTicker::Fire);
    clock_.start();
    if (!nowMs_) nowMs_ = [this] { return clock_.elapsed(); };
}

void PreciseTicker::Start() {
    running_ = true;
    timer_.start(int(cadence_.Start(nowMs_())));
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
    timer_.start(int(cadence_.Next(nowMs_())));
    onTick_();
}

}  // namespace dormix::tray_qt
