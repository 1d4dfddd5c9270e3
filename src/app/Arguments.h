#pragma once

#include <span>
#include <string>
#include <string_view>

namespace dormix::app {

// The argument text of a Windows command line: what follows the program's
// own name (quoted or not), without the blanks that separate it from the name.
std::string ArgumentTextFromCommandLine(std::string_view commandLine);
// The same text from a C-style argument vector: the arguments joined by single blanks.
std::string ArgumentTextFromArgs(std::span<const std::string_view> args);

// "-InhibitShutdown" as the first 16 characters, exact case.
bool HasInhibitShutdown(std::string_view argumentText);
// "-AllowMulti" as the last 11 characters, exact case.
bool HasAllowMulti(std::string_view argumentText);

}  // namespace dormix::app
