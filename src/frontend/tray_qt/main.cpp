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
    linux_app::IgnoreHarmlessSignals();
    // Qt takes its own options out of argv; the argument text is what was given.
    std::vector<std::string> given(argv + 1, argv + argc);
    std::vector<std::string_view> views(given.begin(), given.end());
    const std::string argumentText = app::ArgumentTextFromArgs(views);
    settings_linux::ConfFiles conf;
    const settings::Effective adminSettings = settings::Load(conf);
    if (argumentText == "--settings") return linux_app::PrintSettings(adminSettings);
    if (const std::string warning = app::ArgumentWarning(argumentText); !warning.empty())
        std::fprintf(stderr, "%s\n", warning.c_str());
    linux_app::PrintWarnings(adminSettings);

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
    if (!input.poll && !input.activity) return linux_app::RefuseBlind(input);
    probe.Release();
    linux_app::Program program(qapp, input, session, argumentText, adminSettings,
                               linux_app::ProgramName(argv[0]));
    return program.Run();
}
