#pragma once
// The log's time stamps: local time, the month as the user's locale
// abbreviates it.

#include "log/Clock.h"
#include "platform/win32/WinApi.h"

namespace dormix::win32_log {

log::LocalTime ToLocalTime(const SYSTEMTIME& st);

class LocalClock final : public log::Clock {
  public:
    log::LocalTime Now() override;
};

}  // namespace dormix::win32_log
