#pragma once
// What the two idle-notification protocols share: a connection of the
// program's own, a seat, and the rule that turns idled/resumed into use
// since the last sample and, where the main notification ignores idle
// inhibitors, an inhibitor into a hold. Each protocol makes its
// notification objects.

#include <cstdint>
#include <functional>
#include <memory>

#include "monitor/ActivitySource.h"
#include "monitor/Holds.h"
#include "monitor/IdleNotifications.h"
#include "platform/linux/wayland/WaylandConnection.h"

struct wl_seat;

namespace dormix::linux_wayland {

class NotificationSource : public monitor::ActivitySource,
                           public monitor::Holds,
                           protected monitor::IdleNotifications::Probe {
  public:
    ~NotificationSource() override;
    bool ActiveSinceLastSample() override;
    // What the last sample saw: the compositor's idle inhibitor, where it can
    // be told from input; the compositor does not say whose it is.
    monitor::HoldAnswer Ask() override;
    bool LastAnswerFailed() const override { return failed_; }
    std::string_view Name() const override { return Protocol(); }
    WaylandConnection& Connection() { return *connection_; }
    // The protocol's name, for messages.
    virtual const char* Protocol() const = 0;
    // Monotonic milliseconds; steady_clock unless replaced.
    std::function<std::int64_t()> clockMs;

  protected:
    // Binds the seat and the protocol's manager from the connection's
    // globals. `ignoresInhibitors`: the main notification reports input even
    // while some client inhibits idling.
    NotificationSource(std::unique_ptr<WaylandConnection> connection,
                       const WaylandConnection::Global& seat,
                       const WaylandConnection::Global& manager, bool ignoresInhibitors);
    // Drops the manager and everything made from it, binds `manager` and
    // makes the main notification on seat_ again.
    virtual void Remake(const WaylandConnection::Global& manager) = 0;
    void ResetRule(bool ignoresInhibitors);

    std::unique_ptr<WaylandConnection> connection_;
    wl_seat* seat_ = nullptr;

  private:
    bool Rebind();

    std::uint32_t seatName_, managerName_;
    std::string managerInterface_;
    bool orphaned_ = false;  // the seat or the manager was withdrawn
    bool failed_ = false;

  protected:
    monitor::IdleNotifications rule_;
};

}  // namespace dormix::linux_wayland
