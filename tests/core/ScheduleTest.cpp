#include <gtest/gtest.h>

#include "Fakes.h"

namespace dormix::testing {
namespace {

using Lines = std::vector<std::string>;
const std::string Conf = "/etc/dormix-lite/dormix-lite.conf";
constexpr std::int16_t Never = monitor::NoIdleLimit;

settings::Effective Read(const std::string& text) {
    settings::Reading reading;
    settings::ParseConfText(text, Conf, reading);
    return settings::Resolve(reading);
}

// An exam first, so that it wins over the teaching day; nights from Friday
// to Monday, a range past Sunday; weekends, which the nights cover first.
const std::string Lab =
    "IdleLimitSeconds=1200\n"
    "Schedule=Wed 09:00-12:00 never\n"
    "Schedule=Mon-Fri 08:00-18:00 3600\n"
    "Schedule=Fri-Mon 22:00-06:00 300\n"
    "Schedule=sat,SUN 00:00-24:00 600\n";

TEST(Schedule, TheLimitInForceByWeekdayAndTimeOfDay) {
    enum { Mon, Tue, Wed, Thu, Fri, Sat, Sun };
    struct Case {
        int weekday, hour, minute;
        std::int16_t limit;
    };
    const Case cases[] = {
        {Wed, 10, 0, Never}, {Wed, 8, 59, 3600}, {Wed, 12, 0, 3600},  // the first listed wins
        {Thu, 10, 0, 3600},  {Mon, 18, 0, 1200}, {Mon, 7, 59, 1200},  // the end is not in it
        {Mon, 22, 0, 300},   {Tue, 5, 59, 300},  {Tue, 6, 0, 1200},   // the morning after
        {Tue, 22, 0, 1200},  {Wed, 3, 0, 1200},                       // Tuesday starts none
        {Sat, 3, 0, 300},    {Sat, 6, 0, 600},   {Sun, 21, 59, 600},  // Friday's night first
        {Sun, 23, 59, 300},  {Mon, 0, 0, 300},   {Fri, 23, 0, 300},
    };
    const settings::Effective lab = Read(Lab);
    ASSERT_EQ(lab.warnings, Lines{});
    ASSERT_EQ(lab.limits.Schedule.size(), 4u);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.weekday) + " " + std::to_string(c.hour) + ":" +
                     std::to_string(c.minute));
        EXPECT_EQ(lab.limits.IdleLimitAt(c.weekday, c.hour * 60 + c.minute), c.limit);
    }
    // A whole day, and no schedule at all.
    const settings::Effective allDay = Read("Schedule=Sun 00:00-24:00 60");
    EXPECT_EQ(allDay.limits.IdleLimitAt(Sun, 0), 60);
    EXPECT_EQ(allDay.limits.IdleLimitAt(Sun, 1439), 60);
    EXPECT_EQ(allDay.limits.IdleLimitAt(Mon, 0), 900);
    EXPECT_EQ(Read("").limits.IdleLimitAt(Wed, 600), 900);
}

TEST(Schedule, BadLinesArePassedOverWithOneWarningEach) {
    struct Case {
        std::string value, why;
    };
    const Case cases[] = {
        {"Mon-Fry 08:00-18:00 3600", "\"Fry\" is no day (Mon, Tue, Wed, Thu, Fri, Sat, Sun)"},
        {"Mon-Tue-Wed 08:00-18:00 3600", "\"Mon-Tue-Wed\" is no day or range of days"},
        {"Mon,,Tue 08:00-18:00 3600", "\"\" is no day (Mon, Tue, Wed, Thu, Fri, Sat, Sun)"},
        {"Mon 25:00-26:00 3600", "\"25:00\" is no time of day (00:00-23:59)"},
        {"Mon 24:00-06:00 3600", "\"24:00\" is no time of day (00:00-23:59)"},
        {"Mon 8:5-18:00 3600", "\"8:5\" is no time of day (00:00-23:59)"},
        {"Mon 08:00-18:60 3600", "\"18:60\" is no end of a window (00:00-24:00)"},
        {"Mon 08:00-8:00pm 3600", "\"8:00pm\" is no end of a window (00:00-24:00)"},
        {"Mon 08:00-24:01 3600", "\"24:01\" is no end of a window (00:00-24:00)"},
        {"Mon 08:00 3600", "\"08:00\" is no start and end (HH:MM-HH:MM)"},
        {"Mon 08:00-08:00 3600", "it starts and ends at 08:00"},
        // Below 60: the limit outside every window, at least 60, is later.
        {"Mon 08:00-18:00 59", "\"59\" is no idle limit (60-9999 s, or never)"},
        {"Mon 08:00-18:00 0", "\"0\" is no idle limit (60-9999 s, or never)"},
        {"Mon 08:00-18:00", "not DAYS HH:MM-HH:MM LIMIT (as Mon-Fri 08:00-18:00 3600)"},
        {"Mon 08:00-18:00 3600 extra", "not DAYS HH:MM-HH:MM LIMIT (as Mon-Fri 08:00-18:00 3600)"},
    };
    std::string text = "Schedule=Mon 08:00-18:00 3600\n";
    Lines want;
    for (const Case& c : cases) {
        text += "Schedule=" + c.value + "\n";
        want.push_back(Conf + ", line " + std::to_string(want.size() + 2) +
                       ": Schedule=" + c.value + ": " + c.why + "; ignored.");
    }
    text += "Schedule=\nAllowExit=yes\n";
    want.push_back(Conf + ", line 17: Schedule has no value; ignored.");
    want.push_back(Conf + ", line 18: AllowExit=yes is neither 1 nor 0; ignored.");
    for (int i = 0; i < 16; ++i) text += "Schedule=Sun 00:00-01:00 never\n";
    want.push_back(Conf +
                   ", line 34: Schedule=Sun 00:00-01:00 never is one window more than the "
                   "16 a schedule holds; ignored.");
    settings::Reading reading;
    settings::ParseConfText(text, Conf, reading);
    // The registry: a schedule's strings numbered as lines; a REG_SZ is no list.
    reading.values.push_back({"Schedule", "", "HKLM", 0,
                              "REG_SZ \"Mon 08:00-18:00 60\", not "
                              "REG_MULTI_SZ"});
    want.push_back("HKLM: Schedule is REG_SZ \"Mon 08:00-18:00 60\", not REG_MULTI_SZ; ignored.");
    const settings::Effective e = settings::Resolve(reading);
    EXPECT_EQ(e.warnings, want);
    ASSERT_EQ(e.limits.Schedule.size(), 16u);
    EXPECT_EQ(e.limits.Schedule[0].where, Conf + ", line 1");
    EXPECT_TRUE(e.limits.AllowExit);

    // An end at 00:00 is midnight.
    const settings::Effective evening = Read("Schedule=Mon-Fri 18:00-00:00 300");
    ASSERT_EQ(evening.limits.Schedule.size(), 1u);
    EXPECT_EQ(evening.limits.Schedule[0].end, monitor::MinutesPerDay);
    EXPECT_EQ(evening.warnings, Lines{});

    // Above 9999 the count never gets there, and a limit that is no number
    // meant no shorter limit: kept, as never, and said.
    for (const auto& [limit, why] :
         {std::pair{"10000", "is more than the count can reach (9999 s)"},
          std::pair{"nevr", "is no idle limit (60-9999 s, or never)"}}) {
        const settings::Effective kept = Read(std::string("Schedule=Mon 08:00-18:00 ") + limit);
        ASSERT_EQ(kept.limits.Schedule.size(), 1u) << limit;
        EXPECT_EQ(kept.limits.Schedule[0].limit, monitor::NoIdleLimit) << limit;
        EXPECT_EQ(kept.warnings,
                  (Lines{Conf + ", line 1: Schedule=Mon 08:00-18:00 " + limit + ": \"" + limit +
                         "\" " + why + ": the window keeps the computer on, as never."}));
    }
}

// One stretch of ticks; the clock first set to `at` where given (the tick
// adds its second before it runs).
struct Step {
    std::string at;  // "YYYY-MM-DD HH:MM:SS"
    int ticks;
    bool test = false;  // the Test button first
};

void SetClock(FakeClock& clock, const std::string& at) {
    auto n = [&](int from, int length) { return std::stoi(at.substr(from, length)); };
    clock.time.year = n(0, 4), clock.time.month = n(5, 2), clock.time.day = n(8, 2);
    clock.time.hour = n(11, 2), clock.time.minute = n(14, 2), clock.time.second = n(17, 2);
}

TEST(Schedule, TheCountMeetsTheLimitInForceAtEachTick) {
    const std::string enterOff = " Enter    , Power Off , Count:   0";
    struct Case {
        std::string name, arguments, conf;
        std::vector<Step> steps;
        Lines entries;  // after Start and Enter Run
        std::string counter, title;
    };
    // 9 December 2026 is a Wednesday; Europe's clocks go forward on
    // 29 March 2026 at 02:00 and back on 25 October 2026 at 03:00 (Sundays).
    // clang-format off
    const Case cases[] = {
        {"1000 s idle at 18:00, when 3600 gives way to 900: the countdown at once", "",
         "Schedule=Mon-Fri 08:00-18:00 3600",
         {{"2026-12-09 17:43:17", 2 + 1000}, {"", 1}},
         {enterOff}, "The Computer Will Power Off In 60s",
         "Power Off the computer if there is no input activity for over 900 sec"},
        {"the same, a tick before the edge: still counting", "",
         "Schedule=Mon-Fri 08:00-18:00 3600",
         {{"2026-12-09 17:43:16", 2 + 1000}, {"", 1}},
         {}, "No key or mouse activity for the last 1001s",
         "Power Off the computer if there is no input activity for over 3600 sec"},
        {"a never window: past 900 without a word, the countdown when it ends", "",
         "Schedule=Wed 09:00-12:00 never",
         {{"2026-12-09 11:30:00", 2 + 1797}, {"", 1}},
         {enterOff}, "The Computer Will Power Off In 60s",
         "Power Off the computer if there is no input activity for over 900 sec"},
        {"the window's title while it is in force", "", "Schedule=Wed 09:00-12:00 never",
         {{"2026-12-09 11:30:00", 2 + 1000}}, {}, "No key or mouse activity for the last 1000s",
         "No Power Off now: the administrator's schedule keeps the computer on"},
        {"clocks go forward past the window's end: the next tick, the count in ticks", "",
         "Schedule=Sun 00:00-02:30 3600",
         {{"2026-03-29 01:43:17", 2 + 1000}, {"2026-03-29 02:59:59", 1}},
         {enterOff}, "The Computer Will Power Off In 60s",
         "Power Off the computer if there is no input activity for over 900 sec"},
        {"clocks go back into the window: no countdown at 900", "",
         "Schedule=Sun 00:00-02:30 3600",
         {{"2026-10-25 02:45:00", 2 + 800}, {"2026-10-25 01:59:59", 200}},
         {}, "No key or mouse activity for the last 1000s",
         "Power Off the computer if there is no input activity for over 3600 sec"},
        {"the rehearsal keeps its 6 s in a never window", "-InhibitShutdown",
         "Schedule=Mon-Sun 00:00-24:00 never", {{"2026-12-09 10:00:00", 2 + 6}}, {enterOff},
         "The Computer Will Power Off In 6s",
         "Power Off the computer if there is no input activity for over 6 sec"},
        {"the Test button keeps its 5 s", "", "Schedule=Mon-Sun 00:00-24:00 never",
         {{"2026-12-09 10:00:00", 2}, {"", 7, true}},
         {"*Enter    , Test      , Count:   2", "*Enter    , Run       , Count:   0",
          "*Simulate , Power Off , Count:   0"},
         "Program Activation In 2s",
         "No Power Off now: the administrator's schedule keeps the computer on"},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const settings::Effective policy = Read(c.conf);
        ASSERT_EQ(policy.warnings, Lines{});
        Rig rig(c.arguments, nullptr, &policy);
        rig.input.cursor = {300, 200};
        SetClock(rig.clock, c.steps[0].at);
        rig.Start();
        for (const Step& step : c.steps) {
            if (!step.at.empty()) SetClock(rig.clock, step.at);
            if (step.test) rig.app.OnTestClick();
            rig.Tick(step.ticks);
        }
        Lines entries = rig.files.Entries();
        entries.erase(entries.begin(), entries.begin() + 2);  // Start, Enter Run
        EXPECT_EQ(entries, c.entries);
        EXPECT_EQ(rig.Counter(), c.counter);
        EXPECT_EQ(rig.view.Text(ui::Ctl::Title), c.title);
    }
}

}  // namespace
}  // namespace dormix::testing
