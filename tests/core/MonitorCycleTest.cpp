#include <gtest/gtest.h>

#include "Fakes.h"
#include "log/LogFormat.h"

namespace dormix::testing {
namespace {

using monitor::Phase;
using ui::Ctl;
using Lines = std::vector<std::string>;

const std::string kStart = " Start    , Initialise, Count:   2";
const std::string kEnterRun = " Enter    , Run       , Count:   0";

// Cursor parked away from (0, 0), so the first sample after start sees a move.
void Park(Rig& rig) { rig.input.cursor = {300, 200}; }

// The system log got every entry line of the file, word for word, in order.
void ExpectMirrorHoldsTheFile(const Rig& rig) {
    Lines fileEntries, mirrored;
    for (const auto& line : rig.files.Lines())
        if (line.size() == 54 && line[18] == ',') fileEntries.push_back(line);
    for (const auto& e : rig.systemLog.entries) mirrored.push_back(e.line);
    EXPECT_EQ(mirrored, fileEntries);
}

TEST(MonitorCycle, WholeCycleFromStartToPowerOff) {
    Rig rig;
    Park(rig);
    ASSERT_TRUE(rig.Start());

    EXPECT_EQ(rig.files.Lines(),
              (Lines{"Dormix Lite", "Version 2.1", "File Created", "06-Dec-26 12:03:52", "", "",
                     "Dormix Lite", "Version 2.1", "", "06-Dec-26 12:03:52, " + kStart}));
    EXPECT_FALSE(rig.shell.visible);
    EXPECT_TRUE(rig.shell.trayIcon);
    EXPECT_TRUE(rig.shell.timerRunning);
    EXPECT_EQ(rig.view.windowCaption[ui::Wnd::DormixMain], "Dormix Lite");
    EXPECT_EQ(rig.view.Text(Ctl::Title),
              "Power Off the computer if there is no input activity for over 900 sec");
    EXPECT_EQ(rig.Counter(), "Program Activation In 2s");
    EXPECT_EQ(rig.view.controls[Ctl::Exit].tooltip, "Exit Dormix Lite");

    rig.Tick();
    EXPECT_EQ(rig.Counter(), "Program Activation In 1s");
    rig.Tick();
    EXPECT_EQ(rig.Counter(), "Program Activation In 0s");
    EXPECT_EQ(rig.files.Entries(), (Lines{kStart, kEnterRun}));
    EXPECT_EQ(rig.files.Lines().back(), "06-Dec-26 12:03:54, " + kEnterRun);

    rig.Tick(899);
    EXPECT_EQ(rig.Counter(), "No key or mouse activity for the last 899s");
    EXPECT_TRUE(rig.view.controls[Ctl::Counter].bold);
    EXPECT_EQ(rig.view.controls[Ctl::Counter].fore, ui::Orange);
    EXPECT_EQ(rig.view.Text(Ctl::CPULoad), "");
    EXPECT_EQ(rig.files.Entries().size(), 2u);
    EXPECT_FALSE(rig.shell.visible);

    rig.shell.calls.clear();
    rig.Tick();  // the 900th idle second starts the countdown in the same tick
    EXPECT_EQ(rig.Counter(), "The Computer Will Power Off In 60s");
    // Out of the tray first, then on top: on top of a hidden window would
    // show it where it was, before it is centred.
    EXPECT_EQ(rig.shell.calls,
              (Lines{"normal", "tray delete", "show", "move", "topmost", "tray delete"}));
    EXPECT_EQ(rig.files.Entries().back(), " Enter    , Power Off , Count:   0");
    EXPECT_TRUE(rig.shell.visible);
    EXPECT_FALSE(rig.shell.minimised);
    EXPECT_TRUE(rig.shell.topmost);
    EXPECT_FALSE(rig.shell.trayIcon);
    EXPECT_EQ(rig.shell.left, 4005);
    EXPECT_EQ(rig.shell.top, 5070);
    for (Ctl c : {Ctl::About, Ctl::TestS, Ctl::Exit}) EXPECT_FALSE(rig.view.controls[c].enabled);
    EXPECT_TRUE(rig.view.controls[Ctl::Reset].enabled);
    EXPECT_EQ(rig.view.Text(Ctl::Reset), "Cancel");
    EXPECT_EQ(rig.view.controls[Ctl::Reset].tooltip, "Cancel Dormix Lite Power Off");
    EXPECT_EQ(rig.view.controls[Ctl::Counter].fore, ui::White);
    EXPECT_EQ(rig.view.controls[Ctl::Counter].back, ui::Orange);
    EXPECT_EQ(rig.view.controls[Ctl::CPULoad].back, ui::Orange);

    rig.Tick(59);
    EXPECT_EQ(rig.Counter(), "The Computer Will Power Off In 1s");
    EXPECT_TRUE(rig.power.calls.empty());
    EXPECT_TRUE(rig.Ends([&] { rig.Tick(); }));
    EXPECT_EQ(rig.Counter(), "The Computer Will Power Off In 0s");
    EXPECT_EQ(rig.files.Entries(), (Lines{kStart, kEnterRun, " Enter    , Power Off , Count:   0",
                                          " Close    , Power Off , Count:  60"}));
    EXPECT_EQ(rig.files.Lines().back(), "06-Dec-26 12:19:54,  Close    , Power Off , Count:  60");
    EXPECT_EQ(rig.power.calls,
              (Lines{"lookup", "process", "open 40", "adjust", "close", "exit 12 4294967295"}));
    EXPECT_TRUE(rig.shell.messages.empty());
    // The request may wait on the system with the event loop turning.
    EXPECT_FALSE(rig.shell.timerRunning) << "a tick could repeat the request";

    ExpectMirrorHoldsTheFile(rig);
    using E = log::SystemEvent;
    const auto& m = rig.systemLog.entries;
    ASSERT_EQ(m.size(), 4u);
    EXPECT_EQ(m[0], (MirroredEntry{E::Started, m[0].line, "Start", "Initialise", 2, false,
                                   "Activation", false}));
    EXPECT_EQ(m[1].event, E::MonitoringBegan);
    EXPECT_EQ(m[1].phase, "Monitoring");
    EXPECT_EQ(m[2], (MirroredEntry{E::CountdownBegan, m[2].line, "Enter", "Power Off", 0, false,
                                   "Countdown", false}));
    EXPECT_EQ(m[3].event, E::PowerOffRequested);
    EXPECT_EQ(m[3].count, 60);
    EXPECT_TRUE(log::IsWarning(m[3].event));
    EXPECT_FALSE(log::IsWarning(m[2].event));
    EXPECT_TRUE(rig.systemLog.failures.empty());
}

TEST(MonitorCycle, ActivityRestartsTheIdleCountAndShowsItsMark) {
    Rig rig;
    Park(rig);
    rig.Start();
    rig.Tick(2 + 10);
    EXPECT_EQ(rig.Counter(), "No key or mouse activity for the last 10s");

    rig.input.cursor = {310, 200};
    rig.Tick();
    EXPECT_EQ(rig.Counter(), "No key or mouse activity for the last 0s");
    EXPECT_EQ(rig.view.Text(Ctl::CPULoad), "M");

    rig.input.down.set(65);
    rig.Tick();
    EXPECT_EQ(rig.view.Text(Ctl::CPULoad), "K");
    rig.Tick();  // held: counted once
    EXPECT_EQ(rig.Counter(), "No key or mouse activity for the last 1s");
    EXPECT_EQ(rig.view.Text(Ctl::CPULoad), "");

    rig.input.down.set(66);
    rig.input.cursor = {0, 0};
    rig.Tick();
    EXPECT_EQ(rig.view.Text(Ctl::CPULoad), "K+M");
    EXPECT_EQ(rig.Counter(), "No key or mouse activity for the last 0s");

    rig.input.down.reset();  // letting go is not activity
    rig.Tick();
    EXPECT_EQ(rig.Counter(), "No key or mouse activity for the last 1s");
    rig.input.pressed.set(1);  // a click between two samples
    rig.Tick();
    EXPECT_EQ(rig.view.Text(Ctl::CPULoad), "K");
    EXPECT_EQ(rig.Counter(), "No key or mouse activity for the last 0s");

    rig.Tick(5);
    rig.lastInput.tick += 20000;  // typed where the poll cannot see
    rig.Tick();
    EXPECT_EQ(rig.view.Text(Ctl::CPULoad), "K/M");
    EXPECT_EQ(rig.Counter(), "No key or mouse activity for the last 0s");
    rig.Tick();
    EXPECT_EQ(rig.view.Text(Ctl::CPULoad), "");
    EXPECT_EQ(rig.Counter(), "No key or mouse activity for the last 1s");
}

TEST(MonitorCycle, ActivityDuringTheCountdownChangesNothing) {
    Rig rig;
    Park(rig);
    rig.Start();
    rig.Tick(2 + 900);
    const int readsAtCountdown = rig.input.keyReads;
    for (int i = 0; i < 59; ++i) {
        rig.input.cursor.x += 7;
        rig.input.pressed.set(65);
        rig.lastInput.tick += 1000;
        rig.Tick();
    }
    EXPECT_EQ(rig.input.keyReads, readsAtCountdown);  // nothing samples during the countdown
    EXPECT_EQ(rig.Counter(), "The Computer Will Power Off In 1s");
    EXPECT_TRUE(rig.Ends([&] { rig.Tick(); }));
    EXPECT_EQ(rig.files.Entries().back(), " Close    , Power Off , Count:  60");
}

TEST(MonitorCycle, AResumeRestartsARunningCountdownFromItsFullLengthAndNothingElse) {
    Rig rig;
    Park(rig);
    rig.Start();
    rig.Tick(2 + 10);
    rig.app.OnResume();
    rig.Tick();
    EXPECT_EQ(rig.Counter(), "No key or mouse activity for the last 11s");
    rig.Tick(889 + 56);
    EXPECT_EQ(rig.Counter(), "The Computer Will Power Off In 4s");
    rig.app.OnResume();
    EXPECT_EQ(rig.Counter(), "The Computer Will Power Off In 60s");
    rig.Tick(59);
    EXPECT_EQ(rig.Counter(), "The Computer Will Power Off In 1s");
    EXPECT_TRUE(rig.power.calls.empty());
    EXPECT_TRUE(rig.Ends([&] { rig.Tick(); }));
    EXPECT_EQ(rig.files.Entries(), (Lines{kStart, kEnterRun, " Enter    , Power Off , Count:   0",
                                          " Close    , Power Off , Count:  60"}));
    EXPECT_FALSE(rig.power.calls.empty());
}

TEST(MonitorCycle, InhibitShutdownEndsWithAMessageAndNoPowerOff) {
    Rig rig("-InhibitShutdown");
    Park(rig);
    rig.Start();
    EXPECT_EQ(rig.view.Text(Ctl::Title),
              "Power Off the computer if there is no input activity for over 6 sec");
    rig.Tick(2 + 5);
    EXPECT_EQ(rig.Counter(), "No key or mouse activity for the last 5s");
    rig.Tick();
    EXPECT_EQ(rig.Counter(), "The Computer Will Power Off In 6s");
    rig.Tick(5);
    EXPECT_EQ(rig.Counter(), "The Computer Will Power Off In 1s");

    int ticksDuringMessage = 0;
    rig.shell.duringMessage = [&](const Message&) {
        // The timer keeps ticking under the box; the step must not run again.
        rig.Tick(3);
        ticksDuringMessage += 3;
        // A signal under this closing box ends the program, writing nothing.
        rig.app.OnMainUnload();
    };
    EXPECT_TRUE(rig.Ends([&] { rig.Tick(); }));
    EXPECT_EQ(ticksDuringMessage, 3);
    ASSERT_EQ(rig.shell.messages.size(), 1u);
    EXPECT_EQ(rig.shell.messages[0].text, "Test Real Power Off");
    EXPECT_EQ(rig.shell.messages[0].title, "Dormix Lite Simulate Power Off");
    EXPECT_EQ(rig.shell.messages[0].icon, MessageIcon::None);
    EXPECT_EQ(rig.files.Entries(), (Lines{kStart, kEnterRun, " Enter    , Power Off , Count:   0",
                                          " Power Off, Simulate  , Count:   6"}));
    EXPECT_TRUE(rig.power.calls.empty());
    ExpectMirrorHoldsTheFile(rig);
    for (const auto& e : rig.systemLog.entries) EXPECT_TRUE(e.inhibitShutdown);
    EXPECT_EQ(rig.systemLog.entries.back().event, log::SystemEvent::CountdownSimulated);
}

TEST(MonitorCycle, TestModeEndsOnItsFirstCountdownStepAndReturnsToTheNormalCycle) {
    Rig rig;
    Park(rig);
    rig.Start();
    rig.Tick(2 + 3);
    rig.app.OnTestClick();
    EXPECT_EQ(rig.view.windowCaption[ui::Wnd::DormixMain], "Dormix Lite - Test Mode");
    EXPECT_EQ(rig.view.Text(Ctl::Title),
              "Power Off the computer if there is no input activity for over 5 sec");
    EXPECT_EQ(rig.Counter(), "Program Activation In 2s");
    EXPECT_EQ(rig.files.Entries().back(), "*Enter    , Test      , Count:   2");

    rig.Tick(2);
    EXPECT_EQ(rig.files.Entries().back(), "*Enter    , Run       , Count:   0");
    rig.Tick(4);
    EXPECT_EQ(rig.Counter(), "No key or mouse activity for the last 4s");
    rig.shell.duringMessage = [&](const Message&) { rig.Tick(2); };
    rig.Tick();
    ASSERT_EQ(rig.shell.messages.size(), 1u);
    EXPECT_EQ(rig.shell.messages[0].text, "Test Power Off");
    EXPECT_EQ(rig.shell.messages[0].title, "Dormix Lite Test");
    EXPECT_EQ(rig.files.Entries().back(), "*Simulate , Power Off , Count:   0");

    // Back to the normal cycle, with the window still out but not on top.
    const auto& s = rig.app.Cycle().State();
    EXPECT_EQ(s.MonitorPhase, Phase::Activation);
    EXPECT_FALSE(s.TestMode);
    EXPECT_EQ(s.IdleLimit, 900);
    EXPECT_EQ(rig.view.windowCaption[ui::Wnd::DormixMain], "Dormix Lite");
    EXPECT_EQ(rig.view.Text(Ctl::Title),
              "Power Off the computer if there is no input activity for over 900 sec");
    EXPECT_EQ(rig.Counter(), "Program Activation In 2s");
    EXPECT_EQ(rig.view.Text(Ctl::Reset), "Reset");
    EXPECT_TRUE(rig.shell.visible);
    EXPECT_FALSE(rig.shell.topmost);
    EXPECT_FALSE(rig.shell.trayIcon);
    EXPECT_TRUE(rig.view.controls[Ctl::Exit].enabled);

    rig.Tick(2);
    EXPECT_EQ(rig.files.Entries().back(), kEnterRun);
    EXPECT_EQ(rig.files.Entries().size(), 6u);

    ExpectMirrorHoldsTheFile(rig);
    using E = log::SystemEvent;
    std::vector<std::pair<E, bool>> kinds;
    for (const auto& e : rig.systemLog.entries) kinds.emplace_back(e.event, e.testMode);
    EXPECT_EQ(kinds, (std::vector<std::pair<E, bool>>{{E::Started, false},
                                                      {E::MonitoringBegan, false},
                                                      {E::TestBegan, true},
                                                      {E::MonitoringBegan, true},
                                                      {E::TestEnded, true},
                                                      {E::MonitoringBegan, false}}));
}

TEST(MonitorCycle, CancelDuringCountdownLogsStepsTakenAndSendsTheWindowBack) {
    Rig rig;
    Park(rig);
    rig.Start();
    rig.Tick(2 + 900 + 15);
    EXPECT_EQ(rig.Counter(), "The Computer Will Power Off In 45s");
    rig.app.OnResetClick();
    EXPECT_EQ(rig.files.Entries().back(), " Reset    , Power Off , Count:  16");
    EXPECT_EQ(rig.view.Text(Ctl::Reset), "Reset");
    EXPECT_EQ(rig.view.controls[Ctl::Reset].tooltip, "Reset Dormix Lite");
    EXPECT_TRUE(rig.shell.minimised);
    EXPECT_FALSE(rig.shell.visible);
    EXPECT_TRUE(rig.shell.trayIcon);
    EXPECT_FALSE(rig.shell.topmost);
    EXPECT_EQ(rig.Counter(), "Program Activation In 2s");
    EXPECT_EQ(rig.view.controls[Ctl::Counter].back, ui::Colour::ButtonFace());
    EXPECT_EQ(rig.view.controls[Ctl::Counter].fore, ui::Colour::ButtonText());
    EXPECT_FALSE(rig.view.controls[Ctl::Counter].bold);
    EXPECT_EQ(rig.view.controls[Ctl::CPULoad].back, ui::Colour::ButtonFace());
    EXPECT_EQ(rig.view.controls[Ctl::CPULoad].fore, ui::Colour::ButtonText());
    for (Ctl c : {Ctl::About, Ctl::TestS, Ctl::Exit}) EXPECT_TRUE(rig.view.controls[c].enabled);

    // A second countdown, this time with the window opened by the user.
    rig.app.OnMainMouseMove(515);
    EXPECT_TRUE(rig.app.Tray().WindowOpenedByUser);
    rig.Tick(2 + 900 + 1);
    rig.app.OnResetClick();
    EXPECT_EQ(rig.files.Entries().back(), " Reset    , Power Off , Count:   2");
    EXPECT_TRUE(rig.shell.visible);
    EXPECT_FALSE(rig.shell.minimised);
    EXPECT_FALSE(rig.shell.topmost);
    EXPECT_FALSE(rig.shell.trayIcon);
}

TEST(MonitorCycle, AnotherSessionInUseHoldsTheCountdownBackAndStopsThePowerOff) {
    const std::string kWait = " Wait     , Other User, Count: 900";
    const std::string kEnterOff = " Enter    , Power Off , Count:   0";
    Rig rig;
    Park(rig);
    rig.Start();
    rig.Tick(2 + 899);
    EXPECT_EQ(rig.others.asked, 0) << "never asked before the limit";

    // At the limit someone else works: the count goes on, one entry only.
    rig.others.inUse = true;
    rig.Tick(3);
    EXPECT_EQ(rig.Counter(), "No key or mouse activity for the last 902s");
    EXPECT_EQ(rig.others.asked, 3);
    EXPECT_EQ(rig.files.Entries(), (Lines{kStart, kEnterRun, kWait}));
    EXPECT_EQ(rig.systemLog.entries.back().event, log::SystemEvent::OtherUserWait);
    EXPECT_FALSE(log::IsWarning(log::SystemEvent::OtherUserWait));
    EXPECT_FALSE(rig.shell.visible);

    // Own input in between starts a new stretch and a new entry.
    rig.input.cursor = {311, 200};
    rig.Tick(1 + 900);
    EXPECT_EQ(rig.files.Entries(), (Lines{kStart, kEnterRun, kWait, kWait}));

    // The first tick on which nobody else is in use starts the countdown.
    rig.others.inUse = false;
    rig.Tick();
    EXPECT_EQ(rig.Counter(), "The Computer Will Power Off In 60s");
    EXPECT_EQ(rig.files.Entries().back(), kEnterOff);

    // Someone switches in during the countdown: asked once, before "Close",
    // and ended as a Cancel.
    const int askedBefore = rig.others.asked;
    rig.others.inUse = true;
    rig.Tick(59);
    EXPECT_EQ(rig.others.asked, askedBefore) << "not asked during the countdown";
    EXPECT_FALSE(rig.Ends([&] { rig.Tick(); }));
    EXPECT_EQ(rig.others.asked, askedBefore + 1);
    EXPECT_EQ(rig.files.Entries().back(), " Reset    , Power Off , Count:  60");
    EXPECT_TRUE(rig.power.calls.empty());
    EXPECT_TRUE(rig.shell.trayIcon);
    EXPECT_EQ(rig.Counter(), "Program Activation In 2s");

    // Held back for hours, the count stops where the log can still show it.
    rig.Tick(2 + 12000);
    EXPECT_EQ(rig.Counter(), "No key or mouse activity for the last 9999s");
    rig.app.OnResetClick();
    EXPECT_EQ(rig.files.Entries().back(), " Reset    , Run       , Count:9999");
}

TEST(MonitorCycle, OtherSessionsHoldTheRehearsalButNotTheTest) {
    Rig inhibited("-InhibitShutdown");
    Park(inhibited);
    inhibited.others.inUse = true;
    inhibited.Start();
    inhibited.Tick(2 + 6 + 5);
    EXPECT_EQ(inhibited.files.Entries().back(), " Wait     , Other User, Count:   6");
    inhibited.others.inUse = false;
    inhibited.Tick();
    EXPECT_EQ(inhibited.Counter(), "The Computer Will Power Off In 6s");
    inhibited.others.inUse = true;
    inhibited.Tick(6);
    EXPECT_TRUE(inhibited.shell.messages.empty());
    EXPECT_EQ(inhibited.files.Entries().back(), " Reset    , Power Off , Count:   6");

    Rig test;
    Park(test);
    test.others.inUse = true;
    test.Start();
    test.app.OnTestClick();
    test.Tick(2 + 5);
    EXPECT_EQ(test.others.asked, 0);
    ASSERT_EQ(test.shell.messages.size(), 1u);
    EXPECT_EQ(test.shell.messages[0].text, "Test Power Off");
}

TEST(MonitorCycle, ResetInActivationAndMonitoringRestartsTheActivation) {
    Rig rig;
    Park(rig);
    rig.Start();
    rig.Tick();
    rig.app.OnResetClick();
    EXPECT_EQ(rig.files.Entries().back(), " Reset    , Activate  , Count:   1");
    EXPECT_EQ(rig.Counter(), "Program Activation In 2s");
    rig.Tick(2 + 7);
    rig.app.OnResetClick();
    EXPECT_EQ(rig.files.Entries().back(), " Reset    , Run       , Count:   7");
    EXPECT_EQ(rig.app.Cycle().State().MonitorPhase, Phase::Activation);
    EXPECT_FALSE(rig.shell.visible);  // reset outside a countdown leaves the window alone
    // The timer was restarted, so the next tick is a full second later.
    EXPECT_TRUE(rig.shell.timerRunning);
    rig.Tick();
    EXPECT_EQ(rig.Counter(), "Program Activation In 1s");
}

TEST(MonitorCycle, AboutSuspendsTheCycleAndClosesItself) {
    for (const bool inhibit : {false, true}) {
        Rig rig(inhibit ? "-InhibitShutdown" : "");
        Park(rig);
        rig.Start();
        rig.Tick(2 + 3);
        std::vector<std::string> shown;
        int mainTicks = 0;
        rig.shell.duringAbout = [&] {
            rig.app.OnAboutTimer();
            shown.push_back(rig.view.Text(Ctl::TMessage));
            rig.Tick();
            ++mainTicks;
        };
        rig.app.OnAboutClick();
        const int first = inhibit ? 4 : 30;
        ASSERT_EQ(shown.size(), std::size_t(first));
        EXPECT_EQ(shown.front(), "About will close in " + std::to_string(first) + " sec");
        EXPECT_EQ(shown.back(), "About will close in 1 sec");
        EXPECT_EQ(mainTicks, first);
        EXPECT_EQ(rig.view.windowCaption[ui::Wnd::frmAbout], "About Dormix Lite");
        EXPECT_EQ(rig.view.Text(Ctl::ProgVersion), "Version 2.1");
        const auto& s = rig.app.Cycle().State();
        EXPECT_FALSE(s.AboutOpen);
        EXPECT_EQ(s.AboutCloseCounter, 30);
        EXPECT_EQ(rig.Counter(), "No key or mouse activity for the last 3s");  // stood still
        rig.Tick();
        EXPECT_EQ(rig.Counter(), "No key or mouse activity for the last 4s");
    }
}

TEST(MonitorCycle, AboutClosedByItsButtonResumesAtTheNextTick) {
    Rig rig;
    Park(rig);
    rig.Start();
    rig.Tick(2);
    int seconds = 0;
    rig.shell.duringAbout = [&] {
        rig.app.OnAboutTimer();
        rig.Tick();
        if (++seconds == 10) rig.app.OnAboutExitClick();
    };
    rig.app.OnAboutClick();
    EXPECT_FALSE(rig.app.Cycle().State().AboutOpen);
    EXPECT_EQ(rig.app.Cycle().State().AboutCloseCounter, 20);
    EXPECT_EQ(rig.Counter(), "Program Activation In 0s");
    rig.Tick();
    EXPECT_EQ(rig.Counter(), "No key or mouse activity for the last 1s");
}

TEST(MonitorCycle, ExitInEachPhaseLogsThePhaseAndRemovesTheIcon) {
    const std::pair<int, std::string> cases[] = {
        {1, " Exit     , Initialise, Count:   1"},
        {2 + 4, " Exit     , Run       , Count:   4"},
        {2 + 900 + 3, " Exit     , Shutdown  , Count:   4"},
    };
    for (const auto& [ticks, entry] : cases) {
        Rig rig;
        Park(rig);
        rig.Start();
        rig.Tick(ticks);
        EXPECT_TRUE(rig.Ends([&] { rig.app.OnExitClick(); }));
        EXPECT_EQ(rig.files.Entries().back(), entry);
        EXPECT_FALSE(rig.shell.trayIcon);
        EXPECT_FALSE(rig.shell.timerRunning);
        const Lines tail(rig.shell.calls.end() - 3, rig.shell.calls.end());
        EXPECT_EQ(tail, (Lines{"timer off", "tray delete", "end"}));
    }
}

TEST(MonitorCycle, StartUpRunsItsStepsInOrder) {
    Rig rig;
    rig.Start();
    const Lines expected{"tray prepare", "priority", "timer off", "not topmost", "timer on",
                         "minimise",     "tray add", "hide",      "tray add",    "hide"};
    EXPECT_EQ(rig.shell.calls, expected);
    EXPECT_TRUE(rig.shell.trayIcon);
    EXPECT_FALSE(rig.app.Tray().WindowOpenedByUser);
}

TEST(MonitorCycle, PowerOffRefusedReachesTheLastResortReport) {
    Rig rig("-AllowMulti");
    Park(rig);
    rig.power.exitOk = false;
    rig.Start();
    rig.Tick(2 + 900 + 59);
    bool tickingUnderTheReport = true;
    rig.shell.duringMessage = [&](const Message&) {
        tickingUnderTheReport = rig.shell.timerRunning;
    };
    EXPECT_TRUE(rig.Ends([&] { rig.Tick(); }));
    EXPECT_FALSE(tickingUnderTheReport) << "the timer stops before the report opens";
    // The log says the request was not carried out, right after its Close.
    const auto entries = rig.files.Entries();
    EXPECT_EQ(std::vector(entries.end() - 2, entries.end()),
              (std::vector<std::string>{" Close    , Power Off , Count:  60",
                                        " Refuse   , Power Off , Count:  60"}));
    ASSERT_EQ(rig.shell.messages.size(), 1u);
    EXPECT_EQ(rig.shell.messages[0].text,
              "A program error has occured\r\nError Number: -2147219925\r\n"
              "Error description: ShutdownSystem failed: Access is denied.\r\n");
    EXPECT_FALSE(rig.shell.timerRunning);  // no further tick can repeat the request
    // The closing and refusing entries and then the report went to the system log.
    EXPECT_EQ(rig.systemLog.entries.back().event, log::SystemEvent::PowerOffRefused);
    EXPECT_EQ(rig.systemLog.failures,
              (std::vector<MirroredFailure>{{log::SystemEvent::ProgramError, "Dormix Lite Error",
                                             rig.shell.messages[0].text, -2147219925,
                                             "DormixL.mShutDown"}}));
}

// Each action named in the window, the tooltips, the Test button's and the
// rehearsal's texts and every entry; a hibernation or sleep ends in a
// "Wake" entry and the cycle from its activation, with the program running.
TEST(MonitorCycle, EachActionIsNamedThroughACycleAndTheProgramWakesWithTheMachine) {
    struct Case {
        power::EndAction action;
        std::string word;
        Lines calls;
    };
    // Power Off's texts are the whole cycle's test above.
    const Case cases[] = {
        {power::EndAction::Hibernate,
         "Hibernate",
         {"lookup", "process", "can hibernate", "hibernate"}},
        {power::EndAction::Sleep, "Sleep", {"lookup", "process", "can sleep", "sleep"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.word);
        settings::Effective policy;
        policy.limits.Action = c.action;
        Rig rig("", nullptr, &policy);
        Park(rig);
        rig.Start();
        EXPECT_EQ(rig.view.Text(Ctl::Title),
                  c.word + " the computer if there is no input activity for over 900 sec");
        rig.Tick(2 + 900);
        EXPECT_EQ(rig.Counter(), "The Computer Will " + c.word + " In 60s");
        EXPECT_EQ(rig.view.controls[Ctl::Reset].tooltip, "Cancel Dormix Lite " + c.word);
        const std::string field = log::FitField(c.word);
        rig.power.calls.clear();
        rig.Tick(60);
        EXPECT_EQ(rig.files.Entries(),
                  (Lines{kStart, kEnterRun, " Enter    , " + field + ", Count:   0",
                         " Close    , " + field + ", Count:  60"}));
        EXPECT_EQ(rig.power.calls, (c.calls));
        EXPECT_TRUE(rig.shell.timerRunning);
        // Asleep: the clock runs on without ticks, then the first tick sees it.
        rig.clock.Advance(7 * 3600);
        rig.Tick();
        EXPECT_EQ(rig.files.Entries().back(), " Wake     , " + field + ", Count:  60");
        EXPECT_EQ(rig.systemLog.entries.back().event, log::SystemEvent::Woke);
        EXPECT_FALSE(rig.shell.visible);
        EXPECT_TRUE(rig.shell.trayIcon);
        EXPECT_EQ(rig.Counter(), "Program Activation In 2s");
        // The wake-up's own signal, as the system sends it.
        rig.Tick(2 + 900 + 60);
        rig.app.OnResume();
        EXPECT_EQ(rig.files.Entries().back(), " Wake     , " + field + ", Count:  60");
        EXPECT_EQ(rig.files.Entries().size(), 9u);
        EXPECT_FALSE(rig.app.Cycle().AwaitingWake());
        // Down and back while the request still waited for its answer.
        rig.power.duringSleep = [&] { rig.app.OnResume(); };
        rig.Tick(2 + 900 + 60);
        EXPECT_EQ(rig.files.Entries().size(), 13u);
        EXPECT_EQ(rig.files.Entries().back(), " Wake     , " + field + ", Count:  60");
        ExpectMirrorHoldsTheFile(rig);

        Rig test("", nullptr, &policy);
        test.Start();
        test.app.OnTestClick();
        test.Tick(2 + 5 + 1);
        ASSERT_EQ(test.shell.messages.size(), 1u);
        EXPECT_EQ(test.shell.messages[0].text, "Test " + c.word);
        EXPECT_EQ(test.files.Entries().back(), "*Simulate , " + field + ", Count:   0");
        Rig rehearsal("-InhibitShutdown", nullptr, &policy);
        Park(rehearsal);
        rehearsal.Start();
        EXPECT_TRUE(rehearsal.Ends([&] { rehearsal.Tick(2 + 6 + 6); }));
        EXPECT_EQ(rehearsal.shell.messages.at(0).title, "Dormix Lite Simulate " + c.word);
        EXPECT_EQ(rehearsal.files.Entries().back(),
                  log::FitField(" " + c.word) + ", Simulate  , Count:   6");
    }
}

// A machine without the chosen state, a request refused, a request taken
// with the machine still running two minutes on: each is switched off
// instead, with one warning that says why.
TEST(MonitorCycle, AnActionTheMachineCannotTakeBecomesAPowerOffWithAWarning) {
    const std::string enter = " Enter    , Hibernate , Count:   0",
                      close = " Close    , Hibernate , Count:  60",
                      refuse = " Refuse   , Hibernate , Count:  60",
                      off = " Close    , Power Off , Count:  60";
    const std::string instead =
        "; the countdown ends in a power-off instead, so that it never stays on.";
    struct Case {
        std::function<void(FakePower&)> fault;
        Lines entries;
        std::string warning;
    };
    const Case cases[] = {
        {[](FakePower& p) { p.canSleep = false; },
         {" Enter    , Power Off , Count:   0", off},
         "The computer cannot hibernate (Access is denied)" + instead},
        {[](FakePower& p) { p.sleepOk = false; },
         {enter, close, refuse, off},
         "The computer cannot hibernate (SleepSystem failed: Access is denied)" + instead},
        {[](FakePower&) {},
         {enter, close, refuse, off},
         "The computer was asked to hibernate but was still running 120 seconds later, and no "
         "wake-up was seen; the power-off is asked for instead."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.warning);
        settings::Effective policy;
        policy.limits.Action = power::EndAction::Hibernate;
        Rig rig("", nullptr, &policy);
        Park(rig);
        rig.Start();
        c.fault(rig.power);
        rig.Tick(2 + 900);
        EXPECT_TRUE(rig.Ends([&] { rig.Tick(60 + 120); }));
        const Lines all = rig.files.Entries();
        const Lines entries(all.begin() + 2, all.end());
        EXPECT_EQ(entries, c.entries);
        EXPECT_EQ(rig.power.calls.back(), "exit 12 4294967295");
        ASSERT_EQ(rig.systemLog.failures.size(), 1u);
        EXPECT_EQ(rig.systemLog.failures[0].event, log::SystemEvent::ActionMissing);
        EXPECT_EQ(rig.systemLog.failures[0].title, "Dormix Lite Action");
        EXPECT_EQ(rig.systemLog.failures[0].text, c.warning);
        EXPECT_TRUE(log::IsWarning(log::SystemEvent::ActionMissing));
    }
}

}  // namespace
}  // namespace dormix::testing
