#include "frontend/watch_win32/WatchService.h"

#include <algorithm>
#include <filesystem>

#include "platform/win32/BeatTimer.h"
#include "platform/win32/monitor/WtsSessions.h"
#include "platform/win32/settings/PolicyKey.h"
#include "ui/Inventory.h"
#include "ui/Texts.h"

namespace dormix::watch_win32 {

namespace {

// Stopping writes one entry: a few seconds are plenty. Each step of the
// start reads the registry, asks the session manager or writes the log.
constexpr DWORD StopWaitHintMs = 5000;
constexpr DWORD StartStepHintMs = 30000;
constexpr DWORD ServiceSpecificFailure = 1;
constexpr int RecountTicks = 60;

std::filesystem::path ModulePath() {
    char path[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    return std::filesystem::path(std::string(path, n));
}

watch::WatchArguments Parse(const std::vector<std::string>& arguments) {
    std::vector<std::string_view> views;
    for (const std::string& a : arguments)
        if (a != text::SwitchKeepOnly) views.push_back(a);
    return watch::ParseArguments(views);
}

bool KeepOnly(const std::vector<std::string>& arguments) {
    return std::find(arguments.begin(), arguments.end(), text::SwitchKeepOnly) != arguments.end();
}

// An argument the watch does not know is an administrator's setting passed
// over: it goes to the event log with the policy's warnings.
settings::Effective LoadSettings(const watch::WatchArguments& parsed) {
    win32_settings::PolicyKey key;
    settings::Effective effective = settings::Load(key);
    for (const std::string& unknown : parsed.unknown)
        effective.warnings.push_back(watch::UnknownArgumentWarning(unknown));
    return effective;
}

}  // namespace

std::string LogFileBesideProgram() {
    const std::filesystem::path folder = ModulePath().parent_path();
    return (folder / text::WatchLogDirectory / watch::LogFileName).string();
}

void ServiceStatus::StartPending() { Report(SERVICE_START_PENDING, NO_ERROR, StartStepHintMs); }
void ServiceStatus::Running() { Report(SERVICE_RUNNING, NO_ERROR, 0); }
void ServiceStatus::StopPending() { Report(SERVICE_STOP_PENDING, NO_ERROR, StopWaitHintMs); }
void ServiceStatus::Stopped(DWORD exitCode) { Report(SERVICE_STOPPED, exitCode, 0); }

void ServiceStatus::Report(DWORD state, DWORD exitCode, DWORD waitHintMs) {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (!handle_ || stopped_) return;
    stopped_ = state == SERVICE_STOPPED;
    const bool pending = state == SERVICE_START_PENDING || state == SERVICE_STOP_PENDING;
    SERVICE_STATUS status{};
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    if (state == SERVICE_RUNNING)
        status.dwControlsAccepted = SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN |
                                    SERVICE_ACCEPT_SESSIONCHANGE | SERVICE_ACCEPT_POWEREVENT;
    // The service's own number, so that the event the service manager writes
    // says a failure, not which Windows error.
    status.dwWin32ExitCode = exitCode ? ERROR_SERVICE_SPECIFIC_ERROR : NO_ERROR;
    status.dwServiceSpecificExitCode = exitCode;
    checkPoint_ = pending ? checkPoint_ + 1 : 0;
    status.dwCheckPoint = checkPoint_;
    status.dwWaitHint = waitHintMs;
    SetServiceStatus(handle_, &status);
}

void ServiceShell::StartRefreshTimer() {
    const std::int64_t now = Now();
    due_ = now + cadence_.Start(now);
    running_ = true;
}

DWORD ServiceShell::UntilTick() const {
    if (!running_) return INFINITE;
    const std::int64_t left = due_ - Now();
    return left > 0 ? static_cast<DWORD>(left) : 0;
}

void ServiceShell::Beat() {
    const std::int64_t now = Now();
    due_ = now + cadence_.Next(now);
}

// Stopped is the last word the service manager hears: after it the process
// may be ended at any moment, so nothing follows but the exit.
void ServiceShell::EndProcess(bool failed) {
    const DWORD code = failed ? ServiceSpecificFailure : 0;
    status_.Stopped(code);
    ExitProcess(code);
}

void FreshLogons::Count() {
    if (const auto users = win32_monitor::LoggedOnUsers())
        logons_.Counted(*users);
    else
        logons_.Unknown();
}

WatchService::WatchService(ServiceStatus& status, const std::vector<std::string>& arguments)
    : status_(status),
      shell_(status, win32::TimerPeriodMs(ui::ControlOf(ui::Ctl::tmrRefresh).intervalMs)),
      arguments_(Parse(arguments)),
      keepOnly_(KeepOnly(arguments)),
      settings_(LoadSettings(arguments_)),
      watch_(Ports(), LogFileBesideProgram(), arguments_.rehearsal, ModulePath().stem().string()),
      copies_(ModulePath().parent_path() / (std::string(text::ExeBaseName) + ".exe")),
      wake_(CreateEventA(nullptr, FALSE, FALSE, nullptr)) {}

watch::WatchPorts WatchService::Ports() {
    return {.timer = shell_,
            .boxes = shell_,
            .exit = shell_,
            .files = files_,
            .clock = clock_,
            .power = power_,
            .systemLog = eventLog_,
            .logons = logons_,
            .loggedOn = loggedOn_,
            .settings = &settings_};
}

void WatchService::Run() {
    status_.StartPending();
    loggedOn_.Count();
    status_.StartPending();
    // -KeepOnly: no count, no log, no power-off; the sessions' tray
    // programs kept running, and nothing else.
    if (keepOnly_)
        shell_.StartRefreshTimer();
    else
        watch_.Start();
    status_.Running();
    for (;;) {
        WaitForSingleObject(wake_, shell_.UntilTick());
        if (stop_.exchange(false)) {
            if (keepOnly_) shell_.EndProcess(false);
            watch_.OnStop();
        }
        if (sessionChanged_.exchange(false)) {
            loggedOn_.Count();
            const std::lock_guard<std::mutex> lock(loggedOffMutex_);
            for (DWORD session : loggedOff_) keeper_.Forget(session);
            loggedOff_.clear();
        }
        // Sessions may have come and gone while the machine slept.
        if (resumed_.exchange(false)) {
            loggedOn_.Count();
            watch_.OnResume();
        }
        if (shell_.UntilTick() == 0) Tick();
    }
}

// The users are counted again once a minute, whatever the last count said:
// the session manager may come back after a failed count without any
// session changing, and a change can go unannounced (a remote desktop's
// log-off has left "someone is on" standing for good).
void WatchService::Tick() {
    shell_.Beat();
    if (++ticksSinceCount_ >= RecountTicks) {
        ticksSinceCount_ = 0;
        loggedOn_.Count();
    }
    // Before the watch's tick, which may end the process with the power-off.
    if (!settings_.limits.AllowExit) keeper_.OnTick();
    if (!keepOnly_) watch_.OnTick();
}

DWORD WatchService::Control(DWORD control, DWORD eventType, void* eventData) {
    switch (control) {
        case SERVICE_CONTROL_STOP:
        case SERVICE_CONTROL_SHUTDOWN:
            status_.StopPending();
            stop_ = true;
            break;
        // Any log-on, log-off, connect or lock: the loop counts again.
        case SERVICE_CONTROL_SESSIONCHANGE:
            // A copy that ends with its session's log-off is not brought back.
            if (eventType == WTS_SESSION_LOGOFF && eventData) {
                const std::lock_guard<std::mutex> lock(loggedOffMutex_);
                loggedOff_.push_back(static_cast<WTSSESSION_NOTIFICATION*>(eventData)->dwSessionId);
            }
            sessionChanged_ = true;
            break;
        case SERVICE_CONTROL_POWEREVENT:
            if (eventType != PBT_APMRESUMEAUTOMATIC) return NO_ERROR;
            resumed_ = true;
            break;
        case SERVICE_CONTROL_INTERROGATE:
            return NO_ERROR;
        default:
            return ERROR_CALL_NOT_IMPLEMENTED;
    }
    Wake();
    return NO_ERROR;
}

}  // namespace dormix::watch_win32
