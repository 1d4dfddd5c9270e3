#include "platform/linux/wayland/NotificationSource.h"

#include <wayland-client.h>

#include <chrono>

namespace dormix::linux_wayland {

namespace {

monitor::IdleNotifications::MainNotification Main(bool ignoresInhibitors) {
    return ignoresInhibitors ? monitor::IdleNotifications::MainNotification::IgnoresInhibitors
                             : monitor::IdleNotifications::MainNotification::ObeysInhibitors;
}

std::int64_t SteadyMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

wl_seat* BindSeat(WaylandConnection& connection, const WaylandConnection::Global& seat) {
    return static_cast<wl_seat*>(connection.Bind(seat, &wl_seat_interface, 1));
}

}  // namespace

NotificationSource::NotificationSource(std::unique_ptr<WaylandConnection> connection,
                                       const WaylandConnection::Global& seat,
                                       const WaylandConnection::Global& manager,
                                       bool ignoresInhibitors)
    : clockMs(SteadyMs),
      connection_(std::move(connection)),
      seat_(BindSeat(*connection_, seat)),
      seatName_(seat.name),
      managerName_(manager.name),
      managerInterface_(manager.interface),
      rule_(*this, Main(ignoresInhibitors)) {
    // Notifications made on a withdrawn seat or manager just fall silent:
    // left alone, the last state, perhaps "idle", would stand for ever.
    connection_->onGlobalRemoved = [this](std::uint32_t name) {
        if (name == seatName_ || name == managerName_) orphaned_ = true;
    };
}

NotificationSource::~NotificationSource() {
    connection_->onGlobalRemoved = nullptr;
    if (seat_) wl_seat_destroy(seat_);
}

void NotificationSource::ResetRule(bool ignoresInhibitors) {
    rule_ = monitor::IdleNotifications(*this, Main(ignoresInhibitors));
}

bool NotificationSource::Rebind() {
    const auto* seat = connection_->Find(wl_seat_interface.name);
    const auto* manager = connection_->Find(managerInterface_.c_str());
    if (!seat || !manager) return false;
    wl_seat_destroy(seat_);
    seat_ = BindSeat(*connection_, *seat);
    seatName_ = seat->name;
    managerName_ = manager->name;
    Remake(*manager);
    orphaned_ = false;
    return true;
}

bool NotificationSource::ActiveSinceLastSample() {
    // Only what has already arrived: a sample never waits for the compositor.
    failed_ = !connection_->Pump() || (orphaned_ && !Rebind());
    if (failed_) return true;
    // A fresh main notification is not idle: use until it says otherwise.
    const bool active = rule_.ActiveSince(clockMs());
    connection_->Flush();  // a probe made or dropped, notifications made again
    return active;
}

monitor::HoldAnswer NotificationSource::Ask() {
    if (!rule_.Held()) return {};
    return monitor::HoldAnswer::HeldBy(std::string("a program (") + Protocol() +
                                       ": an idle inhibitor)");
}

}  // namespace dormix::linux_wayland
