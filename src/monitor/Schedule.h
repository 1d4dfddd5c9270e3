#pragma once
// The administrator's timetable: windows of the week, each with an idle
// limit of its own or none at all. The cycle asks which one is in force at
// each tick from the local time, so a clock set by hand or a change to
// daylight saving takes effect at the next tick; the idle count itself is
// counted in ticks, never from the clock.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "log/Clock.h"
#include "monitor/Limits.h"

namespace dormix::monitor {

inline constexpr std::size_t MostWindows = 16;
inline constexpr int MinutesPerDay = 24 * 60;

struct ScheduleWindow {
    std::uint8_t days = 0;  // the days it starts on: bit 0 Monday .. bit 6 Sunday
    // Minutes since midnight; the end 1..1440. An end at or before the start
    // runs past midnight into the next day.
    std::int16_t start = 0, end = MinutesPerDay;
    std::int16_t limit = NoIdleLimit;  // seconds, or NoIdleLimit for `never`
    std::string text;                  // as the administrator wrote it
    std::string where;                 // its file and line, or the registry key
    bool operator==(const ScheduleWindow&) const = default;
};

// 0 Monday .. 6 Sunday, for a date of the Gregorian calendar (month 1..12).
inline int Weekday(int year, int month, int day) {
    return log::Weekday(log::DayNumber(year, month, day));
}

// The index of the first window in force at `weekday` and `minute` since
// midnight, or -1 outside every window.
int WindowInForce(const std::vector<ScheduleWindow>& windows, int weekday, int minute);

}  // namespace dormix::monitor
