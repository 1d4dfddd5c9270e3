#pragma once
// The three forms the entries reach a collector in, each read into the
// table with the core's own reading of the log line: the text log itself,
// the journal's JSON export (journalctl -o json) and the Windows event
// export (wevtutil qe ... /f:xml, the forwarded events included).

#include <cstdint>
#include <istream>
#include <optional>
#include <string_view>

#include "report/FleetTable.h"
#include "report/Health.h"

namespace dormix::report {

// No entry is longer than this, in any locale; a journal or event record of
// ours is far below the record limit.
inline constexpr std::size_t LineLimit = 256;
inline constexpr std::size_t RecordLimit = 64 * 1024;

void ReadTextLog(std::istream& in, std::string_view where, std::size_t machine, Stream stream,
                 FleetTable& table, Health& health);
void ReadJournal(std::istream& in, std::string_view where, FleetTable& table, Health& health);
void ReadEventXml(std::istream& in, std::string_view where, FleetTable& table, Health& health);

// A failure the system's log carries (event ids 100 and up): a refused
// power-off, a holder's name, or another failure to count.
void TakeFailure(FleetTable& table, std::size_t machine, Stream stream, std::uint16_t eventId,
                 std::string_view text, std::optional<std::int64_t> utc);

}  // namespace dormix::report
