// DormixL for Linux desktops: Qt 6 Widgets on X11 or XWayland, input from
// XInput2 or the Wayland compositor, power-off through logind, the
// running-copy marker a flock. What can be decided without a display comes
// first; Program builds the rest once the display and the input are known.
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "app/Arguments.h"
#include "frontend/tray_qt/DisplayProbe.h"
#include "frontend/tray_qt/InputChoice.h"
#include "frontend/tray_qt/Program.h"
#include "frontend/tray_qt/QtBusWait.h"
#include "frontend/tray_qt/SignalBridge.h"
#include "frontend/tray_qt/StartUp.h"
#include "platform/linux/settings/ConfFiles.h"

int main(int argc, char** argv) {
    using namespace dormix;
    tray_qt::IgnoreHarmlessSignals();
    // Qt takes its own options out of argv; the argument text is what was given.
    std::vector<std::string> given(argv + 1, argv + argc);
    std::vector<std::string_view> views(given.begin(), given.end());
    const std::string argumentText = app::ArgumentTextFromArgs(views);
    linux_settings::ConfFiles conf;
    const settings::Effective adminSettings = settings::Load(conf);
    if (argumentText == "--settings") return tray_qt::PrintSettings(adminSettings);
    if (const std::string warning = app::ArgumentWarning(argumentText); !warning.empty())
        std::fprintf(stderr, "%s\n", warning.c_str());
    tray_qt::PrintWarnings(adminSettings);

    // The windows stay on X11 also in a Wayland session: there a window can
    // be centred and kept above the others, which Wayland leaves to the
    // compositor. KWin passes QT_QPA_PLATFORM=wayland to what it starts.
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (!platform || std::string_view(platform).find("wayland") != std::string_view::npos)
        ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    tray_qt::DisplayProbe probe;
    if (!probe.Open(tray_qt::SessionFromEnvironment())) return 1;
    const tray_qt::SessionKind session = tray_qt::DetectSession(probe.XWaylandOutputs());

    QApplication qapp(argc, argv);
    // Every window is hidden most of the time; closing a message box must
    // not end the program.
    QApplication::setQuitOnLastWindowClosed(false);
    tray_qt::QtBusWait busWait;

    tray_qt::InputChoice input = tray_qt::ChooseInput(session);
    if (!input.poll && !input.activity) return tray_qt::RefuseBlind(input);
    probe.Release();
    tray_qt::Program program(qapp, input, session, argumentText, adminSettings,
                             tray_qt::ProgramName(argv[0]));
    return program.Run();
}
