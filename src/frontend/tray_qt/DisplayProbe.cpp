#include "frontend/tray_qt/DisplayProbe.h"

#include <X11/Xlib-xcb.h>
#include <X11/Xlib.h>
#include <xcb/randr.h>

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace dormix::tray_qt {

bool DisplayProbe::Open(const SessionKind& session) {
    display_ = XOpenDisplay(nullptr);
    if (display_) return true;
    const char* name = std::getenv("DISPLAY");
    if (session.wayland) {
        std::fprintf(stderr,
                     "DormixL: Wayland session (%s) without XWayland: cannot open the X display "
                     "\"%s\".\nIts windows need XWayland; enable XWayland in the compositor.\n",
                     session.evidence.c_str(), name ? name : "");
        return false;
    }
    std::fprintf(
        stderr,
        "DormixL: cannot open the X display \"%s\"; it needs an X11 desktop.\n"
        "Start it in a desktop session (from its menu entry, or dormix-lite in a\n"
        "terminal there); to try it without one: xvfb-run -a dormix-lite -InhibitShutdown\n",
        name ? name : "");
    return false;
}

bool DisplayProbe::XWaylandOutputs() const {
    if (!display_) return false;
    Display* x = display_;
    xcb_connection_t* c = XGetXCBConnection(x);
    const xcb_query_extension_reply_t* randr = xcb_get_extension_data(c, &xcb_randr_id);
    if (!randr || !randr->present) return false;
    auto* resources = xcb_randr_get_screen_resources_current_reply(
        c, xcb_randr_get_screen_resources_current(c, DefaultRootWindow(x)), nullptr);
    if (!resources) return false;
    const xcb_randr_output_t* outputs = xcb_randr_get_screen_resources_current_outputs(resources);
    const int count = xcb_randr_get_screen_resources_current_outputs_length(resources);
    bool found = false;
    for (int i = 0; i < count && !found; ++i) {
        auto* info = xcb_randr_get_output_info_reply(
            c, xcb_randr_get_output_info(c, outputs[i], resources->config_timestamp), nullptr);
        if (!info) continue;
        const std::string_view name(
            reinterpret_cast<const char*>(xcb_randr_get_output_info_name(info)),
            std::size_t(xcb_randr_get_output_info_name_length(info)));
        found = name.starts_with("XWAYLAND");
        std::free(info);
    }
    std::free(resources);
    return found;
}

void DisplayProbe::Release() {
    if (display_) XCloseDisplay(display_);
    display_ = nullptr;
}

}  // namespace dormix::tray_qt
