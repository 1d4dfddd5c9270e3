#pragma once
// The session's last-input tick on Windows: GetLastInputInfo.

#include "monitor/LastInputNet.h"

namespace dormix::win32_monitor {

class LastInputInfo final : public monitor::LastInputClock {
  public:
    bool ReadLastInputTick(std::uint32_t& tick) override;
    std::string_view Name() const override { return "GetLastInputInfo"; }
};

}  // namespace dormix::win32_monitor
