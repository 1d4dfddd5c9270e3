#pragma once

#include <cstdint>
#include <vector>

#include "monitor/Limits.h"
#include "monitor/Schedule.h"
#include "power/PowerApi.h"

namespace dormix::monitor {

// The normal run's idle limit, countdown and hold cap, and what the
// administrator allows the user, fixed for the program's life. An
// administrator's settings may change them; -InhibitShutdown and the Test
// button keep their own limits.
struct CycleLimits {
    // Outside every window of the schedule.
    std::int16_t IdleLimit = NormalIdleLimit;
    std::int16_t CountdownLength = NormalCountdownLength;
    // Seconds a hold may postpone the countdown once the idle limit is reached.
    std::int32_t HoldLimit = DefaultHoldLimit;
    // False: the Exit button is disabled and closing the window only puts
    // it back in the tray; the session's end still ends the program.
    bool AllowExit = true;
    // What the countdown ends in. Where the machine cannot hibernate or
    // sleep it is switched off instead.
    power::EndAction Action = power::EndAction::PowerOff;
    // Times of the week with an idle limit of their own; the first listed
    // wins where two overlap.
    std::vector<ScheduleWindow> Schedule;

    // The idle limit at `weekday` (0 Monday) and `minute` since midnight:
    // the first window in force there, or IdleLimit.
    std::int16_t IdleLimitAt(int weekday, int minute) const {
        const int window = WindowInForce(Schedule, weekday, minute);
        return window < 0 ? IdleLimit : Schedule[window].limit;
    }
    bool operator==(const CycleLimits&) const = default;
};

}  // namespace dormix::monitor
