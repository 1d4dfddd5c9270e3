// The question about other sessions, for real against a mock logind with
// sessions on a private bus: which sessions count as in use, which one is
// our own, and what a missing, silent or garbled logind answers.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QTimer>
#include <csignal>
#include <cstdlib>

#include "MockLogind.h"
#include "frontend/tray_qt/SignalBridge.h"
#include "platform/linux/monitor/LogindSessions.h"

namespace dormix::testing {
namespace {

using linux_monitor::LogindSessions;
using std::chrono::milliseconds;

constexpr milliseconds Limit{900000};

// The test runs as our "user" with its session c1 on seat0, on the screen.
struct Machine {
    PrivateBus bus;
    MockLogind logind{bus, "{}", SessionsTemplate};
    LogindSessions sessions{Limit, bus.Address().toStdString()};
    Machine() {
        ::setenv("XDG_SESSION_ID", "c1", 1);
        Open("c1", ::getuid(), "seat0", "user", {{"Type", "x11"}, {"Active", true}});
    }
    ~Machine() { ::unsetenv("XDG_SESSION_ID"); }
    void Open(const QString& id, uint uid, const QString& seat, const QString& sessionClass,
              const QVariantMap& facts) {
        logind.Mock("OpenSession",
                    {id, uid, "user" + QString::number(uid), seat, sessionClass, facts});
    }
    void Update(const QString& id, const QVariantMap& facts) {
        logind.Mock("UpdateSession", {id, facts});
    }
};

TEST(LogindSessions, OnlyAnotherPersonsSessionOnAScreenOrRemoteAndNotIdleIsInUse) {
    Machine m;
    EXPECT_FALSE(m.sessions.OtherSessionInUse());
    EXPECT_EQ(m.sessions.Reason(), "nobody else: own session c1, 0 other sessions not in use");
    struct Case {
        const char *what, *seat, *sessionClass;
        QVariantMap facts;
        bool inUse;
    } cases[] = {
        {"B switched in", "seat0", "user", {{"Type", "wayland"}, {"Active", true}}, true},
        {"B's desktop idle",
         "seat0",
         "user",
         {{"Type", "x11"}, {"Active", true}, {"IdleHint", true}},
         false},
        {"B switched away", "seat0", "user", {{"Type", "x11"}}, false},
        {"a greeter on the screen", "seat0", "greeter", {{"Type", "x11"}, {"Active", true}}, false},
        {"a cron job", "", "background", {{"Type", "unspecified"}}, false},
        {"a user's service manager", "", "manager", {{"Type", "unspecified"}}, false},
        {"SSH logging out", "", "user", {{"Type", "tty"}, {"State", "closing"}}, false},
        {"SSH, a key 890 s ago", "", "user", {{"Type", "tty"}, {"IdleAgo", 890}}, true},
        {"SSH, a key 910 s ago", "", "user", {{"Type", "tty"}, {"IdleAgo", 910}}, false},
        {"no input time known", "", "user-light", {{"Type", "unspecified"}}, true},
        {"a remote desktop, idle", "", "user", {{"Type", "x11"}, {"IdleHint", true}}, false},
        {"a console on seat1", "seat1", "user", {{"Type", "tty"}, {"Active", true}}, true},
    };
    int n = 0;
    for (const Case& c : cases) {
        const QString id = QStringLiteral("c%1").arg(10 + n++);
        m.Open(id, 1001, c.seat, c.sessionClass, c.facts);
        EXPECT_EQ(m.sessions.OtherSessionInUse(), c.inUse) << c.what << ": " << m.sessions.Reason();
        if (c.inUse) {
            EXPECT_EQ(m.sessions.Reason(), "in use: session " + id.toStdString() +
                                               " of user 1001 (" +
                                               c.facts["Type"].toString().toStdString() + ")");
        }
        m.Update(id, {{"State", "closing"}});
    }
}

TEST(LogindSessions, OwnSessionFromTheEnvironmentElseTheUsersDisplay) {
    Machine m;
    ::unsetenv("XDG_SESSION_ID");
    // Without knowing its own, the program's desktop is someone else's.
    EXPECT_TRUE(m.sessions.OtherSessionInUse());
    EXPECT_EQ(m.sessions.Reason(),
              "in use: session c1 of user " + std::to_string(::getuid()) + " (x11)");
    m.Update("c1", {{"UserDisplay", true}});
    EXPECT_FALSE(m.sessions.OtherSessionInUse()) << m.sessions.Reason();
    ::setenv("XDG_SESSION_ID", "c99", 1);  // one logind does not list: the display again
    EXPECT_FALSE(m.sessions.OtherSessionInUse()) << m.sessions.Reason();
}

TEST(LogindSessions, NobodyToAskIsNobodyElseButAGarbledAnswerIsSomeone) {
    PrivateBus bus;  // no logind on it
    LogindSessions noLogind(Limit, bus.Address().toStdString());
    EXPECT_FALSE(noLogind.OtherSessionInUse());
    EXPECT_EQ(noLogind.Reason(), "nobody else: logind is not on the system bus");
    LogindSessions noBus(Limit, "unix:path=/nonexistent/bus");
    EXPECT_FALSE(noBus.OtherSessionInUse());
    EXPECT_EQ(noBus.Reason(), "nobody else: no system bus");

    Machine m;
    m.Open("c2", 1001, "seat0", "user", {{"Type", 11}});
    const int before = m.bus.Connections();
    EXPECT_TRUE(m.sessions.OtherSessionInUse());
    EXPECT_EQ(m.bus.Connections(), before) << "the question's connection stayed open";
    EXPECT_EQ(m.sessions.Reason(),
              "unknown: logind's answer about the session /org/freedesktop/login1/session/c2 "
              "lacks what it always tells, or cannot be read.");
    m.logind.AddMethod("ListSessions", "", "ret = [('c2', 'bea')]", "a(ss)");
    EXPECT_TRUE(m.sessions.OtherSessionInUse());
    EXPECT_EQ(m.sessions.Reason(),
              "unknown: logind answered ListSessions with the signature \"a(ss)\" instead of "
              "\"a(susso)\".");
}

TEST(LogindSessions, ASilentLogindIsSomeoneWithinTheBoundWhileSignalsAreHeardAndTimersWait) {
    Machine m;
    m.logind.Freeze(true);
    QElapsedTimer clock;
    clock.start();
    qint64 heard = -1;
    int beats = 0;
    QTimer beat;  // the cycle's tick: it must not run again inside the question
    QObject::connect(&beat, &QTimer::timeout, [&] { ++beats; });
    beat.start(20);
    tray_qt::SignalBridge endSignals([&] { heard = clock.elapsed(); });
    ::kill(::getpid(), SIGTERM);
    const bool inUse = m.sessions.OtherSessionInUse();
    const qint64 took = clock.elapsed();
    EXPECT_TRUE(inUse);
    EXPECT_EQ(m.sessions.Reason(), "unknown: logind did not answer ListSessions within 1.5 s.");
    EXPECT_GE(took, 1500);
    EXPECT_LT(took, 10000);
    EXPECT_GE(heard, 0) << "SIGTERM not heard during the wait";
    EXPECT_LT(heard, took);
    EXPECT_EQ(beats, 0) << "a timer fired inside the question";
    // Awake again, the next question gets through on a new connection.
    m.logind.Freeze(false);
    EXPECT_FALSE(m.sessions.OtherSessionInUse()) << m.sessions.Reason();
}

}  // namespace
}  // namespace dormix::testing
