#pragma once

#include <cstdint>

namespace dormix::monitor {

inline constexpr std::int16_t NormalIdleLimit = 900;
inline constexpr std::int16_t NormalCountdownLength = 60;
// Four hours: a film, a lecture, a long update. 0 lets no hold postpone.
inline constexpr std::int32_t DefaultHoldLimit = 14400;

// The normal run's idle limit, countdown and hold cap, fixed for the program's life.
// An administrator's settings may change them; -InhibitShutdown and the
// Test button keep their own.
struct CycleLimits {
    std::int16_t IdleLimit = NormalIdleLimit;
    std::int16_t CountdownLength = NormalCountdownLength;
    // Seconds a hold may postpone the countdown once the idle limit is reached.
    std::int32_t HoldLimit = DefaultHoldLimit;
    bool operator==(const CycleLimits&) const = default;
};

}  // namespace dormix::monitor
