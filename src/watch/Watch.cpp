#include "watch/Watch.h"

#include <utility>

#include "log/LastResort.h"
#include "ui/Texts.h"

namespace dormix::watch {

WatchArguments ParseArguments(const std::vector<std::string_view>& args) {
    WatchArguments out;
    for (std::string_view arg : args) {
        if (arg == text::SwitchInhibitShutdown)
            out.rehearsal = true;
        else
            out.unknown.emplace_back(arg);
    }
    return out;
}

std::string UnknownArgumentWarning(std::string_view argument) {
    std::string line = "unknown argument \"";
    line.append(argument).append("\" ignored; the only switch is ");
    line.append(text::SwitchInhibitShutdown);
    line.append(" (short limits, a message instead of the power-off).");
    return line;
}

Watch::Watch(WatchPorts ports, std::filesystem::path logFile, bool rehearsal,
             std::string programName)
    : ports_(ports),
      rehearsal_(rehearsal),
      end_(ports.timer, ports.boxes, nullptr, ports.exit),
      sampler_(nullptr, &ports.logons, ports.systemLog),
      loggedOnNow_(ports.loggedOn, ports.logons),
      log_(ports.files, ports.clock, end_, ports.systemLog, std::move(logFile)),
      power_(ports.power, std::move(programName)),
      cycle_({.view = view_,
              .timer = ports.timer,
              .boxes = ports.boxes,
              .end = end_,
              .sampler = sampler_,
              .log = log_,
              .power = power_,
              .window = nullptr,  // no window: the watch has none
              .otherSessions = &loggedOnNow_,
              .limits = ports.settings ? ports.settings->limits : monitor::CycleLimits{},
              .holds = ports.holds,
              .clock = &ports.clock}) {}

template <typename F>
void Watch::Guarded(F&& step) {
    log::Guarded(end_, ports_.systemLog, std::forward<F>(step));
}

void Watch::Start() {
    Guarded([this] {
        cycle_.State().InhibitShutdown = rehearsal_;
        sampler_.ResetInputSnapshot();
        cycle_.ResetCycle();
        if (ports_.settings) settings::Announce(*ports_.settings, ports_.systemLog, ports_.clock);
        log_.OpenEventLog();
        log_.WriteStartBanner();
        cycle_.WriteLogEntry(text::LogStart, text::LogInitialise);
        cycle_.RefreshCaptions();
    });
}

void Watch::OnTick() {
    Guarded([this] { cycle_.Tick(); });
}

void Watch::OnResume() {
    Guarded([this] {
        ports_.logons.Resumed();
        // Back from the sleep its own countdown asked for: the "Wake" entry.
        if (cycle_.AwaitingWake())
            cycle_.OnResume();
        else if (cycle_.State().MonitorPhase == monitor::Phase::Countdown)
            cycle_.OnResetClick();
    });
}

void Watch::OnReload(const settings::Effective& settings) {
    Guarded([&] {
        settings::Announce(settings, ports_.systemLog, ports_.clock);
        cycle_.SetLimits(settings.limits);
    });
}

void Watch::OnStop() {
    if (end_.Closing()) end_.EndProgram();
    end_.BeginSessionEnd();
    Guarded([this] {
        ports_.timer.StopRefreshTimer();
        cycle_.WriteExitEntry();
        end_.EndProgram();
    });
}

}  // namespace dormix::watch
