#include "monitor/IdleNotifications.h"

namespace dormix::monitor {

void IdleNotifications::OnResumed() {
    idle_ = false;
    resumed_ = true;
}

void IdleNotifications::DropProbe() {
    if (probeOut_) probe_->DestroyProbe();
    probeOut_ = false;
    probeIdled_ = false;
    inhibited_ = false;
    probeDue_ = true;
}

bool IdleNotifications::ActiveSince(std::int64_t nowMs) {
    const bool active = resumed_ || !idle_;
    resumed_ = false;
    if (active) {
        DropProbe();  // input was seen: the next idle spell starts with a fresh probe
        return true;
    }
    if (probeOut_ && probeIdled_) {
        // Nobody there and nothing inhibiting: look again a while later.
        DropProbe();
        probeDue_ = false;
        nextProbe_ = nowMs + kProbeEveryMs;
    } else if (probeOut_ && nowMs >= probeDeadline_) {
        inhibited_ = true;  // kept until the probe goes idle or the main one resumes
    } else if (!probeOut_ && (probeDue_ || nowMs >= nextProbe_)) {
        probe_->CreateProbe(kTimeoutMs);
        probeOut_ = true;
        probeIdled_ = false;
        probeDeadline_ = nowMs + kTimeoutMs + kProbeMarginMs;
    }
    return inhibited_ && main_ == MainNotification::ObeysInhibitors;
}

}  // namespace dormix::monitor
