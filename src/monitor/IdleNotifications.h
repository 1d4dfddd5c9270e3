#pragma once
// Turns a compositor's idle notifications into "the user did something since
// the previous sample".
//
// The main notification has a timeout of at least the longest gap between two
// samples: it is idle only when nobody has touched a key or the pointer for
// that long, and says "resumed" at the first input after. Use since the last
// sample is then: it resumed meanwhile, or it is not idle now.
//
// Idle inhibitors (video players, presentation tools) stop such
// notifications from going idle, and also from reporting input while the
// notification is already idle. A second notification, the probe, made
// while the main one is idle, tells the two apart: with nobody at the
// machine it goes idle after its own timeout; if it has not within that time
// and a margin, something inhibits idling. Where the main notification
// obeys inhibitors too, the two cannot be told apart and an inhibitor counts
// as use; where it ignores them (ext-idle-notify-v1's input-only
// notification, version 2), input is input alone and the inhibitor is a
// hold, which the cycle caps.

#include <cstdint>

namespace dormix::monitor {

class IdleNotifications {
  public:
    // Makes and drops the probe notification.
    class Probe {
      public:
        virtual ~Probe() = default;
        virtual void CreateProbe(std::uint32_t timeoutMs) = 0;
        virtual void DestroyProbe() = 0;
    };

    static constexpr std::uint32_t kTimeoutMs = 1500;
    static constexpr std::int64_t kProbeMarginMs = 500;
    static constexpr std::int64_t kProbeEveryMs = 5000;

    // What the main notification makes of an idle inhibitor.
    enum class MainNotification { ObeysInhibitors, IgnoresInhibitors };

    IdleNotifications(Probe& probe, MainNotification main) : probe_(&probe), main_(main) {}

    void OnIdled() { idle_ = true; }
    void OnResumed();
    void OnProbeIdled() { probeIdled_ = true; }

    // Once a sample, with a monotonic time in milliseconds.
    bool ActiveSince(std::int64_t nowMs);
    bool Inhibited() const { return inhibited_; }
    // An inhibitor seen while the main notification ignores inhibitors: a
    // program's hold, not use.
    bool Held() const { return inhibited_ && main_ == MainNotification::IgnoresInhibitors; }

  private:
    void DropProbe();

    Probe* probe_;
    MainNotification main_;
    bool idle_ = false;
    bool resumed_ = false;
    bool probeOut_ = false;
    bool probeIdled_ = false;
    bool inhibited_ = false;
    bool probeDue_ = true;
    std::int64_t probeDeadline_ = 0;
    std::int64_t nextProbe_ = 0;
};

}  // namespace dormix::monitor
