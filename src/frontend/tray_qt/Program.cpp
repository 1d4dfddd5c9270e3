#include "frontend/tray_qt/Program.h"

#include <QGuiApplication>
#include <QScreen>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <utility>

#include "app/Arguments.h"
#include "frontend/tray_qt/LogindSleepWatch.h"
#include "frontend/tray_qt/NoticeWindow.h"
#include "frontend/tray_qt/SignalBridge.h"
#include "frontend/tray_qt/StartUp.h"
#include "monitor/MonitorCycle.h"
#include "platform/linux/wayland/WaylandConnection.h"
#include "ui/Texts.h"

#ifndef DORMIX_TIMER_DIVISOR
#define DORMIX_TIMER_DIVISOR 1
#endif
#ifndef DORMIX_TRACE_VIEW
#define DORMIX_TRACE_VIEW 0
#endif

namespace dormix::tray_qt {

namespace {

// Qt and Xlib end the process with exit(1) when the X server goes away (a
// logout without a session manager, a crash): the log still gets its "Exit".
std::function<void()> onDisplayLost;
void AtExit() {
    if (auto f = std::exchange(onDisplayLost, nullptr)) f();
}

// Input in another text session counts while it is younger than our own
// limit, in the time the ticks of this build measure.
std::chrono::milliseconds OthersIdleLimit(const std::string& argumentText,
                                          const settings::Effective& settings) {
    const int limitTicks =
        app::HasInhibitShutdown(argumentText) ? monitor::InhibitLimit : settings.limits.IdleLimit;
    return std::chrono::milliseconds(limitTicks * 1000 / DORMIX_TIMER_DIVISOR);
}

}  // namespace

bool TracingSessions::OtherSessionInUse() {
    const bool inUse = sessions_.OtherSessionInUse();
    if (sessions_.Reason() != last_) TraceLine("other sessions " + (last_ = sessions_.Reason()));
    return inUse;
}

Program::Program(QApplication& qapp, InputChoice& input, SessionKind session,
                 std::string argumentText, const settings::Effective& settings,
                 std::string programName)
    : qapp_(qapp),
      input_(input),
      session_(session),
      argumentText_(std::move(argumentText)),
      shell_(mainWindow_, qtView_, tray_, DORMIX_TIMER_DIVISOR),
      files_([this](const std::string& why) { WarnWithoutLock(why); }),
      sessions_(OthersIdleLimit(argumentText_, settings)),
      app_({.view = DORMIX_TRACE_VIEW ? static_cast<ui::View&>(tracing_) : qtView_,
            .desktop = app::Desktop::Of(shell_),
            .input = input.poll.get(),
            .files = files_,
            .clock = clock_,
            .power = power_,
            .marker = marker_,
            .systemLog = systemLog_,
            .activity = input.activity.get(),
            .otherSessions = DORMIX_TRACE_VIEW
                                 ? static_cast<monitor::OtherSessions*>(&tracingSessions_)
                                 : &sessions_,
            .settings = &settings,
            .holds = &holds_},
           argumentText_, std::move(programName)) {
    if (DORMIX_TRACE_VIEW) shell_.trace = [](std::string_view line) { TraceLine(line); };
    holds_.Add(logindHolds_);
    holds_.Add(gnomeHolds_);
    holds_.Add(powerHolds_);
    if (input.holds) holds_.Add(*input.holds);
    shell_.Bind(&app_);
}

void Program::WarnWithoutLock(const std::string& why) {
    const std::string warning = text::Fill(text::LogWithoutLock, {why});
    std::fprintf(stderr, "DormixL: %s\n", warning.c_str());
    journal_.Failure({log::SystemEvent::LogWithoutLock, text::ProductTitle, warning, 0, {}});
}

int Program::RunNotice() {
    tray_qt::NoticeWindow notice(qtView_);
    shell_.SetNotice(&notice);
    notice.onOk = [&] { app_.OnNoticeOk(); };
    notice.onActivate = [&] { app_.OnNoticeActivate(); };
    notice.onClosed = [] { QCoreApplication::quit(); };
    // The notice copy writes nothing anywhere: a signal just ends it.
    SignalBridge endSignals([] { QCoreApplication::quit(); });
    app_.OnNoticeLoad();
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    notice.move(screen.center() - notice.rect().center());
    notice.show();
    app_.OnNoticeActivate();
    TraceLine("notice shown");
    return qapp_.exec();
}

int Program::Run() {
    if (marker_.Directory().empty()) return RefuseWithoutMarker(journal_);
    KeepLogPrivate();
    if (!app_.Main()) return RunNotice();
    // A first copy holds the marker; one that could not make it cannot
    // know it is the first.
    if (app_.Guard().GuardHandle() == 0 && !app::HasAllowMulti(argumentText_))
        return RefuseWithoutMarker(journal_);

    // A signal is how the session, the system's shutdown or a package's
    // removal ends the program: nobody is left to answer a box.
    SignalBridge endSignals([&] { app_.OnSessionEnd(); });
    LogindSleepWatch sleepWatch([&] {
        TraceLine("resume");
        app_.OnResume();
    });
    if (!endSignals.UsesPipe()) TraceLine("signals watched by a timer");
    if (input_.connection) {
        input_.connection->onLost = [&] {
            std::fprintf(stderr, "DormixL: the connection to the Wayland compositor was lost.\n");
            app_.OnSessionEnd();
        };
    }
    // In a Wayland session the X server going is how the compositor's end
    // often shows first (KWin stops its XWayland before its own socket
    // closes): that is a session's end, not a failure.
    onDisplayLost = [&] {
        if (session_.wayland)
            std::fprintf(stderr, "DormixL: the X server of the Wayland session has gone.\n");
        shell_.DisplayLost(session_.wayland ? 0 : 1);
        app_.OnSessionEnd();
    };
    std::atexit(AtExit);
    TraceLine("input " + input_.description);
    app_.OnMainLoad();
    const int status = qapp_.exec();
    onDisplayLost = nullptr;
    return status;
}

}  // namespace dormix::tray_qt
