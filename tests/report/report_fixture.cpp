// Writes a fleet for the report: report_fixture DIR known, or
// report_fixture DIR MACHINES DAYS [text|journal|events] (busy machines from
// 2025-01-06: a text log each, or all in DIR/journal.json or DIR/events.xml).
#include <cstdlib>
#include <filesystem>
#include <fstream>
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
    const std::string form = argc == 5 ? argv[4] : "text";
    if ((argc != 4 && argc != 5) || (form != "text" && form != "journal" && form != "events")) {
        std::cerr << "usage: report_fixture DIR known | report_fixture DIR MACHINES DAYS "
                     "[text|journal|events]\n";
        return 2;
    }
    const std::filesystem::path dir(argv[1]);
    std::filesystem::create_directories(dir);
    std::ofstream out;
    if (form != "text")
        out.open(dir / (form == "journal" ? "journal.json" : "events.xml"), std::ios::binary);
    const int machines = std::atoi(argv[2]), days = std::atoi(argv[3]);
    for (int i = 0; i < machines; ++i) {
        const std::string name = "lab-" + std::to_string(1000 + i).substr(1);
        const testing::MachineScript m =
            testing::BusyMachine(name, DayNumber(2025, 1, 6), days, 7u + unsigned(i));
        if (form == "text")
            testing::WriteTextLog(dir, m);
        else if (form == "journal")
            testing::WriteJournal(out, m);
        else
            testing::WriteEvents(out, m);
    }
    return out.is_open() && !out.flush() ? 1 : 0;
}
