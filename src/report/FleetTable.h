#pragma once
// The one table the report keeps while it reads: per machine, per day, the
// distinct entries of that day as 8-byte marks (second of the day, kind,
// count, which program wrote it). A mark is its own key, so the same entry
// reached by two routes (the file and the journal of one machine) is kept
// once; no line text is kept.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "log/LogFormat.h"
#include "log/SystemLog.h"

namespace dormix::report {

// Which program wrote an entry: the tray program or the system watch.
enum class Stream : std::uint8_t { Program = 0, Watch = 1 };
// How an entry reached the report.
enum Route : std::uint8_t { TextLog = 1, Journal = 2, EventLog = 4 };

struct Mark {
    static constexpr std::uint8_t Watch = 1;      // written by the system watch
    static constexpr std::uint8_t Countdown = 2;  // its detail is the countdown's action
    static constexpr std::uint8_t Hibernate = 4;  // ... and that action is hibernation
    static constexpr std::uint8_t Sleep = 8;      // ... or sleep
    std::uint32_t second;                         // of the day, local time
    std::uint8_t event;                           // log::SystemEvent of the entry's two words
    std::uint8_t flags;
    std::int16_t count;
    auto operator<=>(const Mark&) const = default;
};

struct DayMarks {
    std::vector<Mark> marks;
    std::uint8_t routes = 0;
};

// A power-off the system refused, known only from the system's log, which
// stamps it in UTC; placed in local time once the machine's offset is known.
struct Refusal {
    std::int64_t utc;
    std::uint8_t stream;
};

struct MachineLog {
    std::string name;
    // The room: a host name's domain, or the folder above a text log's
    // machine folder within the source; empty where neither tells.
    std::string room;
    std::map<std::int32_t, DayMarks> days;
    // The last day with entries before the period, and its marks: enough to
    // know whether the machine was off when the period began.
    std::int32_t dayBefore = INT32_MIN;
    DayMarks before;
    std::vector<Refusal> refusals;
    std::map<std::string, std::uint32_t> holders, errors;  // a few names each, counted
    // The countdown's length as the settings in force said it (event 131).
    std::optional<int> countdown, holdLimit;
    // Local minus UTC, in seconds, from each UTC second on where it changed
    // (a daylight-saving change): learnt from entries that carry both.
    std::map<std::int64_t, std::int64_t> offsets;
    // The offset in force at `utc`, or at the first entry that told it.
    std::optional<std::int64_t> OffsetAt(std::int64_t utc) const;
    // The offset in force at local time `local`.
    std::optional<std::int64_t> OffsetAtLocal(std::int64_t local) const;
    std::int32_t firstDaySeen = INT32_MAX, lastDaySeen = INT32_MIN;  // in or out of the period
    std::uint8_t routes = 0;
};

class Health;

// `name` in lower case where the script has cases: ASCII, Latin-1, Latin
// Extended-A, Greek and Cyrillic; other bytes as they are.
std::string Folded(std::string_view name);

class FleetTable {
  public:
    static constexpr std::size_t NamesKept = 8;
    // Entries after `latestDay` (tomorrow, when the report runs) come from
    // a clock set wrong and are left out; `now` (local seconds) is when the
    // report runs: a machine still off then is counted off until then.
    FleetTable(std::optional<std::int32_t> fromDay = {}, std::optional<std::int32_t> toDay = {},
               std::int32_t latestDay = INT32_MAX, std::int64_t now = INT64_MAX)
        : from_(fromDay), to_(toDay), latest_(latestDay), now_(now) {}

    // The machine of that name: names are compared without case, in any
    // script ("Raum-Müller-PC01" is "raum-müller-pc01"), and with their
    // domain, which names a room ("pc01.room-a.lab" is not "pc01.room-b.lab").
    std::size_t Machine(std::string_view name);
    // After reading: a short name (a folder's, "pc01") joins the one full
    // host name that begins with it ("pc01.room-a.lab"), the same machine
    // reached by another route; a short name that several begin with stays
    // apart, with a warning.
    void JoinShortNames(Health& health);
    // Test runs' entries are left out: they never power off.
    void Entry(std::size_t machine, Stream stream, Route route, const log::ParsedEntry& entry);
    // The same moment as the log's stamp and as the system's UTC stamp.
    void Offset(std::size_t machine, std::int64_t localSeconds, std::int64_t utcSeconds);
    void Refused(std::size_t machine, Stream stream, std::int64_t utcSeconds,
                 std::string_view error);
    void Holder(std::size_t machine, std::string_view who);
    void Room(std::size_t machine, std::string_view room);
    void Countdown(std::size_t machine, int seconds) { machines_[machine].countdown = seconds; }
    void HoldLimit(std::size_t machine, int seconds) { machines_[machine].holdLimit = seconds; }
    // Failures the system's log reports other than refusals, by event id.
    void Failure(std::uint16_t eventId) { ++failures_[eventId]; }

    std::vector<MachineLog>& Machines() { return machines_; }
    const std::vector<MachineLog>& Machines() const { return machines_; }
    const std::map<std::uint16_t, std::uint64_t>& Failures() const { return failures_; }
    std::optional<std::int32_t> From() const { return from_; }
    std::optional<std::int32_t> To() const { return to_; }
    std::int32_t Latest() const { return latest_; }
    std::int64_t Now() const { return now_; }
    // Entries kept, entries left out as test runs or outside the period.
    std::uint64_t kept = 0, testEntries = 0, outside = 0, future = 0;

  private:
    std::optional<std::int32_t> from_, to_;
    std::int32_t latest_;
    std::int64_t now_;
    std::vector<MachineLog> machines_;
    std::unordered_map<std::string, std::size_t> index_;
    std::string key_;
    // The day last written to: a file's entries come in runs of one day.
    std::size_t lastMachine_ = SIZE_MAX;
    std::int32_t lastDay_ = 0;
    DayMarks* lastMarks_ = nullptr;
    std::map<std::uint16_t, std::uint64_t> failures_;
};

}  // namespace dormix::report
