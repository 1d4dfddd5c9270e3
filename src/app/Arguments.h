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

// What the switches leave of the argument text, without the blanks around
// it: empty when every argument was used.
std::string_view UnusedArguments(std::string_view argumentText);
// The one warning line (no line end) about arguments the program does not
// use, or empty. A mistyped switch would otherwise start a real cycle
// without a word.
std::string ArgumentWarning(std::string_view argumentText);

}  // namespace dormix::app
