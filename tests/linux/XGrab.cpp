// Holds a keyboard and a pointer grab on the X display, as a VM viewer or an
// open menu does: prints "grabbed" once both are held, then waits to be killed.
#include <X11/Xlib.h>

#include <cstdio>

int main() {
    Display* d = XOpenDisplay(nullptr);
    if (!d) return 1;
    const Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 100, 100, 0, 0, 0);
    XSelectInput(d, w, StructureNotifyMask);
    XMapWindow(d, w);
    for (XEvent e;;) {
        XNextEvent(d, &e);
        if (e.type == MapNotify) break;
    }
    if (XGrabKeyboard(d, w, False, GrabModeAsync, GrabModeAsync, CurrentTime) != GrabSuccess ||
        XGrabPointer(d, w, False, ButtonPressMask | ButtonReleaseMask, GrabModeAsync, GrabModeAsync,
                     None, None, CurrentTime) != GrabSuccess)
        return 1;
    std::printf("grabbed\n");
    std::fflush(stdout);
    for (XEvent e;;) XNextEvent(d, &e);
}
