#pragma once
// The power-off steps carried out by systemd-logind over the system bus.
//
// The privilege steps become questions to logind: is it there (the look-up),
// may this user power off (CanPowerOff answering "yes" or "challenge" opens
// the "token"). The request maps the flags onto logind's methods; "forced"
// means no interactive authentication prompt, never overriding a block
// inhibitor that another program holds. Every failure keeps logind's or the
// bus's own message as the system text of its error code.

#include <QDBusConnection>
#include <QString>
#include <functional>
#include <map>
#include <string>

#include "power/PowerApi.h"

namespace dormix::power_linux {

inline constexpr const char* LogindService = "org.freedesktop.login1";
inline constexpr const char* LogindPath = "/org/freedesktop/login1";
inline constexpr const char* LogindManager = "org.freedesktop.login1.Manager";

// What the flags ask logind for.
struct LogindRequest {
    const char* method;  // PowerOff, Reboot, Halt or TerminateSession
    bool interactive;    // false when forced (4 or 16)
    bool inhibitable;    // subject to "shutdown" inhibitors
};
LogindRequest RequestFor(std::int32_t flags);

class LogindPowerApi final : public power::PowerApi {
  public:
    using BusFactory = std::function<QDBusConnection()>;
    // Default: the system bus.
    explicit LogindPowerApi(BusFactory bus = {});

    bool LookupShutdownPrivilege() override;
    bool CurrentProcess() override { return true; }
    bool OpenProcessToken(std::uint32_t access) override;
    bool AdjustTokenPrivileges() override { return true; }
    void CloseToken() override {}
    bool ExitWindows(std::int32_t flags, std::uint32_t reason) override;
    std::uint32_t LastError() override { return lastError_; }
    std::uint32_t FormatMessage(std::uint32_t code, char* buffer, std::uint32_t size) override;

  private:
    bool Fail(const QString& text);
    QString BlockingInhibitor(QDBusConnection& bus);

    BusFactory busFactory_;
    std::uint32_t lastError_ = 0;
    std::map<std::uint32_t, std::string> texts_;
};

}  // namespace dormix::power_linux
