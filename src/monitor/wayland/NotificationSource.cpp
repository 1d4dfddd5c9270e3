#include "monitor/wayland/NotificationSource.h"

#include <wayland-client.h>

#include <chrono>

namespace dormix::monitor::wayland {

NotificationSource::NotificationSource(std::unique_ptr<WaylandConnection> connection, wl_seat* seat,
                                       bool ignoresInhibitors)
    : connection_(std::move(connection)), seat_(seat), rule_(ignoresInhibitors ? nullptr : this) {}

NotificationSource::~NotificationSource() {
    if (seat_) wl_seat_destroy(seat_);
}

bool NotificationSource::ActiveSinceLastSample() {
    // Only what has already arrived: a sample never waits for the compositor.
    if (!connection_->Pump()) return true;
    const auto now = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
    const bool active = rule_.ActiveSince(now.count());
    connection_->Flush();  // a probe made or dropped
    return active;
}

}  // namespace dormix::monitor::wayland
