#include "platform/linux/monitor/LogindSessions.h"

#include <cstring>
#include <string_view>
#include <vector>

namespace dormix::linux_monitor {

namespace {

using linux_logind::Answer;
using linux_logind::NoLogind;
using linux_logind::NoSystemBus;
using linux_logind::SessionFacts;
using linux_logind::SessionRef;
using std::chrono::duration_cast;
using std::chrono::microseconds;
using std::chrono::milliseconds;

bool Graphical(std::string_view type) {
    return type == "x11" || type == "wayland" || type == "mir";
}

}  // namespace

bool PersonsSession(std::string_view sessionClass) {
    return sessionClass == "user" || sessionClass.starts_with("user-");
}

bool InUse(const SessionFacts& s, milliseconds idleLimit, microseconds now) {
    if (!PersonsSession(s.sessionClass) || s.state == "closing") return false;
    // Of a seat only the session on its screen counts; one without a seat
    // (SSH, a remote desktop) always does.
    if (!s.seat.empty() && !s.active) return false;
    // A desktop says itself when it goes idle. A text session's hint turns
    // only after logind's own idle action time, so its last input (the
    // terminal's access time) is held against our limit instead; where
    // logind knows no time it has nothing but its hint, "not idle".
    if (Graphical(s.type) || s.idleSinceHint == 0) return !s.idleHint;
    return now - microseconds(s.idleSinceHint) < idleLimit;
}

LogindSessions::LogindSessions(milliseconds idleLimit, std::string address, milliseconds budget)
    : idleLimit_(idleLimit),
      bus_(std::move(address), budget, linux_logind::LogindBus::Timers::Hold) {}

bool LogindSessions::Say(bool inUse, std::string reason) {
    reason_ = std::move(reason);
    return inUse;
}

bool LogindSessions::OtherSessionInUse() {
    const linux_logind::LogindBus::Question question(bus_);
    if (const int r = bus_.Begin(); r < 0)
        return NoSystemBus(-r)
                   ? Say(false, "nobody else: no system bus")
                   : Say(true, std::string("unknown: the system bus is not reachable (") +
                                   std::strerror(-r) + ")");
    std::vector<SessionRef> listed;
    Answer step = linux_logind::ListSessions(bus_, listed);
    if (step.kind == Answer::Error && NoLogind(step))
        return Say(false, "nobody else: logind is not on the system bus");
    if (step.kind == Answer::Reply && listed.empty())
        return Say(false, "nobody else: logind lists no session");
    const SessionRef* own = nullptr;
    if (step.kind == Answer::Reply) step = linux_logind::OwnSession(bus_, listed, own);
    if (step.kind != Answer::Reply) return Say(true, "unknown: " + step.text);
    const auto now =
        duration_cast<microseconds>(std::chrono::system_clock::now().time_since_epoch());
    for (const SessionRef& s : listed) {
        if (&s == own) continue;
        SessionFacts facts;
        step = linux_logind::ReadSession(bus_, s.path, facts);
        if (step.kind == Answer::Error && linux_logind::SessionGone(step)) continue;
        if (step.kind != Answer::Reply) return Say(true, "unknown: " + step.text);
        if (InUse(facts, idleLimit_, now))
            return Say(true, "in use: session " + s.id + " of user " + std::to_string(s.uid) +
                                 " (" + facts.type + ")");
    }
    return Say(false, std::string("nobody else: ") +
                          (own ? "own session " + own->id : "no own session") + ", " +
                          std::to_string(listed.size() - (own ? 1 : 0)) +
                          " other sessions not in use");
}

}  // namespace dormix::linux_monitor
