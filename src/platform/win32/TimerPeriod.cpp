// Compiled into each executable on its own: the fast test build defines
// DORMIX_TIMER_DIVISOR to run the same cycle at a fraction of the period.
#include "platform/win32/BeatTimer.h"

#ifndef DORMIX_TIMER_DIVISOR
#define DORMIX_TIMER_DIVISOR 1
#endif

namespace dormix::win32 {

int TimerPeriodMs(int intervalMs) { return intervalMs / DORMIX_TIMER_DIVISOR; }

}  // namespace dormix::win32
