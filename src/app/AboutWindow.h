#pragma once
// frmAbout: title, version, the web link and a line that counts down to the
// window's own closing. The main timer does the closing itself: the cycle
// keeps the count, and the application tells it how the window goes.

#include <cstdint>
#include <string_view>

#include "log/SystemLog.h"
#include "ui/View.h"
#include "ui/WindowPorts.h"

namespace dormix::app {

class AboutWindow {
  public:
    AboutWindow(ui::View& view, ui::AboutHost& host, ui::MessageBoxes& boxes,
                log::SystemLog& systemLog);

    void OnLoad();
    // One second of the closing line: `secondsLeft` is what it shows.
    void OnTimer1(std::int16_t secondsLeft);
    void OnExitAboutClick();
    void OnWebSiteClick();

  private:
    // A failure shown in a box, copied to the system log first.
    void ReportFailure(std::string_view text, std::int32_t number, std::string_view source);

    ui::View& view_;
    ui::AboutHost& host_;
    ui::MessageBoxes& boxes_;
    log::SystemLog& systemLog_;
};

}  // namespace dormix::app
