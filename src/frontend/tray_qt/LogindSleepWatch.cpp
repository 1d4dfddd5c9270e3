#include "frontend/tray_qt/LogindSleepWatch.h"

#include <poll.h>
#include <systemd/sd-bus.h>

#include <chrono>
#include <cstdio>

#include "platform/linux/logind/LogindBus.h"

namespace dormix::tray_qt {

LogindSleepWatch::LogindSleepWatch(std::function<void()> onResume, const std::string& address)
    : onResume_(std::move(onResume)) {
    int r = linux_logind::OpenBus(address, &bus_);
    const auto onSignal = [](sd_bus_message* m, void* self, sd_bus_error*) {
        auto* watch = static_cast<LogindSleepWatch*>(self);
        int start = 1;
        // true: about to sleep; false: woken up. Only the waking matters
        // here, and only logind's own: anyone may send us a forged one.
        if (watch->fromLogind_.FromLogind(m) && sd_bus_message_read(m, "b", &start) >= 0 && !start)
            watch->onResume_();
        return 0;
    };
    // These only queue messages: nothing here waits for the bus.
    if (r >= 0) r = fromLogind_.Follow(bus_);
    if (r >= 0)
        r = sd_bus_match_signal_async(bus_, &match_, linux_logind::LogindService,
                                      linux_logind::LogindPath, linux_logind::LogindManager,
                                      "PrepareForSleep", onSignal, nullptr, this);
    if (r < 0 || sd_bus_get_fd(bus_) < 0) {
        Close();
        return;
    }
    readable_ = std::make_unique<QSocketNotifier>(sd_bus_get_fd(bus_), QSocketNotifier::Read);
    writable_ = std::make_unique<QSocketNotifier>(sd_bus_get_fd(bus_), QSocketNotifier::Write);
    QObject::connect(readable_.get(), &QSocketNotifier::activated, [this] { Process(); });
    QObject::connect(writable_.get(), &QSocketNotifier::activated, [this] { Process(); });
    wake_.setSingleShot(true);
    QObject::connect(&wake_, &QTimer::timeout, [this] { Process(); });
    Process();
}

LogindSleepWatch::~LogindSleepWatch() { Close(); }

void LogindSleepWatch::Close() {
    readable_.reset();
    writable_.reset();
    wake_.stop();
    match_ = sd_bus_slot_unref(match_);
    fromLogind_.Drop();
    if (bus_) {
        sd_bus_close(bus_);
        bus_ = sd_bus_unref(bus_);
    }
}

void LogindSleepWatch::Process() {
    if (!bus_) return;
    // Anyone may send messages to this connection: a flood is taken a slice
    // at a time, and the window's loop turns between slices.
    int r;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(50);
    while ((r = sd_bus_process(bus_, nullptr)) > 0 && std::chrono::steady_clock::now() < until) {
    }
    if (r > 0) {
        wake_.start(0);
        return;
    }
    if (r < 0) {
        // The bus went (a restarted dbus-daemon): resumes go unheard from
        // now on, which leaves the countdown as it was before.
        std::fprintf(stderr, "DormixL: the system bus connection for resume signals ended.\n");
        Close();
        return;
    }
    Rearm();
}

void LogindSleepWatch::Rearm() {
    const int events = sd_bus_get_events(bus_);
    readable_->setEnabled(events & POLLIN);
    writable_->setEnabled(events & POLLOUT);
    const std::chrono::microseconds left = linux_logind::UntilBusTimeout(bus_);
    if (left == std::chrono::microseconds::max()) {
        wake_.stop();
        return;
    }
    wake_.start(int(std::chrono::ceil<std::chrono::milliseconds>(left).count()));
}

}  // namespace dormix::tray_qt
