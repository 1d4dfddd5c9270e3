#include "app/Application.h"

#include <utility>

#include "app/Arguments.h"
#include "log/LastResort.h"
#include "ui/Texts.h"

namespace dormix::app {

Application::Application(Ports ports, std::string argumentText, std::string programName)
    : ports_(ports),
      argumentText_(std::move(argumentText)),
      sampler_(ports.input, ports.activity, ports.systemLog),
      log_(ports.files, ports.clock, ports.shell, ports.systemLog),
      power_(ports.power, std::move(programName)),
      tray_(ports.shell),
      cycle_({ports.view, ports.shell, sampler_, log_, power_, tray_, ports.otherSessions,
              ports.settings ? ports.settings->limits : monitor::CycleLimits{}, ports.holds}),
      about_(ports.view, ports.shell, ports.systemLog, cycle_.State()),
      guard_(ports.marker) {}

template <typename F>
void Application::Guarded(F&& handler) {
    log::Guarded(ports_.shell, ports_.systemLog, std::forward<F>(handler));
}

bool Application::Main() { return guard_.MayStart(argumentText_); }

void Application::OnMainLoad() {
    Guarded([this] {
        auto& shell = ports_.shell;
        auto& state = cycle_.State();
        shell.PrepareTrayIcon();
        ports_.view.SetWindowCaption(ui::Wnd::DormixMain, text::ProductTitle);
        state.InhibitShutdown = HasInhibitShutdown(argumentText_);
        shell.RaisePriority();
        sampler_.ResetInputSnapshot();
        tray_.WindowOpenedByUser = false;
        cycle_.ResetCycle();
        cycle_.RefreshCaptions();
        // Only the copy that runs says what it runs with; a notice copy is silent.
        if (ports_.settings) settings::Announce(*ports_.settings, ports_.systemLog);
        shell.SetMinimised();
        if (shell.IsMinimised()) {
            shell.TrayAdd();
            shell.HideWindow();
        }
        log_.OpenEventLog();
        log_.WriteStartBanner();
        cycle_.WriteLogEntry(text::LogStart, text::LogInitialise);
    });
}

void Application::OnMainUnload() {
    // Under a closing box the program is already on its way out.
    if (ports_.shell.Closing()) ports_.shell.EndProgram();
    Guarded([this] {
        ports_.shell.StopRefreshTimer();
        cycle_.WriteExitEntry();
        ports_.shell.TrayDelete();
        ports_.shell.EndProgram();
    });
}

void Application::OnSessionEnd() {
    ports_.shell.BeginSessionEnd();
    OnMainUnload();
}

void Application::OnRefreshTick() {
    Guarded([this] { cycle_.Tick(); });
}
void Application::OnResume() {
    Guarded([this] { cycle_.OnResume(); });
}
void Application::OnResetClick() {
    Guarded([this] { cycle_.OnResetClick(); });
}
void Application::OnTestClick() {
    Guarded([this] { cycle_.OnTestClick(); });
}
void Application::OnAboutClick() {
    Guarded([this] { cycle_.OnAboutClick(); });
}
void Application::OnExitClick() { OnMainUnload(); }
void Application::OnMainMouseMove(double x) {
    Guarded([&] { tray_.OnMouseMove(x); });
}
void Application::OnMainResize() {
    Guarded([this] { tray_.MinimiseToTray(); });
}

void Application::OnAboutLoad() {
    Guarded([this] { about_.OnLoad(); });
}
void Application::OnAboutTimer() {
    Guarded([this] { about_.OnTimer1(); });
}
void Application::OnAboutExitClick() {
    Guarded([this] { about_.OnExitAboutClick(); });
}
void Application::OnAboutClosedOtherwise() {
    Guarded([this] { about_.OnClosedOtherwise(); });
}
void Application::OnWebSiteClick() {
    Guarded([this] { about_.OnWebSiteClick(); });
}

void Application::OnNoticeLoad() {
    Guarded([this] {
        ports_.view.SetWindowCaption(ui::Wnd::MultiInst, NoticeCaption());
        ports_.view.SetCaption(ui::Ctl::ErrorMess, NoticeText());
    });
}
void Application::OnNoticeActivate() {
    Guarded([this] { ports_.shell.SetNoticeTopmost(); });
}
void Application::OnNoticeOk() { ports_.shell.EndProgram(); }

}  // namespace dormix::app
