#pragma once
// Other sessions on Windows, from the session manager: wtsapi32's session
// list and each active session's user name.

#include "monitor/OtherSessions.h"

namespace dormix::monitor {

class WtsSessions final : public OtherSessions {
  public:
    bool OtherSessionInUse() override;
};

}  // namespace dormix::monitor
