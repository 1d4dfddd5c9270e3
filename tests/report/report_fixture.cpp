// Writes a fleet for the report: report_fixture DIR known, or
// report_fixture DIR MACHINES DAYS (busy machines' text logs, from 2025-01-06).
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>

#include "Fleet.h"
#include "report/Calendar.h"

int main(int argc, char** argv) {
    using namespace dormix::report;
    if (argc == 3 && std::string(argv[2]) == "known") {
        testing::WriteKnownFleet(argv[1]);
        return 0;
    }
    if (argc != 4) {
        std::cerr << "usage: report_fixture DIR known | report_fixture DIR MACHINES DAYS\n";
        return 2;
    }
    const int machines = std::atoi(argv[2]), days = std::atoi(argv[3]);
    for (int i = 0; i < machines; ++i) {
        const std::string name = "lab-" + std::to_string(1000 + i).substr(1);
        testing::WriteTextLog(
            std::filesystem::path(argv[1]),
            testing::BusyMachine(name, DayNumber(2025, 1, 6), days, 7u + unsigned(i)));
    }
    return 0;
}
