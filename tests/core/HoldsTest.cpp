#include <gtest/gtest.h>

#include "Fakes.h"

namespace dormix::testing {
namespace {

using E = log::SystemEvent;
using Lines = std::vector<std::string>;

// One stretch of ticks with the machine as the step leaves it.
struct Step {
    int ticks;
    int held = -1;    // 1: "Videos" holds, 0: nothing holds, -1: as before
    int others = -1;  // another session in use, as above
    bool move = false;
    bool test = false;    // the Test button first
    int locked = -1;      // 1: "apt" holds a lock that guards the system, as above
    bool refuse = false;  // the request is refused by a lock the holds did not show
    int gapEvery = 0;     // a playlist: the hold gone 3 s of every gapEvery
};

struct Case {
    std::string name, arguments, conf;
    std::string failure;  // what the holds' question says went wrong
    std::vector<Step> steps;
    Lines entries;  // after Start and Enter Run
    std::vector<E> told;
    bool poweredOff;
    std::string counter;
};

const std::string kHolder = "\"Videos\": Playing a film (PID 812, user ana)";
const std::string kLock = "\"apt\": upgrade (logind shutdown block inhibitor, PID 99, user root)";

TEST(Holds, PostponeTheCountdownUpToTheCapAndNeverCountAsInput) {
    const std::string kWaitHeld = " Wait     , Held      , Count: 900";
    const std::string kEnterOff = " Enter    , Power Off , Count:   0";
    const std::string kClose = " Close    , Power Off , Count:  60";
    const std::string kExpire = " Expire   , Hold      , Count: 930";
    const std::string kReset = " Reset    , Power Off , Count:  60";
    const std::string kOther = " Wait     , Other User, Count: 900";
    const std::string kSixty = "The Computer Will Power Off In 60s";
    const std::string kLocked = " Wait     , Locked    , Count: 930";
    // clang-format off
    const Case cases[] = {
        {"held at the limit, released after 10 s: the countdown after 5 s of grace", "", "", "",
         {{899}, {1, 1}, {10}, {5, 0}, {1}}, {kWaitHeld, kEnterOff}, {E::HeldBy}, false, kSixty},
        {"a playlist's 3-s gaps: no countdown until the cap, off by limit + cap + countdown", "",
         "HoldLimitSeconds=30", "", {{899}, {.ticks = 91, .gapEvery = 10}},
         {kWaitHeld, kExpire, kEnterOff, kClose}, {E::HeldBy, E::HoldRanOut}, true, ""},
        {"a longer gap brings the countdown; the hold at its end sends it back, the cap runs on",
         "", "HoldLimitSeconds=30", "", {{899}, {1, 1}, {9}, {6, 0}, {60, 1}, {15}, {60}},
         {kWaitHeld, kEnterOff, " Wait     , Held      , Count: 915", kExpire, kEnterOff, kClose},
         {E::HeldBy, E::HoldRanOut}, true, ""},
        {"a lock past the cap: no countdown, told once; its release brings the countdown", "",
         "HoldLimitSeconds=30", "",
         {{899}, {.ticks = 1, .held = 1, .locked = 1}, {30}, {500}, {.ticks = 1, .held = 0, .locked = 0}, {60}},
         {kWaitHeld, kLocked, kEnterOff, kClose}, {E::HeldBy, E::HeldBy, E::LockedOn}, true, ""},
        {"a request refused by a lock: Refuse after Close, back to the wait", "", "", "",
         {{900}, {59}, {.ticks = 1, .refuse = true}, {.ticks = 5, .locked = 1}},
         {kEnterOff, kClose, " Refuse   , Power Off , Count:  60", kWaitHeld},
         {E::LockedOn, E::HeldBy}, false, "No key or mouse activity for the last 905s"},
        {"held past the cap: the countdown at the cap, and it runs out", "",
         "HoldLimitSeconds=30", "", {{899}, {1, 1}, {30}, {1}, {60}},
         {kWaitHeld, kExpire, kEnterOff, kClose}, {E::HeldBy, E::HoldRanOut}, true, ""},
        {"the default cap is four hours; the label keeps counting idle time", "", "", "",
         {{899}, {1, 1}, {14399}}, {kWaitHeld}, {E::HeldBy}, false,
         "No key or mouse activity for the last 9999s"},
        {"input while held starts everything again, the cap too", "", "HoldLimitSeconds=30", "",
         {{899}, {1, 1}, {20}, {1, -1, -1, true}, {899}, {1}, {29}, {1, 0}},
         {kWaitHeld, kWaitHeld, kEnterOff}, {E::HeldBy, E::HeldBy}, false, kSixty},
        {"a hold taken during the countdown sends it back to the wait, the count untouched "
         "by the input the countdown ignored",
         "", "", "", {{900}, {.ticks = 59, .held = 1, .move = true}, {1}, {1}}, {kEnterOff, kWaitHeld}, {E::HeldBy}, false,
         "No key or mouse activity for the last 901s"},
        {"cap 0: holds never postpone", "", "HoldLimitSeconds=0", "",
         {{899, 1}, {1}, {60}}, {kEnterOff, kClose}, {}, true, ""},
        {"another session first, then the hold", "", "", "",
         {{899, 1, 1}, {1}, {5}, {1, -1, 0}, {6, 0}},
         {kOther, " Wait     , Held      , Count: 906", kEnterOff}, {E::HeldBy}, false, kSixty},
        {"a hold nobody can read counts as none, told once", "", "",
         "logind did not answer in 1.5 s", {{899, -1}, {1}, {60}}, {kEnterOff, kClose},
         {E::HoldsUnknown}, true, ""},
        {"the rehearsal is held, with its 12-second cap", "-InhibitShutdown", "", "",
         {{5, 1}, {1}, {12}},
         {" Wait     , Held      , Count:   6", " Expire   , Hold      , Count:  18",
          " Enter    , Power Off , Count:   0"},
         {E::HeldBy, E::HoldRanOut}, false, "The Computer Will Power Off In 6s"},
        {"the Test button's run is never held", "", "", "", {{0, 1, -1, false, true}, {7}},
         {"*Enter    , Test      , Count:   2", "*Enter    , Run       , Count:   0",
          "*Simulate , Power Off , Count:   0"},
         {}, false, "Program Activation In 2s"},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::uint32_t kLocked = power::ErrorLocked;
        settings::Reading reading;
        settings::ParseConfText(c.conf, "/etc/dormix-lite/dormix-lite.conf", reading);
        const settings::Effective policy = settings::Resolve(reading);
        Rig rig(c.arguments, nullptr, &policy);
        rig.input.cursor = {300, 200};
        rig.Start();
        rig.Tick(2);
        rig.holds.failure = c.failure;
        bool poweredOff = false;
        rig.power.systemTexts[kLocked] = "Operation inhibited by \"apt\".";
        for (const Step& step : c.steps) {
            if (step.held >= 0) rig.holds.holders = step.held ? Lines{kHolder} : Lines{};
            if (step.locked >= 0) rig.holds.locks = step.locked ? Lines{kLock} : Lines{};
            if (step.others >= 0) rig.others.inUse = step.others == 1;
            if (step.move) rig.input.cursor.x += 7;
            if (step.test) rig.app.OnTestClick();
            rig.power.exitOk = !step.refuse;
            rig.power.failingError = kLocked;
            for (int i = 0; i < step.ticks; ++i) {
                if (step.gapEvery) rig.holds.holders = Lines(i % step.gapEvery < 7, kHolder);
                if (rig.Ends([&] { rig.Tick(); })) {
                    poweredOff = true;
                    break;
                }
            }
        }
        Lines entries = rig.files.Entries();
        entries.erase(entries.begin(), entries.begin() + 2);  // Start, Enter Run
        EXPECT_EQ(entries, c.entries);
        std::vector<E> told;
        for (const auto& f : rig.systemLog.failures)
            if (f.event >= E::HeldBy) told.push_back(f.event);
        EXPECT_EQ(told, c.told);
        EXPECT_EQ(poweredOff && !rig.power.calls.empty(), c.poweredOff);
        if (!c.counter.empty()) {
            EXPECT_EQ(rig.Counter(), c.counter);
        }
        if (c.steps[0].test) {
            EXPECT_EQ(rig.holds.asked, 0);
        }
    }
}

TEST(Holds, TheSystemLogNamesEachHolderOnceAndTheCapInWords) {
    settings::Reading reading;
    settings::ParseConfText("HoldLimitSeconds=5400", "/etc/dormix-lite/dormix-lite.conf", reading);
    const settings::Effective policy = settings::Resolve(reading);
    Rig rig("", nullptr, &policy);
    rig.input.cursor = {300, 200};
    rig.Start();
    rig.holds.holders = {kHolder};
    rig.Tick(2 + 900 + 10);
    rig.holds.holders = {kHolder, "\"apt\": Upgrading (PID 99, user root)"};
    rig.Tick(5400 - 10);
    EXPECT_EQ(rig.holds.asked, 5401);
    const auto& f = rig.systemLog.failures;
    ASSERT_EQ(f.size(), 4u);  // the settings in force, two holders, the end
    EXPECT_EQ(f[1].text, "The computer is held in use by " + kHolder +
                             "; the countdown waits for it at most 90 minutes");
    EXPECT_EQ(f[1].title, "Dormix Lite Holds");
    EXPECT_FALSE(log::IsWarning(E::HeldBy));
    EXPECT_EQ(f[3].text,
              "The computer was held for 90 minutes by " + kHolder +
                  "; \"apt\": Upgrading (PID 99, user root); the countdown begins anyway.");
    EXPECT_TRUE(log::IsWarning(E::HoldRanOut));
    EXPECT_EQ(rig.systemLog.entries.back().event, E::CountdownBegan);
    EXPECT_EQ(rig.systemLog.entries[rig.systemLog.entries.size() - 3].event, E::HeldWait);

    // A lock is named as one, and past the cap the warning says the truth.
    Rig locked("", nullptr, &policy);
    locked.Start();
    locked.holds.locks = {kLock};
    locked.Tick(2 + 900 + 5400 + 100);
    const auto& g = locked.systemLog.failures;
    ASSERT_EQ(g.size(), 3u);
    EXPECT_EQ(g[1].text, "The computer is locked by " + kLock +
                             "; the countdown waits until the lock is released.");
    EXPECT_EQ(g[2].text, "The computer is still locked by " + kLock +
                             " after 90 minutes; it stays on until the lock is released.");
    EXPECT_TRUE(log::IsWarning(g[2].event));
}

}  // namespace
}  // namespace dormix::testing
