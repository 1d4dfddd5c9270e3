// Test helper: succeeds when a tray host owns the system tray selection of
// the default screen, the moment it is ready to embed icons.
//   x11_tray_owner
#include <X11/Xlib.h>

#include <string>

int main() {
    Display* display = XOpenDisplay(nullptr);
    if (!display) return 2;
    const std::string name = "_NET_SYSTEM_TRAY_S" + std::to_string(DefaultScreen(display));
    const Window owner = XGetSelectionOwner(display, XInternAtom(display, name.c_str(), False));
    XCloseDisplay(display);
    return owner == None ? 1 : 0;
}
