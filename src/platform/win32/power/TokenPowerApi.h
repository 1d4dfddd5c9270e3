#pragma once
// The power-off steps on Windows: the shutdown privilege in the process
// token, then ExitWindowsEx. Hibernation and sleep: GetPwrCapabilities,
// then SetSuspendState with the same privilege enabled.

#include <string>

#include "platform/win32/WinApi.h"
#include "power/PowerApi.h"

namespace dormix::win32_power {

// One privilege entry: count, the identifier (low, high), attributes.
static_assert(sizeof(TOKEN_PRIVILEGES) == 16);
inline constexpr DWORD SystemMessageFlags =
    FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
static_assert(SystemMessageFlags == 0x1200);

class TokenPowerApi : public power::PowerApi {
  public:
    bool ReachPowerService() override;
    bool IdentifyProcess() override;
    bool MayPowerOff(std::uint32_t access) override;
    bool ClaimPowerOffRight() override;
    void ReleaseRights() override;
    bool RequestPowerOff(std::int32_t flags, std::uint32_t reason) override;
    bool MaySleep(power::EndAction action) override;
    bool RequestSleep(power::EndAction action) override;
    std::uint32_t LastError() override;
    std::uint32_t ErrorText(std::uint32_t code, char* buffer, std::uint32_t size) override;

  private:
    // The reasons of MaySleep, in the codes an application makes up (bit 29).
    std::string reason_;
    LUID privilege_{};
    HANDLE process_ = nullptr;
    HANDLE token_ = nullptr;
};

}  // namespace dormix::win32_power
