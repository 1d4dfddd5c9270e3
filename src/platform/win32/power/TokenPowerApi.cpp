#include "platform/win32/power/TokenPowerApi.h"

#include <string>

#include "ui/Texts.h"
// After windows.h, which it builds on.
#include <powrprof.h>

#include <cstring>

namespace dormix::win32_power {

namespace {

// MaySleep's own code: its reason is a sentence of ours, not a system error.
constexpr DWORD NoSuchState = 0x20000000u | 0x5350;

}  // namespace

bool TokenPowerApi::ReachPowerService() {
    return LookupPrivilegeValueA(nullptr, std::string(text::ShutdownPrivilegeName).c_str(),
                                 &privilege_) != 0;
}

// The pseudo-handle of the own process: never closed.
bool TokenPowerApi::IdentifyProcess() {
    process_ = GetCurrentProcess();
    return process_ != nullptr;
}

bool TokenPowerApi::MayPowerOff(std::uint32_t access) {
    return ::OpenProcessToken(process_, access, &token_) != 0;
}

// Judged by the return value alone: a token without the privilege still
// "succeeds" here, and the refusal comes from ExitWindowsEx.
bool TokenPowerApi::ClaimPowerOffRight() {
    TOKEN_PRIVILEGES request{};
    request.PrivilegeCount = 1;
    request.Privileges[0].Luid = privilege_;
    request.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    TOKEN_PRIVILEGES previous{};
    DWORD returned = 0;
    return ::AdjustTokenPrivileges(token_, FALSE, &request, sizeof request, &previous, &returned) !=
           0;
}

void TokenPowerApi::ReleaseRights() {
    if (token_) CloseHandle(token_);
    token_ = nullptr;
}

bool TokenPowerApi::RequestPowerOff(std::int32_t flags, std::uint32_t reason) {
    return ExitWindowsEx(static_cast<UINT>(flags), reason) != 0;
}

// The power manager's capabilities: S4 with its file for hibernation (off
// when "powercfg /hibernate off" took the file away), S1 to S3 for sleep
// (often none in a virtual machine, or with Modern Standby only).
bool TokenPowerApi::MaySleep(power::EndAction action) {
    SYSTEM_POWER_CAPABILITIES caps{};
    const bool hibernate = action == power::EndAction::Hibernate;
    if (!GetPwrCapabilities(&caps)) return false;  // its last error says why
    if (hibernate ? caps.SystemS4 && caps.HiberFilePresent
                  : caps.SystemS1 || caps.SystemS2 || caps.SystemS3)
        return true;
    reason_ = hibernate ? (caps.SystemS4 ? "hibernation is switched off (powercfg /hibernate on "
                                           "switches it on)"
                                         : "this computer has no hibernation state (S4)")
                        : "this computer has no sleep state (S1 to S3)";
    SetLastError(NoSuchState);
    return false;
}

// Wake timers stay as the system keeps them (the third argument FALSE).
// The call returns once the machine is running again.
bool TokenPowerApi::RequestSleep(power::EndAction action) {
    if (!MayPowerOff(TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY)) return false;
    const bool claimed = ClaimPowerOffRight();
    const DWORD error = GetLastError();
    ReleaseRights();
    if (!claimed) {
        SetLastError(error);
        return false;
    }
    return SetSuspendState(action == power::EndAction::Hibernate, FALSE, FALSE) != 0;
}

std::uint32_t TokenPowerApi::LastError() { return GetLastError(); }

std::uint32_t TokenPowerApi::ErrorText(std::uint32_t code, char* buffer, std::uint32_t size) {
    if (code == NoSuchState) {
        const std::size_t n = std::min<std::size_t>(reason_.size(), size);
        std::memcpy(buffer, reason_.data(), n);
        return std::uint32_t(n);
    }
    return FormatMessageA(SystemMessageFlags, nullptr, code, 0, buffer, size, nullptr);
}

}  // namespace dormix::win32_power
