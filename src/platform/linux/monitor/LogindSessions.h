#pragma once
// The other sessions on this machine as logind sees them: a user switched
// in at the console or on another seat, an SSH login, a remote desktop.
//
// One question is a handful of calls on the system bus (the list of
// sessions, then each other session's facts) inside a budget of its own;
// a logind that does not answer in it counts as someone in use. While it
// waits, the window repaints and signals are heard, but timers wait: the
// question is asked from the cycle's tick, which must not run again inside.

#include <chrono>
#include <string>
#include <string_view>

#include "monitor/OtherSessions.h"
#include "platform/linux/logind/LogindBus.h"

namespace dormix::linux_monitor {

inline constexpr std::chrono::milliseconds QuestionBudget{1500};

// A person's session: "user", or one of its early and light forms; never a
// greeter, a lock screen, a cron job's or a service manager's.
bool PersonsSession(std::string_view sessionClass);

// Whether logind's facts make a session other than ours one that is in use
// now, given the idle limit in force and the time of day in microseconds.
bool InUse(const linux_logind::SessionFacts& session, std::chrono::milliseconds idleLimit,
           std::chrono::microseconds now);

class LogindSessions final : public monitor::OtherSessions {
  public:
    // `idleLimit`: input older than this in a text session is no use of it.
    // `address`: a D-Bus address; empty for the system bus.
    explicit LogindSessions(std::chrono::milliseconds idleLimit, std::string address = {},
                            std::chrono::milliseconds budget = QuestionBudget);

    bool OtherSessionInUse() override;
    // Why the last question was answered as it was, for a trace.
    const std::string& Reason() const { return reason_; }

  private:
    bool Say(bool inUse, std::string reason);

    std::chrono::milliseconds idleLimit_;
    linux_logind::LogindBus bus_;
    std::string reason_;
};

}  // namespace dormix::linux_monitor
