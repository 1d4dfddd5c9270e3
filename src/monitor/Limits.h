#pragma once
// Every number of the cycle's limits, and the bounds an administrator's
// settings must keep: the one place to read or change them.

#include <cstdint>

namespace dormix::monitor {

// The normal run: 900 idle seconds, then a 60-second countdown. Four hours
// of holds: a film, a lecture, a long update.
inline constexpr std::int16_t NormalIdleLimit = 900;
inline constexpr std::int16_t NormalCountdownLength = 60;
inline constexpr std::int32_t DefaultHoldLimit = 14400;

// What an administrator may set (whole seconds, both ends included). A hold
// limit of 0 lets no hold postpone the countdown.
struct Bounds {
    std::int32_t least, most;
};
inline constexpr Bounds IdleLimitBounds = {60, 9999};
inline constexpr Bounds CountdownBounds = {10, 600};
inline constexpr Bounds HoldLimitBounds = {0, 86400};

// The rehearsal (-InhibitShutdown): 6 idle seconds, a 6-second countdown,
// and two of them as its cap on holds. The Test button: 5 idle seconds.
inline constexpr std::int16_t InhibitLimit = 6;
inline constexpr std::int32_t InhibitHoldLimit = 12;
inline constexpr std::int16_t TestIdleLimit = 5;
// The activation after a start or a reset.
inline constexpr std::int16_t ActivationTicks = 2;

// Seconds a hold may be gone before the countdown comes out: a playlist
// between two films, a slideshow re-taking its request.
inline constexpr std::int32_t HoldGapGrace = 5;
// While another session holds the countdown back the idle count goes on,
// up to what the log's four-digit count can show.
inline constexpr std::int16_t LongestIdleCount = 9999;
// After a hibernation or sleep the system took: awake seconds to wait for
// the machine to go down before it is switched off instead, and how far
// the clock may run ahead of the ticks before that shows it slept and woke
// (the wake-up's own signal can be missed).
inline constexpr std::int32_t SleepWaitLimit = 120;
inline constexpr std::int32_t SleptGap = 30;
// A `never` window's limit: above any count the log can show, so the
// countdown never starts while it is in force.
inline constexpr std::int16_t NoIdleLimit = 32767;

}  // namespace dormix::monitor
