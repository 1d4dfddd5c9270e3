#pragma once
// What the two idle-notification protocols share: a connection of the
// program's own, a seat, and the rule that turns idled/resumed into use
// since the last sample. Each protocol makes its notification objects.

#include <memory>

#include "monitor/ActivitySource.h"
#include "monitor/IdleNotifications.h"
#include "monitor/wayland/WaylandConnection.h"

struct wl_seat;

namespace dormix::monitor::wayland {

class NotificationSource : public ActivitySource, protected IdleNotifications::Probe {
public:
    ~NotificationSource() override;
    bool ActiveSinceLastSample() override;
    WaylandConnection& Connection() { return *connection_; }
    // The protocol's name, for messages.
    virtual const char* Protocol() const = 0;

protected:
    // `ignoresInhibitors`: the main notification reports input even while
    // some client inhibits idling.
    NotificationSource(std::unique_ptr<WaylandConnection> connection, wl_seat* seat,
                       bool ignoresInhibitors);

    std::unique_ptr<WaylandConnection> connection_;
    wl_seat* seat_;
    IdleNotifications rule_;
};

}  // namespace dormix::monitor::wayland
