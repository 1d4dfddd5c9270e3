#pragma once
// logind over the system bus with sd-bus, every exchange inside one budget:
// a bus or a logind that does not answer in it gives a timeout, and
// nothing is sent once the budget is spent. While waiting, the caller's
// event loop keeps turning (repaints, the signal pipe), without user input:
// the loop's owner installs a BusWait that does so; without one the bus is
// waited on with poll(), beside one file the caller names (a signalfd).
//
// Shared by the power-off request and the questions about other sessions
// and holds; beside the calls it knows logind's sessions (the list, one
// session's facts, and which of them is this program's own) and its
// inhibitors.

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct sd_bus;
struct sd_bus_message;

namespace dormix::linux_logind {

inline constexpr const char* LogindService = "org.freedesktop.login1";
inline constexpr const char* LogindPath = "/org/freedesktop/login1";
inline constexpr const char* LogindManager = "org.freedesktop.login1.Manager";

struct MessageUnref {
    void operator()(sd_bus_message* m) const;
};
using Message = std::unique_ptr<sd_bus_message, MessageUnref>;

// What came back from one call, or why nothing usable did.
struct Answer {
    // Unanswered: a request that was sent, whose answer never came; unlike
    // a timeout, logind may still be carrying it out.
    enum Kind { Reply, Error, Timeout, Unanswered } kind = Error;
    std::string text;   // the bus's or logind's message, or why nothing came
    std::string error;  // the D-Bus error name of an Error reply, if any
    int errnum = 0;     // the errno of a connection that failed
    Message reply;
    std::string from, method;

    // A reply is read only once its signature is the one logind documents.
    bool Signed(const char* signature, std::string* why) const;
    // An Error answer standing for a reply that cannot be read.
    static Answer Unreadable(const Answer& of, std::string why);
};

// How the program waits for the bus while an exchange is under way.
class BusWait {
  public:
    virtual ~BusWait() = default;
    // Returns once `fd` may be ready for `events` (poll's) or `wait` has
    // passed, having let the program's own loop turn meanwhile; with
    // `holdTimers`, the loop's timers do not fire. A negative errno gives up
    // the exchange.
    virtual int Wait(int fd, short events, std::chrono::microseconds wait, bool holdTimers) = 0;
};

// The wait of a program without an event loop: poll() on the bus and on
// `stopFd` (-1: none); `stopFd` readable gives up the exchange with
// -ECANCELED, and stays readable for the program to read.
class PollWait final : public BusWait {
  public:
    explicit PollWait(int stopFd = -1) : stopFd_(stopFd) {}
    int Wait(int fd, short events, std::chrono::microseconds wait, bool holdTimers) override;

  private:
    int stopFd_;
};

// The process's way of waiting; null (the default) for PollWait without a
// stop file. Not owned; it must outlive every exchange.
void UseBusWait(BusWait* wait);

// How long until `bus` has a timeout of its own to handle (a call's reply
// overdue); microseconds::max() when none is pending.
std::chrono::microseconds UntilBusTimeout(sd_bus* bus);

// Connects to the bus at `address` (empty: the system bus) without waiting
// for it beyond the connect itself. Returns 0 with `*bus` set, or a
// negative errno with `*bus` null.
int OpenBus(const std::string& address, sd_bus** bus);

class LogindBus {
  public:
    // While waiting, timers fire only with Timers::Keep: a caller that asks
    // from inside a timer's handler must not have that timer run it again.
    enum class Timers { Keep, Hold };

    // `address`: a D-Bus address; empty for the system bus.
    LogindBus(std::string address, std::chrono::milliseconds budget, Timers timers);
    ~LogindBus();
    LogindBus(const LogindBus&) = delete;
    LogindBus& operator=(const LogindBus&) = delete;

    // Starts a budget and connects unless a connection is still open.
    // Returns 0, or a negative errno when the bus cannot be reached.
    int Begin();
    // One question from its Begin() to its end: the connection closes with
    // it. Any local account may send messages to an open connection, and a
    // connection kept between questions would have to read a flood of them
    // before the next answer; one that is not open cannot be flooded.
    class Question {
      public:
        explicit Question(LogindBus& bus) : bus_(bus) {}
        ~Question() { bus_.Close(); }
        Question(const Question&) = delete;
        Question& operator=(const Question&) = delete;

      private:
        LogindBus& bus_;
    };
    // Closed without flushing: a call still queued must never leave late.
    void Close();
    Answer Call(const char* service, const char* path, const char* interface, const char* method,
                const char* signature = nullptr, const void* argument = nullptr);
    Answer CallLogind(const char* method, const char* signature = nullptr,
                      const void* argument = nullptr) {
        return Call(LogindService, LogindPath, LogindManager, method, signature, argument);
    }
    // The request itself (PowerOff and its kin): sent only inside the
    // budget, like every call, but once sent logind may act on it, so its
    // answer is awaited for up to `answerBudget`, as long as logind itself
    // may take (its polkit check).
    Answer Request(const char* method, const char* signature, const void* argument,
                   std::chrono::milliseconds answerBudget);
    std::chrono::milliseconds Budget() const { return budget_; }

  private:
    // What became of one call: whether it went out, the last step's
    // result (a negative errno), and the reply, if one came.
    struct Outcome {
        bool sent = false;
        int result = 0;
        Message reply;
    };

    int Turn(const bool& done);
    // A call; with a non-zero `answerBudget`, the request (see Request).
    Answer Exchange(const char* service, const char* path, const char* interface,
                    const char* method, const char* signature, const void* argument,
                    std::chrono::milliseconds answerBudget);
    // Sends the call and turns the bus until its reply or the deadline.
    Outcome SendAndWait(const char* service, const char* path, const char* interface,
                        const char* method, const char* signature, const void* argument,
                        std::chrono::milliseconds answerBudget);
    // The answer the caller gets: a reply, logind's error, or why none came.
    Answer Sorted(Answer answer, Outcome outcome, std::chrono::milliseconds answerBudget);

    std::string address_;
    std::chrono::milliseconds budget_;
    Timers timers_;
    std::chrono::steady_clock::time_point deadline_;
    sd_bus* bus_ = nullptr;
};

// Nobody to ask: the system bus's socket is missing or refuses (`errnum`
// from Begin or a call), or logind is not on the bus.
bool NoSystemBus(int errnum);
bool NoLogind(const Answer& answer);

// One entry of ListSessions.
struct SessionRef {
    std::string id, seat, path;
    std::uint32_t uid = 0;
};
Answer ListSessions(LogindBus& bus, std::vector<SessionRef>& out);

// What logind says of one session.
struct SessionFacts {
    std::string sessionClass, state, type, seat;
    bool active = false, idleHint = false;
    std::uint64_t idleSinceHint = 0;  // CLOCK_REALTIME, microseconds; 0: unknown
};
Answer ReadSession(LogindBus& bus, const std::string& path, SessionFacts& out);
// A session that ended between the list and the question about it.
bool SessionGone(const Answer& answer);

// One entry of ListInhibitors: a program's lock on what logind does.
struct InhibitorRef {
    std::string what;  // a colon-separated list: "sleep:shutdown:idle"
    std::string who, why;
    std::string mode;  // "block" or "delay"
    std::uint32_t uid = 0, pid = 0;
};
Answer ListInhibitors(LogindBus& bus, std::vector<InhibitorRef>& out);
// Whether an inhibitor's `what` names `kind` ("shutdown", "idle", ...).
bool Inhibits(std::string_view what, std::string_view kind);

// This program's own session among `listed`: the one its process belongs
// to, else XDG_SESSION_ID, else its user's display session; each only when
// logind lists it. `own` is null when none is.
Answer OwnSession(LogindBus& bus, const std::vector<SessionRef>& listed, const SessionRef*& own);

}  // namespace dormix::linux_logind
