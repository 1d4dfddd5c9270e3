// The watch keeping the tray program running (AllowExit=0), against a fake
// session manager whose copies the test ends and whose starts it records.
#include <gtest/gtest.h>

#include "Fakes.h"
#include "watch/TrayKeeper.h"

namespace dormix::testing {
namespace {

struct Keeper : watch::SessionCopies {
    std::optional<std::vector<watch::UserSession>> ActiveSessions() override {
        return unreachable ? std::nullopt : std::optional(sessions);
    }
    std::string StartCopy(std::uint32_t) override {
        starts.push_back(tick);
        sessions[0].copyRunning = refusal.empty() && !diesAtOnce;
        return refusal;
    }
    void Tick(int n) {
        for (int i = 0; i < n; ++i, ++tick) keeper.OnTick();
    }
    std::vector<watch::UserSession> sessions{{2, "ann", true}};
    std::vector<int> starts;  // the ticks at which a copy was started
    std::string refusal;
    bool unreachable = false, diesAtOnce = false;
    int tick = 0;
    RecordingSystemLog told;
    watch::TrayKeeper keeper{*this, told};
};

TEST(TrayKeeper, AKilledCopyIsBackIn5SecondsANewSessionGetsOneAfter30AndEndingsBackOff) {
    Keeper k;
    k.Tick(100);
    k.sessions[0].copyRunning = false;  // taskkill /F
    k.Tick(10);
    EXPECT_EQ(k.starts, std::vector<int>{104});
    EXPECT_EQ(k.told.failures.at(0).text,
              "Dormix Lite ended in session 2 (user ann) without its Exit; started again there, "
              "as the administrator keeps it running (AllowExit=0).");
    EXPECT_EQ(k.told.failures[0].event, log::SystemEvent::TrayStarted);
    // A log-off: the copy ends with the session, and nothing is started.
    k.sessions[0].copyRunning = false;
    k.keeper.Forget(2);
    k.Tick(3);
    k.sessions.clear();
    k.Tick(100);
    k.unreachable = true;  // nobody to ask: nothing known to have ended
    k.Tick(100);
    EXPECT_EQ(k.starts.size(), 1u);

    // A new session without a copy, whose copies end at once (a log held
    // open by another program): 30 s for its own start, then 5, 15, 25, 45 s.
    k.unreachable = false;
    k.diesAtOnce = true;
    k.sessions = {{3, "bea", false}};
    k.starts.clear();
    const int from = k.tick;
    k.Tick(120);
    for (int& t : k.starts) t -= from;
    EXPECT_EQ(k.starts, (std::vector<int>{29, 34, 49, 74, 119}));
    EXPECT_EQ(k.told.failures.at(1).text,
              "Dormix Lite was not running in session 3 (user bea); started there, as the "
              "administrator keeps it running (AllowExit=0).");
    k.Tick(6000);
    EXPECT_EQ(k.starts.back() - k.starts[k.starts.size() - 2], watch::KeeperLongestWait);
    // A minute of running sets the back-off back; a failed start says why.
    k.diesAtOnce = false;
    k.Tick(watch::KeeperLongestWait + watch::KeeperStableRun);
    k.refusal = "WTSQueryUserToken: Access is denied.";
    k.sessions[0].copyRunning = false;
    k.Tick(6);
    EXPECT_EQ(k.told.failures.back().text,
              "Dormix Lite could not be started in session 3 (user bea): WTSQueryUserToken: "
              "Access is denied.; tried again in 5 seconds.");
    EXPECT_EQ(k.told.failures.back().event, log::SystemEvent::TrayNotStarted);
}

}  // namespace
}  // namespace dormix::testing
