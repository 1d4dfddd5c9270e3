// The system watch's view of log-ons, for real against the sessions mock on
// a private bus: which sessions are users, and when it asks logind. Time is
// handed in: the minute's recount is asked for with a clock moved ahead.
#include <gtest/gtest.h>
#include <poll.h>

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <chrono>

#include "MockLogind.h"
#include "frontend/watch_linux/LogindLogons.h"

namespace dormix::testing {
namespace {

using namespace std::chrono_literals;
using watch_linux::LogindLogons;

struct Watcher {
    PrivateBus bus;
    MockLogind logind{bus, "{}", SessionsTemplate};
    watch::Logons logons{"logind"};
    LogindLogons sessions{logons, bus.Address().toStdString()};
    LogindLogons::Clock::time_point start = LogindLogons::Clock::now();

    void Open(const QString& id, const QString& sessionClass, const QVariantMap& facts = {}) {
        logind.Mock("OpenSession", {id, 1000u, "ann", "", sessionClass, facts});
    }
    int Listings() { return int(logind.Calls("ListSessions").size()); }
    // Turns the watch's bus until it has asked logind once more (a signal
    // came, or the clock says so); false when it did not within 5 s.
    bool AskedAgain() {
        const int listings = Listings() + 1;
        const auto end = LogindLogons::Clock::now() + 5s;
        do {
            pollfd fd{sessions.Fd(), sessions.Events(), 0};
            ::poll(&fd, 1, 50);
            sessions.Process(start);
        } while (Listings() < listings && LogindLogons::Clock::now() < end);
        return Listings() == listings;
    }
    // Whether the watch asks logind when it is `later` past the start; it
    // asks (or not) before Process returns.
    bool AsksAt(std::chrono::seconds later) {
        const int listings = Listings();
        sessions.Process(start + later);
        return Listings() > listings;
    }
};

TEST(LogindLogons, OnlyAPersonsSessionNotOnItsWayOutIsSomeoneLoggedOn) {
    Watcher w;
    w.sessions.Listen();
    ASSERT_TRUE(w.AskedAgain());
    EXPECT_FALSE(w.logons.LoggedOn());
    struct Case {
        const char* sessionClass;
        QVariantMap facts;
        bool user;
    } cases[] = {
        {"greeter", {}, false},
        {"lock-screen", {}, false},
        {"background", {}, false},
        {"manager", {}, false},
        {"user", {{"State", "closing"}}, false},
        {"user-early", {}, true},
        {"user", {}, true},
    };
    int n = 0;
    for (const Case& c : cases) {
        const QString id = "c" + QString::number(++n);
        // Each opening is a SessionNew, each closing a SessionRemoved: one
        // count each.
        w.Open(id, c.sessionClass, c.facts);
        ASSERT_TRUE(w.AskedAgain()) << c.sessionClass;
        EXPECT_EQ(w.logons.LoggedOn(), c.user) << c.sessionClass;
        EXPECT_EQ(w.sessions.OtherSessionInUse(), c.user) << c.sessionClass;
        w.logind.Mock("CloseSession", {id});
        ASSERT_TRUE(w.AskedAgain()) << c.sessionClass;
        EXPECT_FALSE(w.logons.LoggedOn()) << c.sessionClass;
    }
}

// A session that goes on closing sends nothing when it finally goes: while
// anyone is logged on the count is made again each minute, never while
// nobody is.
TEST(LogindLogons, RecountsEachMinuteOnlyWhileSomeoneIsLoggedOn) {
    Watcher w;
    w.Open("c1", "user");
    w.sessions.Listen();
    ASSERT_TRUE(w.AskedAgain());
    EXPECT_TRUE(w.logons.LoggedOn());
    w.logind.Mock("UpdateSession", {"c1", QVariantMap{{"State", "closing"}}});
    EXPECT_FALSE(w.AsksAt(59s));
    EXPECT_TRUE(w.AsksAt(60s));
    EXPECT_FALSE(w.logons.LoggedOn());
    EXPECT_FALSE(w.AsksAt(3600s));
}

TEST(LogindLogons, NoAnswerIsSomeoneLoggedOn) {
    Watcher w;
    w.sessions.Listen();
    ASSERT_TRUE(w.AskedAgain());
    w.logind.Freeze(true);
    EXPECT_TRUE(w.sessions.OtherSessionInUse());
    EXPECT_TRUE(w.logons.LoggedOn());
    w.logind.Freeze(false);
}

// Any local user may send a signal that names logind's path and interface,
// to everybody or straight to the watch: only logind's own broadcasts count.
TEST(LogindLogons, OnlyLogindsOwnBroadcastsAreBelieved) {
    Watcher w;
    int resumes = 0;
    w.sessions.onResume = [&] { ++resumes; };
    w.sessions.Listen();
    ASSERT_TRUE(w.AskedAgain());
    const QString path = "/org/freedesktop/login1", manager = "org.freedesktop.login1.Manager";
    const QDBusConnection& forger = w.bus.Connection();
    const QString logind = forger.interface()->serviceOwner("org.freedesktop.login1");
    for (const QString& name : forger.interface()->registeredServiceNames().value()) {
        if (!name.startsWith(':') || name == logind || name == forger.baseService()) continue;
        for (const char* member : {"PrepareForSleep", "SessionNew"}) {
            QDBusMessage forged = QDBusMessage::createTargetedSignal(name, path, manager, member);
            if (member[0] == 'P')
                forged << false;
            else
                forged << "c9" << QVariant::fromValue(QDBusObjectPath("/c9"));
            ASSERT_TRUE(forger.send(forged));
        }
    }
    QDBusMessage broadcast = QDBusMessage::createSignal(path, manager, "PrepareForSleep");
    broadcast << false;
    ASSERT_TRUE(forger.send(broadcast));
    // Logind's own waking comes last: the forged ones were all taken by then.
    w.logind.Mock("EmitSignal", {manager, "PrepareForSleep", "b", QVariantList{false}});
    const int listings = w.Listings();
    for (int i = 0; i < 100 && resumes == 0; ++i) {
        pollfd fd{w.sessions.Fd(), w.sessions.Events(), 0};
        ::poll(&fd, 1, 50);
        w.sessions.Process(w.start);
    }
    EXPECT_EQ(resumes, 1);
    EXPECT_EQ(w.Listings(), listings) << "a forged SessionNew made it count";
}

}  // namespace
}  // namespace dormix::testing
