#pragma once
// frmAbout: title, version, the web link and a line that counts down to the
// window's own closing. The main timer does the closing itself.

#include <string>

#include "log/ProgramError.h"
#include "ui/Shell.h"
#include "log/SystemLog.h"
#include "monitor/MonitorCycle.h"
#include "ui/View.h"

namespace dormix::app {

class AboutWindow {
public:
    AboutWindow(ui::View& view, Shell& shell, log::SystemLog& systemLog,
                monitor::CycleState& state);

    void OnLoad();
    void OnTimer1();
    void OnExitAboutClick();
    // Closed some other way (the system's close keystroke).
    void OnClosedOtherwise();
    void OnWebSiteClick();

private:
    ui::View& view_;
    // A failure shown in a box, copied to the system log first.
    void ReportFailure(std::string_view text, std::int32_t number, std::string_view source);

    Shell& shell_;
    log::SystemLog& systemLog_;
    monitor::CycleState& state_;
};

}  // namespace dormix::app
