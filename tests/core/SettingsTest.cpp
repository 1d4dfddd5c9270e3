#include <gtest/gtest.h>

#include "Fakes.h"
#include "settings/Settings.h"

namespace dormix::testing {
namespace {

using Lines = std::vector<std::string>;
using settings::Found;
using settings::Reading;

const std::string Main = "/etc/dormix-lite/dormix-lite.conf";
const std::string DropIn = "/etc/dormix-lite/conf.d/50-lab.conf";
const std::string Key = "HKLM\\SOFTWARE\\Policies\\Dormix Lite";

struct Case {
    std::string mainText, dropInText;
    std::vector<Found> registry;
    std::int16_t idle, countdown;
    Lines sources, warnings;
};

TEST(Settings, ValuesBoundsAndBadInputFromFilesAndTheRegistry) {
    const Case cases[] = {
        // Nothing set: the defaults, nothing said.
        {"", "", {}, 900, 60, {"", ""}, {}},
        {"# comment\n; also one\n\n  \t\n", "", {}, 900, 60, {"", ""}, {}},
        // Both bounds of both settings are allowed; blanks and CR LF do not count.
        {"IdleLimitSeconds=60\r\nCountdownSeconds = 600\r\n",
         "",
         {},
         60,
         600,
         {Main + ", line 1", Main + ", line 2"},
         {}},
        {" IdleLimitSeconds\t=\t9999 \nCountdownSeconds=10",
         "",
         {},
         9999,
         10,
         {Main + ", line 1", Main + ", line 2"},
         {}},
        {"\xEF\xBB\xBFIdleLimitSeconds=0060", "", {}, 60, 60, {Main + ", line 1", ""}, {}},
        // A runaway value is cut in the warning.
        {"CountdownSeconds=" + std::string(50, '9'),
         "",
         {},
         900,
         60,
         {"", ""},
         {Main + ", line 1: CountdownSeconds=" + std::string(40, '9') +
          "... is out of range (10-600 s); ignored."}},
        // One past each bound, and a number too long for any integer.
        {"IdleLimitSeconds=59\nCountdownSeconds=601\nHoldLimitSeconds=86401\n",
         "",
         {},
         900,
         60,
         {"", ""},
         {Main + ", line 1: IdleLimitSeconds=59 is out of range (60-9999 s); ignored.",
          Main + ", line 2: CountdownSeconds=601 is out of range (10-600 s); ignored.",
          Main + ", line 3: HoldLimitSeconds=86401 is out of range (0-86400 s); ignored."}},
        {"IdleLimitSeconds=10000\nCountdownSeconds=9\nCountdownSeconds=99999999999999999999\n",
         "",
         {},
         900,
         60,
         {"", ""},
         {Main + ", line 1: IdleLimitSeconds=10000 is out of range (60-9999 s); ignored.",
          Main + ", line 2: CountdownSeconds=9 is out of range (10-600 s); ignored.",
          Main + ", line 3: CountdownSeconds=99999999999999999999 is out of range (10-600 s); "
                 "ignored."}},
        // Malformed: a unit, a sign, a fraction, nothing; no "="; an unknown key.
        {"IdleLimitSeconds=1800s\nIdleLimitSeconds=-1800\nCountdownSeconds=1.5\n"
         "CountdownSeconds=\nIdleLimitSeconds 1800\nIdleLimit=1800\n",
         "",
         {},
         900,
         60,
         {"", ""},
         {Main + ", line 5: \"IdleLimitSeconds 1800\" is not key=value; ignored.",
          Main + ", line 1: IdleLimitSeconds=1800s is not a whole number of seconds; ignored.",
          Main + ", line 2: IdleLimitSeconds=-1800 is not a whole number of seconds; ignored.",
          Main + ", line 3: CountdownSeconds=1.5 is not a whole number of seconds; ignored.",
          Main + ", line 4: CountdownSeconds has no value; ignored.",
          Main + ", line 6: unknown setting \"IdleLimit\"; ignored."}},
        // The drop-in wins; its bad value leaves the file's value, never the
        // shorter default, in force.
        {"IdleLimitSeconds=1800\nCountdownSeconds=120\n",
         "IdleLimitSeconds=3600\n",
         {},
         3600,
         120,
         {DropIn + ", line 1", Main + ", line 2"},
         {}},
        {"IdleLimitSeconds=1800\n",
         "IdleLimitSeconds=30\n",
         {},
         1800,
         60,
         {Main + ", line 1", ""},
         {DropIn + ", line 1: IdleLimitSeconds=30 is out of range (60-9999 s); ignored."}},
        // The registry: a DWORD is read as its decimal text, the wrong type never.
        {"",
         "",
         {{"IdleLimitSeconds", "1800", Key, 0, ""}, {"CountdownSeconds", "120", Key, 0, ""}},
         1800,
         120,
         {Key, Key},
         {}},
        {"",
         "",
         {{"IdleLimitSeconds", "", Key, 0, "REG_SZ \"1800\", not REG_DWORD"},
          {"CountdownSeconds", "4294967295", Key, 0, ""}},
         900,
         60,
         {"", ""},
         {Key + ": IdleLimitSeconds is REG_SZ \"1800\", not REG_DWORD; ignored.",
          Key + ": CountdownSeconds=4294967295 is out of range (10-600 s); ignored."}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mainText + "|" + c.dropInText);
        Reading reading;
        settings::ParseConfText(c.mainText, Main, reading);
        settings::ParseConfText(c.dropInText, DropIn, reading);
        reading.values.insert(reading.values.end(), c.registry.begin(), c.registry.end());
        const settings::Effective e = settings::Resolve(reading);
        EXPECT_EQ(e.limits.IdleLimit, c.idle);
        EXPECT_EQ(e.limits.CountdownLength, c.countdown);
        EXPECT_EQ((Lines{e.sources[0], e.sources[1]}), c.sources);
        EXPECT_EQ(e.warnings, c.warnings);
        EXPECT_EQ(e.AnySet(), !c.sources[0].empty() || !c.sources[1].empty());
    }

    // The action: a word, any case; a bad one leaves what was there.
    using A = power::EndAction;
    const struct {
        std::vector<settings::Found> values;
        A action;
        std::string warning;
    } actions[] = {
        {{{"Action", "Hibernate", Main, 1, ""}}, A::Hibernate, ""},
        {{{"Action", "sleep", Key, 0, ""}}, A::Sleep, ""},
        {{{"Action", "Sleep", Main, 1, ""}, {"Action", "POWEROFF", DropIn, 1, ""}},
         A::PowerOff,
         ""},
        {{{"Action", "Hibernate", Main, 1, ""}, {"Action", "Suspend", DropIn, 2, ""}},
         A::Hibernate,
         DropIn + ", line 2: Action=Suspend is none of PowerOff, Hibernate, Sleep; ignored."},
        {{{"Action", "", Main, 3, ""}},
         A::PowerOff,
         Main + ", line 3: Action has no value; ignored."},
        {{{"Action", "", Key, 0, "REG_DWORD 1, not REG_SZ"}},
         A::PowerOff,
         Key + ": Action is REG_DWORD 1, not REG_SZ; ignored."},
    };
    for (const auto& c : actions) {
        const settings::Effective e = settings::Resolve({c.values, {}, false});
        EXPECT_EQ(e.limits.Action, c.action);
        EXPECT_EQ(e.warnings, c.warning.empty() ? Lines{} : Lines{c.warning});
    }
}

TEST(Settings, ConfiguredLimitsDriveTheNormalCycleButNotTheRehearsalOrTheTest) {
    Reading reading;
    settings::ParseConfText("IdleLimitSeconds=60\nCountdownSeconds=10\nCountdownSeconds=5\n", Main,
                            reading);
    const settings::Effective policy = settings::Resolve(reading);
    EXPECT_EQ(settings::Describe(policy),
              "IdleLimitSeconds=60 (" + Main + ", line 1)\nCountdownSeconds=10 (" + Main +
                  ", line 2)\nHoldLimitSeconds=14400 (default)\nAllowExit=1 "
                  "(default)\nAction=PowerOff (default)\n"
                  "Schedule=none (default)\n");

    Rig rig("", nullptr, &policy);
    rig.input.cursor = {300, 200};
    rig.Start();
    EXPECT_EQ(rig.view.Text(ui::Ctl::Title),
              "Power Off the computer if there is no input activity for over 60 sec");
    // The warning, then what is in force; nothing of either in the text log.
    using E = log::SystemEvent;
    EXPECT_EQ(
        rig.systemLog.failures,
        (std::vector<MirroredFailure>{
            {E::SettingIgnored, "Dormix Lite Settings",
             Main + ", line 3: CountdownSeconds=5 is out of range (10-600 s); ignored.", 0, ""},
            {E::SettingsInForce, "Dormix Lite Settings",
             "IdleLimitSeconds=60 (" + Main + ", line 1)\r\nCountdownSeconds=10 (" + Main +
                 ", line 2)\r\nHoldLimitSeconds=14400 (default)\r\nAllowExit=1 "
                 "(default)\r\nAction=PowerOff (default)\r\n"
                 "Schedule=none (default)",
             0, ""}}));
    EXPECT_TRUE(log::IsWarning(E::SettingIgnored));
    EXPECT_FALSE(log::IsWarning(E::SettingsInForce));
    EXPECT_EQ(rig.files.Entries(), (Lines{" Start    , Initialise, Count:   2"}));

    rig.Tick(2 + 59);
    EXPECT_EQ(rig.Counter(), "No key or mouse activity for the last 59s");
    rig.Tick();
    EXPECT_EQ(rig.Counter(), "The Computer Will Power Off In 10s");
    rig.Tick(9);
    EXPECT_EQ(rig.Counter(), "The Computer Will Power Off In 1s");
    EXPECT_TRUE(rig.power.calls.empty());
    EXPECT_TRUE(rig.Ends([&] { rig.Tick(); }));
    EXPECT_EQ(rig.files.Entries().back(), " Close    , Power Off , Count:  10");
    EXPECT_EQ(rig.power.calls.back(), "exit 12 4294967295");

    // -InhibitShutdown keeps its 6 and 6, the Test button its 5.
    Rig inhibited("-InhibitShutdown", nullptr, &policy);
    inhibited.Start();
    EXPECT_EQ(inhibited.app.Cycle().State().IdleLimit, 6);
    EXPECT_EQ(inhibited.app.Cycle().State().CountdownLength, 6);
    Rig test("", nullptr, &policy);
    test.Start();
    test.app.OnTestClick();
    EXPECT_EQ(test.app.Cycle().State().IdleLimit, 5);
    // A reset after the test is back on the configured limit.
    test.app.OnResetClick();
    EXPECT_EQ(test.app.Cycle().State().IdleLimit, 60);

    // The cap on holds goes up to a day.
    Reading day;
    settings::ParseConfText("HoldLimitSeconds=86400", Main, day);
    EXPECT_EQ(settings::Resolve(day).limits.HoldLimit, 86400);

    // The administrator's files gone, their folder still there: the start
    // says the defaults run.
    Reading emptied;
    emptied.placeExists = true;
    const settings::Effective defaults = settings::Resolve(emptied);
    RecordingSystemLog told;
    FakeClock clock;
    settings::Announce(defaults, told, clock);
    ASSERT_EQ(told.failures.size(), 1u);
    EXPECT_EQ(told.failures[0].event, E::SettingsInForce);
    EXPECT_EQ(told.failures[0].text.substr(0, 40), "IdleLimitSeconds=900 (default)\r\nCountdow");
}

TEST(Settings, AllowExitZeroKeepsTheProgramUntilTheSessionEndsAndTheStartSaysSo) {
    Reading reading;
    settings::ParseConfText(
        "AllowExit=0\nSchedule=Mon-Fri 08:00-18:00 3600\nSchedule=Sun 12:00-13:00 never\n", Main,
        reading);
    const settings::Effective policy = settings::Resolve(reading);
    Rig rig("", nullptr, &policy);
    rig.input.cursor = {300, 200};
    rig.Start();
    // The clock reads Sunday 12:03: the second window is in force.
    const std::string inForce =
        "IdleLimitSeconds=900 (default)\r\nCountdownSeconds=60 (default)"
        "\r\nHoldLimitSeconds=14400 (default)\r\nAllowExit=0 (" +
        Main + ", line 1)\r\nAction=PowerOff (default)\r\nSchedule=Mon-Fri 08:00-18:00 3600 (" +
        Main + ", line 2)\r\nSchedule=Sun 12:00-13:00 never (" + Main +
        ", line 3)\r\nIn force now (Sun 12:03): Sun 12:00-13:00 never (" + Main + ", line 3)";
    ASSERT_EQ(rig.systemLog.failures.size(), 1u);
    EXPECT_EQ(rig.systemLog.failures[0].text, inForce);
    const ControlState& exit = rig.view.controls[ui::Ctl::Exit];
    EXPECT_FALSE(exit.enabled);
    EXPECT_EQ(exit.tooltip, "The administrator keeps Dormix Lite running");

    // The close box puts the window back in the tray; Exit does nothing.
    rig.app.OnTrayDoubleClick();
    EXPECT_TRUE(rig.shell.visible);
    EXPECT_FALSE(rig.Ends([&] { rig.app.OnMainClose(); }));
    EXPECT_FALSE(rig.shell.visible);
    EXPECT_TRUE(rig.shell.trayIcon);
    EXPECT_FALSE(rig.Ends([&] { rig.app.OnExitClick(); }));
    // After a countdown and its Cancel, Exit stays disabled.
    rig.clock.time.hour = 14;  // out of the window: 900
    rig.Tick(2 + 900);
    rig.app.OnResetClick();
    EXPECT_FALSE(exit.enabled);
    // The session's end still ends it, with its entry.
    rig.Tick(3);
    EXPECT_TRUE(rig.Ends([&] { rig.app.OnSessionEnd(); }));
    EXPECT_EQ(rig.files.Entries().back(), " Exit     , Run       , Count:   1");
    EXPECT_FALSE(rig.shell.trayIcon);

    // Where the administrator allows it, the close box is the orderly exit.
    Rig allowed;
    allowed.Start();
    EXPECT_TRUE(allowed.view.controls[ui::Ctl::Exit].enabled);
    EXPECT_TRUE(allowed.Ends([&] { allowed.app.OnMainClose(); }));
    EXPECT_EQ(allowed.files.Entries().back(), " Exit     , Initialise, Count:   2");
}

}  // namespace
}  // namespace dormix::testing
