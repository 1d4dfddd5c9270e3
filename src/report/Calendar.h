#pragma once
// Days and seconds of the machines' local time, counted from 1970-01-01 as
// if it were UTC: the log's stamps are local, and the report keeps them so.

#include <cstdint>
#include <string>
#include <string_view>

#include "log/Clock.h"

namespace dormix::report {

struct Date {
    int year = 1970, month = 1, day = 1;
};

using log::DayNumber;
using log::Weekday;
Date DateOf(std::int32_t dayNumber);
inline std::int64_t Seconds(const log::LocalTime& t) {
    return std::int64_t(DayNumber(t.year, t.month, t.day)) * 86400 + t.hour * 3600 + t.minute * 60 +
           t.second;
}
// "2026-12-06"
std::string IsoDate(std::int32_t dayNumber);
// "2026-12-06" to a day number; false when it is no such date.
bool ParseIsoDate(std::string_view text, std::int32_t& dayNumber);
// "2026-12-06T11:03:52.1234567Z", "...+01:00" or "...Z" with no fraction, to
// UTC seconds; false when it is none of these.
bool ParseIsoTime(std::string_view text, std::int64_t& seconds);

}  // namespace dormix::report
