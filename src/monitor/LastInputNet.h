#pragma once
// A safety net beside the key and cursor poll: the session's own record of
// when a key or the pointer was last used. The poll can miss input (another
// program may take the "pressed since the last query" bit first, and some
// windows hide their keys from it); this record does not.

#include <cstdint>

#include "monitor/ActivitySource.h"

namespace dormix::monitor {

// Where the session's last-input time is read: a millisecond tick, 32 bits
// wide, so it wraps to 0 every 49.7 days.
class LastInputClock {
  public:
    virtual ~LastInputClock() = default;
    // False when the session would not say; `tick` is then left as it was.
    virtual bool ReadLastInputTick(std::uint32_t& tick) = 0;
    // The call behind it, for messages.
    virtual std::string_view Name() const = 0;
};

class LastInputNet final : public ActivitySource {
  public:
    explicit LastInputNet(LastInputClock& clock) : clock_(clock) {}
    bool ActiveSinceLastSample() override;
    bool LastAnswerFailed() const override { return failed_; }
    std::string_view Name() const override { return clock_.Name(); }

  private:
    LastInputClock& clock_;
    bool failed_ = false;
    std::uint32_t lastTick_ = 0;
    bool known_ = false;
};

}  // namespace dormix::monitor
