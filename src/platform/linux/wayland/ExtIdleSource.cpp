#include "platform/linux/wayland/ExtIdleSource.h"

#include <wayland-client.h>

#include "ext-idle-notify-v1-client-protocol.h"

namespace dormix::linux_wayland {

namespace {

constexpr std::uint32_t kInputOnlyVersion = 2;

void MainIdled(void* data, ext_idle_notification_v1*) {
    static_cast<monitor::IdleNotifications*>(data)->OnIdled();
}
void MainResumed(void* data, ext_idle_notification_v1*) {
    static_cast<monitor::IdleNotifications*>(data)->OnResumed();
}
void ProbeIdled(void* data, ext_idle_notification_v1*) {
    static_cast<monitor::IdleNotifications*>(data)->OnProbeIdled();
}
void Ignore(void*, ext_idle_notification_v1*) {}

constexpr ext_idle_notification_v1_listener kMain{MainIdled, MainResumed};
constexpr ext_idle_notification_v1_listener kProbe{ProbeIdled, Ignore};

}  // namespace

std::unique_ptr<ExtIdleSource> ExtIdleSource::Open(std::unique_ptr<WaylandConnection>& connection) {
    const auto* global = connection->Find(ext_idle_notifier_v1_interface.name);
    const auto* seat = connection->Find(wl_seat_interface.name);
    if (!global || !seat) return nullptr;
    // Copies: the list they sit in belongs to the connection being moved.
    const WaylandConnection::Global notifier = *global, seatGlobal = *seat;
    return std::unique_ptr<ExtIdleSource>(
        new ExtIdleSource(std::move(connection), seatGlobal, notifier));
}

ExtIdleSource::ExtIdleSource(std::unique_ptr<WaylandConnection> connection,
                             const WaylandConnection::Global& seat,
                             const WaylandConnection::Global& notifier)
    : NotificationSource(std::move(connection), seat, notifier,
                         notifier.version >= kInputOnlyVersion) {
    MakeMain(notifier);
    connection_->Flush();
}

ExtIdleSource::~ExtIdleSource() {
    DestroyProbe();
    ext_idle_notification_v1_destroy(main_);
    ext_idle_notifier_v1_destroy(notifier_);
}

void ExtIdleSource::MakeMain(const WaylandConnection::Global& global) {
    notifier_ = static_cast<ext_idle_notifier_v1*>(
        connection_->Bind(global, &ext_idle_notifier_v1_interface, kInputOnlyVersion));
    const bool inputOnly = global.version >= kInputOnlyVersion;
    main_ = inputOnly ? ext_idle_notifier_v1_get_input_idle_notification(
                            notifier_, monitor::IdleNotifications::kTimeoutMs, seat_)
                      : ext_idle_notifier_v1_get_idle_notification(
                            notifier_, monitor::IdleNotifications::kTimeoutMs, seat_);
    ext_idle_notification_v1_add_listener(main_, &kMain, &rule_);
}

void ExtIdleSource::Remake(const WaylandConnection::Global& notifier) {
    DestroyProbe();
    ext_idle_notification_v1_destroy(main_);
    ext_idle_notifier_v1_destroy(notifier_);
    ResetRule(notifier.version >= kInputOnlyVersion);
    MakeMain(notifier);
}

void ExtIdleSource::CreateProbe(std::uint32_t timeoutMs) {
    probe_ = ext_idle_notifier_v1_get_idle_notification(notifier_, timeoutMs, seat_);
    ext_idle_notification_v1_add_listener(probe_, &kProbe, &rule_);
}

void ExtIdleSource::DestroyProbe() {
    if (probe_) ext_idle_notification_v1_destroy(probe_);
    probe_ = nullptr;
}

}  // namespace dormix::linux_wayland
