#pragma once
// The headless system watch: the tray program's cycle and log, without a
// window, for a machine nobody is logged on to. Using the machine means
// logging on, so its one activity is "a user session exists"; the idle
// count runs from the watch's start or the last log-off, and at its end the
// same countdown and power-off request follow, with the sessions asked
// once more right before the request. Each platform's entry builds the
// ports and drives it: a timer, the system's log-on news, a stop request.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "log/Clock.h"
#include "log/EventLog.h"
#include "log/LogFiles.h"
#include "log/ProgramEnd.h"
#include "log/SystemLog.h"
#include "monitor/ActivitySource.h"
#include "monitor/Holds.h"
#include "monitor/InputSampler.h"
#include "monitor/MonitorCycle.h"
#include "monitor/OtherSessions.h"
#include "power/PowerApi.h"
#include "power/ShutdownService.h"
#include "settings/Settings.h"
#include "ui/View.h"
#include "ui/WindowPorts.h"

namespace dormix::watch {

// The watch's own log, beside the tray program's or in the system's log folder.
inline constexpr std::string_view LogFileName = "DormixWatch.log";

// What the system says about log-ons, as the platform last learnt it. Any
// user logged on, or a log-on or log-off since the previous tick, is use of
// the machine; a count that could not be had is too, until one succeeds.
class Logons final : public monitor::ActivitySource {
  public:
    explicit Logons(std::string name) : name_(std::move(name)) {}

    // The users' sessions counted now (at start, after each change).
    void Counted(int users) {
        if (users != users_ || unknown_) changed_ = true;
        users_ = users;
        unknown_ = false;
    }
    // Counting failed: someone may be logged on.
    void Unknown() {
        unknown_ = true;
        changed_ = true;
    }
    // The machine woke: as good as a log-on and log-off for the count.
    void Resumed() { changed_ = true; }
    bool LoggedOn() const { return users_ > 0 || unknown_; }
    // A log-on or log-off no sample has taken yet: one during the countdown,
    // where nothing samples.
    bool ChangedSinceLastSample() const { return changed_; }

    bool ActiveSinceLastSample() override {
        const bool active = LoggedOn() || changed_;
        changed_ = false;
        return active;
    }
    bool LastAnswerFailed() const override { return unknown_; }
    std::string_view Name() const override { return name_; }

  private:
    std::string name_;
    int users_ = 0;
    bool unknown_ = true;  // nothing counted yet
    bool changed_ = false;
};

// The controls the cycle sets, where nobody sees them.
class HeadlessView final : public ui::View {
  public:
    void SetWindowCaption(ui::Wnd, std::string_view) override {}
    void SetCaption(ui::Ctl, std::string_view) override {}
    void SetForeColour(ui::Ctl, ui::Colour) override {}
    void SetBackColour(ui::Ctl, ui::Colour) override {}
    void SetBold(ui::Ctl, bool) override {}
    void SetEnabled(ui::Ctl, bool) override {}
    void SetTooltip(ui::Ctl, std::string_view) override {}
};

// The cycle's question "is anyone logged on now": the platform's fresh
// count, or any log-on or log-off since the last sample, so that a user who
// logged on for a moment during the countdown and left again still starts
// the count anew.
class LoggedOnNow final : public monitor::OtherSessions {
  public:
    LoggedOnNow(monitor::OtherSessions& fresh, const Logons& logons)
        : fresh_(fresh), logons_(logons) {}
    bool OtherSessionInUse() override {
        const bool counted = fresh_.OtherSessionInUse();
        return counted || logons_.ChangedSinceLastSample();
    }

  private:
    monitor::OtherSessions& fresh_;
    const Logons& logons_;
};

struct WatchPorts {
    // The timer, the messages (to a console, or nowhere), the end.
    ui::RefreshTimer& timer;
    ui::MessageBoxes& boxes;
    log::ProcessExit& exit;
    log::LogFiles& files;
    log::Clock& clock;
    power::PowerApi& power;
    log::SystemLog& systemLog;
    Logons& logons;
    // Asked at the end of the idle count and right before the request:
    // whether anyone is logged on now. No usable answer is a yes.
    monitor::OtherSessions& loggedOn;
    const settings::Effective* settings = nullptr;
    // What holds the machine at a logon screen (an update); may be null.
    monitor::Holds* holds = nullptr;
};

// The watch's switches: "-InhibitShutdown" gives the short limits and a
// message instead of the request, as it does for the tray program.
struct WatchArguments {
    bool rehearsal = false;
    std::vector<std::string> unknown;  // each one warned about, then ignored
};
WatchArguments ParseArguments(const std::vector<std::string_view>& args);
// The warning for an argument the watch does not know.
std::string UnknownArgumentWarning(std::string_view argument);

class Watch {
  public:
    // `logFile`: the watch's log; `programName`: the executable's name
    // without folder and extension, the source of its power-off errors.
    Watch(WatchPorts ports, std::filesystem::path logFile, bool rehearsal, std::string programName);

    // The log's "Start" and the first activation; the timer then runs.
    void Start();
    void OnTick();
    // The machine woke from sleep or hibernation (Windows' Fast Startup
    // shuts down by hibernating the services): the idle count starts again
    // from zero, as a log-on would start it, and a countdown ends as Cancel
    // would end it. The count before the sleep says nothing of the time
    // since, and whoever switched the machine on may be about to log on.
    // After the hibernation or sleep the watch's own countdown asked for,
    // the "Wake" entry starts the count again.
    void OnResume();
    // The administrator's settings read again (SIGHUP, a service's
    // reload): their warnings and the values in force go to the system log.
    void OnReload(const settings::Effective& settings);
    // The service manager asks it to stop (or the system is going down):
    // the "Exit" entry, then the end. No message: nobody would read it.
    void OnStop();

    monitor::MonitorCycle& Cycle() { return cycle_; }

  private:
    template <typename F>
    void Guarded(F&& step);

    WatchPorts ports_;
    bool rehearsal_;
    log::ProgramEnd end_;
    HeadlessView view_;
    monitor::InputSampler sampler_;
    LoggedOnNow loggedOnNow_;
    log::EventLog log_;
    power::ShutdownService power_;
    monitor::MonitorCycle cycle_;
};

}  // namespace dormix::watch
