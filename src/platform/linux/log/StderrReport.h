#pragma once

#include <string>
#include <string_view>

#include "log/SystemLog.h"
#include "ui/Texts.h"

namespace dormix::linux_log {

// "name: title: text" and a line break, the text's CR LF line breaks as
// spaces: a message box's words as one line of stderr.
std::string StderrLine(std::string_view name, std::string_view title, std::string_view text);

// systemd names the stream it connected to stderr in JOURNAL_STREAM
// ("device:inode"); true when file descriptor 2 is that stream.
bool StderrIsJournal();

// Passes every copy on to `next` and also puts each failure on stderr, one
// line, so whoever started the program from a terminal or a unit file
// learns why it ended without having to look at a box that may be gone.
// Where stderr is itself the journal's stream (a unit, a desktop that logs
// its programs' output), the journal has the failure already: not twice.
class StderrReport final : public log::SystemLog {
  public:
    // `folderAdvice`: what to do about a missing log folder; empty for the
    // tray program's (the launcher makes it).
    explicit StderrReport(log::SystemLog& next, std::string name = std::string(text::ExeBaseName),
                          std::string folderAdvice = {})
        : next_(next), name_(std::move(name)), folderAdvice_(std::move(folderAdvice)) {}
    void Entry(const log::SystemLogEntry& entry) noexcept override { next_.Entry(entry); }
    void Failure(const log::SystemLogFailure& failure) noexcept override;
    bool ReachesStderr() const override { return true; }

  private:
    log::SystemLog& next_;
    std::string name_, folderAdvice_;
};

}  // namespace dormix::linux_log
