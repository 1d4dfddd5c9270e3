#pragma once
// The command line of dormix-report / DormixReport.exe.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace dormix::report {

struct Options {
    std::optional<std::int32_t> from, to;  // day numbers, inclusive
    double wattsOn = 110, wattsOff = 1;    // a running machine, and one switched off
    double wattsSleep = 2;                 // one asleep (hibernated counts as off)
    double price = 0.30;                   // money per kWh
    double co2 = 0.4;                      // kg per kWh
    std::string out = "report.html", csv;
    std::vector<std::string> sources;
};

enum class Parsed { Run, Help, Bad };
Parsed ParseArguments(const std::vector<std::string>& arguments, Options& options,
                      std::string& error);
std::string HelpText();
// The period against the day the report runs: a --from after `today` is
// refused (Bad, the reason in `message`); a --to after it becomes `today`,
// said in `message`, so no day to come reads as "stayed off".
Parsed FitToToday(Options& options, std::int32_t today, std::string& message);

// `sleepSeconds`: the part of `offSeconds` the machines spent asleep.
inline double Kwh(const Options& o, std::int64_t offSeconds, std::int64_t sleepSeconds = 0) {
    return (double(offSeconds - sleepSeconds) * (o.wattsOn - o.wattsOff) +
            double(sleepSeconds) * (o.wattsOn - o.wattsSleep)) /
           3600.0 / 1000.0;
}

}  // namespace dormix::report
