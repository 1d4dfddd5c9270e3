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
// and a margin, something inhibits idling and the machine counts as in use.
// A notification that ignores inhibitors needs no probe.

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

    // `probe` null: the main notification ignores inhibitors.
    explicit IdleNotifications(Probe* probe) : probe_(probe) {}

    void OnIdled() { idle_ = true; }
    void OnResumed();
    void OnProbeIdled() { probeIdled_ = true; }

    // Once a sample, with a monotonic time in milliseconds.
    bool ActiveSince(std::int64_t nowMs);
    bool Inhibited() const { return inhibited_; }

private:
    void DropProbe();

    Probe* probe_;
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
