#pragma once

#include <cstdint>
#include <string>

namespace dormix::log {

struct LocalTime {
    int year = 2000, month = 1, day = 1;  // month 1..12
    int hour = 0, minute = 0, second = 0;
    std::string monthAbbreviation;  // as the user's locale spells it
};

// Days since 1970-01-01 of a date of the Gregorian calendar (Howard
// Hinnant's days_from_civil), and the weekday of such a day, Monday 0 ..
// Sunday 6.
constexpr std::int32_t DayNumber(int y, int m, int d) {
    y -= m <= 2;
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = y - era * 400;
    const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}
constexpr int Weekday(std::int32_t dayNumber) { return int(((dayNumber % 7) + 7 + 3) % 7); }

class Clock {
  public:
    virtual ~Clock() = default;
    virtual LocalTime Now() = 0;
};

}  // namespace dormix::log
