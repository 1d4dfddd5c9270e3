#pragma once
// Who is logged on, as logind tells it: its SessionNew and SessionRemoved
// signals on a connection of their own, each followed by one count of the
// users' sessions (the list, then each session's facts) inside a budget.
// Nothing asks the bus while nothing changes, with one exception: a session
// stuck in "closing" goes without a signal, so while anyone is (or may be)
// logged on the count is made again once a minute.

#include <chrono>
#include <functional>
#include <string>
#include <string_view>

#include "monitor/OtherSessions.h"
#include "platform/linux/logind/LogindBus.h"
#include "platform/linux/logind/LogindSignals.h"
#include "watch/Watch.h"

struct sd_bus_slot;

namespace dormix::watch_linux {

inline constexpr std::chrono::milliseconds CountBudget{1500};
inline constexpr std::chrono::seconds RecountPeriod{60};

// Logged on: a person's session that is not on its way out.
bool UserSession(const linux_logind::SessionFacts& session);

class LogindLogons final : public monitor::OtherSessions {
  public:
    using Clock = std::chrono::steady_clock;

    // `address`: a D-Bus address; empty for the system bus.
    explicit LogindLogons(watch::Logons& logons, std::string address = {},
                          std::chrono::milliseconds budget = CountBudget);
    ~LogindLogons() override;
    LogindLogons(const LogindLogons&) = delete;
    LogindLogons& operator=(const LogindLogons&) = delete;

    // Subscribes to logind's signals; the first count follows once the bus
    // has taken the subscription. Made again a minute after it failed.
    void Listen();
    // The connection's file and the poll() events it waits for; -1 without one.
    int Fd() const;
    short Events() const;
    // How long the program may sleep before Process() is due.
    std::chrono::milliseconds Due(Clock::time_point now) const;
    // Takes what came on the bus and counts when a change or the minute asks.
    void Process(Clock::time_point now);

    // Asked by the cycle at the end of the count and right before the
    // request: a fresh count; a user, or no answer, is a yes.
    bool OtherSessionInUse() override;

    std::function<void()> onResume;
    // Each count's result, for the test build's trace.
    std::function<void(std::string_view)> trace;

  private:
    void Count(Clock::time_point now);
    void Drop(std::string_view why);

    watch::Logons& logons_;
    std::string address_;
    linux_logind::LogindBus questions_;
    sd_bus* signals_ = nullptr;
    sd_bus_slot* slots_[3] = {};
    linux_logind::LogindSignals fromLogind_;
    bool changed_ = false, refused_ = false;
    bool unread_ = false;  // a flood's slice ran out with messages left
    Clock::time_point lastCount_{}, lastListen_{};
};

}  // namespace dormix::watch_linux
