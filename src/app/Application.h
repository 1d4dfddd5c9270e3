#pragma once
// mdMain: the program's entry, the loading of the main window in its fixed
// order, the orderly exit, and the one place every window event enters the
// core. A platform's main() builds the ports, hands them over and forwards
// its window events to the On... methods.

#include <string>

#include "app/AboutWindow.h"
#include "app/InstanceGuard.h"
#include "app/InstanceMarker.h"
#include "app/ProgramHost.h"
#include "log/Clock.h"
#include "log/EventLog.h"
#include "log/LogFiles.h"
#include "log/ProgramEnd.h"
#include "log/SystemLog.h"
#include "monitor/ActivitySource.h"
#include "monitor/Holds.h"
#include "monitor/InputSampler.h"
#include "monitor/InputSource.h"
#include "monitor/MonitorCycle.h"
#include "monitor/OtherSessions.h"
#include "power/PowerApi.h"
#include "power/ShutdownService.h"
#include "settings/Settings.h"
#include "ui/TrayPlacement.h"
#include "ui/View.h"

namespace dormix::app {

struct Ports {
    ui::View& view;
    Desktop desktop;
    monitor::InputSource* input;  // key and cursor poll; null where none can be had
    log::LogFiles& files;
    log::Clock& clock;
    power::PowerApi& power;
    InstanceMarker& marker;
    log::SystemLog& systemLog;
    // Use seen without keys or cursor: the only source where there is no
    // poll, a safety net beside it otherwise.
    monitor::ActivitySource* activity = nullptr;
    // Other sessions on the machine; null where there is nobody to ask.
    monitor::OtherSessions* otherSessions = nullptr;
    // The administrator's settings, read before the start; null: the defaults.
    const settings::Effective* settings = nullptr;
    // Programs' holds (films, updates); null where none can be asked.
    monitor::Holds* holds = nullptr;
};

class Application {
  public:
    // `programName`: the executable's file name without folder and extension.
    Application(Ports ports, std::string argumentText, std::string programName);

    // The single-instance decision: true to load the main window, false to
    // show the notice window instead.
    bool Main();

    // DormixMain
    void OnMainLoad();
    void OnMainUnload();  // the orderly exit: Exit, or the close box when exit is allowed
    // The close box, Alt+F4: the orderly exit, or back to the tray where
    // the administrator keeps the program running (AllowExit=0).
    void OnMainClose();
    // The same at the end of the session, with no box: a failure goes to
    // the system log only.
    void OnSessionEnd();
    void OnRefreshTick();
    void OnResetClick();
    void OnTestClick();
    void OnAboutClick();
    void OnExitClick();
    void OnMainMouseMove(double x);
    void OnTrayDoubleClick();
    void OnMainResize();
    void OnResume();  // the machine woke from suspend

    // frmAbout
    void OnAboutLoad();
    void OnAboutTimer();
    void OnAboutExitClick();
    void OnAboutClosedOtherwise();
    void OnWebSiteClick();

    // MultiInst
    void OnNoticeLoad();
    void OnNoticeActivate();
    void OnNoticeOk();

    monitor::MonitorCycle& Cycle() { return cycle_; }
    ui::TrayPlacement& Tray() { return tray_; }
    InstanceGuard& Guard() { return guard_; }

  private:
    // Runs one window event; an error nobody caught ends in the last-resort report.
    template <typename F>
    void Guarded(F&& handler);

    Ports ports_;
    std::string argumentText_;
    log::ProgramEnd end_;
    monitor::InputSampler sampler_;
    log::EventLog log_;
    power::ShutdownService power_;
    ui::TrayPlacement tray_;
    monitor::CycleWindow cycleWindow_;
    monitor::MonitorCycle cycle_;
    AboutWindow about_;
    InstanceGuard guard_;
};

}  // namespace dormix::app
