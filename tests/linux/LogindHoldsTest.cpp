// logind's inhibitors as holds, for real against the tests' mock logind on
// a private bus: which ones hold the desktop's program and which the
// system watch, how each holder is named, and what a missing, silent or
// garbled logind answers.
#include <gtest/gtest.h>

#include <QElapsedTimer>

#include "MockLogind.h"
#include "platform/linux/monitor/LogindHolds.h"

namespace dormix::testing {
namespace {

using linux_monitor::LogindHolds;
using Lines = std::vector<std::string>;

struct Machine {
    PrivateBus bus;
    MockLogind logind{bus, "{}", SessionsTemplate};
    LogindHolds desktop{LogindHolds::Counted::IdleAndBlocks, bus.Address().toStdString()};
    LogindHolds watch{LogindHolds::Counted::BlocksOnly, bus.Address().toStdString()};
};

TEST(LogindHolds, IdleInhibitorsHoldTheDesktopAndBlocksOfShutdownOrSleepHoldBoth) {
    Machine m;
    struct Case {
        const char *what, *who, *why, *mode;
        uint uid;
        std::string desktop, watch;  // the holder line in each view; empty: no hold
    } cases[] = {
        {"idle", "Videos", "Playing a film", "block", 0,
         "\"Videos\": Playing a film (logind idle inhibitor, PID 812, user root)", ""},
        {"idle", "Slides", "Presenting", "delay", 3999999,
         "\"Slides\": Presenting (logind idle inhibitor, PID 813, uid 3999999)", ""},
        {"shutdown", "Package Updater", "Upgrading", "block", 0,
         "\"Package Updater\": Upgrading (logind shutdown block inhibitor, PID 814, user root)",
         "\"Package Updater\": Upgrading (logind shutdown block inhibitor, PID 814, user root)"},
        {"sleep", "Disc Burner", "Burning", "block", 0,
         "\"Disc Burner\": Burning (logind sleep block inhibitor, PID 815, user root)",
         "\"Disc Burner\": Burning (logind sleep block inhibitor, PID 815, user root)"},
        {"shutdown", "Music", "Fading out", "delay", 0, "", ""},
        {"handle-power-key:handle-lid-switch", "Desktop", "Own keys", "block", 0, "", ""},
        {"sleep:shutdown:idle", "Backup", "Copying", "block", 0,
         "\"Backup\": Copying (logind sleep/shutdown/idle block inhibitor, PID 818, user root)",
         "\"Backup\": Copying (logind sleep/shutdown block inhibitor, PID 818, user root)"},
    };
    // Every inhibitor stays: each question names all that hold, in logind's
    // order. A block of shutdown or sleep is a lock that guards the system.
    Lines desktop, locks, watch;
    uint pid = 812;
    for (const Case& c : cases) {
        m.logind.Mock("AddInhibitor", {c.what, c.who, c.why, c.mode, c.uid, pid++});
        if (!c.desktop.empty()) (c.watch.empty() ? desktop : locks).push_back(c.desktop);
        if (!c.watch.empty()) watch.push_back(c.watch);
        const int before = m.bus.Connections();
        const monitor::HoldAnswer seen = m.desktop.Ask(), atLogon = m.watch.Ask();
        EXPECT_EQ(m.bus.Connections(), before) << "a question's connection stayed open";
        EXPECT_EQ(seen.holders, desktop) << c.who;
        EXPECT_EQ(seen.locks, locks) << c.who;
        EXPECT_EQ(atLogon.locks, watch) << c.who;
        EXPECT_EQ(atLogon.holders, Lines{}) << c.who;
        EXPECT_EQ(seen.failure + atLogon.failure, "") << c.who;
    }
}

TEST(LogindHolds, NobodyToAskHoldsNothingAndAnUnusableAnswerHoldsNothingButSaysWhy) {
    PrivateBus bare;  // no logind on it
    for (const std::string& address :
         {bare.Address().toStdString(), std::string("unix:path=/nonexistent/bus")}) {
        const monitor::HoldAnswer answer = LogindHolds({}, address).Ask();
        EXPECT_EQ(answer.holders, Lines{}) << address;
        EXPECT_EQ(answer.failure, "") << address;
    }

    Machine m;
    m.logind.Mock("AddInhibitor", {"idle", "Videos", "Playing a film", "block", 0u, 812u});
    m.logind.Freeze(true);
    QElapsedTimer clock;
    clock.start();
    monitor::HoldAnswer answer = m.desktop.Ask();
    const qint64 took = clock.elapsed();
    EXPECT_EQ(answer.holders, Lines{});
    EXPECT_EQ(answer.failure,
              "logind's inhibitors: logind did not answer ListInhibitors within 1.5 s");
    EXPECT_GE(took, 1500);
    EXPECT_LT(took, 5000);
    // Awake again, the next question gets through on a new connection.
    m.logind.Freeze(false);
    EXPECT_EQ(m.desktop.Ask().holders.size(), 1u);

    m.logind.AddMethod("ListInhibitors", "", "ret = [('idle', 'Videos')]", "a(ss)");
    answer = m.desktop.Ask();
    EXPECT_EQ(answer.holders, Lines{});
    EXPECT_EQ(answer.failure,
              "logind's inhibitors: logind answered ListInhibitors with the signature \"a(ss)\" "
              "instead of \"a(ssssuu)\"");
}

}  // namespace
}  // namespace dormix::testing
