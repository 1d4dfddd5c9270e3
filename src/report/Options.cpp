#include "report/Options.h"

#include <cmath>
#include <cstdlib>

#include "report/Calendar.h"

namespace dormix::report {
namespace {

bool Amount(const std::string& text, double& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return end && *end == '\0' && std::isfinite(value) && value >= 0 && value < 1e9;
}

}  // namespace

std::string HelpText() {
    return R"(Usage: dormix-report [OPTION]... SOURCE...
A picture of a room of machines from the entries Dormix Lite and its system
watch wrote: the hours they were off thanks to the program, what that saved,
and which machines never switched off and why. Writes one self-contained
HTML page (no script, no network) and, on request, a CSV table.

SOURCE is any mix of:
  a folder    a tree of collected text logs, one machine a folder named for
              it directly below, with DormixL.log and DormixWatch.log in it or
              in folders below it (Log, a user's); the folder is the room;
              *.json and *.xml
              files in the tree are read as the exports below
  a file      a text log (its machine is its folder's name, a Log folder
              passed over), a journal export
              (journalctl -o json; the machine from _HOSTNAME), or a Windows
              event export (wevtutil qe Application /f:xml, or ForwardedEvents;
              the machine from Computer)
Links in a folder are followed only within that folder's own tree; one that
leads out of it is counted and not read. An empty file is counted, never a
machine. The same entry reached twice (the file and the journal of one
machine) counts once.

Options:
  --from DATE       first day of the period, YYYY-MM-DD
                    (default: the day of the earliest entry)
  --to DATE         last day of the period, YYYY-MM-DD, included
                    (default: the day of the latest entry; a day after
                    today ends the period today, and a machine still off
                    is counted off until the report runs)
  --watts-on W      what a running machine draws, in watts (default 110)
  --watts-off W     what a machine switched off draws, in watts (default 1);
                    a hibernated one draws the same
  --watts-sleep W   what a machine asleep draws, in watts (default 2)
  --price P         price of a kWh, in your currency (default 0.30)
  --co2 KG          kg of CO2 per kWh (default 0.4)
  --out FILE        the HTML page (default report.html)
  --csv FILE        also write the per-machine-per-day table as CSV
                    (default: none)
  --help            this text

Exit status: 0 with a page written, 1 when no source could be read, 2 for a
command line it cannot use. Every problem in the sources (unreadable lines,
cut-off files, clocks that jump back, ...) is counted on the page and said on
stderr.
)";
}

Parsed ParseArguments(const std::vector<std::string>& args, Options& o, std::string& error) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i], value;
        if (name == "--help" || name == "-h") return Parsed::Help;
        if (name.size() < 2 || name.substr(0, 2) != "--") {
            o.sources.push_back(name);
            continue;
        }
        if (name == "--") {
            o.sources.insert(o.sources.end(), args.begin() + std::ptrdiff_t(i) + 1, args.end());
            break;
        }
        const std::size_t eq = name.find('=');
        if (eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.resize(eq);
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            error = name + " needs a value";
            return Parsed::Bad;
        }
        std::int32_t day = 0;
        double amount = 0;
        if (name == "--from" || name == "--to") {
            if (!ParseIsoDate(value, day)) {
                error = name + " " + value + ": not a date of the form YYYY-MM-DD";
                return Parsed::Bad;
            }
            if (day < DayNumber(2000, 1, 1)) {
                error = name + " " + value + ": the log's years begin at 2000";
                return Parsed::Bad;
            }
            (name == "--from" ? o.from : o.to) = day;
        } else if (name == "--watts-on" || name == "--watts-off" || name == "--watts-sleep" ||
                   name == "--price" || name == "--co2") {
            if (!Amount(value, amount)) {
                error = name + " " + value + ": not a number of 0 or more";
                return Parsed::Bad;
            }
            (name == "--watts-on"      ? o.wattsOn
             : name == "--watts-off"   ? o.wattsOff
             : name == "--watts-sleep" ? o.wattsSleep
             : name == "--price"       ? o.price
                                       : o.co2) = amount;
        } else if (name == "--out" || name == "--csv") {
            if (value.empty()) {
                error = name + " needs a file name";
                return Parsed::Bad;
            }
            (name == "--out" ? o.out : o.csv) = value;
        } else {
            error = "unknown option " + name;
            return Parsed::Bad;
        }
    }
    if (o.sources.empty()) {
        error = "no SOURCE given: name the folders or files to read";
        return Parsed::Bad;
    }
    if (o.from && o.to && *o.from > *o.to) {
        error = "--from " + IsoDate(*o.from) + " is after --to " + IsoDate(*o.to);
        return Parsed::Bad;
    }
    if (o.from && o.to && *o.to - *o.from > 3660) {
        error = "a period of at most ten years, please";
        return Parsed::Bad;
    }
    if (o.wattsOff > o.wattsOn || o.wattsSleep > o.wattsOn) {
        error = std::string(o.wattsOff > o.wattsOn ? "--watts-off" : "--watts-sleep") +
                " is more than --watts-on: switching off would cost energy";
        return Parsed::Bad;
    }
    return Parsed::Run;
}

Parsed FitToToday(Options& options, std::int32_t today, std::string& message) {
    if (options.from && *options.from > today) {
        message = "--from " + IsoDate(*options.from) + " is after today (" + IsoDate(today) +
                  "): nothing can have been written yet";
        return Parsed::Bad;
    }
    if (options.to && *options.to > today) {
        message = "--to " + IsoDate(*options.to) + " is after today; the period ends today, " +
                  IsoDate(today);
        options.to = today;
    }
    return Parsed::Run;
}

}  // namespace dormix::report
