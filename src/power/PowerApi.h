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

// The system calls behind a power-off request, one per step, each answering
// as the Windows call of the same name does: non-zero (true) on success, the
// reason in LastError() otherwise.
class PowerApi {
public:
    virtual ~PowerApi() = default;
    virtual bool LookupShutdownPrivilege() = 0;
    virtual bool CurrentProcess() = 0;
    virtual bool OpenProcessToken(std::uint32_t access) = 0;
    virtual bool AdjustTokenPrivileges() = 0;  // enable the looked-up privilege
    virtual void CloseToken() = 0;
    virtual bool ExitWindows(std::int32_t flags, std::uint32_t reason) = 0;
    virtual std::uint32_t LastError() = 0;
    // The system's text for `code` into `buffer` (at most `size` characters);
    // returns how many characters it wrote, 0 when it has none.
    virtual std::uint32_t FormatMessage(std::uint32_t code, char* buffer, std::uint32_t size) = 0;
};

}  // namespace dormix::power
