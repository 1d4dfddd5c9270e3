#pragma once
// Use seen through KDE's idle protocol, org_kde_kwin_idle (KWin, and wlroots
// compositors before ext-idle-notify-v1, such as sway 1.7).

#include <memory>

#include "platform/linux/wayland/NotificationSource.h"

struct org_kde_kwin_idle;
struct org_kde_kwin_idle_timeout;

namespace dormix::linux_wayland {

class KdeIdleSource final : public NotificationSource {
  public:
    // Null when the compositor offers no org_kde_kwin_idle or no seat.
    static std::unique_ptr<KdeIdleSource> Open(std::unique_ptr<WaylandConnection>& connection);
    ~KdeIdleSource() override;
    const char* Protocol() const override { return "org_kde_kwin_idle"; }

  private:
    KdeIdleSource(std::unique_ptr<WaylandConnection> connection,
                  const WaylandConnection::Global& seat, const WaylandConnection::Global& idle);
    void Remake(const WaylandConnection::Global& idle) override;
    void MakeMain(const WaylandConnection::Global& idle);
    void CreateProbe(std::uint32_t timeoutMs) override;
    void DestroyProbe() override;

    org_kde_kwin_idle* idle_ = nullptr;
    org_kde_kwin_idle_timeout* main_ = nullptr;
    org_kde_kwin_idle_timeout* probe_ = nullptr;
};

}  // namespace dormix::linux_wayland
