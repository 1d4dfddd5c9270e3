#pragma once
// Where the administrator keeps the tray program running (AllowExit=0), the
// system watch brings it back into every user's session that lost it: a
// copy ended by Task Manager or taskkill comes back within seconds, in the
// same session, as that session's user, and the system log says so. A
// session's end is no loss: a session that logs off is forgotten. A copy
// that keeps ending at once (a log another program holds open, say) is
// started again less and less often, so that its error box never becomes a
// loop. Each platform lists the sessions and starts the copies; this class
// decides when, one tick a second.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "log/SystemLog.h"

namespace dormix::watch {

struct UserSession {
    std::uint32_t id = 0;
    std::string user;
    bool copyRunning = false;  // a copy of the tray program runs in it
};

class SessionCopies {
  public:
    virtual ~SessionCopies() = default;
    // The sessions where a user works now (at the console or remote), or
    // nothing when the session manager cannot be asked.
    virtual std::optional<std::vector<UserSession>> ActiveSessions() = 0;
    // Starts a copy in session `id` as its user: empty on success, else why not.
    virtual std::string StartCopy(std::uint32_t id) = 0;
};

// Seconds, in ticks of the watch.
inline constexpr int KeeperStartGrace = 30;   // a new session's own start (the Startup folder)
inline constexpr int KeeperRestartAfter = 5;  // a copy gone: its session may be logging off
inline constexpr int KeeperStableRun = 60;    // a copy that ran this long ended no loop
inline constexpr int KeeperLongestWait = 600;

class TrayKeeper {
  public:
    TrayKeeper(SessionCopies& sessions, log::SystemLog& systemLog)
        : sessions_(sessions), systemLog_(systemLog) {}

    void OnTick();
    // The session logged off: whatever its copy did, nothing is started there.
    void Forget(std::uint32_t session) { kept_.erase(session); }

  private:
    struct Kept {
        bool seen = false;  // a copy has run in it
        int missing = 0;    // ticks without a copy
        int running = 0;    // ticks the present copy has run
        int quickEnds = 0;  // copies in a row that ended before a stable run
        int wait = KeeperStartGrace;
    };
    void Start(const UserSession& session, Kept& kept);

    SessionCopies& sessions_;
    log::SystemLog& systemLog_;
    std::map<std::uint32_t, Kept> kept_;
};

}  // namespace dormix::watch
