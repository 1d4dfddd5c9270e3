#pragma once
// Use seen through ext-idle-notify-v1 (KWin 5.27+, wlroots 0.17+ compositors).
// From version 2 on, its input-only notification ignores idle inhibitors,
// and the ordinary one made beside it as the probe goes idle only where no
// inhibitor is held: an input-only notification idle and a probe that is
// not is a program's hold. Version 1 has only the ordinary kind, so there an
// inhibitor cannot be told from input.

#include <memory>

#include "platform/linux/wayland/NotificationSource.h"

struct ext_idle_notifier_v1;
struct ext_idle_notification_v1;

namespace dormix::linux_wayland {

class ExtIdleSource final : public NotificationSource {
  public:
    // Null when the compositor offers no ext_idle_notifier_v1 or no seat; the
    // connection is then left to the next protocol.
    static std::unique_ptr<ExtIdleSource> Open(std::unique_ptr<WaylandConnection>& connection);
    ~ExtIdleSource() override;
    const char* Protocol() const override { return "ext-idle-notify-v1"; }

  private:
    ExtIdleSource(std::unique_ptr<WaylandConnection> connection,
                  const WaylandConnection::Global& seat, const WaylandConnection::Global& notifier);
    void Remake(const WaylandConnection::Global& notifier) override;
    void CreateProbe(std::uint32_t timeoutMs) override;
    void DestroyProbe() override;
    void MakeMain(const WaylandConnection::Global& notifier);

    ext_idle_notifier_v1* notifier_ = nullptr;
    ext_idle_notification_v1* main_ = nullptr;
    ext_idle_notification_v1* probe_ = nullptr;
};

}  // namespace dormix::linux_wayland
