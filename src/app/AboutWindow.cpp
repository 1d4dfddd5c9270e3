#include "app/AboutWindow.h"

#include <exception>
#include <string>

#include "log/ProgramError.h"
#include "ui/Texts.h"

namespace dormix::app {

using ui::Ctl;

AboutWindow::AboutWindow(ui::View& view, ui::AboutHost& host, ui::MessageBoxes& boxes,
                         log::SystemLog& systemLog)
    : view_(view), host_(host), boxes_(boxes), systemLog_(systemLog) {}

void AboutWindow::OnLoad() {
    view_.SetWindowCaption(ui::Wnd::frmAbout, text::Fill(text::AboutCaption, {text::ProductTitle}));
    view_.SetCaption(Ctl::ProgName, text::ProductTitle);
    view_.SetCaption(Ctl::ProgVersion, text::Fill(text::VersionLine, {text::VersionNumber}));
}

void AboutWindow::OnTimer1(std::int16_t secondsLeft) {
    view_.SetCaption(Ctl::TMessage, text::Fill(text::AboutClose, {std::to_string(secondsLeft)}));
}

void AboutWindow::OnExitAboutClick() { host_.CloseAbout(); }

void AboutWindow::OnWebSiteClick() {
    try {
        host_.ProcessPendingMessages();
        const bool opened = host_.OpenWebPage(text::AboutWebAddress);
        view_.SetForeColour(Ctl::WebSite, ui::Orange);
        if (!opened) ReportFailure(text::AboutLaunchFailed, 0, {});
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
    boxes_.MessageBox(text, title, ui::MessageIcon::None);
}

}  // namespace dormix::app
