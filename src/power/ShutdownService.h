#pragma once
// mdShut: asks the system to switch the computer off. Every failure is raised
// as a ProgramError with its own number; nothing is shown or logged here.

#include <cstdint>
#include <string>

#include "power/PowerApi.h"

namespace dormix::power {

inline constexpr std::int32_t ErrorBase = static_cast<std::int32_t>(0x80040000u);
inline constexpr std::int32_t ErrExitWindowsFailed = ErrorBase + 1579;  // 0x8004062B
inline constexpr std::int32_t ErrNoPrivilegeValue = ErrorBase + 1580;   // 0x8004062C
inline constexpr std::int32_t ErrNoCurrentProcess = ErrorBase + 1581;   // 0x8004062D
inline constexpr std::int32_t ErrNoPrivileges = ErrorBase + 1582;       // 0x8004062E
inline constexpr std::int32_t ErrInvalidParameter = ErrorBase + 1583;   // 0x8004062F
inline constexpr std::int32_t ErrTimedOut = ErrorBase + 1584;           // 0x80040630
inline constexpr std::int32_t ErrUnconfirmed = ErrorBase + 1585;        // 0x80040631
inline constexpr std::int32_t ErrLocked = ErrorBase + 1586;             // 0x80040632
inline constexpr std::int32_t ErrSleepFailed = ErrorBase + 1587;        // 0x80040633

inline constexpr std::int32_t FlagsPowerOffForced = 12;  // EWX_POWEROFF 8 + EWX_FORCE 4
inline constexpr std::uint32_t TokenAdjustAndQuery = 0x28;
inline constexpr std::uint32_t ReasonAllBits = 0xFFFFFFFFu;
inline constexpr std::uint32_t MessageBufferSize = 255;

// The system's text as a reason inside a sentence: without its line break
// and its full stop.
std::string Reason(std::string text);

class ShutdownService {
  public:
    // `programName`: the executable's file name without folder and extension.
    ShutdownService(PowerApi& api, std::string programName);

    bool ShutdownSystem(std::int32_t flags);
    bool EnableShutdownPrivilege();
    // Whether the machine can hibernate or sleep now: empty when it can,
    // the system's reason otherwise. Never raises: an answer that cannot be
    // had is a reason too.
    std::string SleepUnavailable(EndAction action);
    // Hibernation or sleep. Each failure is raised as ShutdownSystem's are;
    // the request's own as ErrSleepFailed.
    bool SleepSystem(EndAction action);
    std::string SystemErrorText(std::uint32_t code);

  private:
    // The first two steps of every request: the service reached, the
    // process known to it.
    void ReachAndIdentify();
    [[noreturn]] void Raise(std::int32_t number, std::string description);
    [[noreturn]] void RaiseWithSystemText(std::int32_t number, std::string_view prefix);
    [[noreturn]] void RaiseFor(std::uint32_t code, std::int32_t number, std::string_view prefix,
                               std::string_view end);

    PowerApi& api_;
    std::string source_;
};

}  // namespace dormix::power
