#pragma once

namespace dormix::monitor {

// The machine, not only this session: whether someone else is using it now
// (another user switched in at the console, a remote desktop, an SSH login
// typing). Asked only when the idle count reaches its limit and right
// before the power-off request, never each tick, so an answer may take a
// bus round trip; each platform bounds that wait itself.
class OtherSessions {
  public:
    virtual ~OtherSessions() = default;
    // True when another session is in use. A question that got no usable
    // answer (a timeout, an error, a reply that cannot be read) answers
    // true: a blind spot never counts as nobody. Where there is nobody to
    // ask at all (no session manager), there are no other sessions: false.
    virtual bool OtherSessionInUse() = 0;
};

}  // namespace dormix::monitor
