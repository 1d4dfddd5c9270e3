#include "power/linux/LogindPowerApi.h"

#include <poll.h>
#include <systemd/sd-bus.h>
#include <time.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>

namespace dormix::power_linux {

namespace {

using std::chrono::ceil;
using std::chrono::microseconds;
using std::chrono::milliseconds;
using std::chrono::steady_clock;

constexpr std::int32_t LogOff = 0, ShutDown = 1, Reboot = 2, Force = 4, PowerOff = 8,
                       ForceIfHung = 16;

constexpr const char* BusService = "org.freedesktop.DBus";
constexpr const char* BusPath = "/org/freedesktop/DBus";

// Windows sets this bit in codes an application makes up, so ours never
// meet the system's, the timeout code among them.
constexpr std::uint32_t OwnCodes = 0x20000000u;

// The longest the event loop waits when the bus cannot be watched by it.
constexpr microseconds Slice = milliseconds(50);

struct MessageUnref {
    void operator()(sd_bus_message* m) const { sd_bus_message_unref(m); }
};
using Message = std::unique_ptr<sd_bus_message, MessageUnref>;

std::string ErrnoText(int negative) { return std::strerror(-negative); }

std::string Seconds(milliseconds budget) {
    char text[32];
    std::snprintf(text, sizeof text, "%g s", double(budget.count()) / 1000.0);
    return text;
}

microseconds UntilBusTimeout(sd_bus* bus) {
    std::uint64_t at = 0;  // CLOCK_MONOTONIC, as steady_clock
    if (sd_bus_get_timeout(bus, &at) < 0 || at == UINT64_MAX) return microseconds::max();
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    const std::uint64_t nowUs = std::uint64_t(now.tv_sec) * 1000000u + now.tv_nsec / 1000;
    return microseconds(at > nowUs ? at - nowUs : 0);
}

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

struct LogindPowerApi::Answer {
    enum Kind { Reply, Error, Timeout, Unanswered } kind = Error;
    std::string text;  // the bus's or logind's message, or why nothing came
    Message reply;
    std::string from, method;

    // A reply is read only once its signature is the one logind documents.
    bool Signed(const char* signature, std::string* why) const {
        if (sd_bus_message_has_signature(reply.get(), signature) > 0) return true;
        const char* got = sd_bus_message_get_signature(reply.get(), 1);
        *why = from + " answered " + method + " with the signature \"" + (got ? got : "") +
               "\" instead of \"" + signature + "\".";
        return false;
    }
};

namespace {

std::string Unread(const LogindPowerApi::Answer& answer) {
    return "The answer to " + answer.method + " cannot be read.";
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

LogindPowerApi::LogindPowerApi(std::string address, milliseconds budget, milliseconds answerBudget)
    : address_(std::move(address)), budget_(budget), answerBudget_(answerBudget) {}

LogindPowerApi::~LogindPowerApi() { CloseBus(); }

void LogindPowerApi::CloseBus() {
    // Closed without flushing: a request still queued must never leave late.
    if (!bus_) return;
    sd_bus_close(bus_);
    bus_ = sd_bus_unref(bus_);
}

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

int LogindPowerApi::Turn(const bool& done) {
    // The bus is driven from this thread's event loop: its socket and its
    // next timeout wake the loop, which meanwhile repaints and reads the
    // signal pipe. User input waits: the request is already under way.
    const bool loop = QCoreApplication::instance() != nullptr;
    std::unique_ptr<QSocketNotifier> readable, writable;
    QTimer wake;
    wake.setSingleShot(true);
    for (;;) {
        int r;
        do r = sd_bus_process(bus_, nullptr);
        while (r > 0 && !done);
        if (done) return 0;
        if (r < 0) return r;
        const auto now = steady_clock::now();
        if (now >= deadline_) return -ETIMEDOUT;
        const microseconds wait =
            std::min(ceil<microseconds>(deadline_ - now), UntilBusTimeout(bus_));
        const int events = sd_bus_get_events(bus_);
        if (events < 0) return events;
        const int fd = sd_bus_get_fd(bus_);
        if (!loop || fd < 0) {
            r = sd_bus_wait(bus_, std::uint64_t(std::min(wait, loop ? Slice : wait).count()));
            if (r < 0 && r != -EINTR) return r;
            if (loop) QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            continue;
        }
        if (!readable) {
            readable = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
            writable = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Write);
        }
        readable->setEnabled(events & POLLIN);
        writable->setEnabled(events & POLLOUT);
        wake.start(ceil<milliseconds>(wait));
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents |
                                        QEventLoop::ExcludeUserInputEvents);
    }
}

LogindPowerApi::Answer LogindPowerApi::Call(const char* service, const char* path,
                                            const char* interface, const char* method,
                                            const char* signature, const void* argument,
                                            bool request) {
    Answer answer;
    answer.from = std::strcmp(service, BusService) == 0 ? "The system bus" : "logind";
    answer.method = method;
    if (!bus_) {
        answer.text = "The system bus is not reachable.";
        return answer;
    }
    // Checked right before sending: past the budget nothing goes out.
    if (steady_clock::now() >= deadline_) {
        answer.kind = Answer::Timeout;
        answer.text = answer.method + " is not sent: the " + Seconds(budget_) +
                      " for the request have passed.";
        return answer;
    }
    sd_bus_message* raw = nullptr;
    int r = sd_bus_message_new_method_call(bus_, &raw, service, path, interface, method);
    const Message call(raw);
    if (r >= 0 && signature) r = sd_bus_message_append_basic(raw, *signature, argument);
    struct Pending {
        bool done = false;
        Message reply;
    } pending;
    const auto onReply = [](sd_bus_message* reply, void* data, sd_bus_error*) {
        auto* p = static_cast<Pending*>(data);
        p->reply.reset(sd_bus_message_ref(reply));
        p->done = true;
        return 0;
    };
    sd_bus_slot* slot = nullptr;
    // The request itself: from here logind may act on it, so its answer is
    // worth waiting for as long as logind may take.
    if (request) deadline_ = steady_clock::now() + answerBudget_;
    // The bus's own timeout for the call ends with the budget too.
    const auto left = ceil<microseconds>(deadline_ - steady_clock::now());
    if (r >= 0)
        r = sd_bus_call_async(bus_, &slot, raw, onReply, &pending,
                              std::uint64_t(std::max<std::int64_t>(left.count(), 1)));
    const bool sent = r >= 0;
    if (r >= 0) r = Turn(pending.done);
    sd_bus_slot_unref(slot);  // a late reply then finds nobody waiting
    const sd_bus_error* error =
        pending.done && sd_bus_message_is_method_error(pending.reply.get(), nullptr)
            ? sd_bus_message_get_error(pending.reply.get())
            : nullptr;
    // sd-bus ends a call it waited on in vain with its own "no reply".
    // So does it a call whose connection broke before the answer came.
    const bool noReply = error && (sd_bus_error_has_name(error, SD_BUS_ERROR_NO_REPLY) ||
                                   sd_bus_error_has_name(error, SD_BUS_ERROR_TIMEOUT));
    const bool late = noReply && steady_clock::now() >= deadline_;
    if (request && sent && (r < 0 || noReply)) {
        answer.kind = Answer::Unanswered;
        const std::string mayStill = "the request was sent and may still be carried out.";
        answer.text = r == -ETIMEDOUT || late
                          ? "logind did not answer " + answer.method + " within " +
                                Seconds(answerBudget_) + "; " + mayStill
                          : "The system bus connection ended after " + answer.method +
                                " was sent; " + mayStill;
        CloseBus();
    } else if (r == -ETIMEDOUT || late) {
        answer.kind = Answer::Timeout;
        answer.text = sd_bus_is_ready(bus_) > 0
                          ? answer.from + " did not answer " + answer.method + " within " +
                                Seconds(budget_) + "."
                          : "The system bus did not answer within " + Seconds(budget_) + ".";
        CloseBus();
    } else if (r < 0) {
        answer.text = "The system bus connection failed (" + ErrnoText(r) + ").";
        CloseBus();
    } else if (error) {
        answer.text = error->message ? error->message : error->name;
    } else {
        answer.kind = Answer::Reply;
        answer.reply = std::move(pending.reply);
    }
    return answer;
}

bool LogindPowerApi::LookupShutdownPrivilege() {
    // Each request starts afresh: its own connection, its own budget.
    CloseBus();
    deadline_ = steady_clock::now() + budget_;
    int r = 0;
    if (address_.empty()) {
        r = sd_bus_open_system(&bus_);
    } else if ((r = sd_bus_new(&bus_)) >= 0) {
        if ((r = sd_bus_set_address(bus_, address_.c_str())) >= 0 &&
            (r = sd_bus_set_bus_client(bus_, 1)) >= 0)
            r = sd_bus_start(bus_);
    }
    if (r < 0) {
        CloseBus();
        return Fail("The system bus is not reachable (" + ErrnoText(r) + ").");
    }
    std::string why;
    const Answer owned = Call(BusService, BusPath, BusService, "NameHasOwner", "s", LogindService);
    if (owned.kind != Answer::Reply) return Fail(owned);
    int there = 0;
    if (!owned.Signed("b", &why)) return Fail(why);
    if (sd_bus_message_read(owned.reply.get(), "b", &there) < 0) return Fail(Unread(owned));
    if (there) return true;
    // Not running yet, but the bus would start it on the first call.
    const Answer activatable = Call(BusService, BusPath, BusService, "ListActivatableNames");
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
    const Answer reply = Call(LogindService, LogindPath, LogindManager, "CanPowerOff");
    if (reply.kind != Answer::Reply) return Fail(reply);
    std::string why;
    const char* answer = nullptr;
    if (!reply.Signed("s", &why)) return Fail(why);
    if (sd_bus_message_read(reply.reply.get(), "s", &answer) < 0) return Fail(Unread(reply));
    // "challenge": allowed after authentication, which polkit grants without
    // a prompt to the active local session in the usual configuration.
    if (std::strcmp(answer, "yes") == 0 || std::strcmp(answer, "challenge") == 0) return true;
    return Fail(std::string("logind answers \"") + answer + "\" to CanPowerOff.");
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
        const Answer list = Call(LogindService, LogindPath, LogindManager, "ListInhibitors");
        if (list.kind == Answer::Timeout) return Fail(list);
        if (const std::string blocked = BlockingInhibitor(list); !blocked.empty())
            return Fail(blocked);
    }
    const int interactive = request.interactive;
    // The caller's own session: logind resolves the empty id to it.
    const char* session = std::getenv("XDG_SESSION_ID");
    const Answer done = request.inhibitable
                            ? Call(LogindService, LogindPath, LogindManager, request.method, "b",
                                   &interactive, true)
                            : Call(LogindService, LogindPath, LogindManager, request.method, "s",
                                   session ? session : "", true);
    if (done.kind != Answer::Reply) return Fail(done);
    std::string why;
    if (!done.Signed("", &why)) return Fail(why);
    return true;
}

}  // namespace dormix::power_linux
