#pragma once
// A window timer of the inventory kept on a monotonic one-second beat: a
// single-shot precise timer re-armed with the delay TickCadence gives, so
// ticks do not drift however late each one is delivered.

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <functional>

#include "app/TickCadence.h"

namespace dormix::qt {

class PreciseTicker : public QObject {
  public:
    PreciseTicker(int periodMs, std::function<void()> onTick);
    void Start();
    void Stop();
    bool Running() const { return running_; }
    int PeriodMs() const { return int(cadence_.Period()); }

  private:
    void Fire();

    std::function<void()> onTick_;
    app::TickCadence cadence_;
    QElapsedTimer clock_;
    QTimer timer_;
    bool running_ = false;
};

}  // namespace dormix::qt
