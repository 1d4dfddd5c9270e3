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
//
// The same table gives GetPwrCapabilities its answer, and SetSuspendState
// writes each call to the file beside it with ".calls" added:
//
//     SystemS3 SystemS4 HiberFilePresent     the states the machine has
//     WAKES                                  the machine wakes at once: the
//                                            resume broadcast, as Windows sends it
//     SUSPEND_DENIED                         SetSuspendState fails (access denied)
#include <windows.h>
// After windows.h, which it builds on.
#include <powrprof.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

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

// The table's words, read afresh; false when there is no table.
bool ReadWords(std::vector<std::string>& words) {
    const char* path = std::getenv("DORMIX_POWER_TABLE");
    std::FILE* file = path ? std::fopen(path, "r") : nullptr;
    if (!file) return false;
    char word[64];
    while (std::fscanf(file, "%63s", word) == 1) words.emplace_back(word);
    std::fclose(file);
    return true;
}

// The state the table gives, or the status it makes the call fail with.
Status ReadTable(ULONG& state) {
    std::vector<std::string> words;
    if (!ReadWords(words)) return StatusNoSuchFile;
    Status status = 0;
    state = 0;
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (words[i] == "NTSTATUS" && i + 1 < words.size())
            status = Status(std::strtoul(words[++i].c_str(), nullptr, 16));
        for (const auto& f : Flags)
            if (words[i] == f.name) state |= f.flag;
    }
    return status;
}

bool TableHas(const char* wanted) {
    std::vector<std::string> words;
    return ReadWords(words) && std::find(words.begin(), words.end(), wanted) != words.end();
}

}  // namespace

extern "C" BOOLEAN WINAPI GetPwrCapabilities(PSYSTEM_POWER_CAPABILITIES caps) {
    if (!caps) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::memset(caps, 0, sizeof *caps);
    caps->SystemS1 = TableHas("SystemS1");
    caps->SystemS2 = TableHas("SystemS2");
    caps->SystemS3 = TableHas("SystemS3");
    caps->SystemS4 = TableHas("SystemS4");
    caps->HiberFilePresent = TableHas("HiberFilePresent");
    return TRUE;
}

extern "C" BOOLEAN WINAPI SetSuspendState(BOOLEAN hibernate, BOOLEAN force, BOOLEAN noWake) {
    if (const char* path = std::getenv("DORMIX_POWER_TABLE")) {
        std::string calls = std::string(path) + ".calls";
        if (std::FILE* file = std::fopen(calls.c_str(), "a")) {
            std::fprintf(file, "SetSuspendState %d %d %d\n", hibernate, force, noWake);
            std::fclose(file);
        }
    }
    if (TableHas("SUSPEND_DENIED")) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    // Windows returns once the machine runs again, its resume already broadcast.
    if (TableHas("WAKES"))
        PostMessageA(HWND_BROADCAST, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
    return TRUE;
}

extern "C" LONG WINAPI CallNtPowerInformation(POWER_INFORMATION_LEVEL level, PVOID in, ULONG inSize,
                                              PVOID out, ULONG outSize) {
    if (level != SystemExecutionState || in || inSize) return StatusInvalidParameter;
    if (!out || outSize < sizeof(ULONG)) return StatusBufferTooSmall;
    ULONG state = 0;
    const Status status = ReadTable(state);
    if (status == 0) *static_cast<ULONG*>(out) = state;
    return status;
}
