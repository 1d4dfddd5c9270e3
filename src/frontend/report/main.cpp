// dormix-report (Linux) and DormixReport.exe (Windows): the same console
// program over the portable report. Only here is the day of the run read,
// to leave out entries from clocks set into the future.
#include <ctime>
#include <fstream>
#include <iostream>

#include "report/Calendar.h"
#include "report/FleetTable.h"
#include "report/Options.h"
#include "report/Sources.h"
#include "report/Summary.h"
#include "report/Writers.h"

namespace {

// The local time the report runs at, in seconds; 0 when the system has none.
std::int64_t Now() {
    const std::time_t now = std::time(nullptr);
    const std::tm* local = std::localtime(&now);
    if (!local) return 0;
    return std::int64_t(dormix::report::DayNumber(local->tm_year + 1900, local->tm_mon + 1,
                                                  local->tm_mday)) *
               86400 +
           local->tm_hour * 3600 + local->tm_min * 60 + local->tm_sec;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace dormix::report;
    std::ios::sync_with_stdio(false);
    Options options;
    std::string error;
    switch (ParseArguments(std::vector<std::string>(argv + 1, argv + argc), options, error)) {
        case Parsed::Help:
            std::cout << HelpText();
            return 0;
        case Parsed::Bad:
            std::cerr << "dormix-report: " << error << "\nTry 'dormix-report --help'.\n";
            return 2;
        case Parsed::Run:
            break;
    }
    const std::int64_t now = Now();
    const std::int32_t today = now ? std::int32_t(now / 86400) : INT32_MAX - 1;
    if (FitToToday(options, today, error) == Parsed::Bad) {
        std::cerr << "dormix-report: " << error << "\nTry 'dormix-report --help'.\n";
        return 2;
    }
    if (!error.empty()) std::cerr << "dormix-report: " << error << '\n';
    Health health(&std::cerr);
    FleetTable table(options.from, options.to, today + 1, now ? now : INT64_MAX);
    const SourceCount sources = ReadSources(options.sources, table, health);
    if (!sources.opened) {
        health.Summary(std::cerr);
        std::cerr << "dormix-report: no source could be read; no page written\n";
        return 1;
    }
    const Summary summary = Summarise(table, health);
    std::ofstream page(options.out, std::ios::binary);
    if (page) WriteHtml(page, summary, health, options);
    if (!page.flush()) {
        std::cerr << "dormix-report: cannot write " << options.out << '\n';
        return 1;
    }
    if (!options.csv.empty()) {
        std::ofstream csv(options.csv, std::ios::binary);
        if (csv) WriteCsv(csv, summary, options);
        if (!csv.flush()) {
            std::cerr << "dormix-report: cannot write " << options.csv << '\n';
            return 1;
        }
    }
    health.Summary(std::cerr);
    std::cerr << "dormix-report: " << options.out << ": " << summary.machines.size()
              << " machines, " << IsoDate(summary.firstDay) << " to " << IsoDate(summary.lastDay)
              << ", " << Figure(double(summary.total.offSeconds) / 3600.0, 1) << " hours off, "
              << summary.neverOff << " never off\n";
    return 0;
}
