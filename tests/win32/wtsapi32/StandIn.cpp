// A stand-in wtsapi32.dll for the end-to-end tests: Wine's own session calls
// are stubs that list no session, so this one answers from a table the test
// writes, named by DORMIX_SESSION_TABLE (a Windows path), read afresh on
// every call so the test can change the machine's sessions while the
// program runs. One session a line:
//
//     ID STATE [USER]
//
// ID is a number or "self" (the calling process's own session); STATE is a
// WTS_CONNECTSTATE_CLASS name without "WTS" (Active, Disconnected, Listen,
// ...); USER is the logged-on user, none for no user, "?" for a session
// whose user name cannot be read. A missing table makes the enumeration
// fail, as a session manager that cannot be reached does.
#include <windows.h>
// After windows.h, which it builds on.
#include <wtsapi32.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>

namespace {

constexpr int MaxSessions = 32;
constexpr const char* StateNames[] = {"Active",       "Connected", "ConnectQuery", "Shadow",
                                      "Disconnected", "Idle",      "Listen",       "Reset",
                                      "Down",         "Init"};

struct Row {
    DWORD id;
    WTS_CONNECTSTATE_CLASS state;
    char user[64];
};

// The table's rows, or -1 (with the last error set) when it cannot be read.
int ReadTable(Row* rows) {
    const char* path = std::getenv("DORMIX_SESSION_TABLE");
    std::FILE* file = path ? std::fopen(path, "r") : nullptr;
    if (!file) {
        SetLastError(RPC_S_SERVER_UNAVAILABLE);
        return -1;
    }
    int n = 0;
    char line[256], id[32], state[32];
    while (n < MaxSessions && std::fgets(line, sizeof line, file)) {
        Row& row = rows[n];
        row.user[0] = '\0';
        if (std::sscanf(line, "%31s %31s %63s", id, state, row.user) < 2) continue;
        if (std::strcmp(id, "self") == 0)
            ProcessIdToSessionId(GetCurrentProcessId(), &row.id);
        else
            row.id = std::strtoul(id, nullptr, 10);
        row.state = WTSDown;
        for (int s = 0; s < int(std::size(StateNames)); ++s)
            if (std::strcmp(state, StateNames[s]) == 0) row.state = WTS_CONNECTSTATE_CLASS(s);
        ++n;
    }
    std::fclose(file);
    return n;
}

char StationName[] = "Session";

}  // namespace

extern "C" {

BOOL WINAPI WTSEnumerateSessionsA(HANDLE, DWORD reserved, DWORD version, PWTS_SESSION_INFOA* list,
                                  DWORD* count) {
    if (reserved != 0 || version != 1 || !list || !count) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    Row rows[MaxSessions];
    const int n = ReadTable(rows);
    if (n < 0) return FALSE;
    auto* info =
        static_cast<WTS_SESSION_INFOA*>(LocalAlloc(LPTR, n * sizeof(WTS_SESSION_INFOA) + 1));
    for (int i = 0; i < n; ++i) info[i] = {rows[i].id, StationName, rows[i].state};
    *list = info;
    *count = n;
    return TRUE;
}

BOOL WINAPI WTSQuerySessionInformationA(HANDLE, DWORD session, WTS_INFO_CLASS what, LPSTR* buffer,
                                        DWORD* bytes) {
    Row rows[MaxSessions];
    const int n = ReadTable(rows);
    if (n < 0) return FALSE;
    for (int i = 0; i < n; ++i) {
        if (rows[i].id != session) continue;
        if (what != WTSUserName || std::strcmp(rows[i].user, "?") == 0) {
            SetLastError(ERROR_NOT_SUPPORTED);
            return FALSE;
        }
        *bytes = std::strlen(rows[i].user) + 1;
        *buffer = static_cast<char*>(LocalAlloc(LPTR, *bytes));
        std::memcpy(*buffer, rows[i].user, *bytes);
        return TRUE;
    }
    SetLastError(ERROR_FILE_NOT_FOUND);  // no such session
    return FALSE;
}

void WINAPI WTSFreeMemory(PVOID memory) { LocalFree(memory); }

// Wine has one user: the token of a listed session is the caller's own.
BOOL WINAPI WTSQueryUserToken(ULONG session, PHANDLE token) {
    Row rows[MaxSessions];
    const int n = ReadTable(rows);
    bool listed = false;
    for (int i = 0; i < n; ++i) listed |= rows[i].id == session && rows[i].user[0];
    HANDLE own = nullptr;
    if (!listed) {
        SetLastError(ERROR_NO_TOKEN);
        return FALSE;
    }
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ALL_ACCESS, &own)) return FALSE;
    const BOOL ok = DuplicateTokenEx(own, TOKEN_ALL_ACCESS, nullptr, SecurityImpersonation,
                                     TokenPrimary, token);
    CloseHandle(own);
    return ok;
}

}  // extern "C"
