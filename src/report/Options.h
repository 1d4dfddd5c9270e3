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
    double price = 0.30;                   // money per kWh
    double co2 = 0.4;                      // kg per kWh
    std::string out = "report.html", csv;
    std::vector<std::string> sources;
};

enum class Parsed { Run, Help, Bad };
Parsed ParseArguments(const std::vector<std::string>& arguments, Options& options,
                      std::string& error);
std::string HelpText();

inline double Kwh(const Options& o, std::int64_t offSeconds) {
    return double(offSeconds) / 3600.0 * (o.wattsOn - o.wattsOff) / 1000.0;
}

}  // namespace dormix::report
