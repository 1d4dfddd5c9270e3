#pragma once
// Tells when the activity source has been unable to tell for about a
// minute: each such sample counts as use, so the machine never powers off,
// and without a word nobody would know why. One warning on stderr and in
// the system log when that begins, one line again when the source answers;
// the text log keeps its fixed entries.

#include <cstdio>

#include "log/SystemLog.h"
#include "monitor/ActivitySource.h"

namespace dormix::monitor {

class SourceHealth {
  public:
    // Samples in a row, one a second.
    static constexpr int kFailingSamples = 60;

    explicit SourceHealth(log::SystemLog& systemLog, std::FILE* err = stderr)
        : systemLog_(systemLog), err_(err) {}

    // After each answer of the source.
    void Sample(const ActivitySource& source);
    bool Told() const { return told_; }

  private:
    void Tell(const ActivitySource& source, log::SystemEvent event, std::string_view format);

    log::SystemLog& systemLog_;
    std::FILE* err_;
    int failedRun_ = 0;
    bool told_ = false;
};

}  // namespace dormix::monitor
