#include "frontend/tray_qt/QtShell.h"

#include <QtGui/qguiapplication_platform.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <QApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QScreen>
#include <QUrl>
#include <cmath>
#include <cstdio>
#include <string>

#include "app/Application.h"
#include "frontend/tray_qt/Priority.h"
#include "frontend/tray_qt/TracingView.h"
#include "frontend/tray_qt/WidgetBuilder.h"
#include "ui/Inventory.h"

namespace dormix::tray_qt {

namespace {

int IntervalOf(ui::Ctl timer, int divisor) {
    return std::max(1, ui::ControlOf(timer).intervalMs / std::max(1, divisor));
}

}  // namespace

QtShell::QtShell(MainWindow& main, QtView& view, TrayIcon& tray, int timerDivisor)
    : main_(main),
      view_(view),
      tray_(tray),
      divisor_(timerDivisor),
      refresh_(IntervalOf(ui::Ctl::tmrRefresh, timerDivisor), [this] {
          if (app_) app_->OnRefreshTick();
      }) {
    main_.onStateChange = [this](bool minimised) { OnWindowManagerState(minimised); };
}

void QtShell::Bind(app::Application* app) {
    app_ = app;
    main_.Bind(app);
    tray_.onDoubleClick = [this] {
        app_->OnTrayDoubleClick();
        // The user asked for the window: give it the keyboard too.
        if (main_.isVisible()) main_.activateWindow();
    };
}

void QtShell::Trace(std::string_view what) {
    if (trace) trace(what);
}

void QtShell::StartRefreshTimer() { refresh_.Start(); }
void QtShell::StopRefreshTimer() { refresh_.Stop(); }

void QtShell::OnWindowManagerState(bool minimised) {
    if (applyingState_) return;
    minimised_ = minimised;
    if (app_) app_->OnMainResize();
}

void QtShell::SetMinimised() {
    // The core hides the window right after; an iconic state would only
    // come back as a second, later resize.
    minimised_ = true;
    Trace("window minimised");
}

void QtShell::SetNormal() {
    minimised_ = false;
    if (main_.windowState().testFlag(Qt::WindowMinimized)) {
        applyingState_ = true;
        main_.setWindowState(main_.windowState() & ~Qt::WindowMinimized);
        applyingState_ = false;
    }
    Trace("window normal");
}

void QtShell::ShowWindow() {
    main_.show();
    main_.raise();
    Trace("window shown");
}

void QtShell::HideWindow() {
    main_.hide();
    Trace("window hidden");
}

ui::TwipsSize QtShell::ScreenSize() {
    const QSize s = QGuiApplication::primaryScreen()->geometry().size();
    return {float(s.width() * ui::TwipsPerPixel), float(s.height() * ui::TwipsPerPixel)};
}

ui::TwipsSize QtShell::WindowOuterSize() {
    const QSize s = main_.frameGeometry().size();
    return {float(s.width() * ui::TwipsPerPixel), float(s.height() * ui::TwipsPerPixel)};
}

void QtShell::MoveWindow(float left, float top) {
    // The core counts from the primary screen's corner, which X may place
    // anywhere in the virtual desktop.
    const QPoint origin = QGuiApplication::primaryScreen()->geometry().topLeft();
    main_.move(origin + QPoint(int(std::lround(left / ui::TwipsPerPixel)),
                               int(std::lround(top / ui::TwipsPerPixel))));
}

void QtShell::SetTopmost() {
    SetStaysOnTop(&main_, true);
    main_.show();
    main_.raise();
    Trace("window topmost");
}

void QtShell::ClearTopmost() {
    SetStaysOnTop(&main_, false);
    Trace("window not topmost");
}

void QtShell::TrayAdd() {
    tray_.Add();
    Trace("tray add");
}

void QtShell::TrayDelete() {
    if (!displayLost_) tray_.Delete();
    Trace("tray delete");
}

void QtShell::MessageBox(std::string_view text, std::string_view title, ui::MessageIcon icon) {
    std::string line = "message ";
    line.append(icon == ui::MessageIcon::Warning ? "warning" : "plain").append(" [");
    line.append(title).append("] ").append(OneLine(text));
    Trace(line);
    if (displayLost_) return;
    // A hidden parent would place the box at the hidden window's corner.
    QWidget* parent = main_.isVisible() ? &main_ : nullptr;
    QMessageBox box(icon == ui::MessageIcon::Warning ? QMessageBox::Warning : QMessageBox::NoIcon,
                    DisplayText(title), DisplayText(text), QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.setWindowIcon(main_.windowIcon());
    RunModal(box);
}

void QtShell::ShowAboutModal() {
    AboutDialog dialog(view_);
    PreciseTicker timer1(IntervalOf(ui::Ctl::Timer1, divisor_), [this] { app_->OnAboutTimer(); });
    dialog.onCloseClick = [this] { app_->OnAboutExitClick(); };
    dialog.onWebSiteClick = [this] { app_->OnWebSiteClick(); };
    dialog.onClosedOtherwise = [this] { app_->OnAboutClosedOtherwise(); };
    about_ = &dialog;
    app_->OnAboutLoad();
    if (ui::ControlOf(ui::Ctl::Timer1).enabled) timer1.Start();
    Trace("about shown");
    RunModal(dialog);
    timer1.Stop();
    about_ = nullptr;
    // The keyboard goes back to the main window, as it came from there;
    // without a window manager nobody else would hand it back.
    if (dialog.WasActiveAtClose() && main_.isVisible()) main_.activateWindow();
    Trace("about closed");
}

void QtShell::CloseAbout() {
    if (about_) about_->CloseByProgram();
}

void QtShell::RunModal(QDialog& dialog) { dialog.exec(); }

void QtShell::ProcessPendingMessages() { QCoreApplication::processEvents(); }

bool QtShell::OpenWebPage(std::string_view address) {
    const QUrl url(QString::fromUtf8(address.data(), qsizetype(address.size())));
    return QDesktopServices::openUrl(url);
}

void QtShell::RaisePriority() {
    const int nice = tray_qt::RaisePriority();
    Trace("nice " + std::to_string(nice));
}

void QtShell::SetNoticeTopmost() {
    if (!notice_) return;
    SetStaysOnTop(notice_, true);
    notice_->show();
    notice_->raise();
}

void QtShell::EndProcess(bool failed) {
    if (!displayLost_) {
        tray_.Delete();
        // Nothing of Qt's shutdown runs: the icon's removal must reach the X
        // server now, or a dead icon stays in the tray until it is hovered.
        if (auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>())
            xcb_flush(x11->connection());
    }
    Trace("end");
    std::fflush(nullptr);
    ::_exit(failed ? 1 : displayLost_ ? lostStatus_ : 0);
}

}  // namespace dormix::tray_qt
