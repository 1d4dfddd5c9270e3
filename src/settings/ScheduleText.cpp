// The schedule's lines as an administrator writes them:
//   Mon-Fri 08:00-18:00 3600    Sat,Sun 00:00-24:00 600    Mon-Thu 22:00-06:00 never
#include <algorithm>
#include <cctype>
#include <charconv>
#include <string>
#include <string_view>
#include <vector>

#include "settings/Settings.h"

namespace dormix::settings {

namespace {

constexpr std::string_view Days[] = {"mon", "tue", "wed", "thu", "fri", "sat", "sun"};
constexpr std::string_view DayList = "(Mon, Tue, Wed, Thu, Fri, Sat, Sun)";
constexpr std::string_view Never = "never";

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = char(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::vector<std::string_view> Split(std::string_view text, std::string_view at) {
    std::vector<std::string_view> parts;
    while (true) {
        const auto next = text.find_first_of(at);
        parts.push_back(text.substr(0, next));
        if (next == std::string_view::npos) return parts;
        text.remove_prefix(next + 1);
    }
}

std::string Quote(std::string_view s) { return "\"" + Quoted(s) + "\""; }

int DayIndex(std::string_view name) {
    const std::string lower = Lower(name);
    for (int i = 0; i < 7; ++i)
        if (lower == Days[i]) return i;
    return -1;
}

// "Mon-Fri,Sun": each day or range of days, a range running past Sunday
// into the next week ("Fri-Mon").
std::string ReadDays(std::string_view text, std::uint8_t& days) {
    for (std::string_view item : Split(text, ",")) {
        const std::vector<std::string_view> ends = Split(item, "-");
        if (ends.size() > 2) return Quote(item) + " is no day or range of days";
        const int first = DayIndex(ends.front()), last = DayIndex(ends.back());
        if (first < 0) return Quote(ends.front()) + " is no day " + std::string(DayList);
        if (last < 0) return Quote(ends.back()) + " is no day " + std::string(DayList);
        for (int d = first;; d = (d + 1) % 7) {
            days |= std::uint8_t(1u << d);
            if (d == last) break;
        }
    }
    return {};
}

// "HH:MM" from 00:00 to 24:00 as minutes since midnight; -1 when it is none.
int Minutes(std::string_view text) {
    const auto colon = text.find(':');
    if (colon == std::string_view::npos || colon == 0 || colon > 2 || text.size() != colon + 3)
        return -1;
    if (!std::all_of(text.begin(), text.end(), [](char c) {
            return c == ':' || std::isdigit(static_cast<unsigned char>(c));
        }))
        return -1;
    int hours = 0, minutes = 0;
    std::from_chars(text.data(), text.data() + colon, hours);
    std::from_chars(text.data() + colon + 1, text.data() + text.size(), minutes);
    if (minutes > 59 || hours > 24 || (hours == 24 && minutes > 0)) return -1;
    return hours * 60 + minutes;
}

std::string ReadTimes(std::string_view text, monitor::ScheduleWindow& window) {
    const std::vector<std::string_view> ends = Split(text, "-");
    if (ends.size() != 2) return Quote(text) + " is no start and end (HH:MM-HH:MM)";
    const int start = Minutes(ends[0]);
    int end = Minutes(ends[1]);
    if (start < 0 || start == monitor::MinutesPerDay)
        return Quote(ends[0]) + " is no time of day (00:00-23:59)";
    if (end < 0) return Quote(ends[1]) + " is no end of a window (00:00-24:00)";
    // An end at 00:00 is midnight, as 24:00 is: "Mon-Fri 18:00-00:00".
    if (end == 0) end = monitor::MinutesPerDay;
    if (start == end) return "it starts and ends at " + std::string(ends[0]);
    window.start = std::int16_t(start);
    window.end = std::int16_t(end);
    return {};
}

// 60 to 9999 seconds, as IdleLimitSeconds; or `never`. Out of range is
// never moved into range: a limit cut to fit would switch off sooner than
// the line meant. A limit above 9999 is one the count can never reach, so
// the window keeps it as `never` (said in `note`), and so does a limit that
// is no number at all ("nevr", "1h"): whatever the line meant, it was not
// the shorter limit outside it. One below 60 is ignored, and the limit
// outside every window, at least 60, is later still.
std::string ReadLimit(std::string_view text, monitor::ScheduleWindow& window, std::string* note) {
    if (Lower(text) == Never) {
        window.limit = monitor::NoIdleLimit;
        return {};
    }
    const bool digits = !text.empty() && text.find_first_not_of("0123456789") == text.npos;
    if (!digits) {
        window.limit = monitor::NoIdleLimit;
        if (note)
            *note = Quote(text) + " is no idle limit (60-9999 s, or never): the window keeps " +
                    "the computer on, as never";
        return {};
    }
    if (digits && text.find_first_not_of('0') != text.npos &&
        text.size() - std::min(text.find_first_not_of('0'), text.size()) > 4) {
        window.limit = monitor::NoIdleLimit;
        if (note)
            *note = Quote(text) + " is more than the count can reach (9999 s): the window keeps " +
                    "the computer on, as never";
        return {};
    }
    std::int32_t seconds = 0;
    if (!CheckValue(Table[0], Table[0].name, text, seconds).empty())
        return Quote(text) + " is no idle limit (60-9999 s, or never)";
    window.limit = std::int16_t(seconds);
    return {};
}

}  // namespace

std::string ReadWindow(std::string_view text, monitor::ScheduleWindow& window, std::string* note) {
    std::vector<std::string_view> fields;
    for (std::string_view f : Split(text, " \t"))
        if (!f.empty()) fields.push_back(f);
    if (fields.size() != 3) return "not DAYS HH:MM-HH:MM LIMIT (as Mon-Fri 08:00-18:00 3600)";
    monitor::ScheduleWindow read;
    std::string why = ReadDays(fields[0], read.days);
    if (why.empty()) why = ReadTimes(fields[1], read);
    if (why.empty()) why = ReadLimit(fields[2], read, note);
    if (!why.empty()) return why;
    window.days = read.days;
    window.start = read.start;
    window.end = read.end;
    window.limit = read.limit;
    return {};
}

}  // namespace dormix::settings
