#pragma once
// The program's own connection to the Wayland compositor, read from Qt's
// event loop without ever blocking: events are read when the socket has
// some, and a sample only dispatches what has arrived.

#include <QObject>
#include <QSocketNotifier>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

struct wl_display;
struct wl_registry;
struct wl_interface;

namespace dormix::linux_wayland {

class WaylandConnection final : public QObject {
  public:
    struct Global {
        std::uint32_t name;
        std::string interface;
        std::uint32_t version;
    };

    // Null when there is no compositor to connect to, or it does not list its
    // globals within `timeoutMs`.
    static std::unique_ptr<WaylandConnection> Open(int timeoutMs = 3000);
    ~WaylandConnection() override;

    // The global of this interface, or null.
    const Global* Find(const char* interface) const;
    // Binds a listed global at no more than `maxVersion`.
    void* Bind(const Global& global, const wl_interface* interface, std::uint32_t maxVersion);

    // Reads and dispatches whatever has arrived, without waiting; false once
    // the compositor is gone.
    bool Pump();
    void Flush();
    bool Lost() const { return lost_; }

    // Runs once, from the event loop, when the compositor goes away.
    std::function<void()> onLost;
    // Runs when the compositor withdraws a global (a seat unplugged, a
    // protocol taken away), from a dispatch.
    std::function<void(std::uint32_t name)> onGlobalRemoved;

  private:
    explicit WaylandConnection(wl_display* display);
    bool Roundtrip(int timeoutMs);
    void OnReadable();
    bool MarkLost();
    void Tell();

    wl_display* display_;
    wl_registry* registry_ = nullptr;
    std::vector<Global> globals_;
    std::unique_ptr<QSocketNotifier> notifier_;
    bool lost_ = false;
    bool told_ = false;

    friend struct RegistryEvents;
};

}  // namespace dormix::linux_wayland
