#pragma once

#include <string>

#include "log/SendQueue.h"
#include "log/SystemLog.h"
#include "ui/Texts.h"

namespace dormix::linux_log {

// The systemd journal, through libsystemd's sd_journal_sendv, with
// SYSLOG_IDENTIFIER=DormixL (or the system watch's name) and fields of our
// own (DORMIX_*).
//
// The journal's socket is a datagram socket that blocks the sender while
// journald does not read (stopped, hung, flooded). So the sending goes
// through a SendQueue: at most a quarter of a second's wait per copy.
// Without a journald the copies simply vanish (sd_journal_sendv says
// nothing about that either).
class JournalLog final : public log::SystemLog {
  public:
    explicit JournalLog(std::string identifier = std::string(text::ExeBaseName))
        : identifier_(std::move(identifier)) {}
    void Entry(const log::SystemLogEntry& entry) noexcept override;
    void Failure(const log::SystemLogFailure& failure) noexcept override;

  private:
    std::string identifier_;
    log::SendQueue queue_;
};

}  // namespace dormix::linux_log
