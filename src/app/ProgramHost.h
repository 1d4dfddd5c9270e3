#pragma once
// What only the tray program's start and its notice window ask of the
// desktop, beside the window ports the cycle shares with it.

#include "log/ProgramEnd.h"
#include "ui/WindowPorts.h"

namespace dormix::app {

class ProgramHost {
  public:
    virtual ~ProgramHost() = default;
    // Highest thread priority in a high-priority process, where permitted.
    virtual void RaisePriority() = 0;
    // The notice window of a second copy: above all non-topmost windows.
    virtual void SetNoticeTopmost() = 0;
};

// Every port a tray program's window object carries, for a front end whose
// one object is all of them.
class DesktopPorts : public ui::RefreshTimer,
                     public ui::MessageBoxes,
                     public ui::WindowState,
                     public ui::NotificationIcon,
                     public ui::AboutHost,
                     public ProgramHost,
                     public log::ProcessExit {};

// The front end's window and desktop, one port per need.
struct Desktop {
    ui::RefreshTimer& timer;
    ui::MessageBoxes& boxes;
    ui::WindowState& window;
    ui::NotificationIcon& icon;
    ui::AboutHost& about;
    ProgramHost& host;
    log::ProcessExit& exit;

    static Desktop Of(DesktopPorts& all) { return {all, all, all, all, all, all, all}; }
};

}  // namespace dormix::app
