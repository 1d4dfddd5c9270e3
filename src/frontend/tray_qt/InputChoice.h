#pragma once
// Which source sees the user, decided once at start from the session: the
// X11 poll on an X server of its own; in a Wayland session, where XWayland
// sees only what is aimed at X11 windows, the compositor's idle
// notifications (ext-idle-notify-v1, then KDE's), then GNOME's idle monitor.

#include <memory>
#include <string>

#include "monitor/ActivitySource.h"
#include "monitor/Holds.h"
#include "monitor/InputSource.h"

namespace dormix::linux_wayland {
class WaylandConnection;
}

namespace dormix::tray_qt {

struct SessionKind {
    bool wayland = false;
    // How it was recognised: "WAYLAND_DISPLAY=wayland-1", "XDG_SESSION_TYPE=wayland",
    // "XWayland outputs"; empty for X11.
    std::string evidence;
    // The X server is XWayland: a Wayland session whatever else answers.
    bool xwayland = false;
};

// From the environment alone (before any X connection).
SessionKind SessionFromEnvironment();
// The environment, else whether the X server's RandR outputs are XWayland's.
SessionKind DetectSession(bool xwaylandOutputs);

struct InputChoice {
    std::unique_ptr<monitor::InputSource> poll;
    std::unique_ptr<monitor::ActivitySource> activity;
    // The compositor connection behind `activity`, if it has one.
    linux_wayland::WaylandConnection* connection = nullptr;
    // The compositor's idle inhibitors, where its notifications tell them
    // from input; part of `activity`.
    monitor::Holds* holds = nullptr;
    // What was chosen, or why nothing could be.
    std::string description;
    bool x11 = false;  // the X11 rules applied
};

// Both empty: nothing can see the user here; `description` says why.
// A session that only the environment calls Wayland is trusted as one only
// when a compositor answers: variables inherited in an X11 session (from a
// systemd user environment, say) must not blind the X11 source.
InputChoice ChooseInput(const SessionKind& session);

}  // namespace dormix::tray_qt
