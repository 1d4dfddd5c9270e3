// The power-off service over logind, for real against a mock logind on a
// private bus: which method is called with what, and every refusal with
// its error number and logind's own text.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QTimer>
#include <csignal>

#include "MockLogind.h"
#include "frontend/tray_qt/SignalBridge.h"
#include "log/ProgramError.h"
#include "platform/linux/power/LogindPowerApi.h"
#include "power/ShutdownService.h"
#include "ui/Texts.h"

namespace dormix::testing {
namespace {

using linux_power::LogindPowerApi;

struct Outcome {
    bool raised = false;
    std::int32_t number = 0;
    std::string source, description;
    qint64 ms = 0;  // how long the request took, on a monotonic clock
};

Outcome PowerOff(PrivateBus& bus, std::int32_t flags = power::FlagsPowerOffForced,
                 std::chrono::milliseconds answerBudget = linux_power::AnswerBudget) {
    LogindPowerApi api(bus.Address().toStdString(), linux_power::RequestBudget, answerBudget);
    power::ShutdownService service(api, "DormixL");
    Outcome out;
    QElapsedTimer clock;
    clock.start();
    try {
        EXPECT_TRUE(service.ShutdownSystem(flags));
    } catch (const ProgramError& e) {
        out = {true, e.Number(), e.Source(), e.Description()};
    }
    out.ms = clock.elapsed();
    return out;
}

// Far above the 3 s budget, for a loaded machine; a wait with no bound
// takes 25 s per call or forever.
constexpr qint64 BoundMs = 10000;

std::string TimedOut(const std::string& why) { return "ShutdownSystem timed out: " + why; }

TEST(LogindPower, ForcedPowerOffAsksCanPowerOffThenPowerOffWithoutPrompt) {
    // "challenge" is allowed only to the session on its seat's screen: not
    // to one behind another, nor to an active one without a seat (SSH).
    ::setenv("XDG_SESSION_ID", "c1", 1);
    const std::string notOnASeat =
        "logind answers \"challenge\" to CanPowerOff, and its session c1 is not the active one "
        "of a seat.";
    struct Case {
        const char* answer;
        bool ownActive;
        std::string refusal;
        const char* seat = "seat0";
    } cases[] = {
        {"yes", false, ""},
        {"challenge", true, ""},
        {"challenge", false, notOnASeat},
        {"challenge", true, notOnASeat, ""},
    };
    for (const Case& c : cases) {
        PrivateBus bus;
        MockLogind logind(bus, QStringLiteral("{\"CanPowerOff\": \"%1\"}").arg(c.answer),
                          SessionsTemplate);
        logind.Mock("OpenSession", {"c1", uint(::getuid()), "ann", c.seat, "user",
                                    QVariantMap{{"Type", "x11"}, {"Active", c.ownActive}}});
        logind.Mock("OpenSession", {"c2", 1001u, "bea", "seat0", "user",
                                    QVariantMap{{"Type", "x11"}, {"Active", !c.ownActive}}});
        const Outcome out = PowerOff(bus);
        EXPECT_EQ(logind.Calls("CanPowerOff").size(), 1);
        const auto calls = logind.Calls("PowerOff");
        if (!c.refusal.empty()) {
            EXPECT_EQ(out.number, power::ErrNoPrivileges);
            EXPECT_EQ(out.description, std::string(text::ShutdownNoPrivileges) + c.refusal + "]");
            EXPECT_TRUE(calls.isEmpty());
            continue;
        }
        EXPECT_FALSE(out.raised) << c.answer << ": " << out.description;
        ASSERT_EQ(calls.size(), 1) << c.answer;
        EXPECT_EQ(calls[0], QVariantList({false})) << "forced: interactive must be false";
    }
    ::unsetenv("XDG_SESSION_ID");
}

TEST(LogindPower, CanPowerOffNoOrNaRefusesWithLogindsAnswerAndPowersNothingOff) {
    for (const char* answer : {"no", "na"}) {
        PrivateBus bus;
        MockLogind logind(bus, QStringLiteral("{\"CanPowerOff\": \"%1\"}").arg(answer));
        const Outcome out = PowerOff(bus);
        EXPECT_TRUE(out.raised);
        EXPECT_EQ(out.number, power::ErrNoPrivileges);  // 0x8004062E
        EXPECT_EQ(out.source, "DormixL.mShutDown");
        EXPECT_EQ(out.description,
                  std::string("Can't enable shutdown: You do not have the privileges to shutdown "
                              "this system. [logind answers \"") +
                      answer + "\" to CanPowerOff.]");
        EXPECT_TRUE(logind.Calls("PowerOff").isEmpty());
    }
}

// Hibernation and sleep ask their own question, request without a prompt and
// never PowerOff; "na" and "no" are the reasons the cycle switches off
// instead; a "sleep" block lock is a lock, a "shutdown" one stops nothing here.
TEST(LogindPower, HibernateAndSleepAskTheirOwnQuestionThenRequestWithoutPrompt) {
    ::setenv("XDG_SESSION_ID", "c1", 1);
    using A = power::EndAction;
    const struct {
        A action;
        const char *can, *method, *answer, *lock;
        std::string why;
    } cases[] = {
        {A::Hibernate, "CanHibernate", "Hibernate", "yes", "shutdown", ""},
        {A::Sleep, "CanSuspend", "Suspend", "challenge", nullptr, ""},
        {A::Hibernate, "CanHibernate", "Hibernate", "na", nullptr,
         "logind answers \"na\" to CanHibernate"},
        {A::Sleep, "CanSuspend", "Suspend", "no", nullptr, "logind answers \"no\" to CanSuspend"},
        {A::Sleep, "CanSuspend", "Suspend", "yes", "sleep", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.method) + " " + c.answer);
        PrivateBus bus;
        MockLogind logind(bus, QStringLiteral("{\"%1\": \"%2\"}").arg(c.can, c.answer),
                          SessionsTemplate);
        logind.Mock("OpenSession", {"c1", uint(::getuid()), "ann", "seat0", "user",
                                    QVariantMap{{"Type", "x11"}, {"Active", true}}});
        const int fd = c.lock ? logind.Inhibit(c.lock, "backup", "copying", "block") : -1;
        LogindPowerApi api(bus.Address().toStdString());
        power::ShutdownService service(api, "DormixL");
        EXPECT_EQ(service.SleepUnavailable(c.action), c.why);
        std::int32_t number = 0;
        try {
            if (c.why.empty()) EXPECT_TRUE(service.SleepSystem(c.action));
        } catch (const ProgramError& e) {
            number = e.Number();
        }
        const auto calls = logind.Calls(c.method);
        if (c.lock && std::string(c.lock) == "sleep") {
            EXPECT_EQ(number, power::ErrLocked);
            EXPECT_TRUE(calls.isEmpty());
        } else if (c.why.empty()) {
            EXPECT_EQ(number, 0);
            ASSERT_EQ(calls.size(), 1);
            EXPECT_EQ(calls[0], QVariantList({false}));
        }
        EXPECT_TRUE(logind.Calls("PowerOff").isEmpty());
        if (fd >= 0) ::close(fd);
    }
    ::unsetenv("XDG_SESSION_ID");
}

TEST(LogindPower, AbsentLogindOrAbsentBusFailsTheLookUp) {
    PrivateBus bus;  // a bus, but nobody owns org.freedesktop.login1
    Outcome out = PowerOff(bus);
    EXPECT_EQ(out.number, power::ErrNoPrivilegeValue);  // 0x8004062C
    EXPECT_EQ(out.description,
              "Can't enable shutdown: Can't find the SE_SHUTDOWN_NAME privilege value. [The name "
              "org.freedesktop.login1 is not on the system bus.]");

    LogindPowerApi api("unix:path=/nonexistent/bus");
    power::ShutdownService service(api, "DormixL");
    try {
        service.ShutdownSystem(power::FlagsPowerOffForced);
        ADD_FAILURE() << "no bus, yet no error";
    } catch (const ProgramError& e) {
        EXPECT_EQ(e.Number(), power::ErrNoPrivilegeValue);
        const std::string prefix(text::ShutdownNoPrivilegeValue);
        EXPECT_EQ(e.Description().substr(0, prefix.size()), prefix);
        EXPECT_GT(e.Description().size(), prefix.size() + 1) << "the bus's own message";
    }
}

TEST(LogindPower, ABlockInhibitorIsNeverOverriddenEvenWhenForced) {
    PrivateBus bus;
    MockLogind logind(bus);
    const int delay = logind.Inhibit("shutdown", "Music player", "Fading out", "delay");
    const int block = logind.Inhibit("sleep:shutdown", "Package Updater", "Upgrading", "block");
    ASSERT_GE(block, 0);
    Outcome out = PowerOff(bus);
    EXPECT_EQ(out.number, power::ErrLocked);  // 0x80040632: the cycle waits for its release
    EXPECT_EQ(out.description,
              "Operation inhibited by \"Package Updater\" (PID 123456, "
              "user 1000), reason is \"Upgrading\".");
    EXPECT_TRUE(logind.Calls("PowerOff").isEmpty());

    // A delay lock only postpones: the power-off goes ahead.
    ::close(block);
    ASSERT_EQ(logind.InhibitorsSettledAt(1), 1);
    out = PowerOff(bus);
    EXPECT_FALSE(out.raised) << out.description;
    EXPECT_EQ(logind.Calls("PowerOff").size(), 1);
    ::close(delay);
}

TEST(LogindPower, LogindsOwnRefusalByALockIsALockAndAnyOtherAFailure) {
    PrivateBus bus;
    MockLogind logind(bus);
    logind.AddMethod("PowerOff", "b",
                     "raise dbus.exceptions.DBusException('Operation inhibited by \"updater\"', "
                     "name='org.freedesktop.login1.BlockedByInhibitorLock')");
    Outcome out = PowerOff(bus);
    EXPECT_EQ(out.number, power::ErrLocked);
    EXPECT_EQ(out.description, "Operation inhibited by \"updater\"");
    // Any other refusal stays a failure of the request.
    logind.AddMethod("PowerOff", "b",
                     "raise dbus.exceptions.DBusException('Permission denied', "
                     "name='org.freedesktop.DBus.Error.AccessDenied')");
    out = PowerOff(bus);
    EXPECT_EQ(out.number, power::ErrExitWindowsFailed);
    EXPECT_EQ(out.description, "ShutdownSystem failed: Permission denied");
}

TEST(LogindPower, FlagsMapOntoLogindsMethods) {
    PrivateBus bus;
    MockLogind logind(bus);
    logind.AddMethod("Halt", "b");
    ::setenv("XDG_SESSION_ID", "c7", 1);
    struct Case {
        std::int32_t flags;
        const char* method;
        QVariant argument;
    } cases[] = {
        {8, "PowerOff", true}, {12, "PowerOff", false}, {24, "PowerOff", false},
        {2, "Reboot", true},   {6, "Reboot", false},    {10, "Reboot", true},
        {1, "Halt", true},     {5, "Halt", false},      {0, "TerminateSession", "c7"},
    };
    for (const Case& c : cases) {
        const int before = logind.Calls(c.method).size();
        const Outcome out = PowerOff(bus, c.flags);
        EXPECT_FALSE(out.raised) << c.flags << ": " << out.description;
        const auto calls = logind.Calls(c.method);
        ASSERT_EQ(calls.size(), before + 1) << c.flags;
        EXPECT_EQ(calls.back(), QVariantList({c.argument})) << c.flags;
    }
    ::unsetenv("XDG_SESSION_ID");
    // Outside 0..31 nothing reaches logind.
    const int before = logind.Calls("CanPowerOff").size();
    EXPECT_EQ(PowerOff(bus, 32).number, power::ErrInvalidParameter);
    EXPECT_EQ(logind.Calls("CanPowerOff").size(), before);
}

TEST(LogindPower, ASilentLogindTimesOutWhileTheLoopRepaintsAndHearsSignals) {
    PrivateBus bus;
    MockLogind logind(bus);
    logind.Freeze(true);
    // The event loop meanwhile: a timer keeps firing, SIGTERM is heard.
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0, longestGap = 0, heard = -1;
    QTimer beat;
    QObject::connect(&beat, &QTimer::timeout, [&] {
        longestGap = std::max(longestGap, clock.elapsed() - last);
        last = clock.elapsed();
    });
    beat.start(20);
    tray_qt::SignalBridge endSignals([&] { heard = clock.elapsed(); });
    QTimer::singleShot(300, [] { ::kill(::getpid(), SIGTERM); });

    const Outcome out = PowerOff(bus);
    longestGap = std::max(longestGap, clock.elapsed() - last);
    EXPECT_LT(out.ms, BoundMs);
    EXPECT_EQ(out.number, power::ErrTimedOut);  // 0x80040630
    EXPECT_EQ(out.description, TimedOut("logind did not answer CanPowerOff within 3 s."));
    EXPECT_LT(longestGap, 1000) << "the event loop stood still";
    EXPECT_GE(heard, 0) << "SIGTERM not heard during the wait";
    EXPECT_LT(heard, out.ms);
    logind.Freeze(false);
    EXPECT_TRUE(logind.Calls("PowerOff").isEmpty());
}

TEST(LogindPower, ABusThatNeverGreetsTimesOutAndNothingReachesLogindWhenItWakes) {
    PrivateBus bus;
    MockLogind logind(bus);
    bus.Freeze(true);  // connections queue up, the greeting never comes
    const Outcome out = PowerOff(bus);
    EXPECT_LT(out.ms, BoundMs);
    EXPECT_EQ(out.number, power::ErrTimedOut);
    EXPECT_EQ(out.description, TimedOut("The system bus did not answer within 3 s."));
    bus.Freeze(false);
    EXPECT_TRUE(logind.Calls("CanPowerOff").isEmpty());
    EXPECT_TRUE(logind.Calls("PowerOff").isEmpty());
}

TEST(LogindPower, AnInhibitorListAnsweredTooLateMeansNoPowerOffEver) {
    PrivateBus bus;
    MockLogind logind(bus);
    logind.AddMethod("ListInhibitors", "", "import time\ntime.sleep(4)\nret = []", "a(ssssuu)");
    const Outcome out = PowerOff(bus);
    EXPECT_LT(out.ms, BoundMs);
    EXPECT_EQ(out.number, power::ErrTimedOut);
    EXPECT_EQ(out.description, TimedOut("logind did not answer ListInhibitors within 3 s."));
    // Answered only once the mock has woken and handled all it was sent.
    EXPECT_TRUE(logind.Calls("PowerOff").isEmpty());
}

TEST(LogindPower, APowerOffLogindHoldsIsAwaitedPastTheBudgetAndNeverCalledATimeout) {
    // As logind while polkit is slow: the request arrives, the answer comes
    // after the budget for the steps before it, or not within logind's own.
    struct Case {
        std::chrono::milliseconds answerBudget;
        std::int32_t number;
        std::string description;
    } cases[] = {
        {linux_power::AnswerBudget, 0, ""},
        {std::chrono::milliseconds(1000), power::ErrUnconfirmed,
         "ShutdownSystem sent, not confirmed: logind did not answer PowerOff within 1 s; the "
         "request was sent and may still be carried out."},
    };
    for (const Case& c : cases) {
        PrivateBus bus;
        MockLogind logind(bus);
        logind.AddMethod("PowerOff", "b", "import time\ntime.sleep(4)");
        const Outcome out = PowerOff(bus, power::FlagsPowerOffForced, c.answerBudget);
        EXPECT_EQ(out.number, c.number) << out.description;
        EXPECT_EQ(out.description, c.description);
        EXPECT_LT(out.ms, BoundMs);
        EXPECT_EQ(logind.Calls("PowerOff").size(), 1);
    }
}

TEST(LogindPower, AMalformedOrFailedReplyIsRefusedUnreadAndPowersNothingOff) {
    const std::string unreadable =
        "ShutdownSystem failed: Operation possibly inhibited: the list of inhibitors cannot be "
        "read: ";
    struct Case {
        const char *method, *outSig, *code;
        std::int32_t number;
        std::string description;
    } cases[] = {
        {"ListInhibitors", "a(ss)", "ret = [('shutdown', 'Updater')]", power::ErrExitWindowsFailed,
         unreadable + "logind answered ListInhibitors with the signature \"a(ss)\" instead of "
                      "\"a(ssssuu)\"."},
        {"ListInhibitors", "a(ssssuu)",
         "raise dbus.exceptions.DBusException('Access denied', "
         "name='org.freedesktop.DBus.Error.AccessDenied')",
         power::ErrExitWindowsFailed, unreadable + "Access denied"},
        {"CanPowerOff", "b", "ret = True", power::ErrNoPrivileges,
         std::string(text::ShutdownNoPrivileges) +
             "logind answered CanPowerOff with the signature \"b\" instead of \"s\".]"},
    };
    for (const Case& c : cases) {
        PrivateBus bus;
        MockLogind logind(bus);
        logind.AddMethod(c.method, "", c.code, c.outSig);
        const Outcome out = PowerOff(bus);
        EXPECT_EQ(out.number, c.number) << c.method << " " << c.outSig;
        EXPECT_EQ(out.description, c.description);
        EXPECT_TRUE(logind.Calls("PowerOff").isEmpty());
    }
}

}  // namespace
}  // namespace dormix::testing
