#pragma once

#include <QSocketNotifier>
#include <QTimer>
#include <memory>

#include "platform/linux/logind/LogindBus.h"

namespace dormix::tray_qt {

// Waits for the system bus inside Qt's event loop: the bus's socket and its
// next timeout wake the loop, which meanwhile repaints and reads the signal
// pipe. User input waits: the exchange is already under way. Installed for
// the process while it lives.
class QtBusWait final : public linux_logind::BusWait {
  public:
    QtBusWait() { linux_logind::UseBusWait(this); }
    ~QtBusWait() override { linux_logind::UseBusWait(nullptr); }
    QtBusWait(const QtBusWait&) = delete;
    QtBusWait& operator=(const QtBusWait&) = delete;

    int Wait(int fd, short events, std::chrono::microseconds wait, bool holdTimers) override;

  private:
    int fd_ = -1;
    std::unique_ptr<QSocketNotifier> readable_, writable_;
    QTimer wake_;
};

}  // namespace dormix::tray_qt
