#include "app/Application.h"

#include <utility>

#include "app/Arguments.h"
#include "log/LastResort.h"
#include "ui/Texts.h"

namespace dormix::app {

Application::Application(Ports ports, std::string argumentText, std::string programName)
    : ports_(ports),
      argumentText_(std::move(argumentText)),
      end_(ports.desktop.timer, ports.desktop.boxes, &ports.desktop.icon, ports.desktop.exit),
      sampler_(ports.input, ports.activity, ports.systemLog),
      log_(ports.files, ports.clock, end_, ports.systemLog),
      power_(ports.power, std::move(programName)),
      tray_(ports.desktop.window, ports.desktop.icon),
      cycleWindow_{tray_, ports.desktop.window, ports.desktop.icon, ports.desktop.about},
      cycle_({.view = ports.view,
              .timer = ports.desktop.timer,
              .boxes = ports.desktop.boxes,
              .end = end_,
              .sampler = sampler_,
              .log = log_,
              .power = power_,
              .window = &cycleWindow_,
              .otherSessions = ports.otherSessions,
              .limits = ports.settings ? ports.settings->limits : monitor::CycleLimits{},
              .holds = ports.holds,
              .clock = &ports.clock}),
      about_(ports.view, ports.desktop.about, ports.desktop.boxes, ports.systemLog),
      guard_(ports.marker) {}

template <typename F>
void Application::Guarded(F&& handler) {
    log::Guarded(end_, ports_.systemLog, std::forward<F>(handler));
}

bool Application::Main() { return guard_.MayStart(argumentText_); }

void Application::OnMainLoad() {
    Guarded([this] {
        auto& desktop = ports_.desktop;
        auto& state = cycle_.State();
        desktop.icon.PrepareTrayIcon();
        ports_.view.SetWindowCaption(ui::Wnd::DormixMain, text::ProductTitle);
        state.InhibitShutdown = HasInhibitShutdown(argumentText_);
        desktop.host.RaisePriority();
        sampler_.ResetInputSnapshot();
        tray_.WindowOpenedByUser = false;
        cycle_.ResetCycle();
        cycle_.RefreshCaptions();
        // Only the copy that runs says what it runs with; a notice copy is silent.
        if (ports_.settings) settings::Announce(*ports_.settings, ports_.systemLog, ports_.clock);
        desktop.window.SetMinimised();
        if (desktop.window.IsMinimised()) {
            desktop.icon.TrayAdd();
            desktop.window.HideWindow();
        }
        log_.OpenEventLog();
        log_.WriteStartBanner();
        cycle_.WriteLogEntry(text::LogStart, text::LogInitialise);
    });
}

void Application::OnMainUnload() {
    // Under a closing box the program is already on its way out.
    if (end_.Closing()) end_.EndProgram();
    Guarded([this] {
        ports_.desktop.timer.StopRefreshTimer();
        cycle_.WriteExitEntry();
        ports_.desktop.icon.TrayDelete();
        end_.EndProgram();
    });
}

void Application::OnMainClose() {
    if (cycle_.Limits().AllowExit) return OnMainUnload();
    // The administrator keeps the program running: closing puts the window
    // back in the tray, as minimising does.
    Guarded([this] {
        ports_.desktop.window.SetMinimised();
        tray_.MinimiseToTray();
    });
}

void Application::OnSessionEnd() {
    end_.BeginSessionEnd();
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
void Application::OnExitClick() {
    // Disabled when exit is not allowed; a click that still arrives (a
    // message sent to the button) changes nothing.
    if (cycle_.Limits().AllowExit) OnMainUnload();
}
void Application::OnMainMouseMove(double x) {
    Guarded([&] { tray_.OnMouseMove(x); });
}
void Application::OnTrayDoubleClick() {
    Guarded([this] { tray_.OnTrayDoubleClick(); });
}
void Application::OnMainResize() {
    Guarded([this] { tray_.MinimiseToTray(); });
}

void Application::OnAboutLoad() {
    Guarded([this] {
        about_.OnLoad();
        cycle_.OnAboutLoad();
    });
}
void Application::OnAboutTimer() {
    Guarded([this] { about_.OnTimer1(cycle_.OnAboutSecond()); });
}
void Application::OnAboutExitClick() {
    Guarded([this] {
        cycle_.OnAboutClosed();
        about_.OnExitAboutClick();
    });
}
void Application::OnAboutClosedOtherwise() {
    Guarded([this] { cycle_.OnAboutClosed(); });
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
    Guarded([this] { ports_.desktop.host.SetNoticeTopmost(); });
}
void Application::OnNoticeOk() { end_.EndProgram(); }

}  // namespace dormix::app
