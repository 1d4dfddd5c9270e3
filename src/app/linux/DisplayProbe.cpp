#include "app/linux/DisplayProbe.h"

#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>

namespace dormix::linux_app {

bool DisplayReachable() {
    // Asked before Qt starts: Qt's own failure is an abort with a hint
    // about platform plugins, which tells a user nothing.
    if (Display* probe = XOpenDisplay(nullptr)) {
        XCloseDisplay(probe);
        return true;
    }
    const char* name = std::getenv("DISPLAY");
    std::fprintf(stderr,
                 "DormixL: cannot open the X display \"%s\"; it needs an X11 desktop.\n"
                 "To try it without one, run it under Xvfb: scripts/run --virtual-display\n",
                 name ? name : "");
    return false;
}

}  // namespace dormix::linux_app
