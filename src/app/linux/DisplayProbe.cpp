#include "app/linux/DisplayProbe.h"

#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>

namespace dormix::linux_app {

bool DisplayProbe::Open() {
    display_ = XOpenDisplay(nullptr);
    if (display_) return true;
    const char* name = std::getenv("DISPLAY");
    std::fprintf(stderr,
                 "DormixL: cannot open the X display \"%s\"; it needs an X11 desktop.\n"
                 "To try it without one, run it under Xvfb: scripts/run --virtual-display\n",
                 name ? name : "");
    return false;
}

void DisplayProbe::Release() {
    if (display_) XCloseDisplay(display_);
    display_ = nullptr;
}

}  // namespace dormix::linux_app
