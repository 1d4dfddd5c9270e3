#pragma once
// Holds on Windows: programs' display requests (a film, a slideshow, a
// browser playing video), from the power manager's execution state.

#include <string_view>

#include "monitor/Holds.h"

namespace dormix::win32_monitor {

// The one holder line Windows lets a standard user's program know: the
// state says that some program asks for the display, never which one.
inline constexpr std::string_view DisplayRequestHolder =
    "a program's display request (ES_DISPLAY_REQUIRED)";

class DisplayRequests final : public monitor::Holds {
  public:
    monitor::HoldAnswer Ask() override;
};

}  // namespace dormix::win32_monitor
