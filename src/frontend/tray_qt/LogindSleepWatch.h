#pragma once
// Hears logind's PrepareForSleep(false) on the system bus: the machine has
// just woken from suspend or hibernation.
//
// The bus is driven from the event loop without ever blocking on it: the
// connection, the greeting and the subscription all go out asynchronously,
// and a bus that never answers only means no resume is heard.

#include <QSocketNotifier>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>

#include "platform/linux/logind/LogindSignals.h"

struct sd_bus;
struct sd_bus_slot;

namespace dormix::tray_qt {

class LogindSleepWatch {
  public:
    // `address`: a D-Bus address; empty for the system bus.
    LogindSleepWatch(std::function<void()> onResume, const std::string& address = {});
    ~LogindSleepWatch();
    LogindSleepWatch(const LogindSleepWatch&) = delete;
    LogindSleepWatch& operator=(const LogindSleepWatch&) = delete;

    bool Listening() const { return bus_ != nullptr; }

  private:
    void Process();
    void Rearm();
    void Close();

    std::function<void()> onResume_;
    sd_bus* bus_ = nullptr;
    sd_bus_slot* match_ = nullptr;
    linux_logind::LogindSignals fromLogind_;
    std::unique_ptr<QSocketNotifier> readable_, writable_;
    QTimer wake_;
};

}  // namespace dormix::tray_qt
