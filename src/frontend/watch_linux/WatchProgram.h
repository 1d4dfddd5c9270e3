#pragma once
// The Linux watch wired together: logind over sd-bus for the log-ons, the
// holds and the power-off, the journal for its copies, its own log file,
// the poll() loop that ticks it. main() reads the arguments and settings
// first; Run() never returns.

#include <filesystem>
#include <string_view>

#include "frontend/watch_linux/LogindLogons.h"
#include "frontend/watch_linux/WatchLoop.h"
#include "platform/linux/log/FileSystemLogFiles.h"
#include "platform/linux/log/JournalLog.h"
#include "platform/linux/log/LocalClock.h"
#include "platform/linux/log/StderrReport.h"
#include "platform/linux/logind/LogindBus.h"
#include "platform/linux/monitor/LogindHolds.h"
#include "platform/linux/power/LogindPowerApi.h"
#include "platform/linux/settings/ConfFiles.h"
#include "settings/Settings.h"
#include "watch/Watch.h"

namespace dormix::watch_linux {

inline constexpr std::string_view WatchName = "dormix-lite-watch";

// One line on stderr, the journal's stream under systemd.
void Say(std::string_view line);

class WatchProgram {
  public:
    WatchProgram(const watch::WatchArguments& arguments, linux_settings::ConfFiles& conf,
                 settings::Effective settings);
    [[noreturn]] void Run();

  private:
    linux_settings::ConfFiles& conf_;
    settings::Effective settings_;
    // From here SIGTERM (systemctl stop, the shutdown), SIGINT and SIGHUP
    // are read from a file, and a wait on the bus gives up at once. The
    // first two write "Exit" and end; SIGHUP reads the settings again.
    int stopFd_;
    linux_logind::PollWait busWait_;
    linux_log::JournalLog journal_;
    std::filesystem::path logFile_;
    linux_log::StderrReport systemLog_;
    linux_log::FileSystemLogFiles files_;
    linux_log::LocalClock clock_;
    linux_power::LogindPowerApi power_;
    watch::Logons logons_;
    LogindLogons sessions_;
    WatchShell shell_;
    // At a logon screen what holds the machine is an update's or a burn's
    // block inhibitor; idle inhibitors belong to users' sessions.
    linux_monitor::LogindHolds holds_;
    watch::Watch watch_;
};

}  // namespace dormix::watch_linux
