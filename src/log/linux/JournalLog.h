#pragma once

#include <memory>

#include "log/SystemLog.h"

namespace dormix::log_linux {

// The systemd journal, through libsystemd's sd_journal_sendv, with
// SYSLOG_IDENTIFIER=DormixL and fields of our own (DORMIX_*).
//
// The journal's socket is a datagram socket that blocks the sender while
// journald does not read (stopped, hung, flooded). So the sending happens on
// a thread of its own: a call waits for its copy to go out, but at most a
// quarter of a second, and not at all while an earlier copy is still stuck;
// copies beyond a small backlog are dropped. Without a journald the copies
// simply vanish (sd_journal_sendv says nothing about that either).
class JournalLog final : public log::SystemLog {
public:
    JournalLog();
    ~JournalLog() override;
    JournalLog(const JournalLog&) = delete;
    JournalLog& operator=(const JournalLog&) = delete;

    void Entry(const log::SystemLogEntry& entry) noexcept override;
    void Failure(const log::SystemLogFailure& failure) noexcept override;

    struct Channel;

private:
    std::shared_ptr<Channel> channel_;
};

}  // namespace dormix::log_linux
