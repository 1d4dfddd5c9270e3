#pragma once

#include <cstdint>

namespace dormix::power {

// Windows' ERROR_TIMEOUT: the last error of a step that gave up waiting for
// the system, which is reported apart from a refusal.
inline constexpr std::uint32_t ErrorTimeout = 1460;
// Windows' ERROR_IO_PENDING: the request was handed over and no answer came,
// so the system may still carry it out. Never reported as a timeout, which
// promises that nothing more happens.
inline constexpr std::uint32_t ErrorRequestPending = 997;
// The request was refused because a lock that guards the system (an
// upgrade) is in force: nothing happened, and the wait goes on. An
// application-defined code (bit 29), so no system error means it.
inline constexpr std::uint32_t ErrorLocked = 0x2FFF0001u;

// What the countdown ends in: the machine switched off (the default), or
// put to hibernation or sleep, which keep what was open for its user.
enum class EndAction : std::uint8_t { PowerOff, Hibernate, Sleep };

// The steps of a power-off request, in the order ShutdownService takes them,
// each true on success with the reason in LastError() otherwise. Each step
// has its own error number for the user (see ShutdownService.h), so a
// system with fewer steps answers true for the ones it does not have.
// Windows: LookupPrivilegeValue, GetCurrentProcess, OpenProcessToken,
// AdjustTokenPrivileges, CloseHandle, ExitWindowsEx, FormatMessage.
// logind: the bus and logind reached, CanPowerOff, PowerOff.
// Hibernation and sleep take the first two steps, then MaySleep and
// RequestSleep; Windows enables the shutdown privilege inside the request.
class PowerApi {
  public:
    virtual ~PowerApi() = default;
    // The system's power service can be reached.
    virtual bool ReachPowerService() = 0;
    // The process that asks is known to the system.
    virtual bool IdentifyProcess() = 0;
    // The system is asked whether this process may power off (`access`:
    // the rights asked for where the system wants them named).
    virtual bool MayPowerOff(std::uint32_t access) = 0;
    // The right to power off is claimed for this process.
    virtual bool ClaimPowerOffRight() = 0;
    // Whatever the two steps above hold is let go.
    virtual void ReleaseRights() = 0;
    // The request itself, with the program's flags (8 power off, 4 forced).
    virtual bool RequestPowerOff(std::int32_t flags, std::uint32_t reason) = 0;
    // The machine can hibernate or sleep (`action`), and this process may ask
    // for it: hibernation switched on, a sleep state the hardware has. The
    // system's reason is in LastError() otherwise.
    virtual bool MaySleep(EndAction action) = 0;
    // The request to hibernate or sleep, leaving wake timers as the system
    // keeps them. True once the system took it: the machine sleeps soon
    // after, or has slept and woken again by the time it returns.
    virtual bool RequestSleep(EndAction action) = 0;
    // The error number of the step that failed last.
    virtual std::uint32_t LastError() = 0;
    // The system's text for error `code` into `buffer` (at most `size`
    // characters); returns how many characters it wrote, 0 when it has none.
    virtual std::uint32_t ErrorText(std::uint32_t code, char* buffer, std::uint32_t size) = 0;
};

}  // namespace dormix::power
