#include "watch/TrayKeeper.h"

#include <algorithm>

#include "ui/Texts.h"

namespace dormix::watch {

void TrayKeeper::OnTick() {
    const auto sessions = sessions_.ActiveSessions();
    // Not asked this time: nothing is known to have ended.
    if (!sessions) return;
    std::map<std::uint32_t, Kept> still;
    for (const UserSession& session : *sessions) {
        Kept kept = kept_[session.id];
        if (session.copyRunning) {
            // From the first copy seen on, one that goes is missed at once.
            if (!kept.seen) kept.wait = KeeperRestartAfter;
            kept.seen = true;
            kept.missing = 0;
            if (++kept.running >= KeeperStableRun) {
                kept.quickEnds = 0;
                kept.wait = KeeperRestartAfter;
            }
        } else {
            kept.running = 0;
            if (++kept.missing >= kept.wait) Start(session, kept);
        }
        still[session.id] = kept;
    }
    // A session that is no longer active (logged off, or switched away) is
    // judged afresh when it comes back.
    kept_ = std::move(still);
}

void TrayKeeper::Start(const UserSession& session, Kept& kept) {
    const std::string why = sessions_.StartCopy(session.id);
    const std::string id = std::to_string(session.id);
    // Each start not preceded by a stable run waits twice as long for the next.
    kept.quickEnds = std::min(kept.quickEnds + 1, 8);
    const int backoff = kept.quickEnds > 1 ? KeeperRestartAfter << (kept.quickEnds - 1) : 0;
    kept.wait = std::min(KeeperRestartAfter + backoff, KeeperLongestWait);
    kept.missing = 0;
    const std::string title = std::string(text::WatchTitle);
    if (!why.empty()) {
        systemLog_.Failure(
            {log::SystemEvent::TrayNotStarted,
             title,
             text::Fill(text::TrayNotStarted, {id, session.user, why, std::to_string(kept.wait)}),
             0,
             {}});
        return;
    }
    systemLog_.Failure(
        {log::SystemEvent::TrayStarted,
         title,
         text::Fill(kept.seen ? text::TrayRestarted : text::TrayStarted, {id, session.user}),
         0,
         {}});
}

}  // namespace dormix::watch
