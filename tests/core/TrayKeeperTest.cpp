// The watch keeping the tray program running (AllowExit=0): a fake session
// manager whose copies the test ends and whose starts it records.
#include <gtest/gtest.h>

#include "Fakes.h"
#include "watch/TrayKeeper.h"

namespace dormix::testing {
namespace {

class FakeSessions : public watch::SessionCopies {
  public:
    std::optional<std::vector<watch::UserSession>> ActiveSessions() override {
        if (unreachable) return std::nullopt;
        return sessions;
    }
    std::string StartCopy(std::uint32_t id) override {
        starts.push_back(tick);
        if (!refusal.empty()) return refusal;
        for (auto& s : sessions)
            if (s.id == id) s.copyRunning = !diesAtOnce;
        return {};
    }
    std::vector<watch::UserSession> sessions{{2, "ann", true}};
    std::vector<int> starts;  // the ticks at which a copy was started
    std::string refusal;
    bool unreachable = false, diesAtOnce = false;
    int tick = 0;
};

struct Keeper {
    FakeSessions sessions;
    RecordingSystemLog systemLog;
    watch::TrayKeeper keeper{sessions, systemLog};
    void Tick(int n) {
        for (int i = 0; i < n; ++i, ++sessions.tick) keeper.OnTick();
    }
    std::vector<std::string> Told() const {
        std::vector<std::string> out;
        for (const auto& f : systemLog.failures) out.push_back(f.text);
        return out;
    }
};

TEST(TrayKeeper, AKilledCopyComesBackInSecondsAndALogOffStartsNothing) {
    Keeper k;
    k.Tick(100);
    k.sessions.sessions[0].copyRunning = false;  // taskkill /F
    k.Tick(10);
    EXPECT_EQ(k.sessions.starts, std::vector<int>{104});
    EXPECT_EQ(k.Told(), std::vector<std::string>{
                            "Dormix Lite ended in session 2 (user ann) without its Exit; started "
                            "again there, as the administrator keeps it running (AllowExit=0)."});
    EXPECT_EQ(k.systemLog.failures[0].event, log::SystemEvent::TrayStarted);
    EXPECT_TRUE(log::IsWarning(log::SystemEvent::TrayStarted));

    // The session logs off: the copy ends with it, and the session goes.
    k.sessions.sessions[0].copyRunning = false;
    k.keeper.Forget(2);
    k.Tick(3);
    k.sessions.sessions.clear();
    k.Tick(100);
    // Nobody to ask for a while: nothing known to have ended.
    k.sessions.unreachable = true;
    k.Tick(100);
    EXPECT_EQ(k.sessions.starts.size(), 1u);
}

TEST(TrayKeeper, ANewSessionWithoutACopyGetsOneAfterItsOwnStartAndEndingsBackOff) {
    Keeper k;
    k.sessions.sessions = {{3, "bea", false}};
    k.sessions.diesAtOnce = true;  // its log held open by another program, say
    k.Tick(120);
    // 30 s for the session's own start, then 5, 5 + 10, 5 + 20, 5 + 40 s.
    EXPECT_EQ(k.sessions.starts, (std::vector<int>{29, 34, 49, 74, 119}));
    EXPECT_EQ(k.Told()[0],
              "Dormix Lite was not running in session 3 (user bea); started there, "
              "as the administrator keeps it running (AllowExit=0).");
    k.Tick(6000);
    EXPECT_EQ(k.sessions.starts.back() - k.sessions.starts[k.sessions.starts.size() - 2],
              watch::KeeperLongestWait);

    // Running a minute again, a copy that ends is back in 5 s.
    k.sessions.diesAtOnce = false;
    k.Tick(watch::KeeperLongestWait + watch::KeeperStableRun);
    k.sessions.sessions[0].copyRunning = false;
    const int ended = k.sessions.tick;
    k.Tick(10);
    EXPECT_EQ(k.sessions.starts.back(), ended + 4);

    k.sessions.refusal = "WTSQueryUserToken: Access is denied.";
    k.sessions.sessions[0].copyRunning = false;
    k.Tick(6);
    EXPECT_EQ(k.Told().back(),
              "Dormix Lite could not be started in session 3 (user bea): WTSQueryUserToken: "
              "Access is denied.; tried again in 15 seconds.");
    EXPECT_EQ(k.systemLog.failures.back().event, log::SystemEvent::TrayNotStarted);
}

}  // namespace
}  // namespace dormix::testing
