#pragma once
// Other sessions on Windows, from the session manager: wtsapi32's session
// list and each active session's user name.

#include <optional>
#include <string>

#include "monitor/OtherSessions.h"

namespace dormix::win32_monitor {

// The sessions with a user logged on, whatever their state (at the
// console, remote, switched away or disconnected); none when the session
// manager cannot be asked. A user name that cannot be read counts as a user.
std::optional<int> LoggedOnUsers();
// The user logged on to `session`: empty for none, nothing when it cannot
// be read.
std::optional<std::string> UserName(unsigned long session);

class WtsSessions final : public monitor::OtherSessions {
  public:
    bool OtherSessionInUse() override;
};

}  // namespace dormix::win32_monitor
