#pragma once
// The power-off request of a service. ExitWindowsEx ends the caller's own
// logon session; called from session 0, where no user is logged on, it can
// succeed without switching anything off. InitiateSystemShutdownEx shuts
// the machine down whoever is logged on, with the same shutdown privilege
// that the token steps enable.

#include "platform/win32/power/TokenPowerApi.h"

namespace dormix::win32_power {

// "Other (Planned)": an administrator's rule, not a fault. A planned reason
// keeps Windows from asking the next user why the machine went down.
inline constexpr DWORD PlannedShutdownReason =
    SHTDN_REASON_MAJOR_OTHER | SHTDN_REASON_MINOR_OTHER | SHTDN_REASON_FLAG_PLANNED;

class SystemShutdownApi final : public TokenPowerApi {
  public:
    // EWX_FORCE closes the programs without asking; EWX_REBOOT restarts.
    // Without a restart a shutdown powers off where the machine can.
    bool RequestPowerOff(std::int32_t flags, std::uint32_t reason) override;
};

}  // namespace dormix::win32_power
