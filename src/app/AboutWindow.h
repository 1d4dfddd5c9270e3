#pragma once
// frmAbout: title, version, the web link and a line that counts down to the
// window's own closing. The main timer does the closing itself.

#include <string>

#include "app/ProgramError.h"
#include "app/Shell.h"
#include "monitor/MonitorCycle.h"
#include "ui/View.h"

namespace dormix::app {

class AboutWindow {
public:
    AboutWindow(ui::View& view, Shell& shell, monitor::CycleState& state);

    void OnLoad();
    void OnTimer1();
    void OnExitAboutClick();
    // Closed some other way (the system's close keystroke).
    void OnClosedOtherwise();
    void OnWebSiteClick();

private:
    ui::View& view_;
    Shell& shell_;
    monitor::CycleState& state_;
};

// "A program error has occured" with the error's number and description.
std::string ProgramErrorReport(std::int32_t number, std::string_view description);
std::string ErrorTitle();

}  // namespace dormix::app
