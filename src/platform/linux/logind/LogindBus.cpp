#include "platform/linux/logind/LogindBus.h"

#include <poll.h>
#include <systemd/sd-bus.h>
#include <systemd/sd-login.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace dormix::linux_logind {

namespace {

using std::chrono::ceil;
using std::chrono::microseconds;
using std::chrono::milliseconds;
using std::chrono::steady_clock;

constexpr const char* BusService = "org.freedesktop.DBus";
constexpr const char* Properties = "org.freedesktop.DBus.Properties";

PollWait defaultWait;
BusWait* installedWait = nullptr;

std::string ErrnoText(int negative) { return std::strerror(-negative); }

std::string Seconds(milliseconds budget) {
    char text[32];
    std::snprintf(text, sizeof text, "%g s", double(budget.count()) / 1000.0);
    return text;
}

Answer Done() {
    Answer done;
    done.kind = Answer::Reply;
    return done;
}

std::string CannotRead(const Answer& answer) {
    return "The answer to " + answer.method + " cannot be read.";
}

// Reads the wanted members of an a{sv} reply, skipping the others; every
// wanted one must be there with its type. `read` returns the result of
// reading the value, or 0 when it skipped it.
template <typename Read>
bool ReadProperties(sd_bus_message* m, std::size_t wanted, Read read) {
    std::size_t found = 0;
    int r = sd_bus_message_enter_container(m, 'a', "{sv}");
    while (r > 0 && (r = sd_bus_message_enter_container(m, 'e', "sv")) > 0) {
        const char* name = nullptr;
        if ((r = sd_bus_message_read(m, "s", &name)) < 0) break;
        if ((r = read(std::string_view(name))) > 0) ++found;
        if (r == 0) r = sd_bus_message_skip(m, "v");
        if (r < 0 || (r = sd_bus_message_exit_container(m)) < 0) break;
    }
    return r >= 0 && found == wanted;
}

}  // namespace

microseconds UntilBusTimeout(sd_bus* bus) {
    std::uint64_t at = 0;  // CLOCK_MONOTONIC, as steady_clock
    if (sd_bus_get_timeout(bus, &at) < 0 || at == UINT64_MAX) return microseconds::max();
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    const std::uint64_t nowUs = std::uint64_t(now.tv_sec) * 1000000u + now.tv_nsec / 1000;
    return microseconds(at > nowUs ? at - nowUs : 0);
}

int PollWait::Wait(int fd, short events, microseconds wait, bool) {
    pollfd fds[2] = {{fd, events, 0}, {stopFd_, POLLIN, 0}};
    const auto ms = ceil<milliseconds>(wait).count();
    const int n = ::poll(fds, stopFd_ >= 0 ? 2 : 1, int(std::min<std::int64_t>(ms, 60000)));
    if (n < 0) return -errno;
    return fds[1].revents & POLLIN ? -ECANCELED : 0;
}

void UseBusWait(BusWait* wait) { installedWait = wait; }

void MessageUnref::operator()(sd_bus_message* m) const { sd_bus_message_unref(m); }

bool Answer::Signed(const char* signature, std::string* why) const {
    if (sd_bus_message_has_signature(reply.get(), signature) > 0) return true;
    const char* got = sd_bus_message_get_signature(reply.get(), 1);
    *why = from + " answered " + method + " with the signature \"" + (got ? got : "") +
           "\" instead of \"" + signature + "\".";
    return false;
}

Answer Answer::Unreadable(const Answer& of, std::string why) {
    Answer answer;
    answer.from = of.from;
    answer.method = of.method;
    answer.text = why.empty() ? CannotRead(of) : std::move(why);
    return answer;
}

LogindBus::LogindBus(std::string address, milliseconds budget, Timers timers)
    : address_(std::move(address)), budget_(budget), timers_(timers) {}

LogindBus::~LogindBus() { Close(); }

void LogindBus::Close() {
    if (!bus_) return;
    sd_bus_close(bus_);
    bus_ = sd_bus_unref(bus_);
}

int OpenBus(const std::string& address, sd_bus** bus) {
    *bus = nullptr;
    int r = 0;
    if (address.empty()) {
        r = sd_bus_open_system(bus);
    } else if ((r = sd_bus_new(bus)) >= 0) {
        if ((r = sd_bus_set_address(*bus, address.c_str())) >= 0 &&
            (r = sd_bus_set_bus_client(*bus, 1)) >= 0)
            r = sd_bus_start(*bus);
    }
    if (r < 0 && *bus) {
        sd_bus_close(*bus);
        *bus = sd_bus_unref(*bus);
    }
    return r;
}

int LogindBus::Begin() {
    deadline_ = steady_clock::now() + budget_;
    if (bus_) return 0;
    return OpenBus(address_, &bus_);
}

int LogindBus::Turn(const bool& done) {
    BusWait& wait = installedWait ? *installedWait : defaultWait;
    for (;;) {
        int r;
        // A flood that came with the answer may not hold the wait past its budget.
        int turns = 0;
        do r = sd_bus_process(bus_, nullptr);
        while (r > 0 && !done && (++turns % 256 || steady_clock::now() < deadline_));
        if (done) return 0;
        if (r < 0) return r;
        const auto now = steady_clock::now();
        if (now >= deadline_) return -ETIMEDOUT;
        const microseconds left =
            std::min(ceil<microseconds>(deadline_ - now), UntilBusTimeout(bus_));
        const int events = sd_bus_get_events(bus_);
        if (events < 0) return events;
        r = wait.Wait(sd_bus_get_fd(bus_), short(events), left, timers_ == Timers::Hold);
        if (r < 0 && r != -EINTR) return r;
    }
}

Answer LogindBus::Call(const char* service, const char* path, const char* interface,
                       const char* method, const char* signature, const void* argument) {
    return Exchange(service, path, interface, method, signature, argument, {});
}

Answer LogindBus::Request(const char* method, const char* signature, const void* argument,
                          milliseconds answerBudget) {
    return Exchange(LogindService, LogindPath, LogindManager, method, signature, argument,
                    answerBudget);
}

Answer LogindBus::Exchange(const char* service, const char* path, const char* interface,
                           const char* method, const char* signature, const void* argument,
                           milliseconds answerBudget) {
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
    Outcome outcome =
        SendAndWait(service, path, interface, method, signature, argument, answerBudget);
    return Sorted(std::move(answer), std::move(outcome), answerBudget);
}

LogindBus::Outcome LogindBus::SendAndWait(const char* service, const char* path,
                                          const char* interface, const char* method,
                                          const char* signature, const void* argument,
                                          milliseconds answerBudget) {
    Outcome outcome;
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
    if (answerBudget.count() > 0) deadline_ = steady_clock::now() + answerBudget;
    // The bus's own timeout for the call ends with the budget too.
    const auto left = ceil<microseconds>(deadline_ - steady_clock::now());
    if (r >= 0)
        r = sd_bus_call_async(bus_, &slot, raw, onReply, &pending,
                              std::uint64_t(std::max<std::int64_t>(left.count(), 1)));
    outcome.sent = r >= 0;
    if (r >= 0) r = Turn(pending.done);
    sd_bus_slot_unref(slot);  // a late reply then finds nobody waiting
    outcome.result = r;
    if (pending.done) outcome.reply = std::move(pending.reply);
    return outcome;
}

Answer LogindBus::Sorted(Answer answer, Outcome outcome, milliseconds answerBudget) {
    const bool request = answerBudget.count() > 0;
    const int r = outcome.result;
    const sd_bus_error* error =
        outcome.reply && sd_bus_message_is_method_error(outcome.reply.get(), nullptr)
            ? sd_bus_message_get_error(outcome.reply.get())
            : nullptr;
    // sd-bus ends a call it waited on in vain with its own "no reply", and
    // so a call whose connection broke before the answer came.
    const bool noReply = error && (sd_bus_error_has_name(error, SD_BUS_ERROR_NO_REPLY) ||
                                   sd_bus_error_has_name(error, SD_BUS_ERROR_TIMEOUT));
    const bool late = noReply && steady_clock::now() >= deadline_;
    if (request && outcome.sent && (r < 0 || noReply)) {
        answer.kind = Answer::Unanswered;
        const std::string mayStill = "the request was sent and may still be carried out.";
        answer.text = r == -ETIMEDOUT || late
                          ? "logind did not answer " + answer.method + " within " +
                                Seconds(answerBudget) + "; " + mayStill
                          : "The system bus connection ended after " + answer.method +
                                " was sent; " + mayStill;
        Close();
    } else if (r == -ETIMEDOUT || late) {
        answer.kind = Answer::Timeout;
        answer.text = sd_bus_is_ready(bus_) > 0
                          ? answer.from + " did not answer " + answer.method + " within " +
                                Seconds(budget_) + "."
                          : "The system bus did not answer within " + Seconds(budget_) + ".";
        Close();
    } else if (r < 0) {
        answer.errnum = -r;
        answer.text = "The system bus connection failed (" + ErrnoText(r) + ").";
        Close();
    } else if (error) {
        answer.error = error->name ? error->name : "";
        answer.text = error->message ? error->message : error->name;
    } else {
        answer.kind = Answer::Reply;
        answer.reply = std::move(outcome.reply);
    }
    return answer;
}

Answer ListSessions(LogindBus& bus, std::vector<SessionRef>& out) {
    out.clear();
    Answer list = bus.CallLogind("ListSessions");
    std::string why;
    if (list.kind != Answer::Reply) return list;
    if (!list.Signed("a(susso)", &why)) return Answer::Unreadable(list, why);
    sd_bus_message* m = list.reply.get();
    const char *id, *user, *seat, *path;
    std::uint32_t uid = 0;
    int r = sd_bus_message_enter_container(m, 'a', "(susso)");
    while (r > 0 && (r = sd_bus_message_read(m, "(susso)", &id, &uid, &user, &seat, &path)) > 0)
        out.push_back({id, seat, path, uid});
    if (r < 0) return Answer::Unreadable(list, {});
    return list;
}

Answer ReadSession(LogindBus& bus, const std::string& path, SessionFacts& out) {
    const char* interface = "org.freedesktop.login1.Session";
    Answer all = bus.Call(LogindService, path.c_str(), Properties, "GetAll", "s", interface);
    std::string why;
    if (all.kind != Answer::Reply) return all;
    if (!all.Signed("a{sv}", &why)) return Answer::Unreadable(all, why);
    sd_bus_message* m = all.reply.get();
    const auto read = [&](std::string_view name) -> int {
        const char *s = nullptr, *objectPath = nullptr;
        int b = 0, r = 0;
        std::string* to = name == "Class"   ? &out.sessionClass
                          : name == "State" ? &out.state
                          : name == "Type"  ? &out.type
                                            : nullptr;
        if (to) {
            if ((r = sd_bus_message_read(m, "v", "s", &s)) > 0) *to = s;
        } else if (name == "Active" || name == "IdleHint") {
            if ((r = sd_bus_message_read(m, "v", "b", &b)) > 0)
                (name == "Active" ? out.active : out.idleHint) = b != 0;
        } else if (name == "IdleSinceHint") {
            r = sd_bus_message_read(m, "v", "t", &out.idleSinceHint);
        } else if (name == "Seat") {
            if ((r = sd_bus_message_read(m, "v", "(so)", &s, &objectPath)) > 0) out.seat = s;
        }
        return r;
    };
    if (!ReadProperties(m, 7, read))
        return Answer::Unreadable(all, "logind's answer about the session " + path +
                                           " lacks what it always tells, or cannot be read.");
    return all;
}

bool NoSystemBus(int errnum) { return errnum == ENOENT || errnum == ECONNREFUSED; }

bool NoLogind(const Answer& answer) {
    return NoSystemBus(answer.errnum) ||
           answer.error == "org.freedesktop.DBus.Error.ServiceUnknown" ||
           answer.error == "org.freedesktop.DBus.Error.NameHasNoOwner";
}

Answer ListInhibitors(LogindBus& bus, std::vector<InhibitorRef>& out) {
    out.clear();
    Answer list = bus.CallLogind("ListInhibitors");
    std::string why;
    if (list.kind != Answer::Reply) return list;
    if (!list.Signed("a(ssssuu)", &why)) return Answer::Unreadable(list, why);
    sd_bus_message* m = list.reply.get();
    const char *what, *who, *reason, *mode;
    std::uint32_t uid = 0, pid = 0;
    int r = sd_bus_message_enter_container(m, 'a', "(ssssuu)");
    while (r > 0 &&
           (r = sd_bus_message_read(m, "(ssssuu)", &what, &who, &reason, &mode, &uid, &pid)) > 0)
        out.push_back({what, who, reason, mode, uid, pid});
    if (r < 0) return Answer::Unreadable(list, {});
    return list;
}

bool Inhibits(std::string_view what, std::string_view kind) {
    while (!what.empty()) {
        const auto colon = what.find(':');
        if (what.substr(0, colon) == kind) return true;
        if (colon == std::string_view::npos) break;
        what.remove_prefix(colon + 1);
    }
    return false;
}

bool SessionGone(const Answer& answer) {
    return answer.error == "org.freedesktop.DBus.Error.UnknownObject" ||
           answer.error == "org.freedesktop.login1.NoSuchSession";
}

Answer OwnSession(LogindBus& bus, const std::vector<SessionRef>& listed, const SessionRef*& own) {
    own = nullptr;
    const auto take = [&](const std::string& id) {
        for (const SessionRef& s : listed)
            if (!id.empty() && s.id == id) {
                own = &s;
                return true;
            }
        return false;
    };
    // The session the process belongs to, as the kernel's control groups
    // say; a program started by the user's service manager belongs to none.
    char* mine = nullptr;
    if (sd_pid_get_session(0, &mine) >= 0) {
        const bool found = take(mine);
        std::free(mine);
        if (found) return Done();
    }
    if (const char* id = std::getenv("XDG_SESSION_ID"); id && take(id)) return Done();
    // Else the session logind picks to stand for the user: the graphical
    // one, if any.
    const std::uint32_t uid = ::getuid();
    Answer user = bus.CallLogind("GetUser", "u", &uid);
    if (user.kind == Answer::Error && user.error == "org.freedesktop.login1.NoSuchUser")
        return Done();
    if (user.kind != Answer::Reply) return user;
    std::string why;
    const char* userPath = nullptr;
    if (!user.Signed("o", &why)) return Answer::Unreadable(user, why);
    if (sd_bus_message_read(user.reply.get(), "o", &userPath) < 0)
        return Answer::Unreadable(user, {});
    Answer all =
        bus.Call(LogindService, userPath, Properties, "GetAll", "s", "org.freedesktop.login1.User");
    if (all.kind != Answer::Reply) return all;
    if (!all.Signed("a{sv}", &why)) return Answer::Unreadable(all, why);
    sd_bus_message* m = all.reply.get();
    std::string display;
    const auto read = [&](std::string_view name) -> int {
        const char *id = nullptr, *objectPath = nullptr;
        if (name != "Display") return 0;
        const int r = sd_bus_message_read(m, "v", "(so)", &id, &objectPath);
        if (r > 0) display = id;
        return r;
    };
    if (!ReadProperties(m, 1, read)) return Answer::Unreadable(all, {});
    take(display);
    return Done();
}

}  // namespace dormix::linux_logind
