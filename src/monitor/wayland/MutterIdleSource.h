#pragma once
// GNOME's idle monitor: mutter offers no Wayland idle protocol, but tells
// any client of the session bus how long ago the last key or pointer input
// came (org.gnome.Mutter.IdleMonitor, GetIdletime on its Core object).

#include <memory>

#include "monitor/ActivitySource.h"

namespace dormix::monitor::wayland {

// Null when the session bus has no idle monitor that answers within a
// second and a half.
std::unique_ptr<monitor::ActivitySource> OpenMutterIdleSource();

}  // namespace dormix::monitor::wayland
