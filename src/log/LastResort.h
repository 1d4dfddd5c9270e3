#pragma once
// The last-resort report: an error nobody caught while handling an event
// stops the timer, goes to the system's log and to a message box, and ends
// the program with a failure status.

#include <cstdint>
#include <exception>
#include <string_view>

#include "log/ProgramEnd.h"
#include "log/ProgramError.h"
#include "log/SystemLog.h"

namespace dormix::log {

[[noreturn]] void LastResortReport(ProgramEnd& end, SystemLog& systemLog, std::int32_t number,
                                   std::string_view source, std::string_view description);

// Runs one event's handler; whatever it throws ends in the report.
template <typename F>
void Guarded(ProgramEnd& end, SystemLog& systemLog, F&& handler) {
    try {
        handler();
    } catch (const ProgramError& e) {
        LastResortReport(end, systemLog, e.Number(), e.Source(), e.Description());
    } catch (const std::exception& e) {
        LastResortReport(end, systemLog, 0, {}, e.what());
    }
}

}  // namespace dormix::log
