#include "monitor/IdleWatches.h"

namespace dormix::monitor {

void IdleWatches::Start() {
    ++generation_;
    // Watches of an earlier start that the monitor still holds would fire on.
    if (idleId_) monitor_.RemoveWatch(idleId_);
    if (activeId_) monitor_.RemoveWatch(activeId_);
    idleId_ = activeId_ = 0;
    settingActive_ = checking_ = false;
    idle_ = resumed_ = false;
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
    checking_ = true;
    monitor_.GetIdletime();
    for (std::size_t i = 0; i < earlyCount_; ++i)
        if (early_[i] == id) Fired(id);
    if (!settingIdle_ && !settingActive_) earlyCount_ = 0;
}

void IdleWatches::IdleTimeIs(std::uint64_t ms) {
    checking_ = false;
    if (ms < kIdleMs) resumed_ = true;
}

void IdleWatches::Failed() {
    settingIdle_ = settingActive_ = checking_ = false;
    failed_ = true;
}

void IdleWatches::MonitorLost() {
    // A new owner numbers its watches afresh: ours must not be removed there.
    idleId_ = activeId_ = 0;
    Failed();
}

void IdleWatches::Fired(std::uint32_t id) {
    if (id == 0) return;
    if (id == idleId_) {
        if (idle_) resumed_ = true;  // input came before the active watch was set
        idle_ = true;
        if (!activeId_ && !settingActive_) {
            settingActive_ = true;
            monitor_.AddUserActiveWatch();
        }
    } else if (id == activeId_) {
        activeId_ = 0;
        idle_ = false;
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
    return active;
}

}  // namespace dormix::monitor
