#pragma once
// The command's SOURCE arguments: folder trees of collected logs (one
// machine a folder, named for it), single text logs, journal exports and
// Windows event exports, told apart by name and, for a file named
// directly, by its first character.

#include <cstdint>
#include <string>
#include <vector>

#include "report/FleetTable.h"
#include "report/Health.h"

namespace dormix::report {

struct SourceCount {
    std::uint64_t opened = 0, failed = 0;
};

SourceCount ReadSources(const std::vector<std::string>& sources, FleetTable& table, Health& health);

}  // namespace dormix::report
