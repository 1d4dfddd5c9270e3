#include "platform/win32/monitor/WtsSessions.h"

#include <memory>

#include "platform/win32/WinApi.h"
// After windows.h, which it builds on.
#include <wtsapi32.h>

namespace dormix::win32_monitor {

namespace {

struct WtsFree {
    void operator()(void* memory) const { WTSFreeMemory(memory); }
};

// Whether the session has a user logged on: the console at the logon
// screen and the remote-desktop listener are sessions without one. A name
// that cannot be read leaves the question open, which counts as a user.
bool HasUser(DWORD session) {
    const std::optional<std::string> name = UserName(session);
    return !name || !name->empty();
}

// The session list, freed when it goes; false when it cannot be had.
bool EnumerateSessions(std::unique_ptr<WTS_SESSION_INFOA, WtsFree>& held, DWORD& count) {
    PWTS_SESSION_INFOA list = nullptr;
    count = 0;
    if (!WTSEnumerateSessionsA(WTS_CURRENT_SERVER_HANDLE, 0, 1, &list, &count)) return false;
    held.reset(list);
    return true;
}

}  // namespace

std::optional<std::string> UserName(unsigned long session) {
    LPSTR name = nullptr;
    DWORD bytes = 0;
    if (!WTSQuerySessionInformationA(WTS_CURRENT_SERVER_HANDLE, session, WTSUserName, &name,
                                     &bytes))
        return std::nullopt;
    std::unique_ptr<char, WtsFree> held(name);
    return name && bytes > 0 ? std::string(name) : std::string();
}

std::optional<int> LoggedOnUsers() {
    std::unique_ptr<WTS_SESSION_INFOA, WtsFree> list;
    DWORD count = 0;
    if (!EnumerateSessions(list, count)) return std::nullopt;
    int users = 0;
    for (DWORD i = 0; i < count; ++i)
        if (HasUser(list.get()[i].SessionId)) ++users;
    return users;
}

// Only an active session (at the console or connected remotely) is someone
// at a keyboard. A disconnected one is a user who switched away or whose
// remote connection dropped: nobody is there, and the forced power-off ends
// it, as it always has. Session 0 (the services) never has a user.
bool WtsSessions::OtherSessionInUse() {
    DWORD own = 0;
    if (!ProcessIdToSessionId(GetCurrentProcessId(), &own)) return true;
    std::unique_ptr<WTS_SESSION_INFOA, WtsFree> list;
    DWORD count = 0;
    if (!EnumerateSessions(list, count)) return true;
    for (DWORD i = 0; i < count; ++i) {
        const WTS_SESSION_INFOA& session = list.get()[i];
        if (session.SessionId == own || session.State != WTSActive) continue;
        if (HasUser(session.SessionId)) return true;
    }
    return false;
}

}  // namespace dormix::win32_monitor
