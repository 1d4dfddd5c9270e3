#include "monitor/IdleWatches.h"

#include <utility>

namespace dormix::monitor {

void IdleWatches::Start() {
    ++generation_;
    // Watches of an earlier start that the monitor still holds would fire on.
    if (idleId_) monitor_.RemoveWatch(idleId_);
    if (activeId_) monitor_.RemoveWatch(activeId_);
    idleId_ = activeId_ = 0;
    settingActive_ = checking_ = checkAgain_ = false;
    idle_ = idleFired_ = resumed_ = false;
    usedSamples_ = 0;
    earlyCount_ = 0;
    settingIdle_ = true;
    monitor_.AddIdleWatch(kIdleMs);
}

void IdleWatches::IdleWatchSet(std::uint32_t id) {
    settingIdle_ = false;
    if (id == 0) return Failed();
    idleId_ = id;
    failed_ = false;
    for (std::size_t i = 0; i < earlyCount_; ++i)
        if (early_[i] == id) Fired(id);
    if (!settingIdle_ && !settingActive_) earlyCount_ = 0;
}

void IdleWatches::ActiveWatchSet(std::uint32_t id) {
    settingActive_ = false;
    if (id == 0) return Failed();
    activeId_ = id;
    // After the question already on its way, if there is one.
    if (checking_)
        checkAgain_ = true;
    else
        AskIdleTime();
    for (std::size_t i = 0; i < earlyCount_; ++i)
        if (early_[i] == id) Fired(id);
    if (!settingIdle_ && !settingActive_) earlyCount_ = 0;
}

void IdleWatches::AskIdleTime() {
    checking_ = true;
    checkingIdle_ = idle_;
    monitor_.GetIdletime();
}

void IdleWatches::IdleTimeIs(std::uint64_t ms) {
    checking_ = false;
    if (checkingIdle_ && ms < kIdleMs) resumed_ = true;  // before the active watch was set
    if (!checkingIdle_ && ms >= kIdleMs && !idle_) WentIdle();
    if (std::exchange(checkAgain_, false)) AskIdleTime();
}

void IdleWatches::WentIdle() {
    idle_ = true;
    usedSamples_ = 0;
    if (!activeId_ && !settingActive_) {
        settingActive_ = true;
        monitor_.AddUserActiveWatch();
    }
}

void IdleWatches::Failed() {
    settingIdle_ = settingActive_ = checking_ = checkAgain_ = false;
    failed_ = true;
    ++generation_;  // whatever else is on its way is stale now
}

void IdleWatches::MonitorLost() {
    // A new owner numbers its watches afresh: ours must not be removed there.
    idleId_ = activeId_ = 0;
    Failed();
}

void IdleWatches::Fired(std::uint32_t id) {
    if (id == 0) return;
    if (id == idleId_) {
        // It fires again only after input restarted its count: input that
        // came before the active watch was set.
        if (idleFired_) resumed_ = true;
        idleFired_ = true;
        WentIdle();
    } else if (id == activeId_) {
        activeId_ = 0;
        idle_ = idleFired_ = false;
        resumed_ = true;
    } else if ((settingIdle_ || settingActive_) && earlyCount_ < early_.size()) {
        // Perhaps ours, its number still on the way; another client's
        // watches fire on the same signal.
        early_[earlyCount_++] = id;
    }
    if (!settingIdle_ && !settingActive_) earlyCount_ = 0;
}

bool IdleWatches::ActiveSinceLastSample() {
    if (failed_ || idleId_ == 0) {
        if (!Setting()) Start();
        return true;
    }
    const bool active = resumed_ || !idle_;
    resumed_ = false;
    if (!idle_ && ++usedSamples_ >= kAskAfterSamples && !checking_) AskIdleTime();
    return active;
}

}  // namespace dormix::monitor
