#pragma once
// The append-only history of starts, phase changes, resets and exits in
// Log/DormixL.log below the working directory (the system watch keeps one
// of its own elsewhere). Every failure to reach the
// file is fatal: timer stopped, message shown, tray icon removed, program ended.

#include <cstdint>
#include <filesystem>
#include <string_view>

#include "log/Clock.h"
#include "log/LogFiles.h"
#include "log/ProgramEnd.h"
#include "log/SystemLog.h"

namespace dormix::log {

enum class LogFailure { None, Directory, MissingFile, Create, Write };

// The tray program's log, Log/DormixL.log, relative to the working directory.
std::filesystem::path TrayLogFile();

// What the cycle knows about an entry beyond its line: for the system log's copy.
struct EntryContext {
    std::string_view phase;
    bool inhibitShutdown = false;
};

class EventLog {
  public:
    // Each entry and failure is also handed to `mirror`.
    EventLog(LogFiles& files, Clock& clock, ProgramEnd& end,
             SystemLog& mirror = NoSystemLog::Instance(),
             std::filesystem::path file = TrayLogFile());

    void OpenEventLog();
    void WriteStartBanner();
    // The entry also carries the cycle's counter and, in test mode, the mark.
    void WriteLogEntry(std::string_view action, std::string_view detail, bool testMark,
                       std::int16_t count, const EntryContext& context = {});
    // The system log beside the file, for what only it records.
    SystemLog& Mirror() { return mirror_; }

  private:
    LogFailure CheckTargets();
    [[noreturn]] void Fail(LogFailure failure);

    LogFiles& files_;
    Clock& clock_;
    ProgramEnd& end_;
    SystemLog& mirror_;
    std::filesystem::path directory_;
    std::filesystem::path file_;
};

// Title and text of the message a failure shows.
std::string FailureTitle(LogFailure failure);
std::string FailureText(LogFailure failure, const std::filesystem::path& file = TrayLogFile());

}  // namespace dormix::log
