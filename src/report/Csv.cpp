#include <cstdio>

#include "report/Calendar.h"
#include "report/Writers.h"

namespace dormix::report {
namespace {

// A name as a CSV field: quoted when it must be, and never read by a
// spreadsheet as a formula.
std::string Field(const std::string& text) {
    std::string value;
    if (!text.empty() && (text[0] == '=' || text[0] == '+' || text[0] == '-' || text[0] == '@'))
        value += '\'';
    value += text;
    if (value.find_first_of(",\"\r\n") == std::string::npos) return value;
    std::string quoted = "\"";
    for (char c : value) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

std::string Decimal(double value, int decimals) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    return buffer;
}

}  // namespace

void WriteCsv(std::ostream& out, const Summary& s, const Options& o) {
    out << "machine,date,night,hours_off,kwh_saved,money_saved,kg_co2_saved,power_offs,"
           "countdowns,cancelled,ended_by_other_user,other_user_waits,held_waits,holds_expired,"
           "refused,starts,exits,entries\r\n";
    for (const MachineSummary& m : s.machines) {
        for (std::size_t i = 0; i < m.days.size(); ++i) {
            const DayTotals& d = m.days[i];
            const double kwh = Kwh(o, d.offSeconds, d.sleepSeconds);
            out << Field(m.name) << ',' << IsoDate(s.firstDay + std::int32_t(i)) << ','
                << NightName(d.night) << ',' << Decimal(d.offSeconds / 3600.0, 2) << ','
                << Decimal(kwh, 3) << ',' << Decimal(kwh * o.price, 2) << ','
                << Decimal(kwh * o.co2, 3) << ',' << d.powerOffs << ',' << d.countdowns << ','
                << d.cancelled << ',' << d.endedByOther << ',' << d.otherUserWaits << ','
                << d.heldWaits << ',' << d.holdsExpired << ',' << d.refused << ',' << d.starts
                << ',' << d.exits << ',' << d.entries << "\r\n";
        }
    }
}

}  // namespace dormix::report
