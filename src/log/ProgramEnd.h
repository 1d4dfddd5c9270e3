#pragma once
// How the program ends when it does not unload: after a failure, after the
// countdown's last step, when a second copy's notice is closed. The log, the
// cycle and the program's entry all end it through here, so the order of a
// failing end is written once.

#include <cstdlib>
#include <string_view>

#include "log/SystemLog.h"
#include "ui/WindowPorts.h"

namespace dormix::log {

// Ends the process; never returns (a test fake throws instead).
class ProcessExit {
  public:
    virtual ~ProcessExit() = default;
    // `failed`: the process's status says that the program failed.
    virtual void EndProcess(bool failed) = 0;
};

class ProgramEnd {
  public:
    // `icon`: null where there is none (the watch).
    ProgramEnd(ui::RefreshTimer& timer, ui::MessageBoxes& boxes, ui::NotificationIcon* icon,
               ProcessExit& exit)
        : timer_(timer), boxes_(boxes), icon_(icon), exit_(exit) {}

    // End the program at once: no unloading, nothing else runs.
    [[noreturn]] void EndProgram() {
        exit_.EndProcess(failed_);
        std::abort();  // an EndProcess that came back must not let the caller go on
    }

    // A failure nothing can mend: the timer stops first (a tick during the
    // report would run the failed step again), the system log has it before
    // the box opens, and the icon goes before the end.
    [[noreturn]] void Fail(SystemLog& systemLog, const SystemLogFailure& failure) {
        timer_.StopRefreshTimer();
        failed_ = true;
        systemLog.Failure(failure);
        ClosingMessageBox(failure.text, failure.title, ui::MessageIcon::Warning);
        if (icon_) icon_->TrayDelete();
        EndProgram();
    }

    // From here on the program ends without the unload (a failure report,
    // the end of the countdown): a request to exit then ends it at once,
    // writing nothing.
    void BeginClosing() { closing_ = true; }
    // The request was refused and the program goes on: an exit runs the
    // unload again.
    void CancelClosing() { closing_ = false; }
    bool Closing() const { return closing_; }
    // The message box of such a path. None opens over another: a failure
    // while one is open ends the program at once. At the session's end none
    // opens at all: a box nobody will answer would hold up the log-off.
    void ClosingMessageBox(std::string_view text, std::string_view title, ui::MessageIcon icon) {
        if (closingBox_) EndProgram();
        closing_ = closingBox_ = true;
        if (!sessionEnding_) boxes_.MessageBox(text, title, icon);
        closingBox_ = false;
    }

    // The session (or the system) is ending the program.
    void BeginSessionEnd() { sessionEnding_ = true; }
    bool SessionEnding() const { return sessionEnding_; }

  private:
    ui::RefreshTimer& timer_;
    ui::MessageBoxes& boxes_;
    ui::NotificationIcon* icon_;
    ProcessExit& exit_;
    bool closing_ = false;
    bool closingBox_ = false;
    bool sessionEnding_ = false;
    bool failed_ = false;
};

}  // namespace dormix::log
