#pragma once
// What the core asks of the main window and the desktop, on Qt and X11.
//
// There may be no window manager (a bare X server, Xvfb): "minimised" is
// then no state X can show, so the state the core sees is kept here, with
// minimised meaning hidden in the tray, and the window manager's own
// minimising (when there is one) is folded into it.

#include <QPointer>
#include <functional>
#include <string_view>

#include "app/ProgramHost.h"
#include "frontend/tray_qt/AboutDialog.h"
#include "frontend/tray_qt/MainWindow.h"
#include "frontend/tray_qt/NoticeWindow.h"
#include "frontend/tray_qt/PreciseTicker.h"
#include "frontend/tray_qt/QtView.h"
#include "frontend/tray_qt/TrayIcon.h"
#include "ui/WindowPorts.h"

class QDialog;

namespace dormix::tray_qt {

class QtShell : public ui::RefreshTimer,
                public ui::MessageBoxes,
                public ui::WindowState,
                public ui::NotificationIcon,
                public ui::AboutHost,
                public app::ProgramHost,
                public log::ProcessExit {
  public:
    // `timerDivisor` > 1 only in the fast test build.
    QtShell(MainWindow& main, QtView& view, TrayIcon& tray, int timerDivisor = 1);
    void Bind(app::Application* app);
    void SetNotice(NoticeWindow* notice) { notice_ = notice; }
    // The X server is gone: no box can show, no icon needs removing, and the
    // process ends with `status`.
    void DisplayLost(int status) {
        displayLost_ = true;
        lostStatus_ = status;
    }
    bool RefreshTimerRunning() const { return refresh_.Running(); }
    int RefreshPeriodMs() const { return refresh_.PeriodMs(); }

    // Test builds report what the user would see on stderr.
    std::function<void(std::string_view)> trace;

    void StartRefreshTimer() override;
    void StopRefreshTimer() override;
    bool IsMinimised() override { return minimised_; }
    void SetMinimised() override;
    void SetNormal() override;
    void ShowWindow() override;
    void HideWindow() override;
    ui::TwipsSize ScreenSize() override;
    ui::TwipsSize WindowOuterSize() override;
    void MoveWindow(float left, float top) override;
    void SetTopmost() override;
    void ClearTopmost() override;
    void PrepareTrayIcon() override {}
    void TrayAdd() override;
    void TrayDelete() override;
    void MessageBox(std::string_view text, std::string_view title, ui::MessageIcon icon) override;
    void ShowAboutModal() override;
    void CloseAbout() override;
    void ProcessPendingMessages() override;
    bool OpenWebPage(std::string_view address) override;
    void RaisePriority() override;
    void SetNoticeTopmost() override;
    void EndProcess(bool failed) override;

  protected:
    // Runs a modal dialog to its end; tests answer it instead.
    virtual void RunModal(QDialog& dialog);

  private:
    void Trace(std::string_view what);
    void OnWindowManagerState(bool minimised);

    MainWindow& main_;
    QtView& view_;
    TrayIcon& tray_;
    int divisor_;
    PreciseTicker refresh_;
    app::Application* app_ = nullptr;
    QPointer<AboutDialog> about_;
    QPointer<NoticeWindow> notice_;
    bool minimised_ = false;
    bool applyingState_ = false;
    bool displayLost_ = false;
    int lostStatus_ = 1;
};

}  // namespace dormix::tray_qt
