#pragma once
// Programs' holds as logind keeps them: its inhibitors. A player or a
// browser playing a film takes an "idle" one; an upgrade or a disc burn a
// "shutdown" or "sleep" one in block mode, which is a lock that guards the
// system rather than a hold. Shutdown and sleep inhibitors in
// delay mode hold nothing: every desktop takes them, to save its state in
// the seconds before the machine goes.
//
// One question is one ListInhibitors call inside a budget of its own, on a
// connection of its own, closed when the question ends. While
// it waits, the window repaints and signals are heard, but timers wait: the
// question is asked from the cycle's tick, which must not run again inside.

#include <chrono>
#include <cstdint>
#include <map>
#include <string>

#include "monitor/Holds.h"
#include "platform/linux/logind/LogindBus.h"
#include "platform/linux/monitor/LogindSessions.h"

namespace dormix::linux_monitor {

class LogindHolds final : public monitor::Holds {
  public:
    // Which inhibitors hold. In a desktop session idle ones too; the system
    // watch at a logon screen counts the blocks alone (an update): idle in a
    // session is the business of that session's own copy.
    enum class Counted { IdleAndBlocks, BlocksOnly };

    // `address`: a D-Bus address; empty for the system bus.
    explicit LogindHolds(Counted counted = Counted::IdleAndBlocks, std::string address = {},
                         std::chrono::milliseconds budget = QuestionBudget);

    monitor::HoldAnswer Ask() override;

  private:
    std::string Holder(const linux_logind::InhibitorRef& inhibitor);
    const std::string& UserName(std::uint32_t uid);

    Counted counted_;
    linux_logind::LogindBus bus_;
    // Names looked up so far: the user database may be a directory on the
    // network, asked without a bound of ours, so each uid at most once.
    std::map<std::uint32_t, std::string> users_;
};

}  // namespace dormix::linux_monitor
