// A stand-in powrprof.dll for the end-to-end tests: Wine's execution state
// is a stub that says ES_USER_PRESENT whatever any program asks for, so this
// one answers SystemExecutionState from a table the test writes, named by
// DORMIX_POWER_TABLE (a Windows path), read afresh on every call so the
// test can start and end a film while the program runs. The table holds
// words, on one line or several:
//
//     ES_DISPLAY_REQUIRED ES_SYSTEM_REQUIRED ...   the flags of the state
//     NTSTATUS 0xC0000022                          the call fails with it
//
// An empty table is a machine where nobody asks for anything; a missing
// one makes the call fail, as a power manager that cannot be asked does.
#include <windows.h>
// After windows.h, which it builds on.
#include <powrprof.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// An NTSTATUS; MinGW's header declares the call with the LONG it is.
using Status = LONG;

constexpr Status StatusInvalidParameter = Status(0xC000000D);
constexpr Status StatusNoSuchFile = Status(0xC000000F);
constexpr Status StatusBufferTooSmall = Status(0xC0000023);

constexpr struct {
    const char* name;
    ULONG flag;
} Flags[] = {{"ES_SYSTEM_REQUIRED", ES_SYSTEM_REQUIRED},
             {"ES_DISPLAY_REQUIRED", ES_DISPLAY_REQUIRED},
             {"ES_USER_PRESENT", ES_USER_PRESENT},
             {"ES_AWAYMODE_REQUIRED", ES_AWAYMODE_REQUIRED}};

// The state the table gives, or the status it makes the call fail with.
Status ReadTable(ULONG& state) {
    const char* path = std::getenv("DORMIX_POWER_TABLE");
    std::FILE* file = path ? std::fopen(path, "r") : nullptr;
    if (!file) return StatusNoSuchFile;
    Status status = 0;
    char word[64];
    state = 0;
    while (std::fscanf(file, "%63s", word) == 1) {
        if (std::strcmp(word, "NTSTATUS") == 0 && std::fscanf(file, "%63s", word) == 1)
            status = Status(std::strtoul(word, nullptr, 16));
        for (const auto& f : Flags)
            if (std::strcmp(word, f.name) == 0) state |= f.flag;
    }
    std::fclose(file);
    return status;
}

}  // namespace

extern "C" LONG WINAPI CallNtPowerInformation(POWER_INFORMATION_LEVEL level, PVOID in, ULONG inSize,
                                              PVOID out, ULONG outSize) {
    if (level != SystemExecutionState || in || inSize) return StatusInvalidParameter;
    if (!out || outSize < sizeof(ULONG)) return StatusBufferTooSmall;
    ULONG state = 0;
    const Status status = ReadTable(state);
    if (status == 0) *static_cast<ULONG*>(out) = state;
    return status;
}
