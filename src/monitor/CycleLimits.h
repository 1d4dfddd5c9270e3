#pragma once

#include <cstdint>

namespace dormix::monitor {

inline constexpr std::int16_t NormalIdleLimit = 900;
inline constexpr std::int16_t NormalCountdownLength = 60;

// The normal run's idle limit and countdown, fixed for the program's life.
// An administrator's settings may change them; -InhibitShutdown and the
// Test button keep their own.
struct CycleLimits {
    std::int16_t IdleLimit = NormalIdleLimit;
    std::int16_t CountdownLength = NormalCountdownLength;
    bool operator==(const CycleLimits&) const = default;
};

}  // namespace dormix::monitor
