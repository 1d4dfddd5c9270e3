#pragma once
// A window timer of the inventory kept on a monotonic one-second beat: a
// single-shot precise timer re-armed with the delay TickCadence gives, so
// ticks do not drift however late each one is delivered.

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <functional>

#include "ui/TickCadence.h"

namespace dormix::tray_qt {

class PreciseTicker : public QObject {
  public:
    // `nowMs`: a monotonic clock in milliseconds; tests pass their own.
    PreciseTicker(int periodMs, std::function<void()> onTick, std::function<qint64()> nowMs = {});
    void Start();
    void Stop();
    bool Running() const { return running_; }
    int PeriodMs() const { return int(cadence_.Period()); }
    // The delay the timer was last armed with; -1 when it is not armed.
    int ArmedDelayMs() const { return timer_.isActive() ? timer_.interval() : -1; }

  protected:
    // The timer's timeout.
    void Fire();

  private:
    std::function<void()> onTick_;
    ui::TickCadence cadence_;
    QElapsedTimer clock_;
    std::function<qint64()> nowMs_;
    QTimer timer_;
    bool running_ = false;
};

}  // namespace dormix::tray_qt
