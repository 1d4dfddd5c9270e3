#pragma once

#include "log/Clock.h"

namespace dormix::linux_log {

// Local time with the month abbreviation the user's LC_TIME locale gives.
class LocalClock final : public log::Clock {
  public:
    log::LocalTime Now() override;
};

}  // namespace dormix::linux_log
