// Log entries from arbitrary words, counts and times: always one line of the
// fixed layout, whatever the caller passes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "log/LogFormat.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 8) return 0;
    std::int16_t count;
    std::memcpy(&count, data, 2);
    const bool mark = data[2] & 1;
    dormix::log::LocalTime t{1900 + data[3], 1 + data[4] % 12, 1 + data[5] % 31,
                             data[6] % 24, data[7] % 60, data[3] % 60, "Dec"};
    const std::string rest(reinterpret_cast<const char*>(data + 8), size - 8);
    const std::size_t cut = rest.find('\0');
    const std::string action = rest.substr(0, cut);
    const std::string detail = cut == std::string::npos ? "" : rest.substr(cut + 1);

    const std::string line = dormix::log::FormatEntry(t, action, detail, mark, count);
    if (line.size() != 54) std::abort();
    if (line.compare(18, 2, ", ") != 0 || line.compare(30, 2, ", ") != 0) std::abort();
    if (line.compare(42, 8, ", Count:") != 0) std::abort();
    if (line[20] != (mark ? '*' : ' ')) std::abort();
    const std::string full = std::to_string(count);
    const std::string shown = line.substr(50);
    if (full.size() >= 4 ? shown != full.substr(full.size() - 4)
                         : shown != std::string(4 - full.size(), ' ') + full)
        std::abort();
    return 0;
}
