#include "platform/linux/wayland/WaylandConnection.h"

#include <poll.h>
#include <wayland-client.h>

#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

namespace dormix::linux_wayland {

struct RegistryEvents {
    static void Global(void* data, wl_registry*, std::uint32_t name, const char* interface,
                       std::uint32_t version) {
        static_cast<WaylandConnection*>(data)->globals_.push_back({name, interface, version});
    }
    static void Remove(void* data, wl_registry*, std::uint32_t name) {
        auto* connection = static_cast<WaylandConnection*>(data);
        std::erase_if(connection->globals_, [name](const auto& g) { return g.name == name; });
        if (connection->onGlobalRemoved) connection->onGlobalRemoved(name);
    }
    static constexpr wl_registry_listener kListener{Global, Remove};
};

namespace {

void SyncDone(void* data, wl_callback*, std::uint32_t) { *static_cast<bool*>(data) = true; }
constexpr wl_callback_listener kSyncListener{SyncDone};

}  // namespace

std::unique_ptr<WaylandConnection> WaylandConnection::Open(int timeoutMs) {
    wl_display* display = wl_display_connect(nullptr);
    if (!display) return nullptr;
    std::unique_ptr<WaylandConnection> connection(new WaylandConnection(display));
    connection->registry_ = wl_display_get_registry(display);
    wl_registry_add_listener(connection->registry_, &RegistryEvents::kListener, connection.get());
    if (!connection->Roundtrip(timeoutMs)) return nullptr;
    connection->notifier_ =
        std::make_unique<QSocketNotifier>(wl_display_get_fd(display), QSocketNotifier::Read);
    connect(connection->notifier_.get(), &QSocketNotifier::activated, connection.get(),
            &WaylandConnection::OnReadable);
    return connection;
}

WaylandConnection::WaylandConnection(wl_display* display) : display_(display) {}

WaylandConnection::~WaylandConnection() {
    notifier_.reset();
    if (registry_) wl_registry_destroy(registry_);
    wl_display_disconnect(display_);
}

const WaylandConnection::Global* WaylandConnection::Find(const char* interface) const {
    for (const auto& global : globals_)
        if (global.interface == interface) return &global;
    return nullptr;
}

void* WaylandConnection::Bind(const Global& global, const wl_interface* interface,
                              std::uint32_t maxVersion) {
    return wl_registry_bind(registry_, global.name, interface,
                            std::min(global.version, maxVersion));
}

bool WaylandConnection::Roundtrip(int timeoutMs) {
    // wl_display_roundtrip would wait for ever on a compositor that hangs.
    bool done = false;
    wl_callback* callback = wl_display_sync(display_);
    wl_callback_add_listener(callback, &kSyncListener, &done);
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done) {
        while (wl_display_prepare_read(display_) != 0)
            if (wl_display_dispatch_pending(display_) < 0) break;
        if (done) {
            wl_display_cancel_read(display_);
            break;
        }
        wl_display_flush(display_);
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        pollfd p{wl_display_get_fd(display_), POLLIN, 0};
        if (left.count() <= 0 || poll(&p, 1, int(left.count())) <= 0) {
            wl_display_cancel_read(display_);
            break;
        }
        if (wl_display_read_events(display_) < 0 || wl_display_dispatch_pending(display_) < 0)
            break;
    }
    if (!done) wl_callback_destroy(callback);
    return done;
}

bool WaylandConnection::Pump() {
    if (lost_) return false;
    while (wl_display_prepare_read(display_) != 0)
        if (wl_display_dispatch_pending(display_) < 0) return MarkLost();
    Flush();
    pollfd p{wl_display_get_fd(display_), POLLIN, 0};
    if (poll(&p, 1, 0) > 0) {
        if (wl_display_read_events(display_) < 0) return MarkLost();
    } else {
        wl_display_cancel_read(display_);
    }
    if (wl_display_dispatch_pending(display_) < 0) return MarkLost();
    return true;
}

void WaylandConnection::Flush() {
    // A full socket (EAGAIN) keeps the rest for the next flush.
    if (wl_display_flush(display_) < 0 && errno != EAGAIN) MarkLost();
}

bool WaylandConnection::MarkLost() {
    if (lost_) return false;
    lost_ = true;
    if (notifier_) notifier_->setEnabled(false);
    // Found during a sample: the end runs after it, from the event loop.
    QTimer::singleShot(0, this, [this] { Tell(); });
    return false;
}

void WaylandConnection::OnReadable() {
    // At once: the X server of a Wayland session goes down with its
    // compositor, and Qt ends the process when its X connection breaks.
    if (!Pump()) Tell();
}

void WaylandConnection::Tell() {
    if (told_) return;
    told_ = true;
    if (onLost) onLost();
}

}  // namespace dormix::linux_wayland
