#pragma once
// The last-resort report: an error nobody caught while handling an event
// stops the timer, goes to the system's log and to a message box, and ends
// the program with a failure status.

#include <cstdint>
#include <exception>
#include <string_view>

#include "log/ProgramError.h"
#include "log/SystemLog.h"
#include "ui/Shell.h"

namespace dormix::log {

[[noreturn]] void LastResortReport(Shell& shell, SystemLog& systemLog, std::int32_t number,
                                   std::string_view source, std::string_view description);

// Runs one event's handler; whatever it throws ends in the report.
template <typename F>
void Guarded(Shell& shell, SystemLog& systemLog, F&& handler) {
    try {
        handler();
    } catch (const ProgramError& e) {
        LastResortReport(shell, systemLog, e.Number(), e.Source(), e.Description());
    } catch (const std::exception& e) {
        LastResortReport(shell, systemLog, 0, {}, e.what());
    }
}

}  // namespace dormix::log
