#include "monitor/wayland/MutterIdleSource.h"

namespace dormix::monitor::wayland {

// Not yet asked over D-Bus: no GNOME session is recognised.
std::unique_ptr<monitor::ActivitySource> OpenMutterIdleSource() { return nullptr; }

}  // namespace dormix::monitor::wayland
