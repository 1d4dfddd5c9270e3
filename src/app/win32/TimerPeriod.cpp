// Compiled into each executable on its own: the fast test build defines
// DORMIX_TICK_DIVISOR to run the same cycle at a fraction of the period.
#include "ui/win32/BeatTimer.h"

#ifndef DORMIX_TICK_DIVISOR
#define DORMIX_TICK_DIVISOR 1
#endif

namespace dormix::win32 {

int TimerPeriodMs(int intervalMs) { return intervalMs / DORMIX_TICK_DIVISOR; }

}  // namespace dormix::win32
