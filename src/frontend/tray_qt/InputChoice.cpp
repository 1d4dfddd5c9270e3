#include "frontend/tray_qt/InputChoice.h"

#include <cstdlib>
#include <cstring>
#include <string_view>

#include "platform/linux/wayland/ExtIdleSource.h"
#include "platform/linux/wayland/KdeIdleSource.h"
#include "platform/linux/wayland/MutterIdleSource.h"
#include "platform/linux/x11/X11InputSource.h"

namespace dormix::tray_qt {

SessionKind SessionFromEnvironment() {
    const char* display = std::getenv("WAYLAND_DISPLAY");
    if (display && *display) return {true, std::string("WAYLAND_DISPLAY=") + display};
    const char* type = std::getenv("XDG_SESSION_TYPE");
    if (type && std::strcmp(type, "wayland") == 0) return {true, "XDG_SESSION_TYPE=wayland"};
    return {};
}

SessionKind DetectSession(bool xwaylandOutputs) {
    SessionKind session = SessionFromEnvironment();
    if (!session.wayland && xwaylandOutputs) session = {true, "XWayland outputs"};
    session.xwayland = xwaylandOutputs;
    return session;
}

namespace {

InputChoice X11Choice(const std::string& note = {}) {
    InputChoice choice;
    choice.x11 = true;
    choice.poll = linux_x11::X11InputSource::Open();
    choice.description =
        (choice.poll ? "X11 with XInput 2" : "the X server has no XInput 2.1 or later") + note;
    return choice;
}

}  // namespace

InputChoice ChooseInput(const SessionKind& session) {
    if (!session.wayland) return X11Choice();
    auto connection = linux_wayland::WaylandConnection::Open();
    if (!connection && !session.xwayland)
        return X11Choice(" (" + session.evidence + ", but no Wayland compositor answers)");
    InputChoice choice;
    if (connection) {
        linux_wayland::WaylandConnection& link = *connection;
        std::unique_ptr<linux_wayland::NotificationSource> source =
            linux_wayland::ExtIdleSource::Open(connection);
        if (!source) source = linux_wayland::KdeIdleSource::Open(connection);
        if (source) {
            choice.description = source->Protocol();
            choice.connection = &link;
            choice.holds = source.get();
            choice.activity = std::move(source);
            return choice;
        }
    }
    choice.activity = linux_wayland::OpenMutterIdleSource();
    if (choice.activity) {
        choice.description = "org.gnome.Mutter.IdleMonitor";
        return choice;
    }
    choice.description = "Wayland session (" + session.evidence + ") with ";
    choice.description += connection ? "a compositor that offers neither ext-idle-notify-v1 nor "
                                       "org_kde_kwin_idle"
                                     : "no connection to its compositor";
    choice.description += ", and no org.gnome.Mutter.IdleMonitor on the session bus";
    return choice;
}

}  // namespace dormix::tray_qt
