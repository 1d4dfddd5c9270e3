// The argument text, the two switches and what they leave, from any
// command line at all.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/Arguments.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string line(reinterpret_cast<const char*>(data), size);
    const std::string args = dormix::app::ArgumentTextFromCommandLine(line);
    // The argument text is the tail of the command line, without leading blanks.
    if (args.size() > line.size() ||
        line.compare(line.size() - args.size(), args.size(), args) != 0)
        std::abort();
    if (!args.empty() && (args[0] == ' ' || args[0] == '\t')) std::abort();
    const bool inhibit = dormix::app::HasInhibitShutdown(args);
    const bool multi = dormix::app::HasAllowMulti(args);
    if (inhibit != (args.size() >= 16 && args.compare(0, 16, "-InhibitShutdown") == 0))
        std::abort();
    if (multi != (args.size() >= 11 && args.compare(args.size() - 11, 11, "-AllowMulti") == 0))
        std::abort();
    // What the switches leave is a piece of the argument text, trimmed, and
    // the warning names it exactly when there is something left.
    const std::string_view unused = dormix::app::UnusedArguments(args);
    if (unused.size() > args.size() || args.find(unused) == std::string::npos) std::abort();
    if (!unused.empty() && (unused.front() == ' ' || unused.back() == ' ')) std::abort();
    if (dormix::app::ArgumentWarning(args).empty() != unused.empty()) std::abort();
    if (!inhibit && !multi &&
        unused != std::string_view(args).substr(0, args.find_last_not_of(" \t") + 1))
        std::abort();
    return 0;
}
