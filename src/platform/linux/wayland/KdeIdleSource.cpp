#include "platform/linux/wayland/KdeIdleSource.h"

#include <wayland-client.h>

#include "idle-client-protocol.h"

namespace dormix::linux_wayland {

namespace {

void MainIdle(void* data, org_kde_kwin_idle_timeout*) {
    static_cast<monitor::IdleNotifications*>(data)->OnIdled();
}
void MainResumed(void* data, org_kde_kwin_idle_timeout*) {
    static_cast<monitor::IdleNotifications*>(data)->OnResumed();
}
void ProbeIdle(void* data, org_kde_kwin_idle_timeout*) {
    static_cast<monitor::IdleNotifications*>(data)->OnProbeIdled();
}
void Ignore(void*, org_kde_kwin_idle_timeout*) {}

constexpr org_kde_kwin_idle_timeout_listener kMain{MainIdle, MainResumed};
constexpr org_kde_kwin_idle_timeout_listener kProbe{ProbeIdle, Ignore};

}  // namespace

std::unique_ptr<KdeIdleSource> KdeIdleSource::Open(std::unique_ptr<WaylandConnection>& connection) {
    const auto* global = connection->Find(org_kde_kwin_idle_interface.name);
    const auto* seat = connection->Find(wl_seat_interface.name);
    if (!global || !seat) return nullptr;
    const WaylandConnection::Global idle = *global, seatGlobal = *seat;
    return std::unique_ptr<KdeIdleSource>(
        new KdeIdleSource(std::move(connection), seatGlobal, idle));
}

KdeIdleSource::KdeIdleSource(std::unique_ptr<WaylandConnection> connection,
                             const WaylandConnection::Global& seat,
                             const WaylandConnection::Global& idle)
    : NotificationSource(std::move(connection), seat, idle, false) {
    MakeMain(idle);
    connection_->Flush();
}

KdeIdleSource::~KdeIdleSource() {
    DestroyProbe();
    org_kde_kwin_idle_timeout_release(main_);
    // The manager has no destructor request; only the proxy goes.
    org_kde_kwin_idle_destroy(idle_);
}

void KdeIdleSource::MakeMain(const WaylandConnection::Global& global) {
    idle_ =
        static_cast<org_kde_kwin_idle*>(connection_->Bind(global, &org_kde_kwin_idle_interface, 1));
    main_ =
        org_kde_kwin_idle_get_idle_timeout(idle_, seat_, monitor::IdleNotifications::kTimeoutMs);
    org_kde_kwin_idle_timeout_add_listener(main_, &kMain, &rule_);
}

void KdeIdleSource::Remake(const WaylandConnection::Global& idle) {
    DestroyProbe();
    org_kde_kwin_idle_timeout_release(main_);
    org_kde_kwin_idle_destroy(idle_);
    ResetRule(false);
    MakeMain(idle);
}

void KdeIdleSource::CreateProbe(std::uint32_t timeoutMs) {
    probe_ = org_kde_kwin_idle_get_idle_timeout(idle_, seat_, timeoutMs);
    org_kde_kwin_idle_timeout_add_listener(probe_, &kProbe, &rule_);
}

void KdeIdleSource::DestroyProbe() {
    if (probe_) org_kde_kwin_idle_timeout_release(probe_);
    probe_ = nullptr;
}

}  // namespace dormix::linux_wayland
