#include "platform/win32/power/TokenPowerApi.h"

#include <string>

#include "ui/Texts.h"

namespace dormix::win32_power {

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

std::uint32_t TokenPowerApi::LastError() { return GetLastError(); }

std::uint32_t TokenPowerApi::ErrorText(std::uint32_t code, char* buffer, std::uint32_t size) {
    return FormatMessageA(SystemMessageFlags, nullptr, code, 0, buffer, size, nullptr);
}

}  // namespace dormix::win32_power
