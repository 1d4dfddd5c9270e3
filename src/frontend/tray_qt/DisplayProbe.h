#pragma once

typedef struct _XDisplay Display;

#include "frontend/tray_qt/InputChoice.h"

namespace dormix::tray_qt {

// A first connection to the X display in $DISPLAY, asked before Qt starts:
// Qt's own failure is an abort with a hint about platform plugins, which
// tells a user nothing.
class DisplayProbe {
  public:
    DisplayProbe() = default;
    DisplayProbe(const DisplayProbe&) = delete;
    DisplayProbe& operator=(const DisplayProbe&) = delete;
    ~DisplayProbe() { Release(); }

    // True when the display answers. Otherwise says on stderr why the
    // program cannot start: in a Wayland session, that XWayland is missing;
    // elsewhere, how to try it under Xvfb.
    bool Open(const SessionKind& session);
    // XWayland names its RandR outputs XWAYLAND0, XWAYLAND1, ...
    bool XWaylandOutputs() const;
    // Held until Qt has its own connection: an X server whose last client
    // leaves resets itself and refuses connections meanwhile.
    void Release();

  private:
    Display* display_ = nullptr;
};

}  // namespace dormix::tray_qt
