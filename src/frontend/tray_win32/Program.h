#pragma once
// Builds the Windows ports, hands them to the Application, and runs the
// window of this copy: the main window, or the notice of a second copy.

#include <memory>
#include <string>

#include "app/Application.h"
#include "frontend/tray_win32/Forms.h"
#include "frontend/tray_win32/MutexMarker.h"
#include "frontend/tray_win32/WinShell.h"
#include "frontend/tray_win32/WinView.h"
#include "monitor/LastInputNet.h"
#include "platform/win32/log/EventLogMirror.h"
#include "platform/win32/log/FileSystemLogFiles.h"
#include "platform/win32/log/LocalClock.h"
#include "platform/win32/monitor/AsyncKeyInput.h"
#include "platform/win32/monitor/DisplayRequests.h"
#include "platform/win32/monitor/LastInputInfo.h"
#include "platform/win32/monitor/WtsSessions.h"
#include "platform/win32/power/TokenPowerApi.h"
#include "settings/Settings.h"

namespace dormix::tray_win32 {

// The executable's file name without folder and extension.
std::string ProgramFileStem();
// One line to whoever can read this copy's stderr, if anybody can.
void WarnOnStderr(std::string_view line);

class Program {
  public:
    Program(HINSTANCE instance, std::string argumentText);
    int Run();

  private:
    int MessageLoop();
    int RefuseWithoutMarker();

    HINSTANCE instance_;
    bool allowMulti_;
    int dpi_;
    tray_win32::WinView view_;
    tray_win32::WinShell shell_;
    win32_monitor::AsyncKeyInput input_;
    // Beside the key poll: what the poll cannot see still moves this.
    win32_monitor::LastInputInfo lastInput_;
    monitor::LastInputNet net_{lastInput_};
    win32_monitor::WtsSessions otherSessions_;
    win32_monitor::DisplayRequests displayRequests_;
    win32_log::FileSystemLogFiles files_;
    win32_log::LocalClock clock_;
    win32_power::TokenPowerApi power_;
    MutexMarker marker_;
    win32_log::EventLogMirror eventLog_;
    // Read once, before the Application that keeps a pointer to it.
    settings::Effective settings_;
    app::Application app_;
    std::unique_ptr<tray_win32::MainWindow> main_;
    std::unique_ptr<tray_win32::NoticeWindow> notice_;
};

}  // namespace dormix::tray_win32
