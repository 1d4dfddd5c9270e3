#pragma once
// Builds the Linux ports once the display and the input are known, hands
// them to the Application, and runs the window of this copy: the main
// window, or the notice of a second copy.

#include <QApplication>
#include <string>

#include "app/Application.h"
#include "frontend/tray_qt/DisplayProbe.h"
#include "frontend/tray_qt/FlockMarker.h"
#include "frontend/tray_qt/InputChoice.h"
#include "frontend/tray_qt/MainWindow.h"
#include "frontend/tray_qt/QtShell.h"
#include "frontend/tray_qt/QtView.h"
#include "frontend/tray_qt/TracingView.h"
#include "frontend/tray_qt/TrayIcon.h"
#include "monitor/Holds.h"
#include "platform/linux/log/FileSystemLogFiles.h"
#include "platform/linux/log/JournalLog.h"
#include "platform/linux/log/LocalClock.h"
#include "platform/linux/log/StderrReport.h"
#include "platform/linux/monitor/DesktopHolds.h"
#include "platform/linux/monitor/LogindHolds.h"
#include "platform/linux/monitor/LogindSessions.h"
#include "platform/linux/power/LogindPowerApi.h"
#include "settings/Settings.h"

namespace dormix::tray_qt {

// The test builds trace why the other sessions hold the countdown back, or
// not, each time the reason changes.
class TracingSessions final : public monitor::OtherSessions {
  public:
    explicit TracingSessions(linux_monitor::LogindSessions& sessions) : sessions_(sessions) {}
    bool OtherSessionInUse() override;

  private:
    linux_monitor::LogindSessions& sessions_;
    std::string last_;
};

class Program {
  public:
    // `settings`: the administrator's, read before the display was opened;
    // kept by reference for the program's life.
    Program(QApplication& qapp, InputChoice& input, SessionKind session, std::string argumentText,
            const settings::Effective& settings, std::string programName);
    int Run();

  private:
    int RunNotice();
    void WarnWithoutLock(const std::string& why);

    QApplication& qapp_;
    InputChoice& input_;
    SessionKind session_;
    std::string argumentText_;
    tray_qt::QtView qtView_;
    tray_qt::TracingView tracing_{qtView_};
    tray_qt::MainWindow mainWindow_{qtView_};
    tray_qt::TrayIcon tray_;
    tray_qt::QtShell shell_;
    linux_log::JournalLog journal_;
    linux_log::FileSystemLogFiles files_;
    linux_log::LocalClock clock_;
    linux_power::LogindPowerApi power_;
    FlockMarker marker_;
    linux_monitor::LogindSessions sessions_;
    TracingSessions tracingSessions_{sessions_};
    // Programs' holds, from every place that keeps them on this desktop:
    // logind's inhibitors, the desktop's (players and browsers ask it to
    // keep the screen on), and a compositor's inhibitor where its
    // notifications tell it from input.
    monitor::AllHolds holds_;
    linux_monitor::LogindHolds logindHolds_;
    linux_monitor::GnomeSessionHolds gnomeHolds_;
    linux_monitor::PowerManagementHolds powerHolds_;
    linux_log::StderrReport systemLog_{journal_};
    app::Application app_;
};

}  // namespace dormix::tray_qt
