#pragma once
// Use seen through GNOME's idle monitor on the session bus.

#include <memory>

#include "monitor/ActivitySource.h"

namespace dormix::monitor::wayland {

// Null when the session bus has no org.gnome.Mutter.IdleMonitor.
std::unique_ptr<monitor::ActivitySource> OpenMutterIdleSource();

}  // namespace dormix::monitor::wayland
