#include <gtest/gtest.h>

#include "Fakes.h"
#include "watch/Watch.h"

namespace dormix::testing {
namespace {

using Lines = std::vector<std::string>;

const std::string kStart = " Start    , Initialise, Count:   2";
const std::string kEnterRun = " Enter    , Run       , Count:   0";
const std::string kEnterOff = " Enter    , Power Off , Count:   0";
const std::string kCloseOff = " Close    , Power Off , Count:  60";
const std::string kResetOff = " Reset    , Power Off , Count:  60";

// "Anyone logged on now", as the platform asks the system afresh.
struct WatchRig {
    explicit WatchRig(bool rehearsal = false, const settings::Effective* settings = nullptr)
        : watch({.timer = shell,
                 .boxes = shell,
                 .exit = shell,
                 .files = files,
                 .clock = clock,
                 .power = power,
                 .systemLog = systemLog,
                 .logons = logons,
                 .loggedOn = loggedOn,
                 .settings = settings},
                "Log/DormixWatch.log", rehearsal, "DormixWatch") {
        files.linesOf = "Log/DormixWatch.log";
    }
    void Tick(int n = 1) {
        for (int i = 0; i < n; ++i) {
            clock.Advance(1);
            watch.OnTick();
        }
    }
    FakeShell shell;
    MemoryLogFiles files;
    FakeClock clock;
    FakePower power;
    RecordingSystemLog systemLog;
    watch::Logons logons{"logind"};
    FakeOtherSessions loggedOn;
    watch::Watch watch;
};

bool PowerRequested(const WatchRig& rig) {
    return std::any_of(rig.power.calls.begin(), rig.power.calls.end(),
                       [](const std::string& call) { return call.starts_with("exit 12 "); });
}

TEST(Watch, NobodyLoggedOnSwitchesOffAfterTheLimitAndTheCountdown) {
    WatchRig rig;
    rig.logons.Counted(0);
    rig.watch.Start();
    EXPECT_TRUE(rig.shell.timerRunning);
    rig.Tick(2 + 899);
    EXPECT_EQ(rig.files.Entries(), (Lines{kStart, kEnterRun}));
    EXPECT_EQ(rig.loggedOn.asked, 0);  // nothing asked while counting
    rig.Tick();
    EXPECT_EQ(rig.loggedOn.asked, 1);
    EXPECT_EQ(rig.files.Entries().back(), kEnterOff);
    EXPECT_TRUE(EndsProgram([&] { rig.Tick(60); }));
    EXPECT_EQ(rig.files.Entries(), (Lines{kStart, kEnterRun, kEnterOff, kCloseOff}));
    for (const std::string& line : rig.files.Lines()) {
        if (line.find(", Count:") != std::string::npos) {
            EXPECT_EQ(line.size(), 54u) << line;
        }
    }
    EXPECT_EQ(rig.loggedOn.asked, 2);  // and once more right before the request
    EXPECT_TRUE(PowerRequested(rig));
    EXPECT_FALSE(rig.shell.Failed());
    EXPECT_TRUE(rig.shell.messages.empty());
    ASSERT_EQ(rig.systemLog.entries.size(), 4u);
    EXPECT_EQ(rig.systemLog.entries.back().event, log::SystemEvent::PowerOffRequested);
}

// What the system says while the watch counts, tick by tick, and what the
// watch then does: a log-on at any moment starts the count again from the
// log-off, and a log-on the count did not hear of stops the request.
TEST(Watch, LogOnsResetTheCountAndStopTheRequest) {
    struct Case {
        const char* name;
        std::function<void(WatchRig&)> during;  // run at the 500th idle second
        int ticksAfter;
        Lines entriesEnd;
        bool powerOff;
    };
    const Case cases[] = {
        {"a log-on and log-off inside one second",
         [](WatchRig& r) { r.logons.Counted(1), r.logons.Counted(0); },
         899,
         {kStart, kEnterRun},
         false},
        {"the count runs again from the log-off",
         [](WatchRig& r) { r.logons.Counted(1), r.logons.Counted(0); },
         1 + 900 + 60,
         {kEnterRun, kEnterOff, kCloseOff},
         true},
        {"someone stays logged on",
         [](WatchRig& r) { r.logons.Counted(2); },
         5000,
         {kStart, kEnterRun},
         false},
        {"logons cannot be counted",
         [](WatchRig& r) { r.logons.Unknown(); },
         5000,
         {kStart, kEnterRun},
         false},
        {"a log-on and log-off inside the countdown",
         [](WatchRig& r) { r.Tick(400 + 30), r.logons.Counted(1), r.Tick(5), r.logons.Counted(0); },
         25,
         {kEnterOff, kResetOff},
         false},
        {"a resume: the count starts again from zero",
         [](WatchRig& r) { r.watch.OnResume(); },
         899,
         {kStart, kEnterRun},
         false},
        {"a resume inside the countdown ends it",
         [](WatchRig& r) { r.Tick(400 + 30), r.watch.OnResume(); },
         25,
         {kEnterOff, " Reset    , Power Off , Count:  31", kEnterRun},
         false},
        {"a log-on in the last minute, heard only by the last question",
         [](WatchRig& r) { r.Tick(400 + 30), r.loggedOn.inUse = true; },
         30,
         {kEnterOff, kResetOff},
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WatchRig rig;
        rig.logons.Counted(0);
        rig.watch.Start();
        rig.Tick(2 + 500);
        c.during(rig);
        const bool ended = EndsProgram([&] { rig.Tick(c.ticksAfter); });
        EXPECT_EQ(ended, c.powerOff);
        EXPECT_EQ(PowerRequested(rig), c.powerOff);
        const Lines entries = rig.files.Entries();
        ASSERT_GE(entries.size(), c.entriesEnd.size());
        EXPECT_EQ(Lines(entries.end() - c.entriesEnd.size(), entries.end()), c.entriesEnd);
    }
}

TEST(Watch, NothingCountedYetIsSomeoneLoggedOnAndALastingFailureIsReported) {
    WatchRig rig;
    rig.watch.Start();
    rig.Tick(2000);
    EXPECT_FALSE(PowerRequested(rig));
    EXPECT_EQ(rig.files.Entries(), (Lines{kStart, kEnterRun}));
    ASSERT_FALSE(rig.systemLog.failures.empty());
    EXPECT_EQ(rig.systemLog.failures[0].event, log::SystemEvent::SourceFailing);
    rig.logons.Counted(0);
    rig.Tick(2);
    EXPECT_EQ(rig.systemLog.failures.back().event, log::SystemEvent::SourceRecovered);
}

// SIGHUP or a service's reload: the new limits at once, a running
// countdown kept, and the settings in force told.
TEST(Watch, SettingsReadAgainTakeEffectAtOnce) {
    WatchRig rig;
    rig.logons.Counted(0);
    rig.watch.Start();
    rig.Tick(2 + 100);
    settings::Reading reading;
    settings::ParseConfText("IdleLimitSeconds=150\nCountdownSeconds=20\nHoldLimitSeconds=x", "f",
                            reading);
    rig.watch.OnReload(settings::Resolve(reading));
    ASSERT_EQ(rig.systemLog.failures.size(), 2u);
    EXPECT_EQ(rig.systemLog.failures[1].event, log::SystemEvent::SettingsInForce);
    rig.Tick(49);
    EXPECT_EQ(rig.files.Entries().back(), kEnterRun);
    rig.Tick();
    EXPECT_EQ(rig.files.Entries().back(), kEnterOff);
    settings::Reading shorter;
    settings::ParseConfText("CountdownSeconds=10", "f", shorter);
    rig.watch.OnReload(settings::Resolve(shorter));
    EXPECT_FALSE(EndsProgram([&] { rig.Tick(19); }));
    EXPECT_TRUE(EndsProgram([&] { rig.Tick(); }));
    EXPECT_EQ(rig.files.Entries().back(), " Close    , Power Off , Count:  20");
}

// At the logon screen as in a session: the administrator's hibernation,
// then the machine's wake-up writes its entry and starts the count again.
TEST(Watch, HibernatesWhereTheAdministratorSaysAndCountsAgainOnWaking) {
    settings::Reading reading;
    settings::ParseConfText("Action=Hibernate", "f", reading);
    const settings::Effective hibernate = settings::Resolve(reading);
    WatchRig rig(false, &hibernate);
    rig.logons.Counted(0);
    rig.watch.Start();
    EXPECT_FALSE(EndsProgram([&] { rig.Tick(2 + 900 + 60); }));
    EXPECT_EQ(rig.files.Entries(), (Lines{kStart, kEnterRun, " Enter    , Hibernate , Count:   0",
                                          " Close    , Hibernate , Count:  60"}));
    EXPECT_EQ(rig.power.calls.back(), "hibernate");
    rig.watch.OnResume();
    rig.Tick(2);
    EXPECT_EQ(rig.files.Entries().back(), kEnterRun);
    EXPECT_EQ(rig.files.Entries().at(4), " Wake     , Hibernate , Count:  60");
    EXPECT_FALSE(PowerRequested(rig));
}

TEST(Watch, RehearsalShowsAMessageInsteadOfTheRequest) {
    WatchRig rig(true);
    rig.logons.Counted(0);
    rig.watch.Start();
    EXPECT_TRUE(EndsProgram([&] { rig.Tick(2 + 6 + 6); }));
    EXPECT_EQ(rig.files.Entries(),
              (Lines{kStart, kEnterRun, kEnterOff, " Power Off, Simulate  , Count:   6"}));
    ASSERT_EQ(rig.shell.messages.size(), 1u);
    EXPECT_FALSE(PowerRequested(rig));
}

TEST(Watch, StopWritesTheExitAndARefusedRequestIsReported) {
    WatchRig stopped;
    stopped.logons.Counted(0);
    stopped.watch.Start();
    stopped.Tick(5);
    EXPECT_TRUE(EndsProgram([&] { stopped.watch.OnStop(); }));
    EXPECT_EQ(stopped.files.Entries().back(), " Exit     , Run       , Count:   3");
    EXPECT_TRUE(stopped.shell.messages.empty());
    EXPECT_FALSE(stopped.shell.Failed());

    WatchRig refused;
    refused.power.exitOk = false;
    refused.logons.Counted(0);
    refused.watch.Start();
    EXPECT_TRUE(EndsProgram([&] { refused.Tick(2 + 900 + 60); }));
    EXPECT_TRUE(refused.shell.Failed());
    ASSERT_EQ(refused.systemLog.failures.size(), 1u);
    EXPECT_EQ(refused.systemLog.failures[0].event, log::SystemEvent::ProgramError);
    EXPECT_EQ(refused.systemLog.failures[0].source, "DormixWatch.mShutDown");
}

TEST(Watch, UnknownArgumentsAreWarnedAboutAndIgnored) {
    const auto args = watch::ParseArguments({"-InhibitShutdown", "--bogus"});
    EXPECT_TRUE(args.rehearsal);
    ASSERT_EQ(args.unknown, (std::vector<std::string>{"--bogus"}));
    EXPECT_NE(watch::UnknownArgumentWarning("--bogus").find("\"--bogus\""), std::string::npos);
}

}  // namespace
}  // namespace dormix::testing
