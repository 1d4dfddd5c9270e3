#pragma once
// The watch's one thread: poll() on the stop signals (a signalfd), logind's
// connection, and the next tick, kept on the beat of CLOCK_MONOTONIC.

#include <chrono>
#include <functional>
#include <optional>
#include <string_view>

#include "frontend/watch_linux/LogindLogons.h"
#include "ui/TickCadence.h"
#include "watch/Watch.h"

namespace dormix::watch_linux {

// Where there is no window: the timer is the loop's, the rehearsal's
// message goes to stderr (the journal under systemd), the end is the
// process's.
class WatchShell final : public ui::RefreshTimer, public ui::MessageBoxes, public log::ProcessExit {
  public:
    WatchShell(std::string_view name, int divisor) : name_(name), cadence_(1000 / divisor) {}

    void StartRefreshTimer() override;
    void StopRefreshTimer() override { ticking_ = false; }
    void MessageBox(std::string_view text, std::string_view title, ui::MessageIcon icon) override;
    [[noreturn]] void EndProcess(bool failed) override;

    // How long until the next tick is due; nullopt while the timer is off.
    std::optional<std::chrono::milliseconds> UntilTick() const;
    // Called when UntilTick() has passed: schedules the next one.
    void Ticked();

  private:
    std::string_view name_;
    ui::TickCadence cadence_;
    bool ticking_ = false;
    std::int64_t nextMs_ = 0;
};

// Blocks SIGTERM, SIGINT and SIGHUP and opens a signalfd for them; -1 when
// it cannot (the signals then end the process as by default).
int OpenStopSignals();

// Turns until SIGTERM or SIGINT or the cycle ends the process; `afterTick`
// (may be empty) hears each tick once the cycle has taken it, `onReload`
// each SIGHUP.
[[noreturn]] void RunWatch(watch::Watch& watch, WatchShell& shell, LogindLogons& logons, int stopFd,
                           const std::function<void()>& afterTick,
                           const std::function<void()>& onReload);

}  // namespace dormix::watch_linux
