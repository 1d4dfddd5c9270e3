#include "frontend/tray_qt/MainWindow.h"

#include <QAbstractButton>
#include <QCloseEvent>

#include "app/Application.h"
#include "frontend/tray_qt/WidgetBuilder.h"

namespace dormix::tray_qt {

MainWindow::MainWindow(QtView& view) : view_(view) {
    BuildWindow(this, ui::Wnd::DormixMain, view);
    // Topmost during the countdown must not steal the keyboard from the user.
    setAttribute(Qt::WA_ShowWithoutActivating);
}

void MainWindow::Bind(app::Application* app) {
    app_ = app;
    const std::pair<ui::Ctl, void (app::Application::*)()> buttons[] = {
        {ui::Ctl::Reset, &app::Application::OnResetClick},
        {ui::Ctl::TestS, &app::Application::OnTestClick},
        {ui::Ctl::About, &app::Application::OnAboutClick},
        {ui::Ctl::Exit, &app::Application::OnExitClick},
    };
    for (const auto& [id, handler] : buttons) {
        auto* button = qobject_cast<QAbstractButton*>(view_.Control(id));
        connect(button, &QAbstractButton::clicked, this, [this, handler] { (app_->*handler)(); });
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // Qt never closes the window itself: the core either unloads, which
    // ends the process, or puts the window back in the tray.
    event->ignore();
    if (app_) app_->OnMainClose();
}

void MainWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && onStateChange)
        onStateChange(windowState().testFlag(Qt::WindowMinimized));
}

}  // namespace dormix::tray_qt
