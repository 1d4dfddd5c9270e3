// dormix-lite-watch: the system watch for Linux, run by systemd as
// dormix-lite-watch.service. No Qt and no display: the core's cycle, logind
// over sd-bus for the log-ons and the power-off, the journal for its copy.
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "frontend/watch_linux/LogindLogons.h"
#include "frontend/watch_linux/WatchLoop.h"
#include "platform/linux/log/FileSystemLogFiles.h"
#include "platform/linux/log/JournalLog.h"
#include "platform/linux/log/LocalClock.h"
#include "platform/linux/log/StderrReport.h"
#include "platform/linux/monitor/LogindHolds.h"
#include "platform/linux/power/LogindPowerApi.h"
#include "platform/linux/settings/ConfFiles.h"
#include "ui/Texts.h"
#include "watch/Watch.h"

#ifndef DORMIX_TIMER_DIVISOR
#define DORMIX_TIMER_DIVISOR 1
#endif

namespace {

using namespace dormix;

constexpr std::string_view Name = "dormix-lite-watch";
// Made by the unit's LogsDirectory=; a test names its own.
constexpr const char* LogDirectory = "/var/log/dormix-lite";

void Say(std::string_view line) {
    std::fprintf(stderr, "%.*s: %.*s\n", int(Name.size()), Name.data(), int(line.size()),
                 line.data());
    std::fflush(stderr);
}

// The test build says what it counts, tick by tick, since nothing shows it.
void Trace(std::string_view line) {
    if (DORMIX_TIMER_DIVISOR > 1) Say(line);
}

std::filesystem::path LogFile() {
    const char* folder = std::getenv("DORMIX_WATCH_LOG_DIR");
    return std::filesystem::path(folder && *folder ? folder : LogDirectory) / watch::LogFileName;
}

}  // namespace

int main(int argc, char** argv) {
    // The log's month as the system's locale abbreviates it.
    std::setlocale(LC_ALL, "");
    // stderr is the journal's stream under systemd: a journald restarting
    // must not end the watch.
    std::signal(SIGPIPE, SIG_IGN);
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    const watch::WatchArguments arguments = watch::ParseArguments(args);
    for (const std::string& unknown : arguments.unknown)
        Say(watch::UnknownArgumentWarning(unknown));
    // Its warnings, and the values in force, reach stderr and the journal
    // through the system log once the watch starts.
    linux_settings::ConfFiles conf;
    settings::Effective settings = settings::Load(conf);

    // From here SIGTERM (systemctl stop, the shutdown), SIGINT and SIGHUP
    // are read from a file, and a wait on the bus gives up at once. The
    // first two write "Exit" and end; SIGHUP reads the settings again.
    const int stopFd = watch_linux::OpenStopSignals();
    linux_logind::PollWait busWait(stopFd);
    linux_logind::UseBusWait(&busWait);

    linux_log::JournalLog journal{std::string(Name)};
    const std::filesystem::path logFile = LogFile();
    linux_log::StderrReport systemLog(
        journal, std::string(Name),
        "there is no folder \"" + logFile.parent_path().string() +
            "\"; systemd makes it for dormix-lite-watch.service (LogsDirectory=), or create it "
            "(mkdir -m 700).");
    linux_log::FileSystemLogFiles files([&journal](const std::string& why) {
        const std::string warning =
            std::string(text::LogWithoutLock[0]) + why + std::string(text::LogWithoutLock[1]);
        Say(warning);
        journal.Failure({log::SystemEvent::LogWithoutLock, text::ProductTitle, warning, 0, {}});
    });
    linux_log::LocalClock clock;
    linux_power::LogindPowerApi power;
    watch::Logons logons("logind's sessions");
    watch_linux::LogindLogons sessions(logons);
    watch_linux::WatchShell shell(Name, DORMIX_TIMER_DIVISOR);
    // At a logon screen what holds the machine is an update's or a burn's
    // block inhibitor; idle inhibitors belong to users' sessions.
    linux_monitor::LogindHolds holds(linux_monitor::LogindHolds::Counted::BlocksOnly);
    watch::Watch watch({.timer = shell,
                        .boxes = shell,
                        .exit = shell,
                        .files = files,
                        .clock = clock,
                        .power = power,
                        .systemLog = systemLog,
                        .logons = logons,
                        .loggedOn = sessions,
                        .settings = &settings,
                        .holds = &holds},
                       logFile, arguments.rehearsal, std::string(Name));
    sessions.trace = Trace;
    sessions.onResume = [&] {
        Trace("resume");
        watch.OnResume();
    };

    sessions.Listen();
    watch.Start();
    std::function<void()> afterTick;
    if (DORMIX_TIMER_DIVISOR > 1)
        afterTick = [&] {
            const auto& state = watch.Cycle().State();
            Trace("count " + std::to_string(int(state.MonitorPhase)) + " " +
                  std::to_string(state.PhaseCounter));
        };
    watch_linux::RunWatch(watch, shell, sessions, stopFd, afterTick, [&] {
        Trace("reload");
        settings = settings::Load(conf);
        watch.OnReload(settings);
    });
}
