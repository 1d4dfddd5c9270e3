#pragma once
// What the desktop itself knows of programs' holds, on the session bus:
// players, browsers and presentation tools ask GNOME's session manager or
// the power manager of KDE and XFCE to keep the screen awake, not logind.
//
// One question is a few calls inside a budget of half a second, so that
// every place the program asks stays within about 1.5 s; meanwhile the
// window repaints and signals are heard, but timers wait (the question
// comes from the cycle's tick). A desktop that is not there (its service
// not on the bus, no session bus at all) holds nothing and is no failure;
// one that gives no usable answer holds nothing and says why.

#include <chrono>
#include <string>

#include "monitor/Holds.h"
#include "platform/linux/logind/LogindBus.h"

namespace dormix::linux_monitor {

inline constexpr std::chrono::milliseconds DesktopBudget{500};

// DBUS_SESSION_BUS_ADDRESS, else the user's bus in XDG_RUNTIME_DIR; empty
// when neither is set.
std::string SessionBusAddress();

// The session bus and what both desktops' questions need of it.
class SessionBusHolds : public monitor::Holds {
  protected:
    SessionBusHolds(std::string address, std::chrono::milliseconds budget);
    // Starts a question: false, with `*answer` set, when there is no bus to ask.
    bool Begin(monitor::HoldAnswer* answer);
    // Held for the length of each question: the connection closes with it.
    linux_logind::LogindBus::Question Question() { return linux_logind::LogindBus::Question(bus_); }
    linux_logind::Answer Call(const char* service, const char* path, const char* interface,
                              const char* method, const char* signature = nullptr,
                              const void* argument = nullptr);
    // Why `answer` to `method` of `service` is of no use; `signature`: the one
    // a reply must have.
    std::string Failure(const linux_logind::Answer& answer, const char* service,
                        const char* signature) const;
    // A reply of this signature holding one boolean.
    static bool ReadFlag(const linux_logind::Answer& answer, bool* flag);

  private:
    bool absent_;  // no session bus address at all
    linux_logind::LogindBus bus_;
};

// GNOME's session manager: IsInhibited(8), the idle flag, then each
// inhibitor's application, reason and flags.
class GnomeSessionHolds final : public SessionBusHolds {
  public:
    explicit GnomeSessionHolds(std::string address = SessionBusAddress(),
                               std::chrono::milliseconds budget = DesktopBudget)
        : SessionBusHolds(std::move(address), budget) {}
    monitor::HoldAnswer Ask() override;
};

// KDE's policy agent (whether suspending the session or changing the
// screen's settings is inhibited, and its list of inhibitions), else the
// freedesktop.org power-management inhibit service of XFCE and others,
// which says only whether something inhibits.
class PowerManagementHolds final : public SessionBusHolds {
  public:
    explicit PowerManagementHolds(std::string address = SessionBusAddress(),
                                  std::chrono::milliseconds budget = DesktopBudget)
        : SessionBusHolds(std::move(address), budget) {}
    monitor::HoldAnswer Ask() override;

  private:
    monitor::HoldAnswer AskKde(const linux_logind::Answer& held);
};

}  // namespace dormix::linux_monitor
