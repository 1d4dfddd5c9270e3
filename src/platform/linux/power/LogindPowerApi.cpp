#include "platform/linux/power/LogindPowerApi.h"

#include <systemd/sd-bus.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace dormix::linux_power {

namespace {

using std::chrono::milliseconds;

constexpr std::int32_t LogOff = 0, ShutDown = 1, Reboot = 2, Force = 4, PowerOff = 8,
                       ForceIfHung = 16;

constexpr const char* BusService = "org.freedesktop.DBus";
constexpr const char* BusPath = "/org/freedesktop/DBus";
// logind's answer to a request that a block inhibitor stops.
constexpr std::string_view LockRefusal = "org.freedesktop.login1.BlockedByInhibitorLock";

// Windows sets this bit in codes an application makes up, so ours never
// meet the system's, the timeout code among them.
constexpr std::uint32_t OwnCodes = 0x20000000u;

std::string ErrnoText(int negative) { return std::strerror(-negative); }

// logind's question and request for hibernation and sleep.
const char* CanMethod(power::EndAction action) {
    return action == power::EndAction::Hibernate ? "CanHibernate" : "CanSuspend";
}
const char* SleepMethod(power::EndAction action) {
    return action == power::EndAction::Hibernate ? "Hibernate" : "Suspend";
}

std::string BlockingInhibitor(const linux_logind::Answer& list,
                              const std::vector<linux_logind::InhibitorRef>& inhibitors,
                              std::string_view what) {
    // Empty when nothing blocks; a text starting "Operation" otherwise,
    // also when the list cannot be read: a lock nobody can see is still
    // a lock, and a forced request from root would override it.
    if (list.kind != linux_logind::Answer::Reply)
        return "Operation possibly inhibited: the list of inhibitors cannot be read: " + list.text;
    for (const linux_logind::InhibitorRef& i : inhibitors)
        if (i.mode == "block" && linux_logind::Inhibits(i.what, what))
            return "Operation inhibited by \"" + i.who + "\" (PID " + std::to_string(i.pid) +
                   ", user " + std::to_string(i.uid) + "), reason is \"" + i.why + "\".";
    return {};
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
    : bus_(std::move(address), budget, linux_logind::LogindBus::Timers::Keep),
      answerBudget_(answerBudget) {}

LogindPowerApi::~LogindPowerApi() = default;

bool LogindPowerApi::Fail(const std::string& text) {
    // Codes are handed out once each, so ErrorText of an older code
    // still gives that failure's own text.
    lastError_ = OwnCodes + ++issued_;
    texts_[lastError_] = text;
    return false;
}

bool LogindPowerApi::Fail(const linux_logind::Answer& answer) {
    if (answer.kind != linux_logind::Answer::Timeout &&
        answer.kind != linux_logind::Answer::Unanswered)
        return Fail(answer.text);
    lastError_ = answer.kind == linux_logind::Answer::Timeout ? power::ErrorTimeout
                                                              : power::ErrorRequestPending;
    texts_[lastError_] = answer.text;
    return false;
}

bool LogindPowerApi::Locked(const std::string& text) {
    lastError_ = power::ErrorLocked;
    texts_[lastError_] = text;
    return false;
}

std::uint32_t LogindPowerApi::ErrorText(std::uint32_t code, char* buffer, std::uint32_t size) {
    const auto found = texts_.find(code);
    if (found == texts_.end() || size == 0) return 0;
    const auto n = std::min<std::size_t>(found->second.size(), size);
    std::memcpy(buffer, found->second.data(), n);
    return std::uint32_t(n);
}

bool LogindPowerApi::ReachPowerService() {
    // Each request starts afresh: its own connection, its own budget.
    bus_.Close();
    if (const int r = bus_.Begin(); r < 0)
        return Fail("The system bus is not reachable (" + ErrnoText(r) + ").");
    std::string why;
    const linux_logind::Answer owned = bus_.Call(BusService, BusPath, BusService, "NameHasOwner",
                                                 "s", linux_logind::LogindService);
    if (owned.kind != linux_logind::Answer::Reply) return Fail(owned);
    int there = 0;
    if (!owned.Signed("b", &why)) return Fail(why);
    if (sd_bus_message_read(owned.reply.get(), "b", &there) < 0)
        return Fail(linux_logind::Answer::Unreadable(owned, {}));
    if (there) return true;
    // Not running yet, but the bus would start it on the first call.
    const linux_logind::Answer activatable =
        bus_.Call(BusService, BusPath, BusService, "ListActivatableNames");
    if (activatable.kind == linux_logind::Answer::Timeout) return Fail(activatable);
    if (activatable.kind == linux_logind::Answer::Reply && activatable.Signed("as", &why)) {
        sd_bus_message* m = activatable.reply.get();
        const char* name = nullptr;
        if (sd_bus_message_enter_container(m, 'a', "s") > 0)
            while (sd_bus_message_read(m, "s", &name) > 0)
                if (std::strcmp(name, linux_logind::LogindService) == 0) return true;
    }
    return Fail(std::string("The name ") + linux_logind::LogindService +
                " is not on the system bus.");
}

bool LogindPowerApi::MayPowerOff(std::uint32_t /*access*/) { return May("CanPowerOff"); }

bool LogindPowerApi::MaySleep(power::EndAction action) { return May(CanMethod(action)); }

bool LogindPowerApi::May(const char* method) {
    const linux_logind::Answer reply = bus_.CallLogind(method);
    if (reply.kind != linux_logind::Answer::Reply) return Fail(reply);
    std::string why;
    const char* answer = nullptr;
    if (!reply.Signed("s", &why)) return Fail(why);
    if (sd_bus_message_read(reply.reply.get(), "s", &answer) < 0)
        return Fail(linux_logind::Answer::Unreadable(reply, {}));
    if (std::strcmp(answer, "yes") == 0) return true;
    if (std::strcmp(answer, "challenge") == 0) return OwnSessionActive(method);
    // "na": the machine has no such state (no swap for hibernation, a
    // virtual machine without sleep); "no": polkit does not allow it.
    return Fail(std::string("logind answers \"") + answer + "\" to " + method + ".");
}

bool LogindPowerApi::OwnSessionActive(const char* method) {
    // "challenge": allowed after authentication. The usual polkit rules
    // grant it without a prompt only to the active session of a seat; any
    // other session would have the forced request refused, or a prompt
    // opened where nobody looks. So it stops here, before anything is sent.
    std::vector<linux_logind::SessionRef> listed;
    const linux_logind::SessionRef* own = nullptr;
    linux_logind::SessionFacts facts;
    linux_logind::Answer step = ListSessions(bus_, listed);
    if (step.kind == linux_logind::Answer::Reply)
        step = linux_logind::OwnSession(bus_, listed, own);
    if (step.kind != linux_logind::Answer::Reply) return Fail(step);
    const std::string challenge =
        std::string("logind answers \"challenge\" to ") + method + ", and ";
    if (!own) return Fail(challenge + "this program runs in no session logind lists.");
    if ((step = linux_logind::ReadSession(bus_, own->path, facts)).kind !=
        linux_logind::Answer::Reply)
        return Fail(step);
    if (facts.active && !facts.seat.empty()) return true;
    return Fail(challenge + "its session " + own->id + " is not the active one of a seat.");
}

bool LogindPowerApi::RequestPowerOff(std::int32_t flags, std::uint32_t /*reason*/) {
    const LogindRequest request = RequestFor(flags);
    return Send(request.method, request.interactive, request.inhibitable ? "shutdown" : nullptr);
}

// Never interactive: nobody may be there to answer a prompt.
bool LogindPowerApi::RequestSleep(power::EndAction action) {
    return Send(SleepMethod(action), false, "sleep");
}

bool LogindPowerApi::Send(const char* method, bool interactive, const char* inhibited) {
    if (inhibited) {
        // A privileged caller may override block inhibitors, and logind lets
        // it; a forced power-off must still not cut a system update short.
        // So the locks are looked at first, as the system's own tools do.
        std::vector<linux_logind::InhibitorRef> inhibitors;
        const linux_logind::Answer list = ListInhibitors(bus_, inhibitors);
        if (list.kind == linux_logind::Answer::Timeout) return Fail(list);
        if (const std::string blocked = BlockingInhibitor(list, inhibitors, inhibited);
            !blocked.empty()) {
            // A lock seen for certain is no failure of the program: the
            // cycle waits for its release. An unreadable list stays one.
            return list.kind == linux_logind::Answer::Reply ? Locked(blocked) : Fail(blocked);
        }
    }
    const int asks = interactive;
    // The caller's own session: logind resolves the empty id to it.
    const char* session = std::getenv("XDG_SESSION_ID");
    const linux_logind::Answer done =
        inhibited ? bus_.Request(method, "b", &asks, answerBudget_)
                  : bus_.Request(method, "s", session ? session : "", answerBudget_);
    // A lock taken after the look above: logind refuses on its own.
    if (done.kind == linux_logind::Answer::Error && done.error == LockRefusal)
        return Locked(done.text);
    if (done.kind != linux_logind::Answer::Reply) return Fail(done);
    std::string why;
    if (!done.Signed("", &why)) return Fail(why);
    return true;
}

}  // namespace dormix::linux_power
