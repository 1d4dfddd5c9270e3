#include "power/linux/LogindPowerApi.h"

#include <systemd/sd-bus.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

namespace dormix::power_linux {

namespace {

using std::chrono::milliseconds;

constexpr std::int32_t LogOff = 0, ShutDown = 1, Reboot = 2, Force = 4, PowerOff = 8,
                       ForceIfHung = 16;

constexpr const char* BusService = "org.freedesktop.DBus";
constexpr const char* BusPath = "/org/freedesktop/DBus";

// Windows sets this bit in codes an application makes up, so ours never
// meet the system's, the timeout code among them.
constexpr std::uint32_t OwnCodes = 0x20000000u;

std::string ErrnoText(int negative) { return std::strerror(-negative); }

bool HasShutdown(std::string_view what) {
    // "what" is a colon-separated list: sleep:shutdown:idle
    while (!what.empty()) {
        const auto colon = what.find(':');
        if (what.substr(0, colon) == "shutdown") return true;
        if (colon == std::string_view::npos) break;
        what.remove_prefix(colon + 1);
    }
    return false;
}

}  // namespace

LogindRequest RequestFor(std::int32_t flags) {
    const bool interactive = (flags & (Force | ForceIfHung)) == 0;
    // Windows lets reboot win over power-off over shutting down.
    if (flags & Reboot) return {"Reboot", interactive, true};
    if (flags & PowerOff) return {"PowerOff", interactive, true};
    if (flags & ShutDown) return {"Halt", interactive, true};
    static_assert(LogOff == 0);
    return {"TerminateSession", interactive, false};
}

// The timers keep running while it waits: the cycle's own is stopped by
// then, and the About window may be counting down.
LogindPowerApi::LogindPowerApi(std::string address, milliseconds budget, milliseconds answerBudget)
    : bus_(std::move(address), budget, LogindBus::Timers::Keep), answerBudget_(answerBudget) {}

LogindPowerApi::~LogindPowerApi() = default;

bool LogindPowerApi::Fail(const std::string& text) {
    // Codes are handed out once each, so FormatMessage of an older code
    // still gives that failure's own text.
    lastError_ = OwnCodes + ++issued_;
    texts_[lastError_] = text;
    return false;
}

bool LogindPowerApi::Fail(const Answer& answer) {
    if (answer.kind != Answer::Timeout && answer.kind != Answer::Unanswered)
        return Fail(answer.text);
    lastError_ = answer.kind == Answer::Timeout ? power::ErrorTimeout : power::ErrorRequestPending;
    texts_[lastError_] = answer.text;
    return false;
}

std::uint32_t LogindPowerApi::FormatMessage(std::uint32_t code, char* buffer, std::uint32_t size) {
    const auto found = texts_.find(code);
    if (found == texts_.end() || size == 0) return 0;
    const auto n = std::min<std::size_t>(found->second.size(), size);
    std::memcpy(buffer, found->second.data(), n);
    return std::uint32_t(n);
}

bool LogindPowerApi::LookupShutdownPrivilege() {
    // Each request starts afresh: its own connection, its own budget.
    bus_.Close();
    if (const int r = bus_.Begin(); r < 0)
        return Fail("The system bus is not reachable (" + ErrnoText(r) + ").");
    std::string why;
    const Answer owned =
        bus_.Call(BusService, BusPath, BusService, "NameHasOwner", "s", LogindService);
    if (owned.kind != Answer::Reply) return Fail(owned);
    int there = 0;
    if (!owned.Signed("b", &why)) return Fail(why);
    if (sd_bus_message_read(owned.reply.get(), "b", &there) < 0)
        return Fail(Answer::Unreadable(owned, {}));
    if (there) return true;
    // Not running yet, but the bus would start it on the first call.
    const Answer activatable = bus_.Call(BusService, BusPath, BusService, "ListActivatableNames");
    if (activatable.kind == Answer::Timeout) return Fail(activatable);
    if (activatable.kind == Answer::Reply && activatable.Signed("as", &why)) {
        sd_bus_message* m = activatable.reply.get();
        const char* name = nullptr;
        if (sd_bus_message_enter_container(m, 'a', "s") > 0)
            while (sd_bus_message_read(m, "s", &name) > 0)
                if (std::strcmp(name, LogindService) == 0) return true;
    }
    return Fail(std::string("The name ") + LogindService + " is not on the system bus.");
}

bool LogindPowerApi::OpenProcessToken(std::uint32_t /*access*/) {
    const Answer reply = bus_.CallLogind("CanPowerOff");
    if (reply.kind != Answer::Reply) return Fail(reply);
    std::string why;
    const char* answer = nullptr;
    if (!reply.Signed("s", &why)) return Fail(why);
    if (sd_bus_message_read(reply.reply.get(), "s", &answer) < 0)
        return Fail(Answer::Unreadable(reply, {}));
    if (std::strcmp(answer, "yes") == 0) return true;
    if (std::strcmp(answer, "challenge") == 0) return OwnSessionActive();
    return Fail(std::string("logind answers \"") + answer + "\" to CanPowerOff.");
}

bool LogindPowerApi::OwnSessionActive() {
    // "challenge": allowed after authentication. The usual polkit rules
    // grant it without a prompt only to the active session of a seat; any
    // other session would have the forced request refused, or a prompt
    // opened where nobody looks. So it stops here, before anything is sent.
    std::vector<SessionRef> listed;
    const SessionRef* own = nullptr;
    SessionFacts facts;
    Answer step = ListSessions(bus_, listed);
    if (step.kind == Answer::Reply) step = OwnSession(bus_, listed, own);
    if (step.kind != Answer::Reply) return Fail(step);
    const std::string challenge = "logind answers \"challenge\" to CanPowerOff, and ";
    if (!own) return Fail(challenge + "this program runs in no session logind lists.");
    if ((step = ReadSession(bus_, own->path, facts)).kind != Answer::Reply) return Fail(step);
    if (facts.active && !facts.seat.empty()) return true;
    return Fail(challenge + "its session " + own->id + " is not the active one of a seat.");
}

std::string LogindPowerApi::BlockingInhibitor(const Answer& list) {
    // Empty when nothing blocks; a text starting "Operation" otherwise,
    // also when the list cannot be read: a lock nobody can see is still
    // a lock, and a forced request from root would override it.
    const auto unreadable = [](const std::string& why) {
        return "Operation possibly inhibited: the list of inhibitors cannot be read: " + why;
    };
    std::string why;
    if (list.kind == Answer::Error) return unreadable(list.text);
    if (!list.Signed("a(ssssuu)", &why)) return unreadable(why);
    sd_bus_message* m = list.reply.get();
    const char *what, *who, *reason, *mode;
    std::uint32_t uid = 0, pid = 0;
    int r = sd_bus_message_enter_container(m, 'a', "(ssssuu)");
    while (r > 0 &&
           (r = sd_bus_message_read(m, "(ssssuu)", &what, &who, &reason, &mode, &uid, &pid)) > 0) {
        if (std::strcmp(mode, "block") == 0 && HasShutdown(what))
            return std::string("Operation inhibited by \"") + who + "\" (PID " +
                   std::to_string(pid) + ", user " + std::to_string(uid) + "), reason is \"" +
                   reason + "\".";
    }
    if (r < 0) return unreadable(ErrnoText(r));
    return {};
}

bool LogindPowerApi::ExitWindows(std::int32_t flags, std::uint32_t /*reason*/) {
    const LogindRequest request = RequestFor(flags);
    if (request.inhibitable) {
        // A privileged caller may override block inhibitors, and logind lets
        // it; a forced power-off must still not cut a system update short.
        // So the locks are looked at first, as the system's own tools do.
        const Answer list = bus_.CallLogind("ListInhibitors");
        if (list.kind == Answer::Timeout) return Fail(list);
        if (const std::string blocked = BlockingInhibitor(list); !blocked.empty())
            return Fail(blocked);
    }
    const int interactive = request.interactive;
    // The caller's own session: logind resolves the empty id to it.
    const char* session = std::getenv("XDG_SESSION_ID");
    const Answer done = request.inhibitable
                            ? bus_.Request(request.method, "b", &interactive, answerBudget_)
                            : bus_.Request(request.method, "s", session ? session : "",
                                           answerBudget_);
    if (done.kind != Answer::Reply) return Fail(done);
    std::string why;
    if (!done.Signed("", &why)) return Fail(why);
    return true;
}

}  // namespace dormix::power_linux
