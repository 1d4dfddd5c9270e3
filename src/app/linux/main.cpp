// DormixL for Linux desktops: Qt 6 Widgets on X11 or XWayland, input from
// XInput2 or the Wayland compositor, power-off through logind, the
// running-copy marker a flock.
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
#include "app/linux/DisplayProbe.h"
#include "app/linux/FlockMarker.h"
#include "app/linux/InputChoice.h"
#include "app/linux/LocalClock.h"
#include "app/linux/SignalBridge.h"
#include "log/FileSystemLogFiles.h"
#include "log/linux/JournalLog.h"
#include "monitor/wayland/WaylandConnection.h"
#include "power/linux/LogindPowerApi.h"
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

// A start refused before anything is logged: a warning box, then status 1.
int RefuseWithBox(const std::string& title, const std::string& body) {
    QMessageBox box(QMessageBox::Warning, QString::fromStdString(title),
                    QString::fromStdString(body), QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    box.exec();
    return 1;
}

// No source sees the user: say so and monitor nothing.
int RefuseBlind(const linux_app::InputChoice& choice) {
    std::fprintf(stderr,
                 "DormixL: %s: keys and the mouse cannot be seen, so nothing is monitored.\n",
                 choice.description.c_str());
    // An autostarted copy has no terminal: the box is what the user sees.
    const std::string_view why = choice.x11 ? text::BlindX11 : text::BlindSession;
    const std::string title = std::string(text::ProductTitle) + std::string(text::BlindTitleSuffix);
    const std::string body = std::string(why) + "\n\n" + std::string(text::BlindEnd);
    TraceLine("message warning [" + title + "] " + std::string(why) + " | " +
              std::string(text::BlindEnd));
    return RefuseWithBox(title, body);
}

// Without a marker no copy can tell whether another runs: refusing is the
// only answer that never lets two count down at once.
int RefuseWithoutMarker() {
    std::string text;
    for (std::string_view line : text::MarkerUnusable) text.append(line).append("\n");
    std::fprintf(stderr, "DormixL: %s", text.c_str());
    TraceLine("marker unusable");
    return RefuseWithBox(app::NoticeCaption(), text);
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
    linux_app::LocalClock clock;
    power_linux::LogindPowerApi power;
    linux_app::FlockMarker marker;
    app::Application app(
        {view, shell, input.poll.get(), files, clock, power, marker, journal,
         input.activity.get()},
        argumentText, ProgramName(argv[0]));
    shell.Bind(&app);

    if (marker.Directory().empty()) return RefuseWithoutMarker();
    if (!app.Main()) return RunNotice(qapp, app, qtView, shell);
    // A first copy holds the marker; one that could not make it cannot
    // know it is the first.
    if (app.Guard().GuardHandle() == 0 && !app::HasAllowMulti(argumentText))
        return RefuseWithoutMarker();

    linux_app::SignalBridge endSignals([&] { app.OnMainUnload(); });
    power_linux::LogindSleepWatch sleepWatch([&] {
        TraceLine("resume");
        app.OnResume();
    });
    if (!endSignals.UsesPipe()) TraceLine("signals watched by a timer");
    if (input.connection) {
        input.connection->onLost = [&] {
            std::fprintf(stderr, "DormixL: the connection to the Wayland compositor was lost.\n");
            app.OnMainUnload();
        };
    }
    // In a Wayland session the X server going is how the compositor's end
    // often shows first (KWin stops its XWayland before its own socket
    // closes): that is a session's end, not a failure.
    onDisplayLost = [&] {
        if (session.wayland)
            std::fprintf(stderr, "DormixL: the X server of the Wayland session has gone.\n");
        shell.DisplayLost(session.wayland ? 0 : 1);
        app.OnMainUnload();
    };
    std::atexit(AtExit);
    TraceLine("input " + input.description);
    app.OnMainLoad();
    const int status = qapp.exec();
    onDisplayLost = nullptr;
    return status;
}
