#include "app/AboutWindow.h"

#include <exception>

#include "ui/Texts.h"

namespace dormix::app {

using ui::Ctl;

AboutWindow::AboutWindow(ui::View& view, Shell& shell, log::SystemLog& systemLog,
                         monitor::CycleState& state)
    : view_(view), shell_(shell), systemLog_(systemLog), state_(state) {}

void AboutWindow::OnLoad() {
    view_.SetWindowCaption(ui::Wnd::frmAbout,
                           std::string(text::AboutCaptionPrefix) + std::string(text::ProductTitle));
    view_.SetCaption(Ctl::ProgName, text::ProductTitle);
    view_.SetCaption(Ctl::ProgVersion,
                     std::string(text::VersionPrefix) + std::string(text::VersionNumber));
    state_.AboutCloseCounter = monitor::AboutCloseSeconds;
    if (state_.InhibitShutdown) state_.AboutCloseCounter = monitor::AboutCloseSecondsInhibited;
}

void AboutWindow::OnTimer1() {
    std::string line(text::AboutClosePrefix);
    line += std::to_string(state_.AboutCloseCounter);
    line += text::AboutCloseSuffix;
    view_.SetCaption(Ctl::TMessage, line);
    --state_.AboutCloseCounter;
}

void AboutWindow::OnExitAboutClick() {
    state_.AboutOpen = false;
    shell_.CloseAbout();
}

void AboutWindow::OnClosedOtherwise() { state_.AboutOpen = false; }

void AboutWindow::OnWebSiteClick() {
    try {
        shell_.ProcessPendingMessages();
        const int result = shell_.LaunchBrowser(text::AboutWebAddress);
        view_.SetForeColour(Ctl::WebSite, ui::Orange);
        if (result <= 32) ReportFailure(text::AboutLaunchFailed, 0, {});
    } catch (const ProgramError& e) {
        ReportFailure(ProgramErrorReport(e.Number(), e.Description()), e.Number(), e.Source());
    } catch (const std::exception& e) {
        ReportFailure(ProgramErrorReport(0, e.what()), 0, {});
    }
}

void AboutWindow::ReportFailure(std::string_view text, std::int32_t number,
                                std::string_view source) {
    const std::string title = ErrorTitle();
    systemLog_.Failure({log::SystemEvent::BrowserLaunchError, title, text, number, source});
    shell_.MessageBox(text, title, MessageIcon::None);
}

}  // namespace dormix::app
