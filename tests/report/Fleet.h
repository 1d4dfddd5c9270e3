#pragma once
// Machines with known days, written as the programs write them: the text
// log through the core's own formatter, the journal's JSON export and the
// Windows event export with the fields and insertion strings the mirrors
// send. The tests read them back; the benchmark writes a year of 300.

#include <cstdint>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "report/FleetTable.h"

namespace dormix::report::testing {

struct ScriptEntry {
    std::int64_t local;  // seconds, local time
    std::string_view action, detail;
    int count = 0;
    bool test = false;
};
struct ScriptFailure {
    std::int64_t local;
    std::uint16_t id;
    std::string title, text;
};

struct MachineScript {
    std::string name;
    Stream stream = Stream::Program;
    std::vector<ScriptEntry> entries;
    std::vector<ScriptFailure> failures;  // reach the system's log only
    std::int64_t utcOffset = 3600;        // the machine's zone
    // A daylight-saving change: from this local second on, `offsetAfter`.
    std::int64_t offsetChange = INT64_MAX, offsetAfter = 0;
    std::int64_t OffsetAt(std::int64_t local) const {
        return local < offsetChange ? utcOffset : offsetAfter;
    }
    bool french = false;  // months as a French system writes them
};

// How each day of a script ends.
// Locked: a lock refuses the request at 18:01, its release brings the
// power-off at 18:06. Away: not switched on that day (a weekend), no entry.
// FullCount: a countdown ended at its full count with no wait logged before
// it (another user, or a hold in an older log). LogOff: the session ends
// at 17:00, before the limit. Hibernate, Sleep: the administrator's action
// at 18:01, the wake-up at 08:00 the next working morning.
enum class DayPlan {
    Off,
    WatchOff,
    Cancelled,
    Held,
    OtherUser,
    Refused,
    Locked,
    Exit,
    Busy,
    Away,
    FullCount,
    LogOff,
    Hibernate,
    Sleep
};
// A machine's days from `firstDay`, one plan a day; a day after an "Exit"
// day writes nothing.
MachineScript Script(std::string name, std::int32_t firstDay, const std::vector<DayPlan>& plans);

void WriteTextLog(const std::filesystem::path& root, const MachineScript& machine);
void WriteJournal(std::ostream& out, const MachineScript& machine);
void WriteEvents(std::ostream& out, const MachineScript& machine);

// The known fleet of the tests, from Monday 2026-11-02, two weeks:
//   pc-off      off every night at 18:01 (text log and journal: each entry twice)
//   pc-watch    the watch switches it off at 19:00 (watch log and event export)
//   pc-cancel   cancelled each evening (journal, French months)
//   pc-held     held each evening by a film (text log; holder in the journal)
//   pc-other    another user each evening (event export)
//   pc-refused  power-off refused each evening (text log; refusal in the event export)
//   pc-exit     the program ended on day 3, never back (text log)
//   pc-gone     entries only in October, its log stopping with it running (text log)
inline constexpr int KnownDays = 14;
std::int32_t KnownFirstDay();
// Writes the known fleet below `root`: logs/<machine>/..., journal.json, events.xml.
void WriteKnownFleet(const std::filesystem::path& root);

// A busy, varied machine for the benchmark: about 18 entries a day.
MachineScript BusyMachine(std::string name, std::int32_t firstDay, int days, unsigned seed);

}  // namespace dormix::report::testing
