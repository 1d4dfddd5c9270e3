#include "platform/win32/power/SystemShutdownApi.h"

namespace dormix::win32_power {

// The reason the core passes is ExitWindowsEx's; this call takes its own.
bool SystemShutdownApi::RequestPowerOff(std::int32_t flags, std::uint32_t) {
    const BOOL force = (flags & EWX_FORCE) != 0, reboot = (flags & EWX_REBOOT) != 0;
    return InitiateSystemShutdownExA(nullptr, nullptr, 0, force, reboot, PlannedShutdownReason) !=
           0;
}

}  // namespace dormix::win32_power
