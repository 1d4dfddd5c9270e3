#include "monitor/wayland/KdeIdleSource.h"

#include <wayland-client.h>

#include "idle-client-protocol.h"

namespace dormix::monitor::wayland {

namespace {

void MainIdle(void* data, org_kde_kwin_idle_timeout*) {
    static_cast<IdleNotifications*>(data)->OnIdled();
}
void MainResumed(void* data, org_kde_kwin_idle_timeout*) {
    static_cast<IdleNotifications*>(data)->OnResumed();
}
void ProbeIdle(void* data, org_kde_kwin_idle_timeout*) {
    static_cast<IdleNotifications*>(data)->OnProbeIdled();
}
void Ignore(void*, org_kde_kwin_idle_timeout*) {}

constexpr org_kde_kwin_idle_timeout_listener kMain{MainIdle, MainResumed};
constexpr org_kde_kwin_idle_timeout_listener kProbe{ProbeIdle, Ignore};

}  // namespace

std::unique_ptr<KdeIdleSource> KdeIdleSource::Open(std::unique_ptr<WaylandConnection>& connection) {
    const auto* global = connection->Find(org_kde_kwin_idle_interface.name);
    const auto* seatGlobal = connection->Find(wl_seat_interface.name);
    if (!global || !seatGlobal) return nullptr;
    auto* idle =
        static_cast<org_kde_kwin_idle*>(connection->Bind(*global, &org_kde_kwin_idle_interface, 1));
    auto* seat = static_cast<wl_seat*>(connection->Bind(*seatGlobal, &wl_seat_interface, 1));
    return std::unique_ptr<KdeIdleSource>(new KdeIdleSource(std::move(connection), seat, idle));
}

KdeIdleSource::KdeIdleSource(std::unique_ptr<WaylandConnection> connection, wl_seat* seat,
                             org_kde_kwin_idle* idle)
    : NotificationSource(std::move(connection), seat, false), idle_(idle) {
    main_ = org_kde_kwin_idle_get_idle_timeout(idle_, seat_, IdleNotifications::kTimeoutMs);
    org_kde_kwin_idle_timeout_add_listener(main_, &kMain, &rule_);
    connection_->Flush();
}

KdeIdleSource::~KdeIdleSource() {
    DestroyProbe();
    org_kde_kwin_idle_timeout_release(main_);
    // The manager has no destructor request; only the proxy goes.
    org_kde_kwin_idle_destroy(idle_);
}

void KdeIdleSource::CreateProbe(std::uint32_t timeoutMs) {
    probe_ = org_kde_kwin_idle_get_idle_timeout(idle_, seat_, timeoutMs);
    org_kde_kwin_idle_timeout_add_listener(probe_, &kProbe, &rule_);
}

void KdeIdleSource::DestroyProbe() {
    if (probe_) org_kde_kwin_idle_timeout_release(probe_);
    probe_ = nullptr;
}

}  // namespace dormix::monitor::wayland
