#pragma once
// GNOME's idle monitor: mutter offers no Wayland idle protocol, but any
// client of the session bus may set watches that fire when the user goes
// idle or comes back, and ask how long ago the last key or pointer input
// came (org.gnome.Mutter.IdleMonitor, on its Core object).

#include <memory>

#include "monitor/ActivitySource.h"

namespace dormix::linux_wayland {

// Null when the session bus has no idle monitor that answers within a
// second and a half.
std::unique_ptr<monitor::ActivitySource> OpenMutterIdleSource();

}  // namespace dormix::linux_wayland
