#include <gtest/gtest.h>

#include <random>
#include <regex>

#include "Fakes.h"

namespace dormix::testing {
namespace {

using monitor::Phase;

// A day of ticks with a user who comes and goes, presses the buttons and
// opens the About window now and then. The counters never leave their range,
// the phases follow their rules, and every log line is whole and well formed.
TEST(DayOfTicks, EveryPhaseCombinationStaysInRangeAndLogsWellFormedLines) {
    Rig rig("-AllowMulti");
    std::mt19937 random(20261207);
    auto chance = [&](int inThousand) { return int(random() % 1000) < inThousand; };
    rig.input.cursor = {200, 200};
    rig.Start();

    int aboutSeconds = 0;
    rig.shell.duringAbout = [&] {
        rig.app.OnAboutTimer();
        rig.Tick();
        ++aboutSeconds;
        if (chance(50)) rig.app.OnAboutExitClick();
    };
    int messages = 0;
    rig.shell.duringMessage = [&](const Message&) {
        ++messages;
        rig.Tick();  // a tick under the box must not run the step again
    };

    const auto& s = rig.app.Cycle().State();
    bool away = false;
    std::array<int, 3> phaseTicks{};
    int countdownsCancelled = 0;
    for (int second = 0; second < 86400; ++second) {
        if (chance(away ? 1 : 20)) away = !away;  // long absences, shorter visits
        if (!away) {
            if (chance(300)) rig.input.cursor.x = int(random() % 1920);
            if (chance(100)) rig.input.pressed.set(random() % 256);
            rig.input.down.reset();
            if (chance(50)) rig.input.down.set(random() % 256);
        }
        if (s.MonitorPhase == Phase::Countdown && s.PhaseCounter >= 30) {
            rig.app.OnResetClick();  // someone always comes back in time
            ++countdownsCancelled;
        } else if (s.MonitorPhase != Phase::Countdown && !away) {
            if (chance(2)) rig.app.OnResetClick();
            if (chance(1)) rig.app.OnTestClick();
            if (chance(1)) rig.app.OnAboutClick();
            if (chance(1)) rig.app.OnMainMouseMove(515);
            if (chance(1)) rig.shell.SetMinimised();
        }
        rig.Tick();
        ++phaseTicks[int(s.MonitorPhase)];

        ASSERT_GE(s.PhaseCounter, 0);
        switch (s.MonitorPhase) {
            case Phase::Activation:
                ASSERT_LE(s.PhaseCounter, 2);
                break;
            case Phase::Monitoring:
                ASSERT_LT(s.PhaseCounter, s.IdleLimit);
                break;
            case Phase::Countdown:
                ASSERT_LE(s.PhaseCounter, s.CountdownLength);
                break;
        }
        ASSERT_TRUE(s.IdleLimit == 900 || (s.TestMode && s.IdleLimit == 5));
        ASSERT_FALSE(s.AboutOpen);
        ASSERT_LE(s.AboutCloseCounter, 30);
    }
    EXPECT_FALSE(rig.shell.ended);
    EXPECT_GT(phaseTicks[int(Phase::Countdown)], 100);
    EXPECT_GT(countdownsCancelled, 2);
    EXPECT_GT(aboutSeconds, 10);
    EXPECT_GT(messages, 0);

    const std::regex entry(
        R"(\d\d-Dec-26 \d\d:\d\d:\d\d, [ *](Start|Enter|Reset|Simulate|Exit) +, )"
        R"((Initialise|Run|Test|Power Off|Activate) *, Count: {1,3}\d{1,3})");
    int entries = 0;
    for (const auto& line : rig.files.Lines()) {
        if (line.find(", Count:") == std::string::npos) continue;
        ++entries;
        ASSERT_EQ(line.size(), 54u) << line;
        ASSERT_TRUE(std::regex_match(line, entry)) << line;
    }
    EXPECT_GT(entries, 100);
    EXPECT_EQ(rig.files.Lines().size(), std::size_t(4 + 5 + entries));
}

}  // namespace
}  // namespace dormix::testing
