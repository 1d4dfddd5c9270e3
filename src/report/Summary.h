#pragma once
// The rules, applied to the table once everything is read: the hours each
// machine was off thanks to the program, what happened at the limit each
// day, and why the machines that never switched off stayed on.

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "report/FleetTable.h"
#include "report/Health.h"

namespace dormix::report {

// What a machine's day (and the night after it) came to, for the grid.
enum class Night : std::uint8_t {
    NoEntries,  // nothing from the machine that day
    Off,        // switched off by the program or the watch
    StayedOff,  // off all day since an earlier power-off
    Refused,    // the system refused the power-off
    Cancelled,  // the last countdown was cancelled: someone was there
    OtherUser,  // another user's session kept it on
    Held,       // a program's hold kept it on
    Exited,     // the program ended and did not start again that day
    NeverIdle,  // running, but never idle for the limit
};
inline constexpr std::size_t NightKinds = 9;

struct DayTotals {
    std::int64_t offSeconds = 0;
    std::int64_t sleepSeconds = 0;  // the part of offSeconds spent asleep
    // On with nobody there: from a wait at the limit (another user, a hold,
    // a lock) or a refused power-off to the machine's next entry.
    std::int64_t idleOnSeconds = 0;
    std::uint32_t countdowns = 0, cancelled = 0, endedByOther = 0, otherUserWaits = 0,
                  heldWaits = 0, holdsExpired = 0, refused = 0, powerOffs = 0, starts = 0,
                  exits = 0, entries = 0;
    // Of the powerOffs, the requests to hibernate and to sleep.
    std::uint32_t hibernates = 0, sleeps = 0;
    Night night = Night::NoEntries;
    void Add(const DayTotals& other);
};

// Why a machine never switched off in the period.
enum class Cause : std::uint8_t {
    None,  // it did switch off
    NoEntries,
    Stopped,  // no entries after a date
    ExitedForGood,
    Refused,
    Cancelled,
    OtherUser,  // or a program's hold, where the log cannot tell which
    Held,
    LoggedOff,  // the program ended (a log-off, a shutdown) before the limit each evening
    NeverIdle,
};

struct MachineSummary {
    std::string name, room;
    std::vector<DayTotals> days;  // one per day of the period
    DayTotals total;
    Cause cause = Cause::None;
    std::string causeText;
    std::int32_t lastDaySeen = INT32_MIN;
    std::uint8_t routes = 0;
    std::map<std::string, std::uint32_t> holders, errors;
};

struct Summary {
    std::int32_t firstDay = 0, lastDay = -1;  // the period, inclusive
    std::vector<MachineSummary> machines;     // by name
    std::array<std::int64_t, 24> hourSeconds{};
    DayTotals total;
    std::array<std::uint64_t, NightKinds> nights{};
    std::size_t covered = 0, neverOff = 0;
    std::map<std::uint16_t, std::uint64_t> failures;
    std::uint64_t entries = 0, testEntries = 0, outside = 0;
    std::int32_t Days() const { return lastDay - firstDay + 1; }
};

// Without --from, the period reaches back at most this far from its last day.
inline constexpr std::int32_t LongestDefaultPeriod = 3 * 366;
// A refusal counts against a power-off request this close to it.
inline constexpr std::int64_t RefusalWindow = 600;

// Applies the rules; the table's marks are released machine by machine.
Summary Summarise(FleetTable& table, Health& health);

std::string_view NightName(Night night);

}  // namespace dormix::report
