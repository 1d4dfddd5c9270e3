#include "frontend/watch_win32/SessionCopies.h"

#include <set>

#include "platform/win32/WinApi.h"
#include "platform/win32/monitor/WtsSessions.h"
// After windows.h, which they build on.
#include <tlhelp32.h>
#include <userenv.h>
#include <wtsapi32.h>

namespace dormix::watch_win32 {

namespace {

std::string ErrorText(const char* step, DWORD code) {
    char text[256] = {};
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             code, 0, text, sizeof text, nullptr);
    while (n > 0 && (text[n - 1] == '\r' || text[n - 1] == '\n')) --n;
    return std::string(step) + ": " + (n ? std::string(text, n) : "error " + std::to_string(code));
}

// The sessions in which a process of `name` runs.
std::set<DWORD> SessionsRunning(const std::string& name) {
    std::set<DWORD> found;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return found;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more;
         more = Process32Next(snapshot, &entry)) {
        DWORD session = 0;
        if (lstrcmpiA(entry.szExeFile, name.c_str()) == 0 &&
            ProcessIdToSessionId(entry.th32ProcessID, &session))
            found.insert(session);
    }
    CloseHandle(snapshot);
    return found;
}

}  // namespace

std::optional<std::vector<watch::UserSession>> WtsSessionCopies::ActiveSessions() {
    WTS_SESSION_INFOA* list = nullptr;
    DWORD count = 0;
    if (!WTSEnumerateSessionsA(WTS_CURRENT_SERVER_HANDLE, 0, 1, &list, &count)) return std::nullopt;
    std::vector<watch::UserSession> sessions;
    // Only where someone works now: a session switched away or disconnected
    // keeps its copy, and nobody there could see a new one.
    for (DWORD i = 0; i < count; ++i) {
        if (list[i].State != WTSActive) continue;
        // A user that cannot be named gets no copy started: there is
        // nobody to start it as.
        std::string user = win32_monitor::UserName(list[i].SessionId).value_or("");
        if (!user.empty()) sessions.push_back({list[i].SessionId, std::move(user), false});
    }
    WTSFreeMemory(list);
    // The processes are listed only while someone is logged on.
    if (sessions.empty()) return sessions;
    const std::set<DWORD> running = SessionsRunning(program_.filename().string());
    for (watch::UserSession& s : sessions) s.copyRunning = running.count(s.id) > 0;
    return sessions;
}

std::string WtsSessionCopies::StartCopy(std::uint32_t id) {
    HANDLE token = nullptr;
    if (!WTSQueryUserToken(id, &token)) return ErrorText("WTSQueryUserToken", GetLastError());
    // The user's own environment (their profile's folders), not the system's.
    void* environment = nullptr;
    if (!CreateEnvironmentBlock(&environment, token, FALSE)) environment = nullptr;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    char desktop[] = "winsta0\\default";
    startup.lpDesktop = desktop;
    PROCESS_INFORMATION process{};
    std::string path = program_.string();
    // Started where the installers start it: the install folder, with Log in it.
    const std::string folder = program_.parent_path().string();
    const BOOL started = CreateProcessAsUserA(token, path.c_str(), path.data(), nullptr, nullptr,
                                              FALSE, environment ? CREATE_UNICODE_ENVIRONMENT : 0,
                                              environment, folder.c_str(), &startup, &process);
    const DWORD error = GetLastError();
    if (environment) DestroyEnvironmentBlock(environment);
    CloseHandle(token);
    if (!started) return ErrorText("CreateProcessAsUser", error);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return {};
}

}  // namespace dormix::watch_win32
