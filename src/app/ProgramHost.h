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

// The front end's window and desktop, one port per need. A front end whose
// one object is all of them hands it over with Of().
struct Desktop {
    ui::RefreshTimer& timer;
    ui::MessageBoxes& boxes;
    ui::WindowState& window;
    ui::NotificationIcon& icon;
    ui::AboutHost& about;
    ProgramHost& host;
    log::ProcessExit& exit;

    template <typename T>
    static Desktop Of(T& all) {
        return {all, all, all, all, all, all, all};
    }
};

}  // namespace dormix::app
