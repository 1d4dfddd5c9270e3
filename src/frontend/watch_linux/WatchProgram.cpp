#include "frontend/watch_linux/WatchProgram.h"

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "ui/Texts.h"

#ifndef DORMIX_TIMER_DIVISOR
#define DORMIX_TIMER_DIVISOR 1
#endif

namespace dormix::watch_linux {

namespace {

// Made by the unit's LogsDirectory=; a test names its own.
constexpr const char* LogDirectory = "/var/log/dormix-lite";

// The test build says what it counts, tick by tick, since nothing shows it.
void Trace(std::string_view line) {
    if (DORMIX_TIMER_DIVISOR > 1) Say(line);
}

std::filesystem::path LogFile() {
    const char* folder = std::getenv("DORMIX_WATCH_LOG_DIR");
    return std::filesystem::path(folder && *folder ? folder : LogDirectory) / watch::LogFileName;
}

}  // namespace

void Say(std::string_view line) {
    std::fprintf(stderr, "%.*s: %.*s\n", int(WatchName.size()), WatchName.data(), int(line.size()),
                 line.data());
    std::fflush(stderr);
}

WatchProgram::WatchProgram(const watch::WatchArguments& arguments, linux_settings::ConfFiles& conf,
                           settings::Effective settings)
    : conf_(conf),
      settings_(std::move(settings)),
      stopFd_(OpenStopSignals()),
      busWait_(stopFd_),
      journal_{std::string(WatchName)},
      logFile_(LogFile()),
      systemLog_(journal_, std::string(WatchName),
                 "there is no folder \"" + logFile_.parent_path().string() +
                     "\"; systemd makes it for dormix-lite-watch.service (LogsDirectory=), or "
                     "create it (mkdir -m 700)."),
      files_([this](const std::string& why) {
          const std::string warning = text::Fill(text::LogWithoutLock, {why});
          Say(warning);
          journal_.Failure({log::SystemEvent::LogWithoutLock, text::ProductTitle, warning, 0, {}});
      }),
      logons_("logind's sessions"),
      sessions_(logons_),
      shell_(WatchName, DORMIX_TIMER_DIVISOR),
      holds_(linux_monitor::LogindHolds::Counted::BlocksOnly),
      watch_({.timer = shell_,
              .boxes = shell_,
              .exit = shell_,
              .files = files_,
              .clock = clock_,
              .power = power_,
              .systemLog = systemLog_,
              .logons = logons_,
              .loggedOn = sessions_,
              .settings = &settings_,
              .holds = &holds_},
             logFile_, arguments.rehearsal, std::string(WatchName)) {
    linux_logind::UseBusWait(&busWait_);
    sessions_.trace = Trace;
    sessions_.onResume = [this] {
        Trace("resume");
        watch_.OnResume();
    };
}

void WatchProgram::Run() {
    sessions_.Listen();
    watch_.Start();
    std::function<void()> afterTick;
    if (DORMIX_TIMER_DIVISOR > 1)
        afterTick = [this] {
            const auto& state = watch_.Cycle().State();
            Trace("count " + std::to_string(int(state.MonitorPhase)) + " " +
                  std::to_string(state.PhaseCounter));
        };
    RunWatch(watch_, shell_, sessions_, stopFd_, afterTick, [this] {
        Trace("reload");
        settings_ = settings::Load(conf_);
        watch_.OnReload(settings_);
    });
}

}  // namespace dormix::watch_linux
