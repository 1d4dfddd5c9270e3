#pragma once

namespace dormix::linux_app {

// True when the X display in $DISPLAY answers. Otherwise says on stderr why
// the program cannot start and how to try it under Xvfb, and returns false.
bool DisplayReachable();

}  // namespace dormix::linux_app
