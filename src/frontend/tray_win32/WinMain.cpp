// Entry of DormixL.exe.
#include "app/Arguments.h"
#include "frontend/tray_win32/Program.h"
#include "frontend/tray_win32/Wnd.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // Dpi awareness and Common Controls 6 come from the manifest.
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    try {
        const std::string arguments = dormix::app::ArgumentTextFromCommandLine(GetCommandLineA());
        dormix::tray_win32::WarnOnStderr(dormix::app::ArgumentWarning(arguments));
        dormix::tray_win32::Program program(instance, arguments);
        return program.Run();
    } catch (const std::exception& e) {
        dormix::tray_win32::FatalReport(e.what());
    }
}
