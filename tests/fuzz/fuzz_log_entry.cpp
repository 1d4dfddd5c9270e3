// Log entries from arbitrary words, counts and times, and months as locales
// abbreviate them: always one line of the fixed layout, whatever the caller
// passes. Only the time stamp's length follows the month (bytes, in UTF-8);
// the 36 bytes after it never change.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "log/LogFormat.h"

namespace {

// English, French, German and Japanese abbreviations of March, July and December.
const char* const Months[] = {"Mar",      "Jul", "Dec",      "mars",     "juil.",   "d\u00e9c.",
                              "M\u00e4r", "Dez", " 3\u6708", " 7\u6708", "12\u6708"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 8) return 0;
    std::int16_t count;
    std::memcpy(&count, data, 2);
    const bool mark = data[2] & 1;
    const char* month = Months[data[4] % (sizeof Months / sizeof *Months)];
    const dormix::log::LocalTime t{1900 + data[3], 1 + data[4] % 12, 1 + data[5] % 31,
                                   data[6] % 24,   data[7] % 60,     data[3] % 60,
                                   month};
    const std::string rest(reinterpret_cast<const char*>(data + 8), size - 8);
    const std::size_t cut = rest.find('\0');
    const std::string action = rest.substr(0, cut);
    const std::string detail = cut == std::string::npos ? "" : rest.substr(cut + 1);

    const std::string line = dormix::log::FormatEntry(t, action, detail, mark, count);
    const std::size_t s = 15 + std::strlen(month);  // 18 with a three-letter month
    if (line.size() != s + 36) std::abort();
    if (line.compare(0, s, dormix::log::FormatTimeStamp(t)) != 0) std::abort();
    if (line.compare(s, 2, ", ") != 0 || line.compare(s + 12, 2, ", ") != 0) std::abort();
    if (line.compare(s + 24, 8, ", Count:") != 0) std::abort();
    if (line[s + 2] != (mark ? '*' : ' ')) std::abort();
    const std::string full = std::to_string(count);
    const std::string shown = line.substr(s + 32);
    if (full.size() >= 4 ? shown != full.substr(full.size() - 4)
                         : shown != std::string(4 - full.size(), ' ') + full)
        std::abort();
    return 0;
}
