// DormixL for Linux desktops: Qt 6 Widgets on X11 or XWayland, input from
// XInput2 or the Wayland compositor, power-off through logind, the
// running-copy marker a flock.
#include <sys/stat.h>

#include <QApplication>
#include <QMessageBox>
#include <QScreen>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/Application.h"
#include "app/Arguments.h"
#include "app/InstanceGuard.h"
#include "app/StartRefusal.h"
#include "app/linux/DisplayProbe.h"
#include "app/linux/FlockMarker.h"
#include "app/linux/InputChoice.h"
#include "app/linux/QtBusWait.h"
#include "app/linux/SignalBridge.h"
#include "log/FileSystemLogFiles.h"
#include "log/linux/JournalLog.h"
#include "log/linux/LocalClock.h"
#include "monitor/MonitorCycle.h"
#include "monitor/linux/DesktopHolds.h"
#include "monitor/linux/LogindHolds.h"
#include "monitor/linux/LogindSessions.h"
#include "log/linux/StderrReport.h"
#include "monitor/wayland/WaylandConnection.h"
#include "power/linux/LogindPowerApi.h"
#include "settings/linux/ConfFiles.h"
#include "power/linux/LogindSleepWatch.h"
#include "ui/Texts.h"
#include "ui/qt/MainWindow.h"
#include "ui/qt/NoticeWindow.h"
#include "ui/qt/QtShell.h"
#include "ui/qt/QtView.h"
#include "ui/qt/TracingView.h"
#include "ui/qt/TrayIcon.h"

#ifndef DORMIX_TIMER_DIVISOR
#define DORMIX_TIMER_DIVISOR 1
#endif
#ifndef DORMIX_TRACE_VIEW
#define DORMIX_TRACE_VIEW 0
#endif

namespace {

using namespace dormix;

std::string ProgramName(const char* argv0) {
    return std::filesystem::path(argv0 ? argv0 : "DormixL").stem().string();
}

void TraceLine(std::string_view line) {
    if (!DORMIX_TRACE_VIEW) return;
    std::fprintf(stderr, "%.*s\n", int(line.size()), line.data());
    std::fflush(stderr);
}

int RunNotice(QApplication& qapp, app::Application& app, qt::QtView& view, qt::QtShell& shell) {
    qt::NoticeWindow notice(view);
    shell.SetNotice(&notice);
    notice.onOk = [&] { app.OnNoticeOk(); };
    notice.onActivate = [&] { app.OnNoticeActivate(); };
    notice.onClosed = [] { QCoreApplication::quit(); };
    // The notice copy writes nothing anywhere: a signal just ends it.
    linux_app::SignalBridge endSignals([] { QCoreApplication::quit(); });
    app.OnNoticeLoad();
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    notice.move(screen.center() - notice.rect().center());
    notice.show();
    app.OnNoticeActivate();
    TraceLine("notice shown");
    return qapp.exec();
}

// A start refused before anything is logged: the journal's copy, a warning
// box where the session has a desktop to show it on, then status 1.
int Refuse(const app::StartRefusal& refusal, log::SystemLog& journal, bool box) {
    app::MirrorRefusal(refusal, journal);
    TraceLine("message warning [" + refusal.title + "] " + qt::OneLine(refusal.text));
    if (!box) return 1;
    QMessageBox message(QMessageBox::Warning, qt::DisplayText(refusal.title),
                        qt::DisplayText(refusal.text), QMessageBox::Ok);
    message.setTextFormat(Qt::PlainText);
    message.exec();
    return 1;
}

// No source sees the user: say so and monitor nothing.
int RefuseBlind(const linux_app::InputChoice& choice) {
    std::fprintf(stderr,
                 "DormixL: %s: keys and the mouse cannot be seen, so nothing is monitored.\n",
                 choice.description.c_str());
    log_linux::JournalLog journal;
    // An autostarted copy has no terminal: the box is what the user sees.
    return Refuse(app::BlindSessionRefusal(choice.x11 ? text::BlindX11 : text::BlindSession),
                  journal, true);
}

// Without a marker no copy can tell whether another runs: refusing is the
// only answer that never lets two count down at once.
int RefuseWithoutMarker(log::SystemLog& journal) {
    const app::StartRefusal refusal = app::MarkerRefusal(text::MarkerUnusable);
    std::fprintf(stderr, "DormixL: %s\n", qt::DisplayText(refusal.text).toLocal8Bit().constData());
    return Refuse(refusal, journal, true);
}

// The log tells when somebody was at the machine. In a Log folder of the
// user's own (the launcher's) nobody else gets to read it; a folder shared
// on purpose keeps the permissions its owner chose.
void KeepLogPrivate() {
    struct stat folder {};
    if (::stat(std::string(text::LogDirectory).c_str(), &folder) == 0 &&
        folder.st_uid == ::geteuid())
        ::umask(::umask(0) | 077);
}

// The test builds trace why the other sessions hold the countdown back, or
// not, each time the reason changes.
class TracingSessions final : public monitor::OtherSessions {
  public:
    explicit TracingSessions(monitor_linux::LogindSessions& sessions) : sessions_(sessions) {}
    bool OtherSessionInUse() override {
        const bool inUse = sessions_.OtherSessionInUse();
        if (sessions_.Reason() != last_)
            TraceLine("other sessions " + (last_ = sessions_.Reason()));
        return inUse;
    }

  private:
    monitor_linux::LogindSessions& sessions_;
    std::string last_;
};

void PrintWarnings(const settings::Effective& effective) {
    for (const std::string& warning : effective.warnings)
        std::fprintf(stderr, "DormixL: %s\n", warning.c_str());
}

// `DormixL --settings`: what a start would run with, and from where; no
// display needed.
int PrintSettings(const settings::Effective& effective) {
    PrintWarnings(effective);
    std::fputs(settings::Describe(effective).c_str(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

// Qt and Xlib end the process with exit(1) when the X server goes away (a
// logout without a session manager, a crash): the log still gets its "Exit".
std::function<void()> onDisplayLost;
void AtExit() {
    if (auto f = std::exchange(onDisplayLost, nullptr)) f();
}

}  // namespace

int main(int argc, char** argv) {
    linux_app::IgnoreHarmlessSignals();
    // Qt takes its own options out of argv; the argument text is what was given.
    std::vector<std::string> given(argv + 1, argv + argc);
    std::vector<std::string_view> views(given.begin(), given.end());
    const std::string argumentText = app::ArgumentTextFromArgs(views);
    settings_linux::ConfFiles conf;
    const settings::Effective adminSettings = settings::Load(conf);
    if (argumentText == "--settings") return PrintSettings(adminSettings);
    if (const std::string warning = app::ArgumentWarning(argumentText); !warning.empty())
        std::fprintf(stderr, "%s\n", warning.c_str());
    PrintWarnings(adminSettings);

    // The windows stay on X11 also in a Wayland session: there a window can
    // be centred and kept above the others, which Wayland leaves to the
    // compositor. KWin passes QT_QPA_PLATFORM=wayland to what it starts.
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (!platform || std::string_view(platform).find("wayland") != std::string_view::npos)
        ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    linux_app::DisplayProbe probe;
    if (!probe.Open(linux_app::SessionFromEnvironment())) return 1;
    const linux_app::SessionKind session = linux_app::DetectSession(probe.XWaylandOutputs());

    QApplication qapp(argc, argv);
    // Every window is hidden most of the time; closing a message box must
    // not end the program.
    QApplication::setQuitOnLastWindowClosed(false);
    linux_app::QtBusWait busWait;

    linux_app::InputChoice input = linux_app::ChooseInput(session);
    if (!input.poll && !input.activity) return RefuseBlind(input);
    probe.Release();
    qt::QtView qtView;
    qt::TracingView tracing(qtView);
    ui::View& view = DORMIX_TRACE_VIEW ? static_cast<ui::View&>(tracing) : qtView;
    qt::MainWindow mainWindow(qtView);
    qt::TrayIcon tray;
    qt::QtShell shell(mainWindow, qtView, tray, DORMIX_TIMER_DIVISOR);
    if (DORMIX_TRACE_VIEW) shell.trace = TraceLine;

    log_linux::JournalLog journal;
    log::FileSystemLogFiles files([&journal](const std::string& why) {
        const std::string warning =
            std::string(text::LogWithoutLock[0]) + why + std::string(text::LogWithoutLock[1]);
        std::fprintf(stderr, "DormixL: %s\n", warning.c_str());
        journal.Failure({log::SystemEvent::LogWithoutLock, text::ProductTitle, warning, 0, {}});
    });
    log_linux::LocalClock clock;
    power_linux::LogindPowerApi power;
    linux_app::FlockMarker marker;
    // Input in another text session counts while it is younger than our own
    // limit, in the time the ticks of this build measure.
    const int limitTicks =
        app::HasInhibitShutdown(argumentText) ? monitor::InhibitLimit : adminSettings.limits.IdleLimit;
    monitor_linux::LogindSessions sessions(
        std::chrono::milliseconds(limitTicks * 1000 / DORMIX_TIMER_DIVISOR));
    TracingSessions others(sessions);
    // Programs' holds, from every place that keeps them on this desktop:
    // logind's inhibitors, the desktop's (players and browsers ask it to
    // keep the screen on), and a compositor's inhibitor where its
    // notifications tell it from input.
    monitor::AllHolds holds;
    monitor_linux::LogindHolds logindHolds;
    monitor_linux::GnomeSessionHolds gnomeHolds;
    monitor_linux::PowerManagementHolds powerHolds;
    holds.Add(logindHolds);
    holds.Add(gnomeHolds);
    holds.Add(powerHolds);
    if (input.holds) holds.Add(*input.holds);
    log_linux::StderrReport systemLog(journal);
    app::Application app(
        {view, shell, input.poll.get(), files, clock, power, marker, systemLog, input.activity.get(),
         DORMIX_TRACE_VIEW ? static_cast<monitor::OtherSessions*>(&others) : &sessions,
         &adminSettings, &holds},
        argumentText, ProgramName(argv[0]));
    shell.Bind(&app);

    if (marker.Directory().empty()) return RefuseWithoutMarker(journal);
    KeepLogPrivate();
    if (!app.Main()) return RunNotice(qapp, app, qtView, shell);
    // A first copy holds the marker; one that could not make it cannot
    // know it is the first.
    if (app.Guard().GuardHandle() == 0 && !app::HasAllowMulti(argumentText))
        return RefuseWithoutMarker(journal);

    // A signal is how the session, the system's shutdown or a package's
    // removal ends the program: nobody is left to answer a box.
    linux_app::SignalBridge endSignals([&] { app.OnSessionEnd(); });
    power_linux::LogindSleepWatch sleepWatch([&] {
        TraceLine("resume");
        app.OnResume();
    });
    if (!endSignals.UsesPipe()) TraceLine("signals watched by a timer");
    if (input.connection) {
        input.connection->onLost = [&] {
            std::fprintf(stderr, "DormixL: the connection to the Wayland compositor was lost.\n");
            app.OnSessionEnd();
        };
    }
    // In a Wayland session the X server going is how the compositor's end
    // often shows first (KWin stops its XWayland before its own socket
    // closes): that is a session's end, not a failure.
    onDisplayLost = [&] {
        if (session.wayland)
            std::fprintf(stderr, "DormixL: the X server of the Wayland session has gone.\n");
        shell.DisplayLost(session.wayland ? 0 : 1);
        app.OnSessionEnd();
    };
    std::atexit(AtExit);
    TraceLine("input " + input.description);
    app.OnMainLoad();
    const int status = qapp.exec();
    onDisplayLost = nullptr;
    return status;
}
