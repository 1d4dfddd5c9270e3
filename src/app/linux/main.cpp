// DormixL for Linux desktops: Qt 6 Widgets on X11, input from Xlib and
// XInput2, power-off through logind, the running-copy marker a flock.
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
#include "app/linux/LocalClock.h"
#include "app/linux/SignalBridge.h"
#include "log/FileSystemLogFiles.h"
#include "monitor/x11/X11InputSource.h"
#include "power/linux/LogindPowerApi.h"
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

// Without a marker no copy can tell whether another runs: refusing is the
// only answer that never lets two count down at once.
int RefuseWithoutMarker() {
    std::string text;
    for (std::string_view line : text::MarkerUnusable) text.append(line).append("\n");
    std::fprintf(stderr, "DormixL: %s", text.c_str());
    TraceLine("marker unusable");
    QMessageBox::warning(nullptr, qt::DisplayText(app::NoticeCaption()),
                         QString::fromStdString(text));
    return 1;
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

    // The input source speaks X11: under a Wayland session Qt would otherwise
    // pick Wayland while the pointer and keys come from XWayland.
    if (!std::getenv("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    linux_app::DisplayProbe probe;
    if (!probe.Open()) return 1;

    QApplication qapp(argc, argv);
    // Every window is hidden most of the time; closing a message box must
    // not end the program.
    QApplication::setQuitOnLastWindowClosed(false);

    auto input = x11::X11InputSource::Open();
    if (!input) {
        std::fprintf(stderr, "DormixL: the X server has no XInput 2 extension.\n");
        return 1;
    }
    probe.Release();
    qt::QtView qtView;
    qt::TracingView tracing(qtView);
    ui::View& view = DORMIX_TRACE_VIEW ? static_cast<ui::View&>(tracing) : qtView;
    qt::MainWindow mainWindow(qtView);
    qt::TrayIcon tray;
    qt::QtShell shell(mainWindow, qtView, tray, DORMIX_TIMER_DIVISOR);
    if (DORMIX_TRACE_VIEW) shell.trace = TraceLine;

    log::FileSystemLogFiles files;
    linux_app::LocalClock clock;
    power_linux::LogindPowerApi power;
    linux_app::FlockMarker marker;
    app::Application app({view, shell, *input, files, clock, power, marker}, argumentText,
                         ProgramName(argv[0]));
    shell.Bind(&app);

    if (marker.Directory().empty()) return RefuseWithoutMarker();
    if (!app.Main()) return RunNotice(qapp, app, qtView, shell);
    // A first copy holds the marker; one that could not make it cannot
    // know it is the first.
    if (app.Guard().GuardHandle() == 0 && !app::HasAllowMulti(argumentText))
        return RefuseWithoutMarker();

    linux_app::SignalBridge endSignals([&] { app.OnMainUnload(); });
    if (!endSignals.UsesPipe()) TraceLine("signals watched by a timer");
    onDisplayLost = [&] {
        shell.DisplayLost();
        app.OnMainUnload();
    };
    std::atexit(AtExit);
    app.OnMainLoad();
    const int status = qapp.exec();
    onDisplayLost = nullptr;
    return status;
}
